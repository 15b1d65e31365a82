#include "routines/error_trap.h"

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

void ErrorTrap::report(const std::string& description) {
    ++failures_;
    toolkit_.messageBox(ErrorReportText(description, location_, lastStep_), kOkOnly + kExclamation,
                        std::string("Application Error"));
}

}  // namespace tess
