#include "update/sql_literals.h"

QString SqlTesto(const Variant& value)
{
    QString literal;
    AppendSqlTesto(literal, value);
    return literal;
}

void AppendSqlTesto(QString& out, const Variant& value)
{
    if (value.isNull() || (value.type() == Variant::Type::Text && value.text().isEmpty())) {
        out += QStringView(u"Null");
        return;
    }
    // A text is quoted as it stands; any other value through its default
    // text, which refuses bytes.
    const QString converted = value.type() == Variant::Type::Text ? QString() : DefaultText(value);
    const QStringView text = value.type() == Variant::Type::Text ? QStringView(value.text()) : QStringView(converted);
    // Written in place, one character at a time, once the room is made:
    // the update writes seven of these for every row.
    const qsizetype start = out.size();
    out.resize(start + text.size() + text.count(u'\'') + 2);
    char16_t* to = reinterpret_cast<char16_t*>(out.data()) + start;
    *to++ = u'\'';
    for (const QChar c : text) {
        *to++ = c.unicode();
        if (c == u'\'')
            *to++ = u'\'';
    }
    *to = u'\'';
}

QString SqlNumero(double value)
{
    QString text = DefaultNumberText(value);
    const qsizetype comma = text.indexOf(QLatin1Char(','));
    if (comma >= 0)
        text[comma] = QLatin1Char('.');
    return text;
}
