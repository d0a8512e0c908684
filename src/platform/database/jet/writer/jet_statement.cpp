#include "jet_statement.h"

#include "runtime_error.h"

#include <QLocale>
#include <QSet>
#include <cmath>

namespace {

struct Token {
    enum Kind { Name, Bracketed, Text, Number, Symbol, End } kind;
    QString text;
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
            return {Token::End, {}};
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
            return {Token::Name, sql_.mid(start, pos_ - start)};
        }
        if (sql_.mid(pos_, 2) == QLatin1String(">=")) {
            pos_ += 2;
            return {Token::Symbol, QStringLiteral(">=")};
        }
        return {Token::Symbol, sql_.mid(pos_++, 1)};
    }

private:
    Token bracketed()
    {
        const qsizetype close = sql_.indexOf(QLatin1Char(']'), pos_ + 1);
        if (close < 0)
            throw SyntaxError();
        Token token{Token::Bracketed, sql_.mid(pos_ + 1, close - pos_ - 1)};
        pos_ = close + 1;
        return token;
    }

    Token text()
    {
        QString value;
        for (++pos_; pos_ < sql_.size(); ++pos_) {
            const QChar c = sql_.at(pos_);
            if (c != QLatin1Char('\'')) {
                value.append(c);
            } else if (pos_ + 1 < sql_.size() && sql_.at(pos_ + 1) == QLatin1Char('\'')) {
                value.append(c);
                ++pos_;
            } else {
                ++pos_;
                return {Token::Text, value};
            }
        }
        throw SyntaxError();
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
        return {Token::Number, sql_.mid(start, pos_ - start)};
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
        QString text = token_.text;
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
            Variant value(token_.text);
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
        const QString digits = (negative ? QStringLiteral("-") : QString()) + token_.text;
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
    QSet<QString> seen;
    for (;;) {
        statement.columns.append(parser.name());
        if (seen.contains(statement.columns.back().toCaseFolded()))
            throw RuntimeError(ErrorNumber::StatementRejected,
                               QStringLiteral("Destinazione di output '%1' replicata.").arg(statement.columns.back()));
        seen.insert(statement.columns.back().toCaseFolded());
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
