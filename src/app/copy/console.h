#pragma once
// Where the headless companion says what happens: its diagnostics, its failures (counted) and its
// progress lines. Everything it writes is a diagnostic, for standard error: the results go elsewhere.
#include <chrono>
#include <ostream>
#include <string>

namespace tess {

class Console {
public:
    // `terminal`: the stream is a terminal, where the progress line is rewritten in place; elsewhere
    // it is a line every few seconds.
    explicit Console(std::ostream& out, bool terminal = true) : out_(out), terminal_(terminal) {}

    int errorReports() const { return errorReports_; }
    // A question answered beforehand, as the window would have asked it: "Overwrite?: ... yes".
    void answered(const std::string& title, const std::string& question, bool yes);
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
    bool terminal_;
    int errorReports_ = 0;
    std::string progressTable_;
    bool tableShown_ = false;  // the current table has written a progress line
    std::chrono::steady_clock::time_point tableStart_, lastLine_;
};

}  // namespace tess
