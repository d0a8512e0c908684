#include "platform/database/jet/in_place/column_rules.h"

#include "platform/database/jet/format/database_header.h"
#include "platform/runtime/runtime_error.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace {

bool SameWord(const QString& text, const char* word)
{
    return text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool IsText(const SchemaColumn& column)
{
    return column.column.type == JetColumnType::Text || column.column.type == JetColumnType::Memo;
}

// A text between quotes, each quote inside doubled, as Jet writes one.
std::optional<QString> QuotedText(const QString& text)
{
    if (text.size() < 2 || (text.front() != u'"' && text.front() != u'\'') || text.back() != text.front())
        return std::nullopt;
    const QChar quote = text.front();
    QString inner;
    for (qsizetype i = 1; i < text.size() - 1; ++i) {
        if (text[i] == quote) {
            if (i + 1 >= text.size() - 1 || text[i + 1] != quote)
                return std::nullopt;
            ++i;
        }
        inner.append(text[i]);
    }
    return inner;
}

std::optional<Variant> Number(const QString& text)
{
    static const QRegularExpression number(QStringLiteral(R"(^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$)"));
    if (!number.match(text).hasMatch())
        return std::nullopt;
    bool whole = false;
    const qint64 integer = text.toLongLong(&whole);
    if (whole)
        return Variant(integer);
    bool ok = false;
    const double real = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(real))
        return std::nullopt;
    if (real == std::trunc(real) && std::abs(real) < 9.2e18)
        return Variant(static_cast<qint64>(real));
    return Variant(real);
}

RuntimeError CannotApply(const QString& table, const QString& why)
{
    return {ErrorNumber::Failure, QStringLiteral("Impossibile aggiornare la tabella '%1': %2.").arg(table, why)};
}

}  // namespace

ColumnRules::ColumnRules(const JetTableSchema& schema, const std::vector<JetProperty>& properties)
    : table_(schema.name), columnCount_(schema.columns.size())
{
    for (const SchemaColumn& column : schema.columns)
        names_.append(column.column.name);
    const auto valueOf = [&](const QString& column, const char* name) {
        for (const JetProperty& property : properties) {
            if (property.column == column && SameWord(property.name, name))
                return property.value.trimmed();
        }
        return QString();
    };
    for (std::size_t i = 0; i < schema.columns.size(); ++i) {
        const SchemaColumn& column = schema.columns[i];
        const int position = static_cast<int>(i);
        if (SameWord(valueOf(column.column.name, "AllowZeroLength"), "no") && IsText(column))
            noZeroLength_.push_back({position, column.column.name});
        const QString defaultValue = valueOf(column.column.name, "DefaultValue");
        if (!defaultValue.isEmpty())
            readDefault(column, position, defaultValue);
        const QString rule = valueOf(column.column.name, "ValidationRule");
        if (!rule.isEmpty())
            readValidation(schema, position, rule, valueOf(column.column.name, "ValidationText"));
    }
    // Jet checks the table's rule after those of the columns.
    const QString tableRule = valueOf(QString(), "ValidationRule");
    if (!tableRule.isEmpty())
        readValidation(schema, -1, tableRule, valueOf(QString(), "ValidationText"));
}

void ColumnRules::readDefault(const SchemaColumn& column, int position, const QString& property)
{
    // Jet reads a default as an expression; an "=" before it changes nothing.
    QString expression = property;
    if (expression.startsWith(u'='))
        expression = expression.mid(1).trimmed();
    if (SameWord(expression, "Null"))
        return;
    const QString call = QString(expression).remove(u' ');
    Default value;
    value.column = position;
    if (SameWord(call, "Now()")) {
        value.kind = DefaultKind::Now;
    } else if (SameWord(call, "Date()")) {
        value.kind = DefaultKind::Date;
    } else if (const std::optional<QString> text = QuotedText(expression)) {
        // Jet turns a quoted number into the column's number.
        const std::optional<Variant> number = Number(*text);
        value.value = number && !IsText(column) ? *number : Variant(*text);
    } else if (const std::optional<Variant> number = Number(expression)) {
        value.value = IsText(column) ? Variant(expression) : *number;
    } else if (SameWord(expression, "True") || SameWord(expression, "Yes") || SameWord(expression, "On")) {
        value.value = Variant(-1);
    } else if (SameWord(expression, "False") || SameWord(expression, "No") || SameWord(expression, "Off")) {
        value.value = Variant(0);
    } else {
        throw CannotApply(table_,
                          QStringLiteral("lo strumento non sa calcolare il valore predefinito '%1' della "
                                         "colonna '%2'")
                              .arg(property, column.column.name));
    }
    const JetColumnType type = column.column.type;
    const bool storable = value.kind != DefaultKind::Constant
        ? type == JetColumnType::DateTime || type == JetColumnType::Double
        : type != JetColumnType::Other && type != JetColumnType::Memo && type != JetColumnType::Binary
            && type != JetColumnType::Ole;
    if (!storable)
        value.unstorable = property;
    defaults_.push_back(std::move(value));
}

