#include "mkabicab/csv_value.h"

#include <QLocale>

namespace {

bool IsWholeNumberType(JetColumnType type)
{
    return type == JetColumnType::Byte || type == JetColumnType::Integer || type == JetColumnType::LongInteger;
}

bool LooksLikeWholeNumber(const QString& text)
{
    qsizetype i = (text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+'))) ? 1 : 0;
    if (i == text.size())
        return false;
    for (; i < text.size(); ++i) {
        if (text[i] < QLatin1Char('0') || text[i] > QLatin1Char('9'))
            return false;
    }
    return true;
}

Variant WholeNumber(const QString& text)
{
    if (!LooksLikeWholeNumber(text))
        throw JetWriteError(QStringLiteral("'%1' non è un numero intero").arg(text));
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok)
        throw JetWriteError(QStringLiteral("il valore %1 è fuori di ogni intervallo ammesso").arg(text));
    return Variant(value);
}

Variant Number(const QString& text)
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(text, &ok);
    if (!ok)
        throw JetWriteError(QStringLiteral("'%1' non è un numero (i decimali vanno dopo un punto)").arg(text));
    return Variant(value);
}

}  // namespace

Variant CsvValue(const JetColumn& column, const CsvField& field)
{
    Variant value;
    if (column.type == JetColumnType::Text) {
        if (field.text.contains(QChar(0)))
            throw JetWriteError(
                QStringLiteral("il testo contiene il carattere NUL, che l'aggiornamento non può inserire"));
        if (!field.text.isEmpty() || field.quoted)
            value = Variant(field.text);
    } else {
        const QString text = field.text.trimmed();
        if (text.isEmpty())
            throw JetWriteError(
                QStringLiteral("il campo è vuoto, ma l'aggiornamento non può inserire un valore nullo "
                               "in una colonna numerica"));
        value = IsWholeNumberType(column.type) ? WholeNumber(text) : Number(text);
    }
    CheckJetValue(column, value);
    return value;
}
