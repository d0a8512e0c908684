#include "platform/database/jet/jet_select.h"

#include "platform/database/jet/jet_sql_tokens.h"
#include "platform/runtime/runtime_error.h"

namespace {

bool IsKeyword(const Token& token, const char* keyword)
{
    return token.kind == Token::Name && token.text.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
}

bool IsSymbol(const Token& token, const char* symbol)
{
    return token.kind == Token::Symbol && token.text == QLatin1String(symbol);
}

bool IsIdentifier(const Token& token)
{
    return (token.kind == Token::Name && !IsKeyword(token, "FROM")) || token.kind == Token::Bracketed;
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
    if (IsSymbol(token, "*")) {
        token = tokens.next();
    } else {
        for (;;) {
            if (!IsIdentifier(token))
                throw SyntaxError();
            select.columns.append(token.text.toString());
            token = tokens.next();
            if (!IsSymbol(token, ","))
                break;
            token = tokens.next();
        }
    }
    if (!IsKeyword(token, "FROM"))
        throw SyntaxError();
    token = tokens.next();
    if (!IsIdentifier(token))
        throw SyntaxError();
    select.table = token.text.toString();
    token = tokens.next();
    if (IsKeyword(token, "WHERE")) {
        JetAtLeast where;
        token = tokens.next();
        if (!IsIdentifier(token))
            throw SyntaxError();
        where.column = token.text.toString();
        if (!IsSymbol(tokens.next(), ">="))
            throw SyntaxError();
        token = tokens.next();
        bool whole = false;
        where.lowest = token.text.toLongLong(&whole);
        if (token.kind != Token::Number || !whole)
            throw SyntaxError();
        select.where = where;
        token = tokens.next();
    }
    if (token.kind != Token::End)
        throw SyntaxError();
    return select;
}
