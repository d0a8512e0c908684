#pragma once

#include <QString>
#include <stdexcept>
#include <vector>

// One field of a CSV record. `quoted` tells an empty quoted field ("") from
// an empty one, which the tools read as Null.
struct CsvField {
    QString text;
    bool quoted = false;
};

struct CsvRecord {
    int line = 0;  // where the record starts, from 1; a quoted field may span lines
    std::vector<CsvField> fields;
};

// Malformed input, at `line`; the message is Italian.
class CsvError : public std::runtime_error {
public:
    CsvError(int line, const QString& message);
    int line() const { return line_; }
    QString message() const;

private:
    int line_;
};

// Reads CSV as RFC 4180 has it: fields separated by commas, records by CRLF
// or LF, a field in double quotes may hold commas, line breaks and doubled
// quotes. A quote inside an unquoted field, anything but a comma or the end
// of the record after a closing quote, and a quote left open are errors. A
// line break at the very end does not start another record.
class CsvReader {
public:
    explicit CsvReader(QString text);
    // Decodes UTF-8, without or with a byte order mark; throws CsvError at
    // the line of the first byte that is not UTF-8.
    static CsvReader fromUtf8(const QByteArray& bytes);

    // False at the end of the text.
    bool next(CsvRecord& record);

private:
    CsvField readField();

    QString text_;
    qsizetype pos_ = 0;
    int line_ = 1;
};
