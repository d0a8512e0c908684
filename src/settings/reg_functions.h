#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// The registry layer of the code module: opens keys below a predefined root
// or a key it opened before, reads text values, closes keys, and remembers
// the full name of every key it opened. It only reads.
//
// Like the module's other small procedures these have no error trap: a
// RuntimeError raised inside them (a hive file that cannot be read, the
// overflow at the limit of the open-keys table) reaches the caller's trap.

// One entry of the open-keys table.
struct ChiaveAperta {
    std::int32_t hChiave = 0;
    QString Nome;
};

// The open-keys table, process-wide: absent until the first key is recorded,
// then created with one entry at index 0; it grows one entry at a time at its
// end and is never shrunk, reordered or cleared, not even when its keys are
// closed. Indices are 16-bit, so it holds at most 32,768 entries.
const std::optional<std::vector<ChiaveAperta>>& ChiaviAperte();

// Opens sottoChiave (levels separated by "\") below hChiavePadre and records
// the new handle under the parent's name + "\" + sottoChiave. On false
// nothing is recorded and hChiave holds whatever the platform left there.
bool RegApriChiave(std::int32_t hChiavePadre, const QString& sottoChiave, std::int32_t& hChiave);

// True when the platform closed the key; its entry stays in the table.
bool RegChiudiChiave(std::int32_t hChiave);

// Reads the REG_SZ value nomeValore of an open key into valore, cut at its
// first NUL. Any other type counts as missing. valore is set only on true.
bool RegLeggiStringa(std::int32_t hChiave, const QString& nomeValore, QString& valore);

// The text up to, not including, its first NUL character.
QString TroncaAlNul(const QString& testo);

// "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE" or
// "HKEY_USERS" for the four predefined roots; empty text for any other handle.
QString RegNomeRadice(std::int32_t hChiave);

// The root's name, else the name recorded for the handle, else empty text.
QString RegNomeChiave(std::int32_t hChiave);

// The index of the handle's entry in the table, or -1. With the table full, a
// search for a handle that is not in it raises an overflow error.
std::int16_t RegCercaChiave(std::int32_t hChiave);

// Gives the handle's entry the name, appending an entry when the handle has none.
void RegRegistraChiave(std::int32_t hChiave, const QString& nome);
