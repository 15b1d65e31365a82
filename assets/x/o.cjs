/* The skin: a Qt style sheet, applied to the login window when this file is in the program folder. */
QWidget#Form1 { background: #e8ecf2; }
QGroupBox {
    background: #f4f6fa;
    border: 1px solid #9aa8bd;
    border-radius: 4px;
    margin-top: 10px;
}
QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 4px; color: #1e3a66; }
QLabel { background: transparent; color: #1e2a3a; }
/* No background here: it would become the base of the check box's indicator, which then vanishes. */
QCheckBox { color: #1e2a3a; }
QLineEdit {
    background: white;
    border: 1px solid #9aa8bd;
    border-radius: 2px;
    padding: 1px 3px;
}
QLineEdit:focus { border-color: #2f6fc6; }
QLineEdit[echoMode="2"] { lineedit-password-character: 42; }
QPushButton {
    color: #13284a;
    border: 1px solid #7d8fab;
    border-radius: 4px;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #d5deeb);
}
QPushButton:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #bfd3ef); }
QPushButton:pressed { background: #b3c6e3; }
