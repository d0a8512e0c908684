#include "database_header.h"

#include "jet_format.h"
#include "little_endian.h"
#include "rc4.h"
#include "row_page.h"
#include "usage_map.h"

#include <cmath>
#include <cstring>

namespace {

constexpr qsizetype kScrambledStart = 0x18;
constexpr qsizetype kScrambledSize = 128;
constexpr qsizetype kPasswordOffset = 0x42;
constexpr qsizetype kPasswordSize = 40;
constexpr qsizetype kCreationDateOffset = 0x72;
constexpr quint16 kWesternCodePage = 1252;
constexpr quint32 kGeneralSortOrder = 0x0409;

void PutBytes(QByteArray& page, qsizetype offset, const char* bytes, qsizetype size)
{
    std::memcpy(page.data() + offset, bytes, static_cast<size_t>(size));
}

}  // namespace

double JetDateTime(const QDateTime& moment)
{
    static const QDate epoch(1899, 12, 30);
    return static_cast<double>(epoch.daysTo(moment.date())) + moment.time().msecsSinceStartOfDay() / 86400000.0;
}

QByteArray DatabaseHeaderPage(const QDateTime& created)
{
    QByteArray page(kPageSize, '\0');
    page[1] = 0x01;
    PutBytes(page, 0x04, "Standard Jet DB", 16);
    page[0x14] = 0x01;  // Jet 4
    // Written by Access 2000 to 2003 in every file; their meaning is not known.
    PutBytes(page, 0x18, "\x00\x01\x00\x00\x01\x01\x00\x00\x02\x00\x00\x00\x03\x00\x00\x00\x04\x00\x00\x00\x05", 21);
    PutBytes(page, 0x98, "\x54\x06\x00\x00\x34\x2e\x30", 7);

    PutLittleEndian(page, 0x3c, kWesternCodePage);
    // The key at 0x3e stays 0: the pages are not encrypted.
    const double date = JetDateTime(created);
    PutLittleEndian(page, kCreationDateOffset, date);
    // Without a password the field holds just the mask Jet 4 derives from the creation date.
    const auto mask = static_cast<quint32>(static_cast<qint32>(std::floor(date)));
    for (qsizetype i = 0; i < kPasswordSize; i += 4)
        PutLittleEndian(page, kPasswordOffset + i, mask);
    PutLittleEndian(page, 0x6e, kGeneralSortOrder);

    ApplyRc4(QByteArray("\xc7\xda\x39\x6b", 4), page.data() + kScrambledStart, kScrambledSize);
    return page;
}

QByteArray GlobalUsageMapPage(quint32 pageCount)
{
    RowPage page;
    page.add(FreePagesMapRow(pageCount));
    return page.bytes(kGlobalUsageMapPage);
}
