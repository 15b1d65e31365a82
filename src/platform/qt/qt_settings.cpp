#include "platform/qt/qt_settings.h"

#include <QFile>

namespace tess {
namespace {

QString Path(const std::string& section, const std::string& key) {
    return QString::fromStdString(section) + "/" + QString::fromStdString(key);
}

}  // namespace

QtSettingsStore::QtSettingsStore() : settings_(QSettings::NativeFormat, QSettings::UserScope, "Kestrawin", "Kestrawin") {}

std::string QtSettingsStore::read(const std::string& section, const std::string& key,
                                  const std::string& fallback) const {
    const QVariant value = settings_.value(Path(section, key));
    return value.isValid() ? value.toString().toStdString() : fallback;
}

void QtSettingsStore::write(const std::string& section, const std::string& key, const std::string& value) {
    settings_.setValue(Path(section, key), QString::fromStdString(value));
    settings_.sync();
    QFile::setPermissions(settings_.fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

}  // namespace tess
