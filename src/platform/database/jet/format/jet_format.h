#pragma once

#include <QtGlobal>

// The two Jet formats written here: Jet 3 (Access 97) and Jet 4 (Access
// 2000 to 2003). Where their layouts differ, each structure's module takes
// the version and keeps both layouts side by side.
enum class JetVersion { Jet3, Jet4 };

// The fixed figures of a Jet file. Every page starts with its type byte;
// each structure's own header (database_header.h, table_definition_page.h,
// data_page.h, usage_map.h, index_page.h) lays out the rest of its page.
// kPageSize is Jet 4's; PageSize answers for either version.
constexpr int kPageSize = 4096;
constexpr int kJet3PageSize = 2048;

constexpr int PageSize(JetVersion version)
{
    return version == JetVersion::Jet3 ? kJet3PageSize : kPageSize;
}

// An existing page's layout follows from its length, a Jet 3 page being
// half a Jet 4 one: the readers of single pages need no version besides.
constexpr JetVersion VersionOfPageSize(qsizetype size)
{
    return size == kJet3PageSize ? JetVersion::Jet3 : JetVersion::Jet4;
}

constexpr quint8 kDatabaseHeaderPageType = 0x00;
constexpr quint8 kDataPageType = 0x01;
constexpr quint8 kTableDefinitionPageType = 0x02;
constexpr quint8 kIndexNodePageType = 0x03;
constexpr quint8 kIndexLeafPageType = 0x04;
constexpr quint8 kUsageBitmapPageType = 0x05;

// Every page but the header carries this byte after its type.
constexpr quint8 kPageMarker = 0x01;

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

inline quint32 PageOfPointer(quint32 pointer)
{
    return pointer >> 8;
}

inline int RowOfPointer(quint32 pointer)
{
    return static_cast<int>(pointer & 0xff);
}
