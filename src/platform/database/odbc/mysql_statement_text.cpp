#include "platform/database/odbc/mysql_statement_text.h"

namespace {

bool IsNameCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

}  // namespace

QString MysqlStatementText(const QString& sql)
{
    static const QString kReserved = QStringLiteral("release");
    if (!sql.contains(kReserved, Qt::CaseInsensitive))
        return sql;
    QString result;
    result.reserve(sql.size() + 2);
    qsizetype i = 0;
    while (i < sql.size()) {
        const QChar c = sql.at(i);
        // Texts and quoted names run to their closing quote; a doubled quote
        // stays inside (the session reads a backslash as an ordinary character).
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
            qsizetype end = i + 1;
            while (end < sql.size()) {
                if (sql.at(end) == c && (end + 1 >= sql.size() || sql.at(end + 1) != c))
                    break;
                end += sql.at(end) == c ? 2 : 1;
            }
            result += QStringView(sql).mid(i, end + 1 - i);
            i = end + 1;
            continue;
        }
        if (!IsNameCharacter(c)) {
            result += c;
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < sql.size() && IsNameCharacter(sql.at(end)))
            ++end;
        const QStringView word = QStringView(sql).mid(i, end - i);
        if (word.compare(kReserved, Qt::CaseInsensitive) == 0)
            result += QLatin1Char('`') + word.toString() + QLatin1Char('`');
        else
            result += word;
        i = end;
    }
    return result;
}
