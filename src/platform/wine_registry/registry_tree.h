#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>

// The registry's value types, by the platform's names and numbers.
constexpr std::uint32_t REG_NONE = 0;
constexpr std::uint32_t REG_SZ = 1;
constexpr std::uint32_t REG_EXPAND_SZ = 2;
constexpr std::uint32_t REG_BINARY = 3;
constexpr std::uint32_t REG_DWORD = 4;
constexpr std::uint32_t REG_MULTI_SZ = 7;

// Texts (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) are what the ANSI calls convert.
bool IsRegistryTextType(std::uint32_t type);

// A value as the registry holds it: texts in UTF-16 (little-endian) with
// their terminating NUL, numbers and raw bytes as they are.
struct RegistryValue {
    QString name;  // as written; empty for the key's default value
    std::uint32_t type = REG_NONE;
    QByteArray data;

    bool operator==(const RegistryValue&) const = default;
};

// The data of a text value: the UTF-16 code units of text and a NUL.
QByteArray RegistryTextData(const QString& text);
// The data of a REG_DWORD value: four bytes, little-endian.
QByteArray RegistryDwordData(std::uint32_t number);
// The UTF-16 code units in data, NULs included; an odd last byte is dropped.
QString RegistryTextOf(const QByteArray& data);

// One key of a registry tree with its values and subkeys. Names are matched
// without regard to letter case (accented letters included), as the
// registry does, and keep the case they were first written in.
class RegistryKey {
public:
    explicit RegistryKey(QString name = {}) : name_(std::move(name)) {}

    const QString& name() const { return name_; }

    const RegistryKey* subkey(const QString& name) const;
    // The subkey of that name, made when there is none.
    RegistryKey& obtainSubkey(const QString& name);

    const RegistryValue* value(const QString& name) const;
    // Replaces a value of the same name, keeping the first-written case of the name.
    void setValue(RegistryValue value);

    // Both ordered by name without regard to case, as Wine lists them.
    const std::map<QString, std::unique_ptr<RegistryKey>>& subkeys() const { return subkeys_; }
    const std::map<QString, RegistryValue>& values() const { return values_; }

    // Same names (case included), values and subkeys, all the way down.
    bool operator==(const RegistryKey& other) const;

private:
    QString name_;
    std::map<QString, std::unique_ptr<RegistryKey>> subkeys_;
    std::map<QString, RegistryValue> values_;
};

// The levels of a key path as the registry reads it: separators in a row and
// at the end count as one; a path that starts with a separator is invalid
// (no value). An empty path has no levels.
std::optional<QStringList> SplitRegistryPath(const QString& path);
