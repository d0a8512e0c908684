#pragma once

#include <QByteArray>
#include <QString>
#include <concepts>
#include <cstdint>
#include <variant>

// A value as the database layer hands it out: Null, a whole number, a
// floating-point number, a text or bytes. Whole numbers and floats keep their
// kind, because the transfer writes them differently. Bytes are what a column
// of a binary or unknown type holds: kept apart so that no conversion can take
// them for a number or a text.
class Variant {
public:
    enum class Type { Null, Integer, Double, Text, Binary };

    Variant() = default;
    template <std::integral T>
    requires(!std::same_as<T, bool>) Variant(T value) : value_(static_cast<qint64>(value)) {}
    Variant(double value) : value_(value) {}
    Variant(QString value) : value_(std::move(value)) {}
    Variant(const char* utf8) : value_(QString::fromUtf8(utf8)) {}
    Variant(QByteArray bytes) : value_(std::move(bytes)) {}

    Type type() const { return static_cast<Type>(value_.index()); }
    bool isNull() const { return type() == Type::Null; }

    // Raw access; the caller has checked type().
    qint64 integer() const { return std::get<qint64>(value_); }
    double real() const { return std::get<double>(value_); }
    const QString& text() const { return std::get<QString>(value_); }
    const QByteArray& bytes() const { return std::get<QByteArray>(value_); }

    bool operator==(const Variant&) const = default;

private:
    std::variant<std::monostate, qint64, double, QString, QByteArray> value_;
};

// The language runtime's default conversions, which the statements and the
// settings rely on. They raise RuntimeError as the runtime would.

// Default text: Null gives empty text, a whole number its decimal digits, a
// float DefaultNumberText, a text itself; bytes are a type mismatch.
QString DefaultText(const Variant& value);

// At most 15 significant digits, the current locale's decimal separator, no
// grouping, exponent form for very large and very small magnitudes.
QString DefaultNumberText(double value);

// Conversion to double: Null is an invalid use of Null; bytes, and a text that
// does not read as a number in the current locale, a type mismatch.
double ToDouble(const Variant& value);

// Conversion to a 32-bit integer: floats round half to even; out of range is
// an overflow.
std::int32_t ToLong(const Variant& value);
std::int32_t RoundToLong(double value);

// Lenient reading of the number at the start of a text: blanks, tabs and line
// feeds are skipped anywhere; sign, digits, "." and decimals, exponent; what
// does not start with a number reads as 0.
double Val(const QString& text);
