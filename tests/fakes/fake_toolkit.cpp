#include "fakes/fake_toolkit.h"


namespace tess {

int FakeToolkit::messageBox(const std::string& text, int style, const std::optional<std::string>& title) {
    boxes.push_back({text, style, title.value_or(kProgramTitle)});
    if ((style & 7) != kYesNo) return kAnswerOk;
    if (answers.empty()) return kAnswerYes;
    int answer = answers.front();
    answers.pop_front();
    return answer;
}

std::string FakeToolkit::inputBox(const std::string& prompt, const std::string&, const std::string& defaultText) {
    prompts.push_back(prompt);
    inputDefaults.push_back(defaultText);
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

}  // namespace tess
