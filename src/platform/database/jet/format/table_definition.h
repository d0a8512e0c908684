#pragma once

#include "platform/runtime/variant.h"

#include <QString>
#include <stdexcept>
#include <vector>

// The column types a Jet 4 table can have here. The code tables use the
// first five; the catalog needs the others too. DateTime takes a Double, the
// days since 1899-12-30 as Jet keeps them; Binary, Memo and Ole take only
// Null. Other stands for the types of existing tables that are never written
// here (Boolean, Currency, GUID...): only Null, that is their empty value.
enum class JetColumnType { Byte, Integer, LongInteger, Double, Text, DateTime, Binary, Memo, Ole, Other };

struct JetColumn {
    QString name;
    JetColumnType type = JetColumnType::LongInteger;
    int length = 0;              // Text only: the most characters a value may have, 1 to 255
    bool compressedText = true;  // Text only: Access may keep it in one byte per character
};

// An index on up to ten columns, each in ascending order. A primary key
// is unique and takes no Null.
struct JetIndex {
    QString name;
    std::vector<QString> columns;
    bool primaryKey = false;
};

struct JetTableDefinition {
    QString name;
    std::vector<JetColumn> columns;
    std::vector<JetIndex> indexes = {};
};

// A description or a value the file cannot hold. The text is Italian and
// complete, because the command-line tools show it to their user.
class JetWriteError : public std::runtime_error {
public:
    explicit JetWriteError(const QString& message);
    QString message() const;
};

// Throws JetWriteError when the table cannot be written: a name Jet refuses,
// a column name used twice, a text length outside 1 to 255, no columns, an
// index on no column, too many or unknown ones, or a second primary key.
void CheckTableDefinition(const JetTableDefinition& table);

// Throws JetWriteError when the value does not fit the column: the wrong
// kind, a number outside the type's range, a text longer than the column.
// Null fits every column; a whole number fits a Double column.
void CheckJetValue(const JetColumn& column, const Variant& value);
