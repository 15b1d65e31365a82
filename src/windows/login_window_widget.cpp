#include "windows/login_window_widget.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QTimer>

#include "platform/qt/end_program.h"
#include "platform/qt/pointer_zones.h"
#include "platform/qt/twips.h"
#include "platform/qt/widget_builder.h"

namespace tess {

LoginWindowWidget::LoginWindowWidget(Database& database, Toolkit& toolkit, Shell& shell, SettingsStore& settings,
                                     std::function<TablesWindowDoor&()> tablesWindow, Form1::Random random,
                                     OperationGuard& guard, StopRequest& stop)
    : guard_(guard), stop_(stop) {
    setObjectName("Form1");
    setFixedSize(Px(8040), Px(6225));
    setMouseTracking(true);
    WidgetBuilder b(this);

    QGroupBox* frame1 = b.frame("Frame1", "Firebird or Interbase Login", 120, 120, 7800, 2265);
    b.label(frame1, "Label7", "Database:", 240, 345);
    QLineEdit* text1 = b.field(frame1, "Text1", 1320, 300, 5415, 345);
    QPushButton* browse = b.button(frame1, "PushButton5", "...", 6840, 300, 720, 345);
    b.label(frame1, "Label6", "Username:", 240, 795);
    QLineEdit* text7 = b.field(frame1, "Text7", 1320, 750, 6255, 345);
    b.label(frame1, "Label1", "Password:", 240, 1245);
    QLineEdit* text2 = b.field(frame1, "Text2", 1320, 1200, 6255, 345, true);
    QPushButton* testFirebird = b.button(frame1, "PushButton3", "Test Connection", 255, 1680, 3600, 405);
    QPushButton* sample = b.button(frame1, "PushButton7", "Load Sample/Example Database", 3960, 1680, 3600, 405);

    QGroupBox* frame2 = b.frame("Frame2", "MS SQL Server Login", 120, 2460, 7800, 3135);
    b.label(frame2, "Label2", "Server:", 240, 405);
    QLineEdit* text5 = b.field(frame2, "Text5", 1320, 360, 4575, 330);
    b.label(frame2, "Label10", "Port:", 6120, 405);
    QLineEdit* text6 = b.field(frame2, "Text6", 6600, 360, 960, 330);
    b.label(frame2, "Label4", "Username:", 240, 885);
    QLineEdit* text3 = b.field(frame2, "Text3", 1320, 840, 6255, 330);
    b.label(frame2, "Label5", "Password:", 240, 1365);
    QLineEdit* text4 = b.field(frame2, "Text4", 1320, 1320, 6255, 330, true);
    b.label(frame2, "Label3", "Database:", 240, 1800);
    QLineEdit* text8 = b.field(frame2, "Text8", 1320, 1800, 6255, 330);
    QCheckBox* check4 = b.checkBox(frame2, "Check4", "Local Connection", 1305, 2175, 1950, 330);
    SetWhiteBackground(check4);
    QPushButton* testSqlServer = b.button(frame2, "PushButton6", "Test Connection", 240, 2565, 3600, 405);
    QPushButton* help = b.button(frame2, "PushButton1", "Help", 3960, 2565, 3600, 405);
    QPushButton* next = b.button(this, "PushButton2", "Next >", 120, 5720, 7800, 405);

    const QList<QWidget*> tabOrder = {text1,  browse, text7, text2, testFirebird, sample, text5, text6,
                                      text3,  text4,  text8, check4, testSqlServer, help,  next};
    for (int i = 1; i < tabOrder.size(); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

    for (QLineEdit* f : {text1, text2, text3, text4, text5, text6, text7, text8})
        fields_.push_back(std::make_unique<QtTextField>(f));
    check4_ = std::make_unique<QtCheckBox>(check4);
    auto& F = fields_;
    form_ = std::make_unique<Form1>(database, toolkit, shell, settings,
                                    LoginWindowControls{*F[0], *F[1], *F[2], *F[3], *F[4], *F[5], *F[6], *F[7],
                                                        *check4_, window_},
                                    std::move(tablesWindow), std::move(random), guard);

    QLineEdit* edits[] = {text1, text2, text3, text4, text5, text6, text7, text8};
    for (int i = 0; i < 8; ++i) {
        TextField& field = *fields_[i];
        connect(edits[i], &QLineEdit::textChanged, this, [this, &field] { form_->Text_Change(field); });
    }
    connect(check4, &QCheckBox::toggled, this, [this] { form_->Check4_Click(); });
    connect(help, &QPushButton::clicked, this, [this] { form_->PushButton1_Click(); });
    connect(next, &QPushButton::clicked, this, [this] { form_->PushButton2_Click(); });
    connect(testFirebird, &QPushButton::clicked, this, [this] { form_->PushButton3_Click(); });
    connect(browse, &QPushButton::clicked, this, [this] { form_->PushButton5_Click(); });
    connect(testSqlServer, &QPushButton::clicked, this, [this] { form_->PushButton6_Click(); });
    connect(sample, &QPushButton::clicked, this, [this] { form_->PushButton7_Click(); });

    // The pointer rules: the hand over the six buttons, the default pointer over the background, the
    // frames and the fields that select on entry; labels, Check4 and the other fields have no rule.
    pointer_ = std::make_unique<PointerZones>(this, [this](PointerZones::Zone zone) {
        if (zone == PointerZones::kButton) form_->ButtonMouseMove();
        if (zone == PointerZones::kBackground) form_->BackgroundMouseMove();
    });
    for (QWidget* w : std::initializer_list<QWidget*>{help, next, testFirebird, browse, testSqlServer, sample})
        pointer_->add(w, PointerZones::kButton);
    for (QWidget* w : std::initializer_list<QWidget*>{frame1, frame2, text1, text2, text5, text6, text7})
        pointer_->add(w, PointerZones::kBackground);
    for (QWidget* w : std::initializer_list<QWidget*>{text3, text4, text8, check4})
        pointer_->add(w, PointerZones::kNone);
    for (QLabel* label : findChildren<QLabel*>()) pointer_->add(label, PointerZones::kNone);
    installEventFilter(pointer_.get());

    selectOnFocus_ = {text1, text2, text5, text6, text7};
    keepOnFocus_ = {text3, text4, text8};
    for (QWidget* w : selectOnFocus_) w->installEventFilter(this);
    for (QWidget* w : keepOnFocus_) w->installEventFilter(this);
}

LoginWindowWidget::~LoginWindowWidget() = default;

bool LoginWindowWidget::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::FocusIn) return QWidget::eventFilter(watched, event);
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (std::find(selectOnFocus_.begin(), selectOnFocus_.end(), field) != selectOnFocus_.end()) {
        // After the click that gave the focus has placed the cursor.
        QTimer::singleShot(0, field, [field] { field->selectAll(); });
    } else if (std::find(keepOnFocus_.begin(), keepOnFocus_.end(), field) != keepOnFocus_.end()) {
        // Qt selects a field's whole text when the keyboard moves the focus into it; these fields
        // have no such rule, so that typing does not replace what they hold.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason)
            QTimer::singleShot(0, field, [field] { field->deselect(); });
    }
    return QWidget::eventFilter(watched, event);
}

void LoginWindowWidget::closeEvent(QCloseEvent* event) {
    event->accept();
    EndProgram(guard_, stop_);
}

}  // namespace tess
