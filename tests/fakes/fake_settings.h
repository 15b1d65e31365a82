#pragma once
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/settings.h"
#include "platform/toolkit.h"

namespace tess {

class FakeSettings : public SettingsStore {
public:
    std::string read(const std::string& section, const std::string& key, const std::string& fallback) const override {
        auto it = values.find(section + "/" + key);
        return it == values.end() ? fallback : it->second;
    }
    void write(const std::string& section, const std::string& key, const std::string& value) override {
        values[section + "/" + key] = value;
        writes.push_back(key + "=" + value);
    }
    std::map<std::string, std::string> values;  // "Tessaline/FireBirdUser" -> "SYSDBA"
    std::vector<std::string> writes;             // "FireBirdUser=SYSDBA", in order
};

class FakeShell : public Shell {
public:
    void run(const std::string& commandLine, int windowStyle) override {
        commands.push_back(commandLine);
        styles.push_back(windowStyle);
        if (!failure.empty()) throw std::runtime_error(failure);
    }
    std::string failure;  // when set, every command fails with it
    std::vector<std::string> commands;
    std::vector<int> styles;
};

}  // namespace tess
