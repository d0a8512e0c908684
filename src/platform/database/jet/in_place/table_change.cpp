#include "platform/database/jet/in_place/table_change.h"

#include "platform/database/jet/format/damaged_file.h"
#include "platform/database/jet/format/data_page.h"
#include "platform/database/jet/format/jet_format.h"
#include "platform/database/jet/format/little_endian.h"
#include "platform/database/jet/format/text_encoding.h"
#include "platform/database/jet/in_place/global_page_map.h"
#include "platform/database/jet/in_place/index_key.h"
#include "platform/database/jet/in_place/index_tree.h"
#include "platform/database/jet/in_place/page_file.h"
#include "platform/runtime/runtime_error.h"

#include <QSet>
#include <algorithm>

namespace {

RuntimeError CannotKeep(const JetTableSchema& table, const QString& why)
{
    return {ErrorNumber::Failure,
            QStringLiteral("Impossibile aggiornare la tabella '%1': lo strumento non può mantenere esatti i suoi "
                           "indici (%2).")
                .arg(table.name, why)};
}

RuntimeError UnencodableText(const JetTableSchema& table)
{
    return CannotKeep(table,
                      QStringLiteral("un testo indicizzato contiene caratteri che l'ordinamento generale "
                                     "non prevede qui"));
}

// A text Jet 3's code page cannot hold is refused as a statement the
// database cannot take, so that the update names the row beside the column.
void ExpectCodePageHolds(const JetTableSchema& table, const std::vector<Variant>& values)
{
    if (table.version != JetVersion::Jet3)
        return;
    for (std::size_t i = 0; i < values.size() && i < table.columns.size(); ++i) {
        if (values[i].type() != Variant::Type::Text)
            continue;
        const QString& text = values[i].text();
        if (std::all_of(text.begin(), text.end(), [](QChar c) { return Windows1252Byte(c.unicode()) >= 0; }))
            continue;
        QByteArray encoded;
        try {
            AppendWindows1252(encoded, text);  // for its message naming the character
        } catch (const JetWriteError& error) {
            throw RuntimeError(ErrorNumber::StatementRejected,
                               QStringLiteral("Impossibile inserire la riga nella tabella '%1': colonna '%2': %3.")
                                   .arg(table.name, table.columns[i].column.name, error.message()));
        }
    }
}

bool IsNullKey(const SchemaIndex& index, const std::vector<Variant>& values)
{
    return std::all_of(index.columns.begin(), index.columns.end(),
                       [&](const IndexColumn& column) { return values[column.column].isNull(); });
}

}  // namespace

TableChange::TableChange(JetPageFile& file, JetTableSchema schema)
    : file_(file), schema_(std::move(schema)), keyColumns_(schema_.columns.size()), indexes_(schema_.indexes.size())
{
    for (std::size_t i = 0; i < schema_.columns.size() && i < schema_.layout.columns.size(); ++i)
        hasFixedText_ = hasFixedText_
            || (schema_.columns[i].column.type == JetColumnType::Text && schema_.layout.columns[i].fixedOffset >= 0);
    for (const SchemaIndex& index : schema_.indexes) {
        for (const IndexColumn& column : index.columns)
            keyColumns_.at(static_cast<std::size_t>(column.column)) = true;
        const QString reason = UnkeyableIndexReason(schema_, index, schema_.version);
        if (!reason.isEmpty())
            throw CannotKeep(schema_, reason);
        if (index.rootPage == 0 || index.rootPage >= file_.pageCount()
            || !IsIndexPageOf(file_.page(index.rootPage), schema_.definitionPage))
            throw DamagedFile(QStringLiteral("radice di un indice della tabella '%1'").arg(schema_.name));
    }
    ForEachLiveRow(
        file_, schema_,
        [&](RowLocation where, const std::vector<Variant>& values) {
            ++rowCount_;
            const std::vector<QByteArray> keys = keysOf(values);
            for (std::size_t i = 0; i < indexes_.size(); ++i) {
                if (!(schema_.indexes[i].ignoresNulls() && IsNullKey(schema_.indexes[i], values)))
                    indexes_[i].entries.insert(indexes_[i].entries.end(), LeafEntry(keys[i], where.page, where.row));
            }
        },
        keyColumns_);
}

std::vector<QByteArray> TableChange::keysOf(const std::vector<Variant>& values) const
{
    std::vector<QByteArray> keys;
    for (const SchemaIndex& index : schema_.indexes) {
        std::optional<QByteArray> key = IndexKey(schema_, index, values, schema_.version);
        if (!key)
            throw UnencodableText(schema_);
        keys.push_back(*key);
    }
    return keys;
}

