#include "platform/qt/qt_toolkit.h"

#include <algorithm>

#include <QApplication>
#include <QSpacerItem>
#include <QTreeView>
#include <QHeaderView>
#include <QGridLayout>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLabel>
#include <QGuiApplication>
#include <QImageReader>
#include <QPixmap>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include "platform/qt/twips.h"

namespace tess {

std::string QtMessageText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<FileFilter> ParseFileFilter(const std::string& filter) {
    std::vector<FileFilter> out;
    size_t start = 0;
    while (start < filter.size()) {
        const size_t bar = filter.find('|', start);
        if (bar == std::string::npos) break;
        const size_t end = std::min(filter.find('|', bar + 1), filter.size());
        FileFilter f{filter.substr(start, bar - start), {}};
        const std::string patterns = filter.substr(bar + 1, end - bar - 1);
        for (size_t p = 0; p <= patterns.size();) {
            const size_t semicolon = std::min(patterns.find(';', p), patterns.size());
            if (semicolon > p) f.patterns.push_back(patterns.substr(p, semicolon - p));
            p = semicolon + 1;
        }
        out.push_back(f);
        start = end + 1;
    }
    return out;
}

namespace {

// Breaks lines at blanks only, so that none is wider than `limit`: Qt's own wrapping of a long
// text breaks inside web addresses and paths too (after "https://", say). A word wider than the
// limit keeps a line of its own.
QString WrapAtBlanks(const QString& text, const QFontMetrics& metrics, int limit) {
    QStringList lines;
    for (const QString& line : text.split('\n')) {
        QString current;
        for (const QString& word : line.split(' ')) {
            const QString candidate = current.isEmpty() ? word : current + ' ' + word;
            if (!current.isEmpty() && metrics.horizontalAdvance(candidate) > limit) {
                lines << current;
                current = word;
            } else {
                current = candidate;
            }
        }
        lines << current;
    }
    return lines.join('\n');
}

// The width beyond which a message box wraps its text (Qt's own rule: half the screen, at most 500
// pixels), less room for the icon and the margins.
int MessageLineLimit(const QWidget& box) {
    const QScreen* screen = box.screen();
    const int half = screen ? screen->availableGeometry().width() / 2 : 500;
    return std::min(half, 500) * 4 / 5;
}

// Room for a box's title with the window's icon and its three buttons beside it: a window manager
// cuts a title longer than the box ("Please select a table" made a box of 167 px).
int TitleRoom(const QWidget& box) {
    QFont font = box.font();
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(box.windowTitle()) + 4 * 32;
}

// Every column of the browse dialog whole: the name takes what the others leave.
void ShowEveryColumn(QFileDialog& dialog) {
    auto* tree = dialog.findChild<QTreeView*>("treeView");
    if (!tree) return;
    QHeaderView* header = tree->header();
    header->setStretchLastSection(false);
    for (int column = 1; column < header->count(); ++column)
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    dialog.resize(std::max(dialog.width(), 760), dialog.height());
}

}  // namespace

int QtToolkit::messageBox(const std::string& text, int style, const std::optional<std::string>& title) {
    QMessageBox box((style & kExclamation) ? QMessageBox::Warning : QMessageBox::NoIcon,
                    QString::fromStdString(title.value_or(kProgramTitle)), QString::fromStdString(QtMessageText(text)),
                    (style & 7) == kYesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok);
    // A driver's message or a table name may hold "<b>" or "<br>": shown as they are, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.ensurePolished();
    if (const auto* label = box.findChild<QLabel*>("qt_msgbox_label"))
        box.setText(WrapAtBlanks(box.text(), label->fontMetrics(), MessageLineLimit(box)));
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(TitleRoom(box), 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0,
                      1, grid->columnCount());
    const int answer = box.exec();
    if (answer == QMessageBox::Yes) return kAnswerYes;
    if (answer == QMessageBox::No) return kAnswerNo;
    return kAnswerOk;
}

std::string QtToolkit::inputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) {
    QInputDialog dialog;
    dialog.setWindowTitle(QString::fromStdString(title));
    dialog.setLabelText(QString::fromStdString(prompt));
    dialog.setTextValue(QString::fromStdString(defaultText));
    for (QLabel* label : dialog.findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
    // The old value stands selected, so that typing replaces it.
    QTimer::singleShot(0, &dialog, [&dialog] {
        if (auto* field = dialog.findChild<QLineEdit*>()) field->selectAll();
    });
    if (dialog.exec() != QDialog::Accepted) return "";
    return dialog.textValue().toStdString();
}

std::optional<std::string> QtToolkit::showOpen(const OpenFileRequest& request) {
    QFileDialog dialog(nullptr, QString::fromStdString(request.dialogTitle));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    const std::vector<FileFilter> filters = ParseFileFilter(request.filter);
    QStringList descriptions;
    for (const auto& f : filters) descriptions << QString::fromStdString(f.description);
    dialog.setNameFilters(descriptions);
    // The choice reads as its description alone, which Qt would take its patterns from: give the
    // dialog's file model the patterns themselves.
    if (!filters.empty())
        if (auto* model = dialog.findChild<QFileSystemModel*>()) {
            QStringList patterns;
            for (const auto& p : filters.front().patterns) patterns << QString::fromStdString(p);
            model->setNameFilters(patterns);
        }
    if (!request.startFolder.empty()) dialog.setDirectory(QString::fromStdString(request.startFolder));
    if (!request.fileName.empty()) dialog.selectFile(QString::fromStdString(request.fileName));
    dialog.setViewMode(QFileDialog::Detail);
    ShowEveryColumn(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

void QtToolkit::doEvents() {
    if (throttle_.due()) QCoreApplication::processEvents();
}

double QtToolkit::screenWidth() const {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? Twips(s->geometry().width()) : 0;
}

double QtToolkit::screenHeight() const {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? Twips(s->geometry().height()) : 0;
}

std::string QtToolkit::programFolder() const { return QCoreApplication::applicationDirPath().toStdString(); }

QtShell::QtShell() = default;
QtShell::~QtShell() = default;

void QtShell::run(const std::string& commandLine, int) {
    std::string target = commandLine;
    if (target.rfind("explorer ", 0) == 0) target.erase(0, 9);
    if (target.size() >= 2 && target.front() == '"' && target.back() == '"') target = target.substr(1, target.size() - 2);
    const QString t = QString::fromStdString(target);
    const QByteArray suffix = QFileInfo(t).suffix().toLower().toUtf8();
    if (!t.contains("://") && QImageReader::supportedImageFormats().contains(suffix)) return showPicture(t);
    if (!QDesktopServices::openUrl(t.contains("://") ? QUrl(t) : QUrl::fromLocalFile(t)))
        throw ShellError("No program on this machine opens " + target);
}

namespace {

// The help picture's own window: Escape closes it, as it closes any viewer.
class PictureWindow : public QLabel {
protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape) close();
        else QLabel::keyPressEvent(event);
    }
};

// "local-connection-example.jpg" shows a local connection example: the title says so.
QString PictureTitle(const QString& path) {
    QString what = QFileInfo(path).completeBaseName().replace('-', ' ').replace('_', ' ');
    if (!what.isEmpty()) what[0] = what[0].toUpper();
    return what + " - " + kProgramTitle;
}

QPixmap FittingTheScreen(const QImage& image) {
    QPixmap pixmap = QPixmap::fromImage(image);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize room = screen->availableGeometry().size() * 4 / 5;
        if (pixmap.width() > room.width() || pixmap.height() > room.height())
            pixmap = pixmap.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return pixmap;
}

// Beside the window that asked for it, so that both stay readable: to its right where the screen
// has room, else to its left, else on the side with more room; its top level with the asker's and
// the whole on the screen. Without an asker, in the middle of the screen.
QPoint BesideOf(const QWidget* asker, QSize size) {
    const QScreen* screen = asker && asker->screen() ? asker->screen() : QGuiApplication::primaryScreen();
    const QRect room = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), size);
    if (!asker) return room.center() - QPoint(size.width() / 2, size.height() / 2);
    constexpr int kGap = 8;
    const QRect by = asker->frameGeometry();
    const int right = by.right() + 1 + kGap, left = by.left() - kGap - size.width();
    int x = right;
    if (right + size.width() > room.right() + 1)
        x = left >= room.left() ? left
            : room.right() - by.right() >= by.left() - room.left() ? room.right() + 1 - size.width()
                                                                   : room.left();
    const int y = std::clamp(by.top(), room.top(), std::max(room.top(), room.bottom() + 1 - size.height()));
    return {std::max(x, room.left()), y};
}

}  // namespace

// The first showing keeps the focus where it was, as the login window asks ("minimized, keeps the
// focus"); asking again while it is open brings it to the front and gives it the focus, since the
// person is looking for it.
void QtShell::showPicture(const QString& path) {
    QImageReader reader(path);
    const QImage image = reader.read();
    if (image.isNull())
        throw ShellError("The picture " + path.toStdString() + " cannot be shown: " + reader.errorString().toStdString());
    if (!picture_) {
        picture_ = std::make_unique<PictureWindow>();
        picture_->setObjectName("Picture");
        picture_->setAttribute(Qt::WA_ShowWithoutActivating);
    }
    const bool shownAlready = picture_->isVisible();
    picture_->setWindowTitle(PictureTitle(path));
    const QPixmap pixmap = FittingTheScreen(image);
    picture_->setPixmap(pixmap);
    picture_->setFixedSize(pixmap.size());
    if (!shownAlready) {
        picture_->move(BesideOf(QApplication::activeWindow(), pixmap.size()));
        picture_->show();
    }
    picture_->raise();
    if (shownAlready) picture_->activateWindow();
}

}  // namespace tess
