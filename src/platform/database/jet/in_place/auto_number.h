#pragma once

#include "platform/database/jet/in_place/table_schema.h"
#include "platform/runtime/variant.h"

#include <vector>

class JetPageFile;

// A table's AutoNumber column and the last number Jet gave it, which Jet
// keeps in the table's definition.
class AutoNumber {
public:
    AutoNumber(JetPageFile& file, const JetTableSchema& schema);

    // Gives the row the next number when it leaves the column Null.
    void number(std::vector<Variant>& row) const;
    // Keeps the row's number as the last one given when it is above it, as
    // Jet does with a number the statement names.
    void inserted(const std::vector<Variant>& row);

private:
    JetPageFile& file_;
    quint32 definitionPage_ = 0;
    qsizetype lastOffset_ = 0;  // of the last number handed out, in the definition page
    QString table_;
    int column_ = -1;  // none
    QString columnName_;
    qint64 last_ = 0;
};