// Entries of one key lie side by side, right after the key itself.
bool TableChange::holdsKey(const Index& index, const QByteArray& key) const
{
    // The update inserts its codes in key order: a key past the last entry is the common case.
    if (index.entries.empty() || *index.entries.rbegin() < key)
        return false;
    const auto found = index.entries.lower_bound(key);
    return found != index.entries.end() && found->size() == key.size() + 4 && found->startsWith(key);
}

int TableChange::deleteWhere(const std::function<bool(const std::vector<Variant>&)>& matches, int column)
{
    std::vector<bool> decoded;
    if (column >= 0) {
        decoded = keyColumns_;
        decoded.at(static_cast<std::size_t>(column)) = true;
    }
    std::vector<std::pair<RowLocation, std::vector<Variant>>> doomed;
    ForEachLiveRow(
        file_, schema_,
        [&](RowLocation where, const std::vector<Variant>& values) {
            if (matches(values))
                doomed.emplace_back(where, values);
        },
        decoded);
    for (const auto& [where, values] : doomed) {
        const std::vector<QByteArray> keys = keysOf(values);
        MarkRowDeleted(file_, where);
        for (std::size_t i = 0; i < indexes_.size(); ++i)
            indexes_[i].entries.erase(LeafEntry(keys[i], where.page, where.row));
        --rowCount_;
    }
    return static_cast<int>(doomed.size());
}

void TableChange::insert(const std::vector<Variant>& given, const PageAppender& append)
{
    // Keyed as stored: a fixed-length text with its padding. Only a table
    // that has such a column needs a padded copy of every row.
    std::vector<Variant> padded;
    const bool copied = hasFixedText_ || given.size() != schema_.layout.columns.size();
    if (copied) {
        padded.reserve(given.size());
        for (std::size_t i = 0; i < given.size() && i < schema_.layout.columns.size(); ++i)
            padded.push_back(StoredValue(schema_.layout.columns[i], given[i], schema_.version));
    }
    const std::vector<Variant>& values = copied ? padded : given;
    // A Long Integer AutoNumber is numbered before the row comes here
    // (AutoNumber); any other kind the writer does not number, and it will
    // not store Null in its place.
    for (std::size_t i = 0; i < schema_.columns.size(); ++i) {
        if ((schema_.columns[i].flags & kAutoNumberColumn) != 0 && values[i].isNull())
            throw RuntimeError(
                ErrorNumber::Failure,
                QStringLiteral("Impossibile inserire la riga nella tabella '%1': lo strumento non assegna "
                               "il numero automatico della colonna '%2'.")
                    .arg(schema_.name, schema_.columns[i].column.name));
        if (schema_.columns[i].required && values[i].isNull())
            throw RuntimeError(ErrorNumber::IntegrityViolation,
                               QStringLiteral("Il campo '%1.%2' non può contenere un valore Null perché la proprietà "
                                              "Required per questo campo è impostata su True.")
                                   .arg(schema_.name, schema_.columns[i].column.name));
    }
    for (const SchemaIndex& index : schema_.indexes) {
        if (!index.required())
            continue;
        for (const IndexColumn& column : index.columns) {
            if (values[column.column].isNull())
                throw RuntimeError(ErrorNumber::IntegrityViolation,
                                   QStringLiteral("L'indice o la chiave primaria non può contenere un valore Null "
                                                  "(colonna '%1').")
                                       .arg(schema_.columns[column.column].column.name));
        }
    }
    ExpectCodePageHolds(schema_, values);
    QByteArray row;
    try {
        row = PackRow(schema_.definition, schema_.layout, values, schema_.version);
    } catch (const JetWriteError& error) {
        throw RuntimeError(
            ErrorNumber::Failure,
            QStringLiteral("Impossibile inserire la riga nella tabella '%1': %2.").arg(schema_.name, error.message()));
    }
    if (row.size() > RowPage::maxRowSize(schema_.version))
        throw RuntimeError(ErrorNumber::Failure,
                           QStringLiteral("Impossibile inserire la riga nella tabella '%1': il record è troppo grande.")
                               .arg(schema_.name));
    const std::vector<QByteArray> keys = keysOf(values);
    for (std::size_t i = 0; i < indexes_.size(); ++i) {
        const SchemaIndex& index = schema_.indexes[i];
        if (index.unique() && !IsNullKey(index, values) && holdsKey(indexes_[i], keys[i]))
            throw RuntimeError(
                ErrorNumber::IntegrityViolation,
                QStringLiteral("Le modifiche richieste non sono state apportate alla tabella '%1' perché "
                               "creerebbero valori duplicati nell'indice, nella chiave primaria o nella "
                               "relazione.")
                    .arg(schema_.name));
    }

    RowLocation where;
    placeRow(row, where, append);
    ++rowCount_;
    for (std::size_t i = 0; i < indexes_.size(); ++i) {
        // Placed at once when it comes after every entry, as rows inserted in key order do.
        if (!(schema_.indexes[i].ignoresNulls() && IsNullKey(schema_.indexes[i], values)))
            indexes_[i].entries.insert(indexes_[i].entries.end(), LeafEntry(keys[i], where.page, where.row));
    }
}

