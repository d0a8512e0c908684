#pragma once

#include "platform/wine_registry/registry_tree.h"

#include <QString>
#include <memory>

// Writes keys and values into the registry files of a Wine prefix, as a
// Windows installation would leave them there: HKEY_LOCAL_MACHINE in
// system.reg, HKEY_CURRENT_USER in user.reg. Files already in the prefix are
// read first and keep what they hold. For tests and demo installations.
//
// Key paths begin with their root: "HKLM" or "HKEY_LOCAL_MACHINE", "HKCU" or
// "HKEY_CURRENT_USER" (in any letter case), then "\" and the levels. A bad
// path or value and a malformed existing file raise RuntimeError.
class WinePrefixWriter {
public:
    explicit WinePrefixWriter(QString prefixPath);
    ~WinePrefixWriter();

    // Makes the key (and the keys above it) when it is missing.
    void createKey(const QString& keyPath);
    void setValue(const QString& keyPath, RegistryValue value);
    void setText(const QString& keyPath, const QString& name, const QString& text);
    void setDword(const QString& keyPath, const QString& name, std::uint32_t number);

    // Writes every hive file that was in the prefix or got a key, each
    // replaced whole, making the prefix folder when needed, with the drive
    // links of a new prefix (C: in drive_c, Z: at the root) when it has none.
    void save() const;

private:
    void makeDriveLinks() const;
    struct Hive;
    RegistryKey& keyAt(const QString& keyPath);

    QString prefixPath_;
    std::unique_ptr<Hive> machine_;
    std::unique_ptr<Hive> user_;
};

// A value as the command line writes it, NAME=DATA (the first "=" ends the
// name; "@" names the default value). DATA is a text taken as it stands,
// or Wine's typed forms without quotes: "dword:" and up to eight hex
// digits, "hex:" or "hex(N):" and bytes in hex separated by commas,
// "str(N):" and a text of type N (str(1): for a plain text that would
// otherwise read as a typed form).
RegistryValue ParseValueAssignment(const QString& assignment);

// Whether an argument names a key: it starts with one of the root names and "\" or is one.
bool IsRegistryKeyPath(const QString& argument);
