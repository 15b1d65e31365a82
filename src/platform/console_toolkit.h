#pragma once
// The window toolkit of the headless companion: boxes are printed, the overwrite question has a
// fixed answer, and nothing waits for a person. Everything it writes is a diagnostic, for
// standard error: the results go elsewhere.
#include <chrono>
#include <ostream>
#include <string>

#include "platform/toolkit.h"

namespace tess {

class ConsoleToolkit : public Toolkit {
public:
    // `terminal`: the stream is a terminal, where the progress line is rewritten in place; elsewhere
    // it is a line every few seconds.
    ConsoleToolkit(std::ostream& out, int overwriteAnswer, bool terminal = true)
        : out_(out), overwriteAnswer_(overwriteAnswer), terminal_(terminal) {}

    int messageBox(const std::string& text, int style, const std::optional<std::string>& title) override;
    std::string inputBox(const std::string&, const std::string&, const std::string&) override { return ""; }
    std::optional<std::string> showOpen(const OpenFileRequest&) override { return std::nullopt; }
    void doEvents() override {}
    double screenWidth() const override { return 0; }
    double screenHeight() const override { return 0; }
    std::string programFolder() const override;

    int errorReports() const { return errorReports_; }
    // One line, after the program's name; a failure's line is counted among the error reports.
    void say(const std::string& line);
    void reportFailure(const std::string& line);
    // A text of several lines as one: its lines joined by " / ".
    static std::string OneLine(const std::string& text);

    // One progress line per table, rewritten at most every 200 ms: table, rows done of total, rows per second.
    void rowsSent(const std::string& table, long long done, long long total);
    void endProgressLine();

private:
    std::ostream& out_;
    int overwriteAnswer_;
    bool terminal_;
    int errorReports_ = 0;
    std::string progressTable_;
    bool tableShown_ = false;  // the current table has written a progress line
    std::chrono::steady_clock::time_point tableStart_, lastLine_;
};

}  // namespace tess
