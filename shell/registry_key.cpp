#include "shell/registry_key.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>
#include <limits>

namespace korvelce {

namespace {

// A key or value name may not hold the group separator of the store.
bool validName(const QString& name) {
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\');
}

}  // namespace

RegistryKey::RegistryKey() = default;
RegistryKey::~RegistryKey() {
    close();
}

RegistryKey::RegistryKey(RegistryKey&& other) noexcept
    : settings_(std::move(other.settings_)),
      path_(std::move(other.path_)),
      writable_(other.writable_) {
    other.writable_ = false;
}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
    if (this != &other) {
        close();
        settings_ = std::move(other.settings_);
        path_ = std::move(other.path_);
        writable_ = other.writable_;
        other.writable_ = false;
    }
    return *this;
}

QString RegistryKey::storePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Brannock/Korvelce.conf");
}

bool RegistryKey::open(const QString& subkeyPath, bool create) {
    close();
    return openPath(subkeyPath, create);
}

bool RegistryKey::open(const RegistryKey& parent, const QString& subkeyPath, bool create) {
    if (!parent.isOpen()) {
        close();
        return false;
    }
    const QString base = parent.path();  // taken before a self-parent is closed
    close();
    return openPath(base + u'\\' + subkeyPath, create);
}

QString RegistryKey::path() const {
    QString text = path_;
    return text.replace(u'/', u'\\');
}

bool RegistryKey::openPath(const QString& keyPath, bool create) {
    const QStringList names = keyPath.split(u'\\');
    for (const QString& name : names)
        if (!validName(name)) return false;
    const QString group = names.join(u'/');

    const QString file = storePath();
    const QFileInfo info(file);
    if (create) {
        // Creating needs a store that can be written: its folder made, the file writable.
        if (!QDir().mkpath(info.absolutePath())) return false;
        if (info.exists() ? !info.isWritable() : !QFileInfo(info.absolutePath()).isWritable())
            return false;
    } else if (!info.isFile()) {
        return false;
    }

    auto settings = std::make_unique<QSettings>(file, QSettings::IniFormat);
    if (settings->status() != QSettings::NoError) return false;
    settings->beginGroup(group);
    // A key exists for reading when it holds a value or a subkey; keys are created with their
    // first value.
    if (!create && settings->childKeys().isEmpty() && settings->childGroups().isEmpty())
        return false;
    settings_ = std::move(settings);
    path_ = group;
    writable_ = create;
    return true;
}

void RegistryKey::close() {
    if (settings_ && writable_) settings_->sync();
    settings_.reset();
    path_.clear();
    writable_ = false;
}

bool RegistryKey::readString(const QString& name, QString& text, std::size_t bufferBytes) const {
    if (!settings_ || !validName(name)) return false;
    const QVariant value = settings_->value(name);
    if (value.typeId() != QMetaType::QString) return false;
    const QString read = value.toString();
    // UTF-16 text and its terminating zero.
    if (2 * (static_cast<std::size_t>(read.size()) + 1) > bufferBytes) return false;
    text = read;
    return true;
}

QStringList RegistryKey::valueNames() const {
    return settings_ ? settings_->childKeys() : QStringList();
}

bool RegistryKey::readInt32(const QString& name, std::int32_t& value) const {
    if (!settings_ || !validName(name)) return false;
    const QVariant stored = settings_->value(name);
    if (stored.typeId() != QMetaType::QString) return false;
    bool ok = false;
    const qlonglong number = stored.toString().trimmed().toLongLong(&ok, 10);
    if (!ok || number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::int32_t>::max())
        return false;
    value = static_cast<std::int32_t>(number);
    return true;
}

bool RegistryKey::write(const QString& name, const QString& text) {
    if (!settings_ || !writable_) return false;
    settings_->setValue(name, text);
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

bool RegistryKey::writeString(const QString& name, const QString& text) {
    return validName(name) && write(name, text);
}

bool RegistryKey::writeDefaultString(const QString& text) {
    return write(defaultValueName(), text);
}

bool RegistryKey::writeInt32(const QString& name, std::int32_t value) {
    return validName(name) && write(name, QString::number(value));
}

}  // namespace korvelce
