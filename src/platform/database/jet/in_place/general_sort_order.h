#pragma once

#include "platform/database/jet/format/jet_format.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The sort order Access calls "General" (the legacy one of Access 2000 to
// 2003), as it keys a text in an index: one or two weight bytes for each
// character, 0x01, then the accents of accented letters, then the
// positions of the characters that weigh nothing (apostrophe, hyphen,
// control characters), then 0x00. Trailing blanks do not count; only the
// first 255 characters do.

constexpr quint16 kGeneralSortOrderId = 0x0409;

//
// Jet 3 (Access 97) keys a text in its code page, Windows-1252 here: one
// weight byte for most characters (two for a ligature such as "ß"), the
// same for both cases; then 0x00, or instead the accents: a stream of
// four-bit codes that opens and closes with 0, holding 2 for each letter
// before an accented one and then its accent's code.
//
// Empty when the text holds a character whose weights are not known here:
// in Jet 4 one beyond Latin-1; in Jet 3 one outside the code page, a text
// ending in a blank or empty, or an accented letter that is not the text's
// only one or follows characters other than "A", "a", "-" and the no-break
// space: the Access-made keys show how only those count before an accent.
std::optional<QByteArray> GeneralSortKey(const QString& text, JetVersion version = JetVersion::Jet4);
