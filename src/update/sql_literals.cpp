#include "sql_literals.h"

QString SqlTesto(const Variant& value)
{
    if (value.isNull() || (value.type() == Variant::Type::Text && value.text().isEmpty()))
        return QStringLiteral("Null");
    QString text = DefaultText(value);
    return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}

QString SqlNumero(double value)
{
    QString text = DefaultNumberText(value);
    const qsizetype comma = text.indexOf(QLatin1Char(','));
    if (comma >= 0)
        text[comma] = QLatin1Char('.');
    return text;
}
