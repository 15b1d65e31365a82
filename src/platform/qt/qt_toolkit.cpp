#include "platform/qt/qt_toolkit.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
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

std::string QtFileFilter(const std::string& filter) {
    std::string out;
    size_t start = 0;
    while (start < filter.size()) {
        const size_t bar = filter.find('|', start);
        if (bar == std::string::npos) break;
        const size_t end = filter.find('|', bar + 1);
        std::string description = filter.substr(start, bar - start);
        std::string patterns = filter.substr(bar + 1, (end == std::string::npos ? filter.size() : end) - bar - 1);
        for (char& c : patterns)
            if (c == ';') c = ' ';
        if (!out.empty()) out += ";;";
        out += description + " (" + patterns + ")";
        start = end == std::string::npos ? filter.size() : end + 1;
    }
    return out;
}

int QtToolkit::messageBox(const std::string& text, int style, const std::optional<std::string>& title) {
    QMessageBox box((style & kExclamation) ? QMessageBox::Warning : QMessageBox::NoIcon,
                    QString::fromStdString(title.value_or(kProgramTitle)), QString::fromStdString(QtMessageText(text)),
                    (style & 7) == kYesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok);
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
    // The old value stands selected, so that typing replaces it.
    QTimer::singleShot(0, &dialog, [&dialog] {
        if (auto* field = dialog.findChild<QLineEdit*>()) field->selectAll();
    });
    if (dialog.exec() != QDialog::Accepted) return "";
    return dialog.textValue().toStdString();
}

std::optional<std::string> QtToolkit::showOpen(const OpenFileRequest& request) {
    QFileDialog dialog(nullptr, QString::fromStdString(request.dialogTitle));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QString::fromStdString(QtFileFilter(request.filter)));
    if (!request.fileName.empty()) dialog.selectFile(QString::fromStdString(request.fileName));
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

void QtShell::run(const std::string& commandLine, int) {
    std::string target = commandLine;
    if (target.rfind("explorer ", 0) == 0) target.erase(0, 9);
    if (target.size() >= 2 && target.front() == '"' && target.back() == '"') target = target.substr(1, target.size() - 2);
    const QString t = QString::fromStdString(target);
    QDesktopServices::openUrl(t.contains("://") ? QUrl(t) : QUrl::fromLocalFile(t));
}

}  // namespace tess
