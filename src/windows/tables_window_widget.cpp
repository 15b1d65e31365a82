#include "windows/tables_window_widget.h"

#include <QApplication>
#include <QCloseEvent>

#include "platform/qt/end_program.h"
#include "platform/qt/pointer_zones.h"
#include "platform/qt/twips.h"
#include "platform/qt/widget_builder.h"

namespace tess {

TablesWindowWidget::TablesWindowWidget(Database& database, Toolkit& toolkit, const LoginSource& logins,
                                       Window& loginWindow, OperationGuard& guard, StopRequest& stop)
    : guard_(guard), stop_(stop) {
    setObjectName("Form2");
    setFixedSize(Px(8040), Px(5520));
    setMouseTracking(true);
    WidgetBuilder b(this);

    QGroupBox* frame1 = b.frame("Frame1", "MS SQL Server Tables", 120, 120, 3840, 4215);
    QListWidget* list1 = b.list(frame1, "List1", 240, 360, 3330, 1635);
    QPushButton* selectAll1 = b.button(frame1, "PushButton10", "Select All", 240, 2100, 1600, 400);
    QPushButton* deselectAll1 = b.button(frame1, "PushButton11", "Deselect All", 1960, 2100, 1600, 400);
    QPushButton* send1 = b.button(frame1, "PushButton3", "Send Table/s To Firebird", 240, 2600, 3330, 405);
    QPushButton* delete1 = b.button(frame1, "PushButton1", "Delete Table/s", 240, 3100, 3330, 405);
    QPushButton* rename1 = b.button(frame1, "PushButton6", "Rename Table", 240, 3600, 3330, 405);

    QGroupBox* frame2 = b.frame("Frame2", "Firebird / Interbase Tables", 4080, 120, 3840, 4215);
    QListWidget* list2 = b.list(frame2, "List2", 240, 360, 3330, 1635);
    QPushButton* selectAll2 = b.button(frame2, "PushButton8", "Select All", 240, 2100, 1600, 400);
    QPushButton* deselectAll2 = b.button(frame2, "PushButton9", "Deselect All", 1960, 2100, 1600, 400);
    QPushButton* send2 = b.button(frame2, "PushButton4", "Send Table/s To SQL Server", 240, 2600, 3330, 405);
    QPushButton* delete2 = b.button(frame2, "PushButton5", "Delete Table/s", 240, 3100, 3330, 405);
    QPushButton* rename2 = b.button(frame2, "PushButton7", "Rename Table", 240, 3600, 3330, 405);

    QProgressBar* bar = b.progressBar("ProgressBar1", "Progress Bar", 120, 4460, 7800, 405);
    QPushButton* back = b.button(this, "PushButton2", "< Back", 120, 4980, 3840, 405);
    QPushButton* help = b.button(this, "PushButton12", "Help", 4080, 4980, 3840, 405);

    const QList<QWidget*> tabOrder = {frame1, list1, frame2, list2, selectAll1, deselectAll1, send1, delete1, rename1,
                                      selectAll2, deselectAll2, send2, delete2, rename2, back, bar, help};
    for (int i = 1; i < tabOrder.size(); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

    list1_ = std::make_unique<QtTableList>(list1);
    list2_ = std::make_unique<QtTableList>(list2);
    progress_ = std::make_unique<QtProgressBar>(bar);
    TablesWindowControls controls{*list1_, *list2_, *progress_, window_, {}};
    controls.stop = &stop;
    form_ = std::make_unique<Form2>(database, toolkit, logins, controls, loginWindow, guard);

    connectHandlers({delete1, back, send1, send2, delete2, rename1, rename2, selectAll2, deselectAll2, selectAll1,
                     deselectAll1, help});
    idleOnly_ = {delete1, back, send1, send2, delete2, rename1, rename2, selectAll2, deselectAll2, selectAll1,
                 deselectAll1, list1, list2};
    guard_.watch([this](bool busy) { showBusy(busy); });
    // The pointer rules: the default pointer over the background, the frames and the lists; the
    // progress bar has no rule.
    for (QWidget* w : std::initializer_list<QWidget*>{frame1, frame2, list1, list2})
        pointer_->add(w, PointerZones::kBackground);
    pointer_->add(list1->viewport(), PointerZones::kBackground);
    pointer_->add(list2->viewport(), PointerZones::kBackground);
    pointer_->add(bar, PointerZones::kNone);
    installEventFilter(pointer_.get());
}

// Each of the twelve buttons, in the order of their handlers' numbers, clicks its handler and
// shows the hand.
void TablesWindowWidget::connectHandlers(const std::array<QPushButton*, 12>& buttons) {
    void (Form2::*const handlers[])() = {
        &Form2::PushButton1_Click, &Form2::PushButton2_Click,  &Form2::PushButton3_Click,  &Form2::PushButton4_Click,
        &Form2::PushButton5_Click, &Form2::PushButton6_Click,  &Form2::PushButton7_Click,  &Form2::PushButton8_Click,
        &Form2::PushButton9_Click, &Form2::PushButton10_Click, &Form2::PushButton11_Click, &Form2::PushButton12_Click,
    };
    pointer_ = std::make_unique<PointerZones>(this, [this](PointerZones::Zone zone) {
        if (zone == PointerZones::kButton) form_->ButtonMouseMove();
        if (zone == PointerZones::kBackground) form_->BackgroundMouseMove();
    });
    for (size_t i = 0; i < buttons.size(); ++i) {
        connect(buttons[i], &QPushButton::clicked, this, [this, h = handlers[i]] { (form_.get()->*h)(); });
        pointer_->add(buttons[i], PointerZones::kButton);
    }
}

TablesWindowWidget::~TablesWindowWidget() { guard_.watch(nullptr); }

// While an operation runs, one button at a time: every button but Help would ignore its click, so
// each looks disabled until the operation ends; so do the lists, whose selection the operation has
// already read. The focus leaves the window's controls meanwhile rather than move on to Help, where
// Enter would open the help; it comes back when the buttons do, so that a keyboard user keeps
// their place.
void TablesWindowWidget::showBusy(bool busy) {
    if (busy) {
        focusBeforeBusy_ = focusWidget();
        if (focusBeforeBusy_) focusBeforeBusy_->clearFocus();
    }
    for (QWidget* control : idleOnly_) control->setEnabled(!busy);
    if (!busy && focusBeforeBusy_ && focusWidget() != focusBeforeBusy_ && focusBeforeBusy_->isEnabled())
        focusBeforeBusy_->setFocus(Qt::OtherFocusReason);
}

void TablesWindowWidget::closeEvent(QCloseEvent* event) {
    event->accept();
    EndProgram(guard_, stop_);
}

}  // namespace tess
