#include "settings/reg_functions.h"

#include "platform/runtime/runtime_error.h"
#include "platform/wine_registry/code_page_1252.h"
#include "platform/wine_registry/wine_registry.h"
#include "settings/reg_functions_testing.h"

namespace {

// The last index a 16-bit index reaches.
constexpr std::size_t kLastIndex = 32767;

std::optional<std::vector<ChiaveAperta>>& Table()
{
    static std::optional<std::vector<ChiaveAperta>> table;
    return table;
}

}  // namespace

const std::optional<std::vector<ChiaveAperta>>& ChiaviAperte()
{
    return Table();
}

bool RegApriChiave(std::int32_t hChiavePadre, const QString& sottoChiave, std::int32_t& hChiave)
{
    const QString nomePadre = RegNomeChiave(hChiavePadre);
    const QByteArray percorso = ToCodePage1252(sottoChiave);
    if (RegOpenKeyA(hChiavePadre, percorso.constData(), &hChiave) != ERROR_SUCCESS)
        return false;
    RegRegistraChiave(hChiave, nomePadre + QLatin1Char('\\') + sottoChiave);
    return true;
}

bool RegChiudiChiave(std::int32_t hChiave)
{
    return RegCloseKey(hChiave) == ERROR_SUCCESS;
}

bool RegLeggiStringa(std::int32_t hChiave, const QString& nomeValore, QString& valore)
{
    const QByteArray nome = ToCodePage1252(nomeValore);
    std::uint32_t tipo = REG_NONE;
    std::uint32_t dimensione = 0;
    if (RegQueryValueExA(hChiave, nome.constData(), nullptr, &tipo, nullptr, &dimensione) != ERROR_SUCCESS
        || tipo != REG_SZ)
        return false;
    QByteArray buffer(static_cast<qsizetype>(dimensione), ' ');
    std::uint32_t secondoTipo = REG_NONE;
    if (RegQueryValueExA(hChiave, nome.constData(), nullptr, &secondoTipo,
                         reinterpret_cast<unsigned char*>(buffer.data()), &dimensione)
        != ERROR_SUCCESS)
        return false;
    valore = TroncaAlNul(FromCodePage1252(buffer));
    return true;
}

QString TroncaAlNul(const QString& testo)
{
    const qsizetype nul = testo.indexOf(QChar(u'\0'));
    return nul < 0 ? testo : testo.left(nul);
}

QString RegNomeRadice(std::int32_t hChiave)
{
    switch (hChiave) {
        case HKEY_CLASSES_ROOT: return QStringLiteral("HKEY_CLASSES_ROOT");
        case HKEY_CURRENT_USER: return QStringLiteral("HKEY_CURRENT_USER");
        case HKEY_LOCAL_MACHINE: return QStringLiteral("HKEY_LOCAL_MACHINE");
        case HKEY_USERS: return QStringLiteral("HKEY_USERS");
        default: return {};
    }
}

QString RegNomeChiave(std::int32_t hChiave)
{
    const QString radice = RegNomeRadice(hChiave);
    if (!radice.isEmpty())
        return radice;
    const std::int16_t i = RegCercaChiave(hChiave);
    return i >= 0 ? (*Table())[static_cast<std::size_t>(i)].Nome : QString();
}

std::int16_t RegCercaChiave(std::int32_t hChiave)
{
    const std::optional<std::vector<ChiaveAperta>>& table = Table();
    if (!table)
        return -1;
    for (std::size_t i = 0; i < table->size(); ++i) {
        if ((*table)[i].hChiave == hChiave)
            return static_cast<std::int16_t>(i);
    }
    // The search of a full table runs its 16-bit index past the last entry.
    if (table->size() > kLastIndex)
        throw RuntimeError::overflow();
    return -1;
}

void RegRegistraChiave(std::int32_t hChiave, const QString& nome)
{
    std::int16_t i = RegCercaChiave(hChiave);
    std::optional<std::vector<ChiaveAperta>>& table = Table();
    if (i == -1) {
        if (!table)
            table.emplace(1);
        else
            table->emplace_back();
        i = static_cast<std::int16_t>(table->size() - 1);
    }
    (*table)[static_cast<std::size_t>(i)] = {hChiave, nome};
}

void ResetChiaviAperteForTests()
{
    Table().reset();
}
