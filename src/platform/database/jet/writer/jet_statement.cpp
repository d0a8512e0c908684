#include "jet_statement.h"

#include "runtime_error.h"

#include <QLocale>
#include <cmath>

namespace {

// A token points into the statement; only a text literal, whose doubled
// apostrophes are read as one, has characters of its own. Every row of the
// update is one statement, so tokens are made by the hundred thousand.
struct Token {
    enum Kind { Name, Bracketed, Text, Number, Symbol, End } kind;
    QStringView text;
    QString unquoted;
};

RuntimeError SyntaxError()
{
    return {ErrorNumber::StatementRejected, QStringLiteral("Errore di sintassi nell'istruzione SQL.")};
}

class Tokenizer {
public:
    explicit Tokenizer(const QString& sql) : sql_(sql) {}

    Token next()
    {
        while (pos_ < sql_.size() && sql_.at(pos_).isSpace())
            ++pos_;
        if (pos_ >= sql_.size())
            return {Token::End, {}, {}};
        const QChar c = sql_.at(pos_);
        if (c == QLatin1Char('['))
            return bracketed();
        if (c == QLatin1Char('\''))
            return text();
        if (c.isDigit() || (c == QLatin1Char('.') && pos_ + 1 < sql_.size() && sql_.at(pos_ + 1).isDigit()))
            return number();
        if (c.isLetter() || c == QLatin1Char('_')) {
            const qsizetype start = pos_;
            while (pos_ < sql_.size() && (sql_.at(pos_).isLetterOrNumber() || sql_.at(pos_) == QLatin1Char('_')))
                ++pos_;
            return {Token::Name, QStringView(sql_).sliced(start, pos_ - start), {}};
        }
        if (QStringView(sql_).sliced(pos_).startsWith(QLatin1String(">="))) {
            pos_ += 2;
            return {Token::Symbol, QStringView(sql_).sliced(pos_ - 2, 2), {}};
        }
        ++pos_;
        return {Token::Symbol, QStringView(sql_).sliced(pos_ - 1, 1), {}};
    }

private:
    Token bracketed()
    {
        const qsizetype close = sql_.indexOf(QLatin1Char(']'), pos_ + 1);
        if (close < 0)
            throw SyntaxError();
        Token token{Token::Bracketed, QStringView(sql_).sliced(pos_ + 1, close - pos_ - 1), {}};
        pos_ = close + 1;
        return token;
    }

    Token text()
    {
        QString value;
        qsizetype from = pos_ + 1;
        for (;;) {
            const qsizetype quote = sql_.indexOf(QLatin1Char('\''), from);
            if (quote < 0)
                throw SyntaxError();
            value += QStringView(sql_).sliced(from, quote - from);
            if (quote + 1 < sql_.size() && sql_.at(quote + 1) == QLatin1Char('\'')) {
                value += QLatin1Char('\'');
                from = quote + 2;
                continue;
            }
            pos_ = quote + 1;
            return {Token::Text, {}, value};
        }
    }

    Token number()
    {
        const qsizetype start = pos_;
        const auto digits = [&] {
            while (pos_ < sql_.size() && sql_.at(pos_).isDigit())
                ++pos_;
        };
        digits();
        if (pos_ < sql_.size() && sql_.at(pos_) == QLatin1Char('.')) {
            ++pos_;
            digits();
        }
        if (pos_ < sql_.size() && (sql_.at(pos_) == QLatin1Char('E') || sql_.at(pos_) == QLatin1Char('e'))) {
            ++pos_;
            if (pos_ < sql_.size() && (sql_.at(pos_) == QLatin1Char('+') || sql_.at(pos_) == QLatin1Char('-')))
                ++pos_;
            const qsizetype exponent = pos_;
            digits();
            if (pos_ == exponent)
                throw SyntaxError();
        }
        return {Token::Number, QStringView(sql_).sliced(start, pos_ - start), {}};
    }

    const QString& sql_;
    qsizetype pos_ = 0;
};

class Parser {
public:
    explicit Parser(const QString& sql) : tokens_(sql) { advance(); }

    bool atKeyword(const char* keyword) const
    {
        return token_.kind == Token::Name && token_.text.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
    }

    void keyword(const char* word)
    {
        if (!atKeyword(word))
            throw SyntaxError();
        advance();
    }

    void symbol(const char* text)
    {
        if (token_.kind != Token::Symbol || token_.text != QLatin1String(text))
            throw SyntaxError();
        advance();
    }

    bool atSymbol(const char* text) const
    {
        return token_.kind == Token::Symbol && token_.text == QLatin1String(text);
    }

    QString name()
    {
        if (token_.kind != Token::Name && token_.kind != Token::Bracketed)
            throw SyntaxError();
        QString text = token_.text.toString();
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
        const QString digits = (negative ? QStringLiteral("-") : QString()) + token_.text.toString();
        advance();
        bool whole = false;
        const qint64 integer = digits.toLongLong(&whole);
        if (whole)
            return Variant(integer);
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

JetInsert ParseInsert(Parser& parser)
{
    JetInsert statement;
    parser.keyword("INTO");
    statement.table = parser.name();
    parser.symbol("(");
    for (;;) {
        const QString column = parser.name();
        for (const QString& earlier : std::as_const(statement.columns)) {
            if (earlier.compare(column, Qt::CaseInsensitive) == 0)
                throw RuntimeError(ErrorNumber::StatementRejected,
                                   QStringLiteral("Destinazione di output '%1' replicata.").arg(column));
        }
        statement.columns.append(column);
        if (!parser.atSymbol(","))
            break;
        parser.symbol(",");
    }
    parser.symbol(")");
    parser.keyword("VALUES");
    parser.symbol("(");
    for (;;) {
        statement.values.push_back(parser.literal());
        if (!parser.atSymbol(","))
            break;
        parser.symbol(",");
    }
    parser.symbol(")");
    parser.end();
    if (statement.values.size() != static_cast<std::size_t>(statement.columns.size()))
        throw RuntimeError(ErrorNumber::StatementRejected,
                           QStringLiteral("Il numero dei valori della query e dei campi di destinazione non coincide."));
    return statement;
}

}  // namespace

JetChange ParseJetChange(const QString& sql)
{
    Parser parser(sql);
    if (parser.atKeyword("DELETE")) {
        parser.keyword("DELETE");
        return ParseDelete(parser);
    }
    if (parser.atKeyword("INSERT")) {
        parser.keyword("INSERT");
        return ParseInsert(parser);
    }
    throw SyntaxError();
}
