#pragma once
// The window toolkit for tests: boxes are recorded and answered from queues, lists are vectors.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/memory_table_list.h"
#include "platform/toolkit.h"

namespace tess {

struct ShownBox {
    std::string text;
    int style = 0;
    std::string title;
};

class FakeToolkit : public Toolkit {
public:
    int messageBox(const std::string& text, int style, const std::optional<std::string>& title) override;
    std::string inputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) override;
    std::optional<std::string> showOpen(const OpenFileRequest& request) override;
    void doEvents() override {
        ++eventsProcessed;
        if (onEvents) onEvents();
    }
    double screenWidth() const override { return screenWidthTwips; }
    double screenHeight() const override { return screenHeightTwips; }
    std::string programFolder() const override { return folder; }

    std::vector<ShownBox> boxes;
    std::deque<int> answers;  // for Yes/No boxes; Yes when empty
    std::deque<std::string> inputs;  // empty text (Cancel) when empty
    std::vector<std::string> prompts;
    std::vector<std::string> inputDefaults;  // the text each input box offered
    std::vector<OpenFileRequest> openRequests;
    std::deque<std::optional<std::string>> chosenFiles;
    int eventsProcessed = 0;
    std::function<void()> onEvents;  // runs inside doEvents, like a click arriving then
    double screenWidthTwips = 19200, screenHeightTwips = 10800;
    std::string folder = "/opt/tessaline";
};

using FakeTableList = MemoryTableList;

class FakeTextField : public TextField {
public:
    std::string text() const override { return value; }
    void setText(const std::string& text) override { value = text; }
    std::string value;
};

class FakeCheckBox : public CheckBox {
public:
    int value() const override { return ticked; }
    void setValue(int value) override { ticked = value; }
    int ticked = 0;
};

class FakeProgressBar : public ProgressBar {
public:
    void setValue(double percent) override { values.push_back(percent); }
    std::vector<double> values;
};

class FakeWindow : public Window {
public:
    void show() override { visible = true; }
    void hide() override { visible = false; }
    void setCaption(const std::string& text) override { caption = text; }
    int mousePointer() const override { return pointer; }
    void setMousePointer(int value) override {
        pointer = value;
        pointerHistory.push_back(value);
    }
    double left() const override { return x; }
    double top() const override { return y; }
    double width() const override { return w; }
    double height() const override { return h; }
    void move(double left, double top) override { x = left, y = top; }
    void setHeight(double value) override { h = value; }
    void setProgramIcon() override { hasIcon = true; }
    void setCustomPointerPicture(const std::string& path) override { pointerPicture = path; }
    void setButtonFaceColors() override { faceColors = true; }
    void applySkin(const std::string& path) override { skin = path; }

    bool visible = false;
    std::string caption;
    int pointer = 0;
    std::vector<int> pointerHistory;
    double x = 0, y = 0, w = 7200, h = 5400;
    bool hasIcon = false, faceColors = false;
    std::string pointerPicture, skin;
};

}  // namespace tess
