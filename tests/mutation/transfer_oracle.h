#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// What a completed transfer must have left in an SQLite destination: the
// rows it kept (ABI codes below 1000, in their order), then every row of the
// source tables abi and abicab, in the order mdb-export reads them, each
// value as the statements carry it. Texts must be equal; a text that was a
// number in the source, or a number that was a text, must read as the same
// number; mdb-export's own limits are allowed for: it writes single-precision
// numbers with 7 digits, doubles with 16, and '?' for each half of a UTF-16
// surrogate pair.
//
// Answers the differences in words, at most a few, empty when there are
// none; nothing when mdb-export cannot read the source.
std::optional<QStringList> DifferencesFromMdbExport(const QString& source, const QString& destinationBefore,
                                                    const QString& destinationAfter);
