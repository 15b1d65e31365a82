#include "platform/qt/qt_settings.h"

#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace tess {
namespace {

QString Path(const std::string& section, const std::string& key) {
    return QString::fromStdString(section) + "/" + QString::fromStdString(key);
}

std::string NotSaved(const std::string& why) { return why + " The login values are not saved in this run."; }

// Makes every missing folder of `path` owner-only as it is made.
void MakeOwnerOnlyFolder(const QString& path) {
    if (QFileInfo::exists(path)) return;
    MakeOwnerOnlyFolder(QFileInfo(path).absolutePath());
    ::mkdir(QFile::encodeName(path).constData(), 0700);
}

// The file, never through a link, readable and writable by its owner alone; false when it cannot be
// made so, with errno saying why.
bool MakeOwnerOnly(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW);
    if (fd < 0) return false;
    const bool done = ::fchmod(fd, 0600) == 0;
    const int why = errno;
    ::close(fd);
    errno = why;
    return done;
}

// Qt reads nearly anything as an INI file, an empty one at worst, and would then write over it: a
// file holds settings when every line is blank, a comment, a [section] or a key=value, in text.
bool ReadsAsSettings(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return true;  // not there yet
    const QByteArray content = file.readAll();
    if (content.contains('\0')) return false;
    for (QByteArray line : content.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#')) continue;
        if (line.startsWith('[') && line.endsWith(']')) continue;
        if (!line.contains('=')) return false;
    }
    return true;
}

// What keeps the file from being used, if anything.
std::optional<std::string> Problem(const QString& fileName) {
    const std::string path = QFile::encodeName(fileName).toStdString();
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) return std::nullopt;  // not there yet: made below
    if (S_ISLNK(info.st_mode))
        return NotSaved("The settings file " + path +
                        " is a symbolic link. Tessaline neither follows it nor changes what it points at.");
    if (!S_ISREG(info.st_mode)) return NotSaved("The settings file " + path + " is not a file.");
    if (FILE* f = std::fopen(path.c_str(), "r")) {
        std::fclose(f);
        return std::nullopt;
    }
    return NotSaved("The settings file " + path + " cannot be read: " + std::strerror(errno) + ".");
}

}  // namespace

QtSettingsStore::QtSettingsStore() {
    auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, "Kestrawin", "Kestrawin");
    const QString fileName = settings->fileName();
    MakeOwnerOnlyFolder(QFileInfo(fileName).absolutePath());
    warning_ = Problem(fileName);
    if (warning_) return;
    settings->sync();  // reads the file now, so that a broken one is found before anything is written
    if (settings->status() == QSettings::FormatError || !ReadsAsSettings(fileName)) {
        warning_ = NotSaved("The settings file " + fileName.toStdString() + " holds something that is not settings.");
        return;
    }
    // Made owner-only before the first password is written into it.
    const std::string path = QFile::encodeName(fileName).toStdString();
    if (!QFileInfo::exists(fileName)) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
        if (fd >= 0) ::close(fd);
    }
    if (!MakeOwnerOnly(path)) {
        warning_ = NotSaved("The settings file " + path + " cannot be made readable by its owner alone: " +
                            std::strerror(errno) + ".");
        return;
    }
    settings_ = std::move(settings);
}

std::string QtSettingsStore::read(const std::string& section, const std::string& key,
                                  const std::string& fallback) const {
    if (!settings_) {
        const auto it = memory_.find(section + "/" + key);
        return it == memory_.end() ? fallback : it->second;
    }
    const QVariant value = settings_->value(Path(section, key));
    return value.isValid() ? value.toString().toStdString() : fallback;
}

void QtSettingsStore::write(const std::string& section, const std::string& key, const std::string& value) {
    if (!settings_) {
        memory_[section + "/" + key] = value;
        return;
    }
    settings_->setValue(Path(section, key), QString::fromStdString(value));
    settings_->sync();
}

}  // namespace tess
