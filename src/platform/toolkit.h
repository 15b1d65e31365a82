#pragma once
// The window toolkit services that the handlers call. The Qt windows implement them; tests use fakes.
#include <optional>
#include <string>

namespace tess {

// Message box style: buttons plus icon, as one number.
enum MessageStyle { kOkOnly = 0, kYesNo = 4, kExclamation = 48 };
enum MessageAnswer { kAnswerOk = 1, kAnswerYes = 6, kAnswerNo = 7 };
enum MousePointer { kPointerDefault = 0, kPointerBusy = 11, kPointerCustom = 99 };
enum ShellWindowStyle { kMinimizedKeepFocus = 2 };

inline constexpr const char* kProgramTitle = "Tessaline";

// A list box that keeps its entries sorted without regard to case, with extended selection.
class TableList {
public:
    virtual ~TableList() = default;
    virtual int listCount() const = 0;
    virtual std::string item(int index) const = 0;
    virtual bool selected(int index) const = 0;
    virtual void setSelected(int index, bool selected) = 0;
    virtual int listIndex() const = 0;  // the entry with the focus cursor, -1 when none
    virtual void addItem(const std::string& text) = 0;
    virtual void removeItem(int index) = 0;
    virtual void clear() = 0;
};

class ProgressBar {
public:
    virtual ~ProgressBar() = default;
    virtual void setValue(double percent) = 0;  // 0 to 100
    // What the copy waits for, where there is nothing to measure: busy without words while the
    // source is counted (empty text), or a sentence (waiting to connect again). The next
    // setValue makes it a measure again.
    virtual void showWaiting(const std::string& /*text*/) {}
};

class TextField {
public:
    virtual ~TextField() = default;
    virtual std::string text() const = 0;
    virtual void setText(const std::string& text) = 0;  // raises the change event like typing does
};

class CheckBox {
public:
    virtual ~CheckBox() = default;
    virtual int value() const = 0;  // 0 or 1
    virtual void setValue(int value) = 0;
};

// Positions and sizes are in twips (1/1440 inch).
class Window {
public:
    virtual ~Window() = default;
    virtual void show() = 0;
    virtual void hide() = 0;
    virtual void setCaption(const std::string& caption) = 0;
    virtual int mousePointer() const = 0;
    virtual void setMousePointer(int pointer) = 0;
    virtual double left() const = 0;
    virtual double top() const = 0;
    virtual double width() const = 0;
    virtual double height() const = 0;
    virtual void move(double left, double top) = 0;
    virtual void setHeight(double height) = 0;
    virtual void setProgramIcon() = 0;
    // The picture that the custom pointer (99) shows; without one it shows the ordinary arrow.
    virtual void setCustomPointerPicture(const std::string& path) = 0;
    // The window, its frames, labels and check boxes take the system's button-face colour.
    virtual void setButtonFaceColors() = 0;
    virtual void applySkin(const std::string& path) = 0;
};

struct OpenFileRequest {
    std::string fileName;
    int flags = 0;
    std::string dialogTitle;
    std::string filter;  // "Description|*.ext|..." pairs
    // Where the dialog opens when the caller names no folder: Windows opens it in the folder last
    // used, which for the database field is the current database's folder. Empty: the toolkit's own.
    std::string startFolder;
};

class Toolkit {
public:
    virtual ~Toolkit() = default;
    // Modal. A box without a title of its own carries the program's title. Answers kAnswerOk/Yes/No.
    virtual int messageBox(const std::string& text, int style, const std::optional<std::string>& title = std::nullopt) = 0;
    // Modal. The field's text on OK, the empty text on Cancel.
    virtual std::string inputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) = 0;
    // Modal. The chosen file name, or nothing on Cancel.
    virtual std::optional<std::string> showOpen(const OpenFileRequest& request) = 0;
    virtual void doEvents() = 0;
    virtual double screenWidth() const = 0;  // twips
    virtual double screenHeight() const = 0;
    virtual std::string programFolder() const = 0;  // no final separator
};

class Shell {
public:
    virtual ~Shell() = default;
    // Opens an address or a file as "explorer" did; throws when nothing could open it.
    virtual void run(const std::string& commandLine, int windowStyle) = 0;
};

}  // namespace tess
