#pragma once
// Bytes of a named code page as UTF-8, through ICU's converters: any name ICU knows
// ("windows-1250", "cp1251", "ISO-8859-2", "KOI8-R", ...).
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

struct UConverter;

namespace tess {

class CodePage {
public:
    // Throws std::invalid_argument for a name ICU does not know.
    explicit CodePage(const std::string& name);
    ~CodePage();
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;

    // A byte the code page leaves undefined becomes U+FFFD, as Windows converts it.
    std::string toUtf8(std::string_view bytes) const;
    const std::string& name() const { return name_; }

private:
    std::string name_;
    UConverter* converter_ = nullptr;
    mutable std::mutex using_;  // an ICU converter serves one call at a time
};

}  // namespace tess
