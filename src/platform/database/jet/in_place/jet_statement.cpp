#include "platform/database/jet/in_place/jet_statement.h"

#include "platform/database/jet/jet_sql_tokens.h"
#include "platform/runtime/runtime_error.h"

#include <QLocale>
#include <QVarLengthArray>
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace {

// Whether the token is the ASCII word given, in any case or exactly: the
// parser asks this several times a token, for every row of the update.
bool SameAscii(QStringView token, const char* word, bool ignoreCase)
{
    qsizetype i = 0;
    for (; word[i] != '\0'; ++i) {
        if (i == token.size())
            return false;
        char16_t c = token[i].unicode();
        if (ignoreCase && c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - u'a' + u'A');
        const char16_t w = ignoreCase && word[i] >= 'a' && word[i] <= 'z' ? word[i] - 'a' + 'A' : word[i];
        if (c != w)
            return false;
    }
    return i == token.size();
}

// The value of a token of decimal digits alone that fits 64 bits; empty
// for any other number. Read digit by digit: every row of the update holds
// several, and Qt's conversion goes through a copy of the text first.
std::optional<qulonglong> WholeNumber(QStringView digits)
{
    constexpr int kSafeDigits = 19;  // 10^19 - 1 still fits an unsigned 64-bit number
    while (digits.size() > 1 && digits.front() == QLatin1Char('0'))
        digits = digits.sliced(1);
    if (digits.isEmpty() || digits.size() > kSafeDigits)
        return std::nullopt;
    qulonglong value = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

class Parser {
public:
    Parser(const QString& sql, qsizetype from) : sql_(sql), tokens_(sql, from) { advance(); }

    // Where the current token begins in the statement.
    qsizetype position() const { return token_.kind == Token::End ? sql_.size() : token_.text.data() - sql_.data(); }

    bool atKeyword(const char* keyword) const
    {
        return token_.kind == Token::Name && SameAscii(token_.text, keyword, true);
    }

    void keyword(const char* word)
    {
        if (!atKeyword(word))
            throw SyntaxError();
        advance();
    }

    void symbol(const char* text)
    {
        if (!atSymbol(text))
            throw SyntaxError();
        advance();
    }

    bool atSymbol(const char* text) const
    {
        return token_.kind == Token::Symbol && SameAscii(token_.text, text, false);
    }

    QString name() { return nameInStatement().toString(); }

    // The name where the statement holds it.
    QStringView nameInStatement()
    {
        if (token_.kind != Token::Name && token_.kind != Token::Bracketed)
            throw SyntaxError();
        const QStringView text = token_.text;
        advance();
        return text;
    }

    Variant literal()
    {
        if (atKeyword("Null")) {
            advance();
            return {};
        }
        if (token_.kind == Token::Text) {
            Variant value(std::move(token_.unquoted));
            advance();
            return value;
        }
        bool negative = false;
        if (atSymbol("-") || atSymbol("+")) {
            negative = atSymbol("-");
            advance();
        }
        if (token_.kind != Token::Number)
            throw SyntaxError();
        // Whole numbers, most of the literals, are read where they stand.
        const std::optional<qulonglong> magnitude = WholeNumber(token_.text);
        constexpr qulonglong kLargest = std::numeric_limits<qint64>::max();
        if (magnitude && *magnitude <= kLargest + (negative ? 1 : 0)) {
            advance();
            return Variant(negative ? qint64(0 - *magnitude) : qint64(*magnitude));
        }
        const QString digits = (negative ? QStringLiteral("-") : QString()) + token_.text.toString();
        advance();
        bool ok = false;
        const double number = QLocale::c().toDouble(digits, &ok);
        if (!ok || !std::isfinite(number))
            throw SyntaxError();
        return Variant(number);
    }

    void end()
    {
        while (atSymbol(";"))
            advance();
        if (token_.kind != Token::End)
            throw SyntaxError();
    }

private:
    void advance() { token_ = tokens_.next(); }

    const QString& sql_;
    Tokenizer tokens_;
    Token token_;
};

JetDelete ParseDelete(Parser& parser)
{
    JetDelete statement;
    parser.keyword("FROM");
    statement.table = parser.name();
    parser.keyword("WHERE");
    statement.column = parser.name();
    parser.symbol(">=");
    const Variant lowest = parser.literal();
    if (lowest.type() != Variant::Type::Integer)
        throw SyntaxError();
    statement.lowest = lowest.integer();
    parser.end();
    return statement;
}

// The column names of an INSERT, none twice. Every row of the update names
// the same columns: the list of the previous statement, checked already, is
// shared instead of copied anew.
QStringList ColumnList(const QVarLengthArray<QStringView, 16>& names)
{
    thread_local QStringList previous;
    if (std::equal(names.begin(), names.end(), previous.begin(), previous.end()))
        return previous;
    QStringList columns;
    for (const QStringView column : names) {
        for (const QString& earlier : std::as_const(columns)) {
            // Names of different lengths never match, whatever their case.
            if (earlier.size() == column.size() && earlier.compare(column, Qt::CaseInsensitive) == 0)
                throw RuntimeError(ErrorNumber::StatementRejected,
                                   QStringLiteral("Destinazione di output '%1' replicata.").arg(column));
        }
        columns.append(column.toString());
    }
    previous = columns;
    return columns;
}

// The head of an INSERT, up to the "(" of its values: the table and the
// columns, with the text they were read from.
struct InsertHead {
    QString text;
    QString table;
    QStringList columns;
};

// Every row of the update is an INSERT with the head of the one before. A
// statement that begins with that head's text followed by "(", as the one
// before went on, is read into the same tokens up to there: its head is
// not read again.
thread_local InsertHead previousHead;

void ReadValues(Parser& parser, JetInsert& statement)
{
    parser.symbol("(");
    statement.values.reserve(static_cast<std::size_t>(statement.columns.size()));
    for (;;) {
        statement.values.push_back(parser.literal());
        if (!parser.atSymbol(","))
            break;
        parser.symbol(",");
    }
    parser.symbol(")");
    parser.end();
    if (statement.values.size() != static_cast<std::size_t>(statement.columns.size()))
        throw RuntimeError(
            ErrorNumber::StatementRejected,
            QStringLiteral("Il numero dei valori della query e dei campi di destinazione non coincide."));
}

JetInsert ParseInsert(const QString& sql, Parser& parser)
{
    JetInsert statement;
    parser.keyword("INTO");
    statement.table = parser.name();
    parser.symbol("(");
    QVarLengthArray<QStringView, 16> names;
    for (;;) {
        names.append(parser.nameInStatement());
        if (!parser.atSymbol(","))
            break;
        parser.symbol(",");
    }
    statement.columns = ColumnList(names);
    parser.symbol(")");
    parser.keyword("VALUES");
    if (parser.atSymbol("("))
        previousHead = {sql.left(parser.position()), statement.table, statement.columns};
    ReadValues(parser, statement);
    return statement;
}

// The statement, when it begins with the previous INSERT's head.
std::optional<JetInsert> ParseWithPreviousHead(const QString& sql)
{
    const QString& head = previousHead.text;
    if (head.isEmpty() || sql.size() <= head.size() || sql.at(head.size()) != QLatin1Char('(')
        || !QStringView(sql).startsWith(head))
        return std::nullopt;
    JetInsert statement{previousHead.table, previousHead.columns, {}};
    Parser parser(sql, head.size());
    ReadValues(parser, statement);
    return statement;
}

}  // namespace

JetChange ParseJetChange(const QString& sql)
{
    if (std::optional<JetInsert> insert = ParseWithPreviousHead(sql))
        return std::move(*insert);
    Parser parser(sql, 0);
    if (parser.atKeyword("DELETE")) {
        parser.keyword("DELETE");
        return ParseDelete(parser);
    }
    if (parser.atKeyword("INSERT")) {
        parser.keyword("INSERT");
        return ParseInsert(sql, parser);
    }
    throw SyntaxError();
}
