#include "platform/wine_registry/per_user_settings.h"

#include "platform/wine_registry/code_page_1252.h"
#include "platform/wine_registry/wine_registry.h"

#include <optional>

namespace {

const QString kSettingsRoot = QStringLiteral("Software\\VB and VBA Program Settings\\");

// The REG_SZ value of that name in an open key, cut at its first NUL;
// nothing when the key has no such value or it is not a text.
std::optional<QString> ReadText(std::int32_t key, const QByteArray& name)
{
    std::uint32_t type = REG_NONE;
    std::uint32_t size = 0;
    if (RegQueryValueExA(key, name.constData(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
        return std::nullopt;
    QByteArray buffer(static_cast<qsizetype>(size), '\0');
    if (RegQueryValueExA(key, name.constData(), nullptr, &type, reinterpret_cast<unsigned char*>(buffer.data()), &size)
        != ERROR_SUCCESS)
        return std::nullopt;
    buffer.truncate(static_cast<qsizetype>(size));
    const qsizetype nul = buffer.indexOf('\0');
    return FromCodePage1252(nul < 0 ? buffer : buffer.left(nul));
}

}  // namespace

QString GetSetting(const QString& application, const QString& section, const QString& key, const QString& defaultText)
{
    const QByteArray path = ToCodePage1252(kSettingsRoot + application + QLatin1Char('\\') + section);
    std::int32_t handle = 0;
    if (RegOpenKeyA(HKEY_CURRENT_USER, path.constData(), &handle) != ERROR_SUCCESS)
        return defaultText;
    const std::optional<QString> text = ReadText(handle, ToCodePage1252(key));
    RegCloseKey(handle);
    return text.value_or(defaultText);
}
