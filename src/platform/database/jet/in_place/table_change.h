#pragma once

#include "platform/database/jet/in_place/table_rows.h"
#include "platform/database/jet/in_place/table_schema.h"
#include "platform/database/jet/in_place/usage_map_editor.h"

#include <functional>
#include <set>
#include <vector>

class JetPageFile;

// The changes of one transaction to one table: rows deleted and inserted on
// its pages as they come, the entries of its indexes kept in memory, and at
// the end the row count and every index tree written anew from them.
class TableChange {
public:
    // Reads the table's rows and index entries. Raises RuntimeError, before
    // anything is changed, for a table whose indexes the writer cannot keep
    // exact.
    TableChange(JetPageFile& file, JetTableSchema schema);

    const JetTableSchema& schema() const { return schema_; }

    // Deletes the rows `matches` picks; answers how many. `matches` sees the
    // value of `column` and of the indexed columns only, or of every column
    // when `column` is -1.
    int deleteWhere(const std::function<bool(const std::vector<Variant>&)>& matches, int column = -1);
    // Inserts one row, a value for every column. Refused, with nothing
    // changed, when a value does not fit its column, a required column is
    // Null or a unique index has the key already.
    void insert(const std::vector<Variant>& values, const PageAppender& append);

    // Writes the row count and the index trees.
    void finish(const PageAppender& append);

private:
    struct Index {
        std::set<QByteArray> entries;  // key and row place, in the order of the tree
    };

    std::vector<QByteArray> keysOf(const std::vector<Variant>& values) const;
    bool holdsKey(const Index& index, const QByteArray& key) const;
    void placeRow(const QByteArray& row, RowLocation& where, const PageAppender& append);

    JetPageFile& file_;
    JetTableSchema schema_;
    // The columns the indexes key, which are all a scan of the rows needs
    // to read: decoding the other texts would be most of its work.
    std::vector<bool> keyColumns_;
    bool hasFixedText_ = false;  // a fixed-length text column, whose values are stored padded
    std::vector<Index> indexes_;
    quint32 rowCount_ = 0;
    quint32 insertPage_ = 0;   // 0 until a page with free space is known
    quint32 checkedPage_ = 0;  // the page whose row offsets were last checked
};
