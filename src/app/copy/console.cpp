#include "app/copy/console.h"

namespace tess {
namespace {

std::string Lines(std::string text) {
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.erase(at, 1);
    for (char& c : text)
        if (c == '\r') c = '\n';
    return text;
}

}  // namespace

void Console::answered(const std::string& title, const std::string& question, bool yes) {
    endProgressLine();
    out_ << title << ": " << question << " " << (yes ? "yes" : "no") << "\n";
}

void Console::say(const std::string& line) {
    endProgressLine();
    out_ << "tessaline-copy: " << line << "\n";
}

void Console::reportFailure(const std::string& line) {
    ++errorReports_;
    say(line);
}

std::string Console::OneLine(const std::string& text) {
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

// A few lines a second at most, for the whole run: a run of many small tables writes a line now and
// then, not two a table. A table that has shown a line shows its last one too, so that no line
// stands stale.
void Console::rowsSent(const std::string& table, long long done, long long total) {
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

void Console::endProgressLine() {
    if (progressTable_.empty()) return;
    if (terminal_ && tableShown_) out_ << "\n";
    progressTable_.clear();
    tableShown_ = false;
}

}  // namespace tess
