#include "fakes/fake_toolkit.h"

#include <stdexcept>

#include "app/text_case.h"

namespace tess {

int FakeToolkit::messageBox(const std::string& text, int style, const std::optional<std::string>& title) {
    boxes.push_back({text, style, title.value_or(kProgramTitle)});
    if ((style & 7) != kYesNo) return kAnswerOk;
    if (answers.empty()) return kAnswerYes;
    int answer = answers.front();
    answers.pop_front();
    return answer;
}

std::string FakeToolkit::inputBox(const std::string& prompt, const std::string&, const std::string&) {
    prompts.push_back(prompt);
    if (inputs.empty()) return "";
    std::string text = inputs.front();
    inputs.pop_front();
    return text;
}

std::optional<std::string> FakeToolkit::showOpen(const OpenFileRequest& request) {
    openRequests.push_back(request);
    if (chosenFiles.empty()) return std::nullopt;
    auto file = chosenFiles.front();
    chosenFiles.pop_front();
    return file;
}

FakeTableList::FakeTableList(const std::vector<std::string>& entries) {
    for (const auto& e : entries) addItem(e);
}

void FakeTableList::addItem(const std::string& text) {
    int at = SortedInsertPosition(entries_, text, [](const Entry& e) { return e.text; });
    entries_.insert(entries_.begin() + at, Entry{text, false});
}

void FakeTableList::removeItem(int index) {
    if (index < 0 || index >= listCount()) throw std::out_of_range("Invalid procedure call or argument");
    entries_.erase(entries_.begin() + index);
    if (current_ >= listCount()) current_ = listCount() - 1;
}

void FakeTableList::clear() {
    entries_.clear();
    current_ = -1;
}

std::vector<std::string> FakeTableList::items() const {
    std::vector<std::string> out;
    for (const auto& e : entries_) out.push_back(e.text);
    return out;
}

}  // namespace tess