// On the table's last page that has room, as Access fills a table;
// otherwise on a new page, which both of the table's maps then list.
void TableChange::placeRow(const QByteArray& row, RowLocation& where, const PageAppender& append)
{
    if (insertPage_ == 0) {
        const std::vector<quint32> owned = PagesInMap(file_, schema_.usageMap);
        const std::vector<quint32> withSpace = PagesInMap(file_, schema_.freeSpaceMap);
        for (auto page = owned.rbegin(); page != owned.rend() && insertPage_ == 0; ++page) {
            if (*page < file_.pageCount() && std::binary_search(withSpace.begin(), withSpace.end(), *page)
                && IsDataPageOf(file_.page(*page), schema_.definitionPage))
                insertPage_ = *page;
        }
    }
    if (insertPage_ != 0) {
        // The page's own offsets must describe its rows before a row goes
        // below them; the rows added here since are the writer's own.
        if (checkedPage_ != insertPage_) {
            const QByteArray& current = file_.page(insertPage_);
            const int rows = RowCountOnPage(current);
            for (int row = 0; row < rows; ++row)
                RowOnPage(current, row);
            checkedPage_ = insertPage_;
        }
        const int number = AddRowToPage(file_.writablePage(insertPage_), row);
        if (number >= 0) {
            where = {insertPage_, number};
            return;
        }
        RemoveFromMap(file_, schema_.freeSpaceMap, insertPage_);
    }
    RowPage page(schema_.version);
    page.add(row);
    insertPage_ = append(page.bytes(schema_.definitionPage));
    AddToMap(file_, schema_.usageMap, insertPage_, append);
    AddToMap(file_, schema_.freeSpaceMap, insertPage_, append);
    where = {insertPage_, 0};
}

void TableChange::finish(const PageAppender& append)
{
    // A file an earlier version grew past its page map gets the whole map now.
    CoverWholeFile(file_);
    QByteArray& definition = file_.writablePage(schema_.definitionPage);
    PutLittleEndian(definition, TableRowCountOffset(schema_.version), rowCount_);
    for (std::size_t i = 0; i < indexes_.size(); ++i) {
        const SchemaIndex& index = schema_.indexes[i];
        const std::vector<QByteArray> entries(indexes_[i].entries.begin(), indexes_[i].entries.end());
        quint32 distinct = 0;
        for (std::size_t e = 0; e < entries.size(); ++e) {
            if (e == 0 || QByteArrayView(entries[e]).chopped(4) != QByteArrayView(entries[e - 1]).chopped(4))
                ++distinct;
        }
        PutLittleEndian(file_.writablePage(schema_.definitionPage), index.uniqueCountOffset, distinct);

        std::vector<quint32> old;
        for (const quint32 page : PagesInMap(file_, index.usageMap)) {
            if (page != index.rootPage && page < file_.pageCount()
                && IsIndexPageOf(file_.page(page), schema_.definitionPage))
                old.push_back(page);
        }
        const std::vector<quint32> used =
            WriteIndexTree(file_, schema_.definitionPage, index.rootPage, old, entries, append);
        const QSet<quint32> usedSet(used.begin(), used.end());
        const QSet<quint32> oldSet(old.begin(), old.end());
        for (const quint32 page : used) {
            if (page != index.rootPage && !oldSet.contains(page))
                AddToMap(file_, index.usageMap, page, append);
        }
        for (const quint32 page : old) {
            if (usedSet.contains(page))
                continue;
            RemoveFromMap(file_, index.usageMap, page);
            file_.writablePage(page).fill('\0');
            MarkPageFree(file_, page);
        }
    }
}
