#pragma once

#include "platform/database/jet/in_place/auto_number.h"
#include "platform/database/jet/in_place/column_rules.h"
#include "platform/database/jet/in_place/database_lock.h"
#include "platform/database/jet/in_place/jet_statement.h"
#include "platform/database/jet/in_place/page_file.h"
#include "platform/database/jet/in_place/relationships.h"
#include "platform/database/jet/in_place/table_change.h"

#include <QHash>
#include <memory>

// The changes to one Jet 4 file between a begin and a commit. They are made
// to the file's pages in memory; the file on disk changes only at commit,
// all at once, and a transaction dropped without a commit leaves it as it
// was. From begin to end the transaction holds the database as Jet's
// clients see it (JetDatabaseLock): no one else writes it meanwhile.
class JetTransaction {
public:
    // `encodingKey` is the header's: the pages are encrypted unless it is zero.
    // Raises RuntimeError when the user may not write the file or another
    // program is using it.
    JetTransaction(QString path, const QByteArray& encodingKey);
    ~JetTransaction();

    // Raises RuntimeError; a statement refused has changed nothing. The
    // statement's values are moved into the row.
    void apply(JetChange change);
    // Deletes the rows of the table that `matches` picks; answers how many.
    int deleteWhere(const QString& table, const std::function<bool(const std::vector<Variant>&)>& matches);
    bool changed() const { return file_.changed(); }

    // Writes the changes over the file.
    void commit();
    // The file as it would be after a commit, in a new file for reading.
    QString snapshot();

private:
    // What Jet does to a row of the table before it stores it.
    struct InsertRules {
        ColumnRules columns;
        AutoNumber autoNumber;
    };

    TableChange& table(const QString& name);
    RelationshipRules& rules();
    // `column`: the one column `matches` looks at, or -1 for any.
    int deleteRows(TableChange& target, const std::function<bool(const std::vector<Variant>&)>& matches,
                   int column = -1);
    // Where each of the statement's columns stands in the table.
    const std::vector<int>& columnsOf(const TableChange& target, const QStringList& names);
    quint32 appendPage(const QByteArray& page);

    QString path_;
    std::unique_ptr<JetDatabaseLock> lock_;
    JetPageFile file_;
    QHash<QString, std::shared_ptr<TableChange>> tables_;
    QHash<const TableChange*, std::shared_ptr<InsertRules>> insertRules_;
    PageAppender append_;
    std::unique_ptr<RelationshipRules> rules_;  // read when first needed
    // The update names the same table and columns in row after row: the
    // last ones are kept as found.
    QString lastName_;
    TableChange* lastTable_ = nullptr;
    const TableChange* mappedTable_ = nullptr;
    QStringList mappedNames_;
    std::vector<int> mappedColumns_;
};
