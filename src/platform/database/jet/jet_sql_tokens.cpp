#include "platform/database/jet/jet_sql_tokens.h"

RuntimeError SyntaxError()
{
    return {ErrorNumber::StatementRejected, QStringLiteral("Errore di sintassi nell'istruzione SQL.")};
}

Token Tokenizer::next()
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
    if (c == QLatin1Char('>') && pos_ + 1 < sql_.size() && sql_.at(pos_ + 1) == QLatin1Char('=')) {
        pos_ += 2;
        return {Token::Symbol, QStringView(sql_).sliced(pos_ - 2, 2), {}};
    }
    ++pos_;
    return {Token::Symbol, QStringView(sql_).sliced(pos_ - 1, 1), {}};
}

Token Tokenizer::bracketed()
{
    const qsizetype close = sql_.indexOf(QLatin1Char(']'), pos_ + 1);
    if (close < 0)
        throw SyntaxError();
    Token token{Token::Bracketed, QStringView(sql_).sliced(pos_ + 1, close - pos_ - 1), {}};
    pos_ = close + 1;
    return token;
}

Token Tokenizer::text()
{
    QString value;
    qsizetype from = pos_ + 1;
    for (;;) {
        const qsizetype quote = sql_.indexOf(QLatin1Char('\''), from);
        if (quote < 0)
            throw SyntaxError();
        // Most texts hold no apostrophe: their characters are taken at once.
        const QStringView characters = QStringView(sql_).sliced(from, quote - from);
        if (value.isEmpty())
            value = characters.toString();
        else
            value += characters;
        if (quote + 1 < sql_.size() && sql_.at(quote + 1) == QLatin1Char('\'')) {
            value += QLatin1Char('\'');
            from = quote + 2;
            continue;
        }
        pos_ = quote + 1;
        return {Token::Text, {}, value};
    }
}

Token Tokenizer::number()
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
