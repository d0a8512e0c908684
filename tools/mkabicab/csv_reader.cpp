#include "mkabicab/csv_reader.h"

#include <QStringDecoder>

CsvError::CsvError(int line, const QString& message) : std::runtime_error(message.toStdString()), line_(line) {}

QString CsvError::message() const
{
    return QString::fromStdString(what());
}

CsvReader::CsvReader(QString text) : text_(std::move(text)) {}

CsvReader CsvReader::fromUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        const qsizetype bad = text.indexOf(QChar::ReplacementCharacter);
        throw CsvError(static_cast<int>(text.left(bad < 0 ? text.size() : bad).count(QLatin1Char('\n'))) + 1,
                       QStringLiteral("il file non è in UTF-8"));
    }
    if (text.startsWith(QChar(0xfeff)))
        text.remove(0, 1);
    return CsvReader(std::move(text));
}

bool CsvReader::next(CsvRecord& record)
{
    if (pos_ >= text_.size())
        return false;
    record.line = line_;
    record.fields.clear();
    for (;;) {
        record.fields.push_back(readField());
        if (pos_ >= text_.size())
            return true;
        const QChar c = text_[pos_++];
        if (c == QLatin1Char(','))
            continue;
        if (c == QLatin1Char('\r') && pos_ < text_.size() && text_[pos_] == QLatin1Char('\n'))
            ++pos_;
        ++line_;  // c ended the record: a line feed, or a carriage return with or without one
        return true;
    }
}

CsvField CsvReader::readField()
{
    const auto endsField = [](QChar c) {
        return c == QLatin1Char(',') || c == QLatin1Char('\n') || c == QLatin1Char('\r');
    };
    CsvField field;
    if (pos_ < text_.size() && text_[pos_] == QLatin1Char('"')) {
        field.quoted = true;
        const int openedAt = line_;
        ++pos_;
        for (;;) {
            if (pos_ >= text_.size())
                throw CsvError(openedAt, QStringLiteral("virgolette aperte e mai chiuse"));
            const QChar c = text_[pos_++];
            if (c == QLatin1Char('"')) {
                if (pos_ < text_.size() && text_[pos_] == QLatin1Char('"')) {
                    field.text += c;
                    ++pos_;
                    continue;
                }
                if (pos_ < text_.size() && !endsField(text_[pos_]))
                    throw CsvError(line_, QStringLiteral("caratteri dopo le virgolette di chiusura di un campo"));
                return field;
            }
            if (c == QLatin1Char('\n'))
                ++line_;
            field.text += c;
        }
    }
    const qsizetype start = pos_;
    while (pos_ < text_.size() && !endsField(text_[pos_])) {
        if (text_[pos_] == QLatin1Char('"'))
            throw CsvError(line_, QStringLiteral("virgolette dentro un campo senza virgolette"));
        ++pos_;
    }
    field.text = text_.mid(start, pos_ - start);
    return field;
}
