#include "jet_select.h"

#include "runtime_error.h"

namespace {

struct Token {
    enum Kind { Name, Bracketed, Comma, Star, End, Other } kind;
    QString text;
};

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
        if (c == QLatin1Char(',') || c == QLatin1Char('*')) {
            ++pos_;
            return {c == QLatin1Char(',') ? Token::Comma : Token::Star, QString(c)};
        }
        if (c == QLatin1Char('[')) {
            const qsizetype close = sql_.indexOf(QLatin1Char(']'), pos_ + 1);
            if (close < 0)
                return {Token::Other, sql_.mid(pos_)};
            Token token{Token::Bracketed, sql_.mid(pos_ + 1, close - pos_ - 1)};
            pos_ = close + 1;
            return token;
        }
        if (c.isLetterOrNumber() || c == QLatin1Char('_')) {
            const qsizetype start = pos_;
            while (pos_ < sql_.size() && (sql_.at(pos_).isLetterOrNumber() || sql_.at(pos_) == QLatin1Char('_')))
                ++pos_;
            return {Token::Name, sql_.mid(start, pos_ - start)};
        }
        return {Token::Other, sql_.mid(pos_++, 1)};
    }

private:
    const QString& sql_;
    qsizetype pos_ = 0;
};

bool IsKeyword(const Token& token, const char* keyword)
{
    return token.kind == Token::Name && token.text.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
}

bool IsIdentifier(const Token& token)
{
    return (token.kind == Token::Name && !IsKeyword(token, "FROM")) || token.kind == Token::Bracketed;
}

RuntimeError SyntaxError()
{
    return {ErrorNumber::StatementRejected, QStringLiteral("Errore di sintassi nell'istruzione SQL.")};
}

}  // namespace

JetSelect ParseJetSelect(const QString& statement)
{
    QString sql = statement.trimmed();
    while (sql.endsWith(QLatin1Char(';')))
        sql = sql.chopped(1).trimmed();
    Tokenizer tokens(sql);
    if (!IsKeyword(tokens.next(), "SELECT"))
        throw RuntimeError(ErrorNumber::ReadOnlyDatabase,
                           QStringLiteral("Impossibile aggiornare. Il database o l'oggetto è di sola lettura."));

    JetSelect select;
    Token token = tokens.next();
    if (token.kind == Token::Star) {
        token = tokens.next();
    } else {
        for (;;) {
            if (!IsIdentifier(token))
                throw SyntaxError();
            select.columns.append(token.text);
            token = tokens.next();
            if (token.kind != Token::Comma)
                break;
            token = tokens.next();
        }
    }
    if (!IsKeyword(token, "FROM"))
        throw SyntaxError();
    token = tokens.next();
    if (!IsIdentifier(token))
        throw SyntaxError();
    select.table = token.text;
    if (tokens.next().kind != Token::End)
        throw SyntaxError();
    return select;
}
