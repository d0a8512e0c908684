#include "update/connection_string.h"

namespace {

// Reads one value starting at pos (blanks already skipped) and leaves pos on
// the ";" that ends it, or at the end of the text.
QString ReadValue(const QString& text, qsizetype& pos)
{
    const QChar first = pos < text.size() ? text.at(pos) : QChar();
    if (first == QLatin1Char('"') || first == QLatin1Char('\'')) {
        QString value;
        ++pos;
        while (pos < text.size()) {
            const QChar c = text.at(pos++);
            if (c != first) {
                value.append(c);
                continue;
            }
            if (pos < text.size() && text.at(pos) == first) {
                value.append(first);
                ++pos;
                continue;
            }
            break;
        }
        while (pos < text.size() && text.at(pos) != QLatin1Char(';'))
            ++pos;  // anything between the closing quote and ";" is not part of the value
        return value;
    }
    const qsizetype end = text.indexOf(QLatin1Char(';'), pos);
    const qsizetype stop = end < 0 ? text.size() : end;
    QString value = text.mid(pos, stop - pos).trimmed();
    pos = stop;
    return value;
}

}  // namespace

ConnectionString ConnectionString::parse(const QString& text)
{
    ConnectionString result;
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype equals = text.indexOf(QLatin1Char('='), pos);
        const qsizetype semicolon = text.indexOf(QLatin1Char(';'), pos);
        if (equals < 0 || (semicolon >= 0 && semicolon < equals)) {
            // A segment without "=" names nothing.
            if (semicolon < 0)
                break;
            pos = semicolon + 1;
            continue;
        }
        const QString keyword = text.mid(pos, equals - pos).trimmed();
        pos = equals + 1;
        while (pos < text.size() && text.at(pos).isSpace())
            ++pos;
        const QString value = ReadValue(text, pos);
        if (!keyword.isEmpty())
            result.pairs_.append({keyword, value});
        ++pos;  // past the ";"
    }
    return result;
}

bool ConnectionString::contains(const QString& keyword) const
{
    for (const auto& pair : pairs_) {
        if (pair.first.compare(keyword, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString ConnectionString::value(const QString& keyword) const
{
    for (auto it = pairs_.crbegin(); it != pairs_.crend(); ++it) {
        if (it->first.compare(keyword, Qt::CaseInsensitive) == 0)
            return it->second;
    }
    return {};
}

QString ConnectionString::firstOf(std::initializer_list<const char*> keywords) const
{
    for (const char* keyword : keywords) {
        if (contains(QLatin1String(keyword)))
            return value(QLatin1String(keyword));
    }
    return {};
}
