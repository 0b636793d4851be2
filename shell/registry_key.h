// RegistryKey: one key of the user's settings store, kept as an INI file.
//
// The store is $XDG_CONFIG_HOME/Brannock/Korvelce.conf (~/.config when the variable is unset or
// not absolute). The file stands for the current user's hive, and a key path such as
// "Software\Brannock\Korvelce" is the settings group "Software/Brannock/Korvelce" inside it: the
// group path is the key path with "/" between the names. The key's unnamed (default) value is
// the entry "@". Strings are stored as INI strings, 32-bit values as signed decimal text.
//
// A key that could not be opened is closed: every read fails and every write does nothing.
#pragma once

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <memory>

class QSettings;

namespace korvelce {

class RegistryKey {
  public:
    RegistryKey();
    ~RegistryKey();
    RegistryKey(RegistryKey&&) noexcept;
    RegistryKey& operator=(RegistryKey&&) noexcept;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Opens subkeyPath (names separated by "\") under the user's hive. With create false the
    // key must exist and is opened for reading only; with create true it is created when
    // missing and opened for reading and writing. Returns whether the key is open; a key that
    // was open before is closed first.
    bool open(const QString& subkeyPath, bool create);
    // The same under an open key; fails when parent is closed.
    bool open(const RegistryKey& parent, const QString& subkeyPath, bool create);

    [[nodiscard]] bool isOpen() const { return settings_ != nullptr; }
    // The key's path from the hive, names separated by "\"; empty when closed.
    [[nodiscard]] QString path() const;
    // Writes out what was changed and releases the key.
    void close();

    // Reads a string value. It fits when its UTF-16 text and a terminating zero take at most
    // bufferBytes bytes; a longer string, a missing value or a value that is not a string
    // fails and leaves text unchanged.
    bool readString(const QString& name, QString& text, std::size_t bufferBytes) const;
    // Reads a 32-bit value; value is unchanged unless it was read (a missing value, or one
    // that is not a whole number in the 32-bit range, fails).
    bool readInt32(const QString& name, std::int32_t& value) const;

    // The names of the key's values (not of its subkeys); none when closed.
    [[nodiscard]] QStringList valueNames() const;

    // Writes fail on a closed key or a key opened for reading; true when the store holds the
    // value afterwards.
    bool writeString(const QString& name, const QString& text);
    bool writeDefaultString(const QString& text);
    bool writeInt32(const QString& name, std::int32_t value);

    // The file that holds the user's hive.
    static QString storePath();
    // The name under which the unnamed value is kept.
    static QString defaultValueName() { return QStringLiteral("@"); }

  private:
    bool openPath(const QString& keyPath, bool create);
    bool write(const QString& name, const QString& text);

    std::unique_ptr<QSettings> settings_;  // positioned in the key's group; null when closed
    QString path_;                         // names separated by "/"
    bool writable_ = false;
};

}  // namespace korvelce
