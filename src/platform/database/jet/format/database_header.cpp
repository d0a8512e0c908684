#include "platform/database/jet/format/database_header.h"

#include "platform/database/jet/format/jet_format.h"
#include "platform/database/jet/format/little_endian.h"
#include "platform/database/jet/format/rc4.h"
#include "platform/database/jet/format/text_encoding.h"

#include <cmath>
#include <cstring>

namespace {

const QByteArray kHeaderKey("\xc7\xda\x39\x6b", 4);
constexpr char kSignature[16] = "Standard Jet DB";
constexpr quint32 kGeneralSortOrder = 0x0409;

// Jet 4 masks the password with the whole days of the creation date.
quint32 PasswordMask(double creationDate)
{
    return static_cast<quint32>(static_cast<qint32>(std::floor(creationDate)));
}

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

QByteArray DatabaseHeaderPage(const QDateTime& created, const QString& password, JetVersion version)
{
    QByteArray page(PageSize(version), '\0');
    page[0] = static_cast<char>(kDatabaseHeaderPageType);
    page[1] = static_cast<char>(kPageMarker);
    PutBytes(page, kSignatureOffset, kSignature, sizeof kSignature);
    // Written by every Access from 97 to 2003; their meaning is not known.
    PutBytes(page, kScrambledStart,
             "\x00\x01\x00\x00\x01\x01\x00\x00\x02\x00\x00\x00\x03\x00\x00\x00\x04\x00\x00\x00\x05", 21);
    PutLittleEndian(page, kCodePageOffset, kWindows1252CodePage);
    // The key at 0x3e stays 0: the pages are not encrypted.
    if (version == JetVersion::Jet3) {
        PutLittleEndian(page, kJet3SortOrderOffset, static_cast<quint16>(kGeneralSortOrder));
        QByteArray field;
        AppendWindows1252(field, password.left(kJet3PasswordSize));
        PutBytes(page, kPasswordOffset, field.constData(), field.size());
        ApplyRc4(kHeaderKey, page.data() + kScrambledStart, kJet3ScrambledSize);
        return page;
    }
    page[kVersionOffset] = static_cast<char>(kJet4Version);
    // Written by Access 2000 to 2003 in every file; their meaning is not known.
    PutBytes(page, kAccessTrailerOffset, "\x54\x06\x00\x00\x34\x2e\x30", 7);

    const double date = JetDateTime(created);
    PutLittleEndian(page, kCreationDateOffset, date);
    // The password in UCS-2, masked four bytes at a time with the creation date.
    const quint32 mask = PasswordMask(date);
    QByteArray field(kPasswordSize, '\0');
    for (qsizetype i = 0; i < password.size() && 2 * i + 1 < kPasswordSize; ++i)
        PutLittleEndian(field, 2 * i, password.at(i).unicode());
    for (qsizetype i = 0; i < kPasswordSize; i += 4)
        PutLittleEndian(page, kPasswordOffset + i, qFromLittleEndian<quint32>(field.constData() + i) ^ mask);
    PutLittleEndian(page, kSortOrderOffset, kGeneralSortOrder);

    ApplyRc4(kHeaderKey, page.data() + kScrambledStart, kScrambledSize);
    return page;
}

std::optional<DatabaseHeader> ReadDatabaseHeader(QByteArray page)
{
    if (page.size() < kJet3PageSize
        || page.mid(kSignatureOffset, sizeof kSignature) != QByteArray(kSignature, sizeof kSignature))
        return std::nullopt;
    DatabaseHeader header;
    if (page.at(kVersionOffset) == 0)
        header.version = JetVersion::Jet3;
    else if (page.at(kVersionOffset) != kJet4Version || page.size() < kPageSize)
        return std::nullopt;
    const bool jet3 = header.version == JetVersion::Jet3;
    ApplyRc4(kHeaderKey, page.data() + kScrambledStart, jet3 ? kJet3ScrambledSize : kScrambledSize);
    header.encodingKey = page.mid(kEncodingKeyOffset, kEncodingKeySize);
    header.codePage = qFromLittleEndian<quint16>(page.constData() + kCodePageOffset);
    if (jet3) {
        header.sortOrder = qFromLittleEndian<quint16>(page.constData() + kJet3SortOrderOffset);
        const QByteArray field = page.mid(kPasswordOffset, kJet3PasswordSize);
        const qsizetype end = field.indexOf('\0');
        header.password = DecodeWindows1252(field.constData(), end < 0 ? field.size() : end);
        return header;
    }
    header.sortOrder = qFromLittleEndian<quint32>(page.constData() + kSortOrderOffset);
    const double date = qFromLittleEndian<double>(page.constData() + kCreationDateOffset);
    const quint32 mask = std::isfinite(date) && std::abs(date) < 1e9 ? PasswordMask(date) : 0;
    for (qsizetype i = 0; i + 1 < kPasswordSize; i += 2) {
        const quint32 word = qFromLittleEndian<quint32>(page.constData() + kPasswordOffset + (i / 4) * 4) ^ mask;
        const auto unit = static_cast<char16_t>(i % 4 == 0 ? word & 0xffff : word >> 16);
        if (unit == 0)
            break;
        header.password.append(QChar(unit));
    }
    return header;
}
