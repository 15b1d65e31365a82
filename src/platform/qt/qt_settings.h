#pragma once
#include <QSettings>
#include <map>
#include <memory>
#include <optional>

#include "platform/settings.h"

namespace tess {

// QSettings in its native format, user scope, organisation and application "Kestrawin": on Linux
// $XDG_CONFIG_HOME/Kestrawin/Kestrawin.conf. The file holds passwords, so only its owner may read it,
// and its folder is made owner-only too. A file that is a symbolic link, cannot be read or cannot be
// parsed is left alone: the values then live in memory for this run, and warning() says why.
class QtSettingsStore : public SettingsStore {
public:
    QtSettingsStore();
    std::string read(const std::string& section, const std::string& key, const std::string& fallback) const override;
    void write(const std::string& section, const std::string& key, const std::string& value) override;

    // Why the file is not used, naming it; nothing when it is.
    const std::optional<std::string>& warning() const { return warning_; }

private:
    std::unique_ptr<QSettings> settings_;  // empty when the file is not used
    std::map<std::string, std::string> memory_;
    std::optional<std::string> warning_;
};

}  // namespace tess
