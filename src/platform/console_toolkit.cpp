#include "platform/console_toolkit.h"

#include <filesystem>

namespace tess {
namespace {

std::string Lines(std::string text) {
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.erase(at, 1);
    for (char& c : text)
        if (c == '\r') c = '\n';
    return text;
}

}  // namespace

int ConsoleToolkit::messageBox(const std::string& text, int style, const std::optional<std::string>& title) {
    endProgressLine();
    const std::string heading = title.value_or(kProgramTitle);
    if (heading == "Application Error") ++errorReports_;
    if ((style & 7) == kYesNo) {
        out_ << heading << ": " << text << " " << (overwriteAnswer_ == kAnswerYes ? "yes" : "no") << "\n";
        return overwriteAnswer_;
    }
    out_ << heading << ": " << Lines(text) << "\n";
    return kAnswerOk;
}

void ConsoleToolkit::say(const std::string& line) {
    endProgressLine();
    out_ << "tessaline-copy: " << line << "\n";
}

void ConsoleToolkit::reportFailure(const std::string& line) {
    ++errorReports_;
    say(line);
}

std::string ConsoleToolkit::OneLine(const std::string& text) {
    std::string out;
    for (char c : Lines(text)) {
        if (c != '\n')
            out += c;
        else if (!out.empty() && out.back() != ' ')
            out += " / ";
    }
    while (!out.empty() && (out.back() == ' ' || out.back() == '/')) out.pop_back();
    return out;
}

std::string ConsoleToolkit::programFolder() const {
    std::error_code error;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string(".") : exe.parent_path().string();
}

// A few lines a second at most, for the whole run: a run of many small tables writes a line now and
// then, not two a table. A table that has shown a line shows its last one too, so that no line
// stands stale.
void ConsoleToolkit::rowsSent(const std::string& table, long long done, long long total) {
    const auto now = std::chrono::steady_clock::now();
    if (table != progressTable_) {
        if (tableShown_) endProgressLine();
        progressTable_ = table;
        tableShown_ = false;
        tableStart_ = now;
    }
    const auto interval = terminal_ ? std::chrono::milliseconds(200) : std::chrono::milliseconds(2000);
    if (now - lastLine_ < interval && !(done == total && tableShown_)) return;
    lastLine_ = now;
    tableShown_ = true;
    const double seconds = std::chrono::duration<double>(now - tableStart_).count();
    // A terminal's line is rewritten in place; a file or a pipe gets whole lines, a few a minute.
    out_ << (terminal_ ? "\r" : "") << table << ": " << done << " of "
         << (total >= 0 ? std::to_string(total) : std::string("?")) << " rows, "
         << static_cast<long long>(seconds > 0 ? done / seconds : 0) << " rows/s" << (terminal_ ? "" : "\n")
         << std::flush;
}

void ConsoleToolkit::endProgressLine() {
    if (progressTable_.empty()) return;
    if (terminal_ && tableShown_) out_ << "\n";
    progressTable_.clear();
    tableShown_ = false;
}

}  // namespace tess
