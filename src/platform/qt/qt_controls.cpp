#include "platform/qt/qt_controls.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QScrollBar>
#include <stdexcept>

#include "common/text_case.h"
#include "platform/qt/twips.h"
#include "platform/qt/widget_builder.h"

namespace tess {
namespace {

// Windows drew a caption bar and borders of about this height around the client area.
constexpr double kCaptionAndBorders = 465;

}  // namespace

QListWidgetItem* QtTableList::at(int index) const {
    QListWidgetItem* entry = list_->item(index);
    if (!entry) throw std::out_of_range("Invalid procedure call or argument");
    return entry;
}

std::string QtTableList::item(int index) const { return at(index)->text().toStdString(); }
bool QtTableList::selected(int index) const { return at(index)->isSelected(); }
void QtTableList::setSelected(int index, bool selected) { at(index)->setSelected(selected); }

// A list refilled while its window is hidden would keep the old scroll offset and hide its first
// entries: a refill starts at the top.
void QtTableList::clear() {
    list_->clear();
    list_->verticalScrollBar()->setValue(0);
    list_->horizontalScrollBar()->setValue(0);
}

void QtTableList::addItem(const std::string& text) {
    std::vector<std::string> entries;
    entries.reserve(list_->count());
    for (int i = 0; i < list_->count(); ++i) entries.push_back(list_->item(i)->text().toStdString());
    const int at = SortedInsertPosition(entries, text, [](const std::string& s) { return s; });
    list_->insertItem(at, QString::fromStdString(text));
}

void QtTableList::removeItem(int index) {
    at(index);  // throws for an index out of range
    delete list_->takeItem(index);
}

void QtWindow::show() {
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void QtWindow::setMousePointer(int pointer) {
    pointer_ = pointer;
    if (pointer == kPointerBusy) window_->setCursor(Qt::WaitCursor);
    else if (pointer == kPointerCustom) window_->setCursor(custom_);
    else window_->setCursor(Qt::ArrowCursor);
}

double QtWindow::left() const { return Twips(window_->x()); }
double QtWindow::top() const { return Twips(window_->y()); }
double QtWindow::width() const { return Twips(window_->width()); }
double QtWindow::height() const { return Twips(window_->height()) + kCaptionAndBorders; }
void QtWindow::move(double left, double top) { window_->move(Px(left), Px(top)); }
// The windows keep the size they are given, as their design has it.
void QtWindow::setHeight(double height) { window_->setFixedHeight(Px(height - kCaptionAndBorders)); }

void QtWindow::setProgramIcon() { window_->setWindowIcon(QApplication::windowIcon()); }

void QtWindow::setCustomPointerPicture(const std::string& path) {
    QPixmap picture(QString::fromStdString(path));
    if (!picture.isNull()) custom_ = QCursor(picture, 6, 1);
}

void QtWindow::setButtonFaceColors() {
    const QColor face = window_->palette().color(QPalette::Button);
    auto paint = [&](QWidget* w) {
        QPalette p = w->palette();
        p.setColor(QPalette::Window, face);
        w->setPalette(p);
        w->setAutoFillBackground(true);
    };
    paint(window_);
    for (QWidget* child : window_->findChildren<QWidget*>()) {
        if (auto* frame = qobject_cast<QGroupBox*>(child)) frame->setStyleSheet(WidgetBuilder::FrameStyle(face));
        if (qobject_cast<QLabel*>(child) || qobject_cast<QCheckBox*>(child)) {
            child->setStyleSheet("");
            paint(child);
        }
    }
}

void QtWindow::applySkin(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("The skin file cannot be read: " + path);
    window_->setStyleSheet(QString::fromUtf8(file.readAll()));
}

void QtProgressBar::setValue(double percent) {
    if (bar_->maximum() == 0) bar_->setRange(0, 100);
    bar_->setFormat(words_);
    bar_->setValue(static_cast<int>(percent));
}

// A range of nothing is Qt's busy bar, which shows no words; a sentence goes on an empty measure.
void QtProgressBar::showWaiting(const std::string& text) {
    if (text.empty()) {
        bar_->setRange(0, 0);
        return;
    }
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setFormat(QString::fromStdString(text));
}

}  // namespace tess
