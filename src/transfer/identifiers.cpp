#include "transfer/identifiers.h"

namespace tess {
namespace {

std::string Quote(const std::string& name, char open, char close) {
    std::string out;
    out.reserve(name.size() + 2);
    out += open;
    for (char c : name) {
        out += c;
        if (c == close) out += close;
    }
    out += close;
    return out;
}

}  // namespace

std::string FirebirdName(const std::string& name) { return Quote(name, '"', '"'); }
std::string SqlServerName(const std::string& name) { return Quote(name, '[', ']'); }

}  // namespace tess
