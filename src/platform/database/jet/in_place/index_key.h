#pragma once

#include "platform/database/jet/in_place/table_schema.h"
#include "platform/runtime/variant.h"

#include <QByteArray>
#include <optional>
#include <vector>

// The key Jet stores in an index for one row: for each column of the index a
// flag byte (Null or not, ascending or descending), then the value's bytes
// in an order that compares as the values do, inverted for a descending
// column. Texts use the General sort order of the file's version; the
// other values are keyed alike in Jet 3 and Jet 4.

// Empty when the writer can key every column of the index; otherwise why not.
QString UnkeyableIndexReason(const JetTableSchema& table, const SchemaIndex& index,
                             JetVersion version = JetVersion::Jet4);

// The key of a row; empty when a text holds a character the sort order
// has no weight for here.
std::optional<QByteArray> IndexKey(const JetTableSchema& table, const SchemaIndex& index,
                                   const std::vector<Variant>& values, JetVersion version = JetVersion::Jet4);

// A leaf entry: the key, then the row's page in three bytes and its number, big-endian.
QByteArray LeafEntry(const QByteArray& key, quint32 page, int row);
