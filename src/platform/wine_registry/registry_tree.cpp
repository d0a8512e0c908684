#include "platform/wine_registry/registry_tree.h"

namespace {

QString Folded(const QString& name)
{
    return name.toCaseFolded();
}

}  // namespace

bool IsRegistryTextType(std::uint32_t type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

QByteArray RegistryTextData(const QString& text)
{
    QByteArray data;
    data.reserve((text.size() + 1) * 2);
    for (const QChar unit : text) {
        data.append(static_cast<char>(unit.unicode() & 0xFF));
        data.append(static_cast<char>(unit.unicode() >> 8));
    }
    data.append('\0');
    data.append('\0');
    return data;
}

QByteArray RegistryDwordData(std::uint32_t number)
{
    QByteArray data;
    for (int shift = 0; shift < 32; shift += 8)
        data.append(static_cast<char>((number >> shift) & 0xFF));
    return data;
}

QString RegistryTextOf(const QByteArray& data)
{
    QString text;
    text.reserve(data.size() / 2);
    for (qsizetype i = 0; i + 1 < data.size(); i += 2) {
        const auto low = static_cast<unsigned char>(data[i]);
        const auto high = static_cast<unsigned char>(data[i + 1]);
        text.append(QChar(static_cast<char16_t>(low | (high << 8))));
    }
    return text;
}

const RegistryKey* RegistryKey::subkey(const QString& name) const
{
    const auto found = subkeys_.find(Folded(name));
    return found == subkeys_.end() ? nullptr : found->second.get();
}

RegistryKey& RegistryKey::obtainSubkey(const QString& name)
{
    std::unique_ptr<RegistryKey>& slot = subkeys_[Folded(name)];
    if (!slot)
        slot = std::make_unique<RegistryKey>(name);
    return *slot;
}

const RegistryValue* RegistryKey::value(const QString& name) const
{
    const auto found = values_.find(Folded(name));
    return found == values_.end() ? nullptr : &found->second;
}

void RegistryKey::setValue(RegistryValue value)
{
    const QString folded = Folded(value.name);
    const auto existing = values_.find(folded);
    if (existing != values_.end())
        value.name = existing->second.name;
    values_[folded] = std::move(value);
}

bool RegistryKey::operator==(const RegistryKey& other) const
{
    if (name_ != other.name_ || values_ != other.values_ || subkeys_.size() != other.subkeys_.size())
        return false;
    for (auto mine = subkeys_.begin(), theirs = other.subkeys_.begin(); mine != subkeys_.end(); ++mine, ++theirs) {
        if (mine->first != theirs->first || !(*mine->second == *theirs->second))
            return false;
    }
    return true;
}

std::optional<QStringList> SplitRegistryPath(const QString& path)
{
    if (path.startsWith(QLatin1Char('\\')))
        return std::nullopt;
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}
