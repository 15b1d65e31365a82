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

    const std::pair<QPushButton*, void (Form2::*)()> handlers[] = {
        {delete1, &Form2::PushButton1_Click},    {back, &Form2::PushButton2_Click},
        {send1, &Form2::PushButton3_Click},      {send2, &Form2::PushButton4_Click},
        {delete2, &Form2::PushButton5_Click},    {rename1, &Form2::PushButton6_Click},
        {rename2, &Form2::PushButton7_Click},    {selectAll2, &Form2::PushButton8_Click},
        {deselectAll2, &Form2::PushButton9_Click}, {selectAll1, &Form2::PushButton10_Click},
        {deselectAll1, &Form2::PushButton11_Click}, {help, &Form2::PushButton12_Click},
    };
    // The pointer rules: the hand over the twelve buttons, the default pointer over the background,
    // the frames and the lists; the progress bar has no rule.
    pointer_ = std::make_unique<PointerZones>(this, [this](PointerZones::Zone zone) {
        if (zone == PointerZones::kButton) form_->ButtonMouseMove();
        if (zone == PointerZones::kBackground) form_->BackgroundMouseMove();
    });
    for (const auto& [button, handler] : handlers) {
        connect(button, &QPushButton::clicked, this, [this, h = handler] { (form_.get()->*h)(); });
        pointer_->add(button, PointerZones::kButton);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{frame1, frame2, list1, list2})
        pointer_->add(w, PointerZones::kBackground);
    pointer_->add(list1->viewport(), PointerZones::kBackground);
    pointer_->add(list2->viewport(), PointerZones::kBackground);
    pointer_->add(bar, PointerZones::kNone);
    installEventFilter(pointer_.get());
}

TablesWindowWidget::~TablesWindowWidget() = default;

void TablesWindowWidget::closeEvent(QCloseEvent* event) {
    event->accept();
    EndProgram(guard_, stop_);
}

}  // namespace tess