void ColumnRules::readValidation(const JetTableSchema& schema, int column, const QString& rule, const QString& message)
{
    std::optional<ValidationRule> read = ValidationRule::Read(schema, column, rule);
    const QString owner =
        column < 0 ? schema.name : QStringLiteral("%1.%2").arg(schema.name, schema.columns[column].column.name);
    if (!read)
        throw CannotApply(table_,
                          QStringLiteral("lo strumento non sa applicare la regola di convalida '%1' "
                                         "impostata per '%2'")
                              .arg(rule, owner));
    validations_.push_back({std::move(*read), rule, message, owner});
}

std::vector<Variant> ColumnRules::defaultRow(const std::vector<int>& named) const
{
    std::vector<Variant> row(columnCount_);
    if (defaults_.empty())
        return row;
    const QDateTime now = QDateTime::currentDateTime();
    for (const Default& value : defaults_) {
        if (std::find(named.begin(), named.end(), value.column) != named.end())
            continue;
        if (!value.unstorable.isEmpty())
            throw RuntimeError(ErrorNumber::Failure,
                               QStringLiteral("Impossibile inserire la riga nella tabella '%1': lo strumento non sa "
                                              "memorizzare il valore predefinito '%2' della colonna '%3'.")
                                   .arg(table_, value.unstorable, names_[value.column]));
        switch (value.kind) {
            case DefaultKind::Constant: row[value.column] = value.value; break;
            case DefaultKind::Now: row[value.column] = JetDateTime(now); break;
            case DefaultKind::Date: row[value.column] = JetDateTime(QDateTime(now.date(), QTime(0, 0))); break;
        }
    }
    return row;
}

void ColumnRules::check(const std::vector<Variant>& row) const
{
    for (const NamedColumn& column : noZeroLength_) {
        const Variant& value = row[column.column];
        if (value.type() == Variant::Type::Text && value.text().isEmpty())
            throw RuntimeError(ErrorNumber::IntegrityViolation,
                               QStringLiteral("Il campo '%1.%2' non può essere una stringa di lunghezza zero. "
                                              "(errore Jet 3315)")
                                   .arg(table_, column.name));
    }
    for (const Validation& validation : validations_) {
        const std::optional<bool> passes = validation.rule.passes(row);
        if (!passes)
            throw RuntimeError(ErrorNumber::IntegrityViolation,
                               QStringLiteral("Impossibile inserire la riga nella tabella '%1': un testo contiene "
                                              "caratteri che la regola di convalida '%2' non sa confrontare.")
                                   .arg(table_, validation.text));
        if (*passes)
            continue;
        // Jet shows the ValidationText in place of its own message when there is one.
        if (!validation.message.isEmpty())
            throw RuntimeError(ErrorNumber::IntegrityViolation,
                               QStringLiteral("%1 (errore Jet 3316)").arg(validation.message));
        throw RuntimeError(ErrorNumber::IntegrityViolation,
                           QStringLiteral("Uno o più valori non sono consentiti dalla regola di convalida '%1' "
                                          "impostata per '%2'. Immettere un valore accettabile per l'espressione "
                                          "di questo campo. (errore Jet 3317)")
                               .arg(validation.text, validation.owner));
    }
}
