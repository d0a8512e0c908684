#pragma once

#include <QtGlobal>

// The fixed figures of a Jet 4 file.
constexpr int kPageSize = 4096;

constexpr quint8 kDatabaseDefinitionPage = 0x00;
constexpr quint8 kDataPage = 0x01;
constexpr quint8 kTableDefinitionPage = 0x02;
constexpr quint8 kUsageBitmapPage = 0x05;

// The catalog's definition is always on page 2; page 1 holds the map of the
// file's pages.
constexpr quint32 kGlobalUsageMapPage = 1;
constexpr quint32 kCatalogDefinitionPage = 2;

// A row is addressed by its page shifted left by 8 bits plus its number on
// the page, so a page holds at most 256 rows; Access keeps to 255.
constexpr int kMaxRowsPerPage = 255;

inline quint32 RowPointer(quint32 page, int row)
{
    return (page << 8) | static_cast<quint32>(row);
}
