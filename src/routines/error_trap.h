#pragma once
// The one error trap of a button handler. A handler is written as its numbered steps; a step that
// throws is reported in the "Application Error" box, and the handler goes on with the next step.
#include <exception>
#include <functional>
#include <string>

namespace tess {

class Toolkit;

inline constexpr const char* kSupportAddress = "support@kestrawin.example";

// "in Orvenda5/20/2014.Form2.PushButton4_Click " for window "Form2" and button "PushButton4".
std::string ErrorLocation(const std::string& window, const std::string& button);
std::string ErrorReportText(const std::string& description, const std::string& location, int step);
// The "Application Error" box with that text.
void ShowErrorReport(Toolkit& toolkit, const std::string& description, const std::string& location, int step);

class ErrorTrap {
public:
    // Where a failed step goes: its number and the failure's own words.
    using Sink = std::function<void(int step, const std::string& description)>;

    // A button handler's trap: each failure is the "Application Error" box, at `location`.
    ErrorTrap(Toolkit& toolkit, std::string location);
    explicit ErrorTrap(Sink sink) : sink_(std::move(sink)) {}

    // Runs one numbered step. Returns false when it failed (and was reported).
    template <class Body>
    bool step(int number, Body&& body) {
        lastStep_ = number;
        try {
            body();
            return true;
        } catch (const std::exception& e) {
            report(e.what());
        } catch (...) {
            report("Unknown error");
        }
        return false;
    }
    // The condition of a conditional step. A condition that fails counts as held, so the
    // steps it guards run next, as the trap's "resume next" rule has it.
    template <class Condition>
    bool test(int number, Condition&& condition) {
        bool held = true;
        step(number, [&] { held = condition(); });
        return held;
    }

    int failures() const { return failures_; }
    int lastStep() const { return lastStep_; }

private:
    void report(const std::string& description);

    Sink sink_;
    int lastStep_ = 0;
    int failures_ = 0;
};

}  // namespace tess
