#include "report/failure_text.h"

#include <vector>

namespace tess {
namespace {

// What the failure did, where its kind says more than the driver's words.
std::string KindSentence(const CopyFailure& f) {
    switch (f.kind) {
        case FailureKind::kStalled: return "Nothing came through for the stall time-out, so the copy stopped waiting.";
        case FailureKind::kStopped: return "The server did not answer the stop, so its connection was given up.";
        case FailureKind::kFateUnknown:
            return "The rows' transaction could be neither committed nor rolled back: whether its last rows stand is "
                   "not known.";
        default: break;
    }
    if (f.refusedLimit > 0)
        return std::to_string(f.refusedLimit) + " rows were refused, as many as allowed, so the rest were not tried.";
    if (f.sameFailures > 0)
        return "The last " + std::to_string(f.sameFailures) + " rows all failed this way, so the rest were not tried.";
    return "";
}

std::string Joined(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& name : names) out += (out.empty() ? "" : ", ") + name;
    return out;
}

std::string ConsequenceSentence(const CopyFailure& f) {
    const std::string& t = f.target;
    switch (f.consequence) {
        case TableConsequence::kNone: return "";
        case TableConsequence::kNoRowsSent: return t + " was not copied: no rows were sent to it.";
        case TableConsequence::kLeftAsItWas: return f.dropped + " was left as it was, and " + t + " was not copied.";
        case TableConsequence::kDropUnknown:
            return "Whether " + f.dropped + " was dropped is not known: the connection went with the DROP under way. " +
                   t + " was not copied.";
        case TableConsequence::kRowsStand:
            if (f.rowsFateUnknown > 0)
                return "The copy of " + t + " ended here; " + std::to_string(f.rowsStanding) +
                       " rows of it stand in the target, and whether the " + std::to_string(f.rowsFateUnknown) +
                       " rows whose commit was under way stand too is not known.";
            return "The copy of " + t + " ended here; " + std::to_string(f.rowsStanding) + " rows of it stand in the target.";
        case TableConsequence::kTableGone: return "The copy of " + t + " ended here: the table is no longer in the target.";
        case TableConsequence::kCaseTwin: {
            const std::string twin = f.alike.empty() ? "" : f.alike.front();
            return t + " and " + twin + " differ only in case, which the target takes for one name: " + twin +
                   ", copied just before, was not replaced, and " + t + " was not copied.";
        }
        case TableConsequence::kNamesAlike:
            return "More than one table matches " + t + " without regard to case (" + Joined(f.alike) +
                   "); none was replaced, and " + t + " was not copied.";
    }
    return "";
}

}  // namespace

std::string FailureText(const CopyFailure& failure) {
    std::string text = failure.words;
    for (const std::string& sentence : {KindSentence(failure), ConsequenceSentence(failure)})
        if (!sentence.empty()) text += (text.empty() ? "" : "\n") + sentence;
    return text;
}

}  // namespace tess
