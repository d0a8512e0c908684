#include "platform/runtime/variant.h"

#include "platform/runtime/runtime_error.h"

#include <QLocale>
#include <cmath>

QString DefaultText(const Variant& value)
{
    switch (value.type()) {
        case Variant::Type::Null: return {};
        case Variant::Type::Integer: return QString::number(value.integer());
        case Variant::Type::Double: return DefaultNumberText(value.real());
        case Variant::Type::Text: return value.text();
        case Variant::Type::Binary: break;
    }
    throw RuntimeError::typeMismatch();
}

QString DefaultNumberText(double value)
{
    if (value == 0.0)
        return QStringLiteral("0");  // also for -0, which has no sign of its own
    // Whole numbers of up to 15 digits are their digits: the common case,
    // spared the general conversion.
    if (std::abs(value) < 1e15 && value == std::trunc(value))
        return QString::number(static_cast<qint64>(value));
    // QString::number ignores the process locale and always writes ".".
    QString text = QString::number(value, 'G', 15);
    return text.replace(QLatin1Char('.'), QLocale().decimalPoint());
}

double ToDouble(const Variant& value)
{
    switch (value.type()) {
        case Variant::Type::Null: throw RuntimeError::invalidUseOfNull();
        case Variant::Type::Integer: return static_cast<double>(value.integer());
        case Variant::Type::Double: return value.real();
        case Variant::Type::Text: {
            bool ok = false;
            const double number = QLocale().toDouble(value.text().trimmed(), &ok);
            if (!ok)
                throw RuntimeError::typeMismatch();
            return number;
        }
        case Variant::Type::Binary: break;
    }
    throw RuntimeError::typeMismatch();
}

std::int32_t RoundToLong(double value)
{
    const double rounded = std::nearbyint(value);  // the default rounding mode: half to even
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0))
        throw RuntimeError::overflow();
    return static_cast<std::int32_t>(rounded);
}

std::int32_t ToLong(const Variant& value)
{
    if (value.type() == Variant::Type::Integer) {
        const qint64 number = value.integer();
        if (number < INT32_MIN || number > INT32_MAX)
            throw RuntimeError::overflow();
        return static_cast<std::int32_t>(number);
    }
    return RoundToLong(ToDouble(value));
}

double Val(const QString& text)
{
    QString compact;
    for (const QChar c : text) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n'))
            compact.append(c);
    }
    qsizetype i = 0;
    const auto isDigit = [&](qsizetype at) {
        return at < compact.size() && compact.at(at).unicode() >= '0' && compact.at(at).unicode() <= '9';
    };
    const auto at = [&](qsizetype pos) { return pos < compact.size() ? compact.at(pos).toLatin1() : '\0'; };

    QByteArray number;
    if (at(i) == '+' || at(i) == '-')
        number.append(at(i++));
    qsizetype digits = 0;
    while (isDigit(i)) {
        number.append(at(i++));
        ++digits;
    }
    if (at(i) == '.') {
        number.append(at(i++));
        while (isDigit(i)) {
            number.append(at(i++));
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    const char marker = at(i);
    if (marker == 'e' || marker == 'E' || marker == 'd' || marker == 'D') {
        qsizetype j = i + 1;
        QByteArray exponent("e");
        if (at(j) == '+' || at(j) == '-')
            exponent.append(at(j++));
        if (isDigit(j)) {
            while (isDigit(j))
                exponent.append(at(j++));
            number.append(exponent);
        }
    }
    bool ok = false;
    const double result = number.toDouble(&ok);  // locale-independent, unlike strtod
    if (!ok || std::isinf(result))
        throw RuntimeError::overflow();
    return result;
}
