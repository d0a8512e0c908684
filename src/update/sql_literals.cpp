#include "update/sql_literals.h"

QString SqlTesto(const Variant& value)
{
    if (value.isNull() || (value.type() == Variant::Type::Text && value.text().isEmpty()))
        return QStringLiteral("Null");
    // Built in one string: the update makes one for every text of every row.
    const QString text = DefaultText(value);
    QString literal;
    literal.reserve(text.size() + 8);
    literal += QLatin1Char('\'');
    qsizetype from = 0;
    for (qsizetype quote = text.indexOf(QLatin1Char('\'')); quote >= 0; quote = text.indexOf(QLatin1Char('\''), from)) {
        literal += QStringView(text).mid(from, quote + 1 - from);
        literal += QLatin1Char('\'');
        from = quote + 1;
    }
    literal += QStringView(text).mid(from);
    literal += QLatin1Char('\'');
    return literal;
}

QString SqlNumero(double value)
{
    QString text = DefaultNumberText(value);
    const qsizetype comma = text.indexOf(QLatin1Char(','));
    if (comma >= 0)
        text[comma] = QLatin1Char('.');
    return text;
}
