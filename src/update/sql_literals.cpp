#include "sql_literals.h"

QString SqlTesto(const Variant& value)
{
    if (value.isNull() || (value.type() == Variant::Type::Text && value.text().isEmpty()))
        return QStringLiteral("Null");
    const QString text = DefaultText(value);
    QString literal;
    literal.reserve(text.size() + 2);
    literal.append(QLatin1Char('\''));
    for (const QChar c : text) {
        literal.append(c);
        if (c == QLatin1Char('\''))
            literal.append(c);
    }
    literal.append(QLatin1Char('\''));
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
