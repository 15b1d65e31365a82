#pragma once
#include <QSettings>

#include "platform/settings.h"

namespace tess {

// QSettings in its native format, user scope, organisation and application "Kestrawin": on Linux
// $XDG_CONFIG_HOME/Kestrawin/Kestrawin.conf. The file holds passwords, so only its owner may read it.
class QtSettingsStore : public SettingsStore {
public:
    QtSettingsStore();
    std::string read(const std::string& section, const std::string& key, const std::string& fallback) const override;
    void write(const std::string& section, const std::string& key, const std::string& value) override;

private:
    mutable QSettings settings_;
};

}  // namespace tess
