#include "app/error_trap.h"

#include <exception>

#include "platform/toolkit.h"

namespace tess {

std::string ErrorLocation(const std::string& window, const std::string& button) {
    return "in Orvenda5/20/2014." + window + "." + button + "_Click ";
}

std::string ErrorReportText(const std::string& description, const std::string& location, int step) {
    return description + "\r\n" + location + "at line " + std::to_string(step) + "\r\r" +
           "Please email screenshot of this message to " + kSupportAddress;
}

ErrorTrap::ErrorTrap(Toolkit& toolkit, std::string location) : toolkit_(toolkit), location_(std::move(location)) {}

bool ErrorTrap::step(int number, const std::function<void()>& body) {
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

bool ErrorTrap::test(int number, const std::function<bool()>& condition) {
    bool held = true;
    step(number, [&] { held = condition(); });
    return held;
}

void ErrorTrap::report(const std::string& description) {
    ++failures_;
    toolkit_.messageBox(ErrorReportText(description, location_, lastStep_), kOkOnly + kExclamation,
                        std::string("Application Error"));
}

}  // namespace tess
