#include "platform/qt/qt_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tess {
namespace {

QString Path(const std::string& section, const std::string& key) {
    return QString::fromStdString(section) + "/" + QString::fromStdString(key);
}

}  // namespace

QtSettingsStore::QtSettingsStore() : settings_(QSettings::NativeFormat, QSettings::UserScope, "Kestrawin", "Kestrawin") {
    // Made owner-only before the first password is written into it.
    QFile file(settings_.fileName());
    if (!file.exists()) {
        QDir().mkpath(QFileInfo(file).absolutePath());
        if (file.open(QIODevice::WriteOnly)) file.close();
    }
    QFile::setPermissions(settings_.fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

std::string QtSettingsStore::read(const std::string& section, const std::string& key,
                                  const std::string& fallback) const {
    const QVariant value = settings_.value(Path(section, key));
    return value.isValid() ? value.toString().toStdString() : fallback;
}

void QtSettingsStore::write(const std::string& section, const std::string& key, const std::string& value) {
    settings_.setValue(Path(section, key), QString::fromStdString(value));
    settings_.sync();
}

}  // namespace tess
