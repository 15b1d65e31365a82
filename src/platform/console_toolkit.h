#pragma once
// The window toolkit of the headless companion: boxes are printed, the overwrite question has a
// fixed answer, and nothing waits for a person.
#include <chrono>
#include <ostream>
#include <string>

#include "platform/toolkit.h"

namespace tess {

class ConsoleToolkit : public Toolkit {
public:
    ConsoleToolkit(std::ostream& out, int overwriteAnswer) : out_(out), overwriteAnswer_(overwriteAnswer) {}

    int messageBox(const std::string& text, int style, const std::optional<std::string>& title) override;
    std::string inputBox(const std::string&, const std::string&, const std::string&) override { return ""; }
    std::optional<std::string> showOpen(const OpenFileRequest&) override { return std::nullopt; }
    void doEvents() override {}
    double screenWidth() const override { return 0; }
    double screenHeight() const override { return 0; }
    std::string programFolder() const override;

    int errorReports() const { return errorReports_; }

    // One progress line per table, rewritten at most every 200 ms: table, rows done of total, rows per second.
    void rowsSent(const std::string& table, long long done, long long total);
    void endProgressLine();

private:
    std::ostream& out_;
    int overwriteAnswer_;
    int errorReports_ = 0;
    std::string progressTable_;
    std::chrono::steady_clock::time_point tableStart_, lastLine_;
};

class ConsoleWindow : public Window {
public:
    void show() override {}
    void hide() override {}
    void setCaption(const std::string&) override {}
    int mousePointer() const override { return pointer_; }
    void setMousePointer(int pointer) override { pointer_ = pointer; }
    double left() const override { return 0; }
    double top() const override { return 0; }
    double width() const override { return 0; }
    double height() const override { return 0; }
    void move(double, double) override {}
    void setHeight(double) override {}
    void setProgramIcon() override {}
    void setCustomPointerPicture(const std::string&) override {}
    void setButtonFaceColors() override {}
    void applySkin(const std::string&) override {}

private:
    int pointer_ = kPointerDefault;
};

class ConsoleProgressBar : public ProgressBar {
public:
    void setValue(double) override {}
};

}  // namespace tess
