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
    const Controls c = placeControls();
    for (QLineEdit* f : {c.text1, c.text2, c.text3, c.text4, c.text5, c.text6, c.text7, c.text8})
        fields_.push_back(std::make_unique<QtTextField>(f));
    check4_ = std::make_unique<QtCheckBox>(c.check4);
    auto& F = fields_;
    form_ = std::make_unique<Form1>(database, toolkit, shell, settings,
                                    LoginWindowControls{*F[0], *F[1], *F[2], *F[3], *F[4], *F[5], *F[6], *F[7],
                                                        *check4_, window_},
                                    std::move(tablesWindow), std::move(random), guard);
    connectHandlers(c);
    addPointerRules(c);
    selectOnFocus_ = {c.text1, c.text2, c.text5, c.text6, c.text7};
    keepOnFocus_ = {c.text3, c.text4, c.text8};
    for (QWidget* w : selectOnFocus_) w->installEventFilter(this);
    for (QWidget* w : keepOnFocus_) w->installEventFilter(this);
}

LoginWindowWidget::Controls LoginWindowWidget::placeControls() {
    WidgetBuilder b(this);
    Controls c{};
    c.frame1 = b.frame("Frame1", "Firebird or Interbase Login", 120, 120, 7800, 2265);
    b.label(c.frame1, "Label7", "Database:", 240, 345);
    c.text1 = b.field(c.frame1, "Text1", 1320, 300, 5415, 345);
    c.browse = b.button(c.frame1, "PushButton5", "...", 6840, 300, 720, 345);
    b.label(c.frame1, "Label6", "Username:", 240, 795);
    c.text7 = b.field(c.frame1, "Text7", 1320, 750, 6255, 345);
    b.label(c.frame1, "Label1", "Password:", 240, 1245);
    c.text2 = b.field(c.frame1, "Text2", 1320, 1200, 6255, 345, true);
    c.testFirebird = b.button(c.frame1, "PushButton3", "Test Connection", 255, 1680, 3600, 405);
    c.sample = b.button(c.frame1, "PushButton7", "Load Sample/Example Database", 3960, 1680, 3600, 405);

    c.frame2 = b.frame("Frame2", "MS SQL Server Login", 120, 2460, 7800, 3135);
    b.label(c.frame2, "Label2", "Server:", 240, 405);
    c.text5 = b.field(c.frame2, "Text5", 1320, 360, 4575, 330);
    b.label(c.frame2, "Label10", "Port:", 6120, 405);
    c.text6 = b.field(c.frame2, "Text6", 6600, 360, 960, 330);
    b.label(c.frame2, "Label4", "Username:", 240, 885);
    c.text3 = b.field(c.frame2, "Text3", 1320, 840, 6255, 330);
    b.label(c.frame2, "Label5", "Password:", 240, 1365);
    c.text4 = b.field(c.frame2, "Text4", 1320, 1320, 6255, 330, true);
    b.label(c.frame2, "Label3", "Database:", 240, 1800);
    c.text8 = b.field(c.frame2, "Text8", 1320, 1800, 6255, 330);
    c.check4 = b.checkBox(c.frame2, "Check4", "Local Connection", 1305, 2175, 1950, 330);
    SetWhiteBackground(c.check4);
    c.testSqlServer = b.button(c.frame2, "PushButton6", "Test Connection", 240, 2565, 3600, 405);
    c.help = b.button(c.frame2, "PushButton1", "Help", 3960, 2565, 3600, 405);
    c.next = b.button(this, "PushButton2", "Next >", 120, 5720, 7800, 405);

    const QList<QWidget*> tabOrder = {c.text1, c.browse, c.text7, c.text2,  c.testFirebird, c.sample,
                                      c.text5, c.text6,  c.text3, c.text4,  c.text8,        c.check4,
                                      c.testSqlServer, c.help, c.next};
    for (int i = 1; i < tabOrder.size(); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);
    return c;
}

void LoginWindowWidget::connectHandlers(const Controls& c) {
    QLineEdit* edits[] = {c.text1, c.text2, c.text3, c.text4, c.text5, c.text6, c.text7, c.text8};
    for (int i = 0; i < 8; ++i) {
        TextField& field = *fields_[i];
        connect(edits[i], &QLineEdit::textChanged, this, [this, &field] { form_->Text_Change(field); });
    }
    connect(c.check4, &QCheckBox::toggled, this, [this] { form_->Check4_Click(); });
    connect(c.help, &QPushButton::clicked, this, [this] { form_->PushButton1_Click(); });
    connect(c.next, &QPushButton::clicked, this, [this] { form_->PushButton2_Click(); });
    connect(c.testFirebird, &QPushButton::clicked, this, [this] { form_->PushButton3_Click(); });
    connect(c.browse, &QPushButton::clicked, this, [this] { form_->PushButton5_Click(); });
    connect(c.testSqlServer, &QPushButton::clicked, this, [this] { form_->PushButton6_Click(); });
    connect(c.sample, &QPushButton::clicked, this, [this] { form_->PushButton7_Click(); });
}

// The pointer rules: the hand over the six buttons, the default pointer over the background, the
// frames and the fields that select on entry; labels, Check4 and the other fields have no rule.
void LoginWindowWidget::addPointerRules(const Controls& c) {
    pointer_ = std::make_unique<PointerZones>(this, [this](PointerZones::Zone zone) {
        if (zone == PointerZones::kButton) form_->ButtonMouseMove();
        if (zone == PointerZones::kBackground) form_->BackgroundMouseMove();
    });
    for (QWidget* w : std::initializer_list<QWidget*>{c.help, c.next, c.testFirebird, c.browse, c.testSqlServer,
                                                      c.sample})
        pointer_->add(w, PointerZones::kButton);
    for (QWidget* w : std::initializer_list<QWidget*>{c.frame1, c.frame2, c.text1, c.text2, c.text5, c.text6, c.text7})
        pointer_->add(w, PointerZones::kBackground);
    for (QWidget* w : std::initializer_list<QWidget*>{c.text3, c.text4, c.text8, c.check4})
        pointer_->add(w, PointerZones::kNone);
    for (QLabel* label : findChildren<QLabel*>()) pointer_->add(label, PointerZones::kNone);
    installEventFilter(pointer_.get());
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
