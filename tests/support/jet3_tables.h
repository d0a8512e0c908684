#pragma once

#include "platform/database/jet/format/table_definition_page.h"
#include "platform/database/jet/in_place/table_rows.h"
#include "platform/runtime/variant.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <map>
#include <stdexcept>
#include <vector>

// The tables of a Jet 3 (Access 97) file read from its bytes by the tests
// alone, apart from the product's readers, for the checker and the tests of
// the keys: definitions with their indexes, and the live rows where they lie.
// Texts are read as Windows-1252. Throws Jet3ReadError where the bytes
// contradict the layout.
class Jet3ReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A live row where it starts (an overflow row is named there) and its
// values, one per column: Null for the types not read (Memo, OLE, Currency...).
using Jet3Row = std::pair<RowLocation, std::vector<Variant>>;

class Jet3Tables {
public:
    explicit Jet3Tables(QByteArray bytes);

    quint32 pageCount() const { return static_cast<quint32>(bytes_.size() / kJet3PageSize); }
    QByteArray page(quint32 number) const;

    // The tables the catalog lists (user and system ones), by name, with their definition pages.
    std::map<QString, quint32> tables() const;
    // The definition on `page` and the pages continuing it.
    JetTableSchema schema(quint32 page, const QString& name) const;
    // The live rows of the table, on the data pages it owns, in page order.
    std::vector<Jet3Row> rows(const JetTableSchema& table) const;

private:
    QByteArray bytes_;
};
