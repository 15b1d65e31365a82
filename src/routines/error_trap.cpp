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

void ShowErrorReport(Toolkit& toolkit, const std::string& description, const std::string& location, int step) {
    toolkit.messageBox(ErrorReportText(description, location, step), kOkOnly + kExclamation,
                       std::string("Application Error"));
}

ErrorTrap::ErrorTrap(Toolkit& toolkit, std::string location)
    : sink_([&toolkit, location = std::move(location)](int step, const std::string& description) {
          ShowErrorReport(toolkit, description, location, step);
      }) {}

void ErrorTrap::report(const std::string& description) {
    ++failures_;
    sink_(lastStep_, description);
}

}  // namespace tess
