#pragma once

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

// Empty when the text holds a character beyond Latin-1, for which the
// weights are not known here.
std::optional<QByteArray> GeneralSortKey(const QString& text);
