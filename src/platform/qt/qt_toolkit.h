#pragma once
// The toolkit services over Qt Widgets.
#include <QLabel>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/event_throttle.h"
#include "platform/toolkit.h"

namespace tess {

class QtToolkit : public Toolkit {
public:
    int messageBox(const std::string& text, int style, const std::optional<std::string>& title) override;
    std::string inputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) override;
    std::optional<std::string> showOpen(const OpenFileRequest& request) override;
    // Runs pending events when the last run is a few milliseconds old; otherwise returns at once.
    void doEvents() override;
    double screenWidth() const override;
    double screenHeight() const override;
    std::string programFolder() const override;

private:
    EventThrottle throttle_;
};

// What the desktop could not open, in words that name it.
class ShellError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class QtShell : public Shell {
public:
    QtShell();
    ~QtShell() override;
    // "explorer " followed by an address or a path in double quotes. A picture opens in a window
    // of the program's own, since many machines have no viewer for it; anything else goes to the
    // desktop. Throws ShellError when nothing could open it.
    void run(const std::string& commandLine, int windowStyle) override;

private:
    void showPicture(const QString& path);
    std::unique_ptr<QLabel> picture_;
};

// "Description|*.a;*.b|": each choice's description as the dialog shows it, and its patterns.
struct FileFilter {
    std::string description;
    std::vector<std::string> patterns;
};
std::vector<FileFilter> ParseFileFilter(const std::string& filter);
// Carriage returns as the message texts carry them, to line feeds.
std::string QtMessageText(const std::string& text);

}  // namespace tess
