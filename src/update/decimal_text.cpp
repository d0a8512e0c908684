#include "update/decimal_text.h"

#include <iterator>

void AppendDecimal(QString& out, qint64 value)
{
    char16_t digits[20];  // enough for 2^64
    std::size_t first = std::size(digits);
    // The magnitude taken unsigned: the most negative value has no positive twin.
    quint64 magnitude = value < 0 ? 0 - static_cast<quint64>(value) : static_cast<quint64>(value);
    do {
        digits[--first] = static_cast<char16_t>(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        out += QLatin1Char('-');
    out += QStringView(digits + first, static_cast<qsizetype>(std::size(digits) - first));
}
