#pragma once
// The per-user store of text values addressed by application, section and key.
#include <string>

namespace tess {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text, or `fallback` when the key is absent (a present empty value is returned as it is).
    virtual std::string read(const std::string& section, const std::string& key, const std::string& fallback) const = 0;
    // Stored at once: there is no save step.
    virtual void write(const std::string& section, const std::string& key, const std::string& value) = 0;
};

}  // namespace tess
