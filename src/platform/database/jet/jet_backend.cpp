#include "platform/database/jet/jet_backend.h"

#include "platform/database/jet/format/data_page.h"
#include "platform/database/jet/format/text_encoding.h"
#include "platform/database/jet/isolated_read.h"
#include "platform/database/jet/jet_backend_testing.h"
#include "platform/database/jet/jet_select.h"
#include "platform/database/sqlite_row_file.h"
#include "platform/runtime/runtime_error.h"

#include <mdbtools.h>
#include <QDateTime>
#include <QFileInfo>
#include <QtEndian>
#include <cmath>
#include <cstring>

// Exported by libmdb and used by its own row reader, but not declared in its header.
extern "C" int mdb_find_row(MdbHandle* mdb, int row, int* start, size_t* len);

namespace {

RuntimeError Damaged(const QString& table)
{
    return {ErrorNumber::Failure, QStringLiteral("La tabella '%1' è danneggiata.").arg(table)};
}

// Jet keeps dates as days since 1899-12-30, the fraction being the time of day.
QString DateText(double days)
{
    static const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
    const auto msecs = static_cast<qint64>(std::llround(days * 86400000.0));
    return epoch.addMSecs(msecs).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// The bytes a value of a fixed-size type takes in a row; 0 for the others.
int FixedSize(int type)
{
    switch (type) {
        case MDB_BYTE: return 1;
        case MDB_INT: return 2;
        case MDB_LONGINT:
        case MDB_FLOAT: return 4;
        case MDB_MONEY:
        case MDB_DOUBLE:
        case MDB_DATETIME: return 8;
        case MDB_REPID: return 16;
        case MDB_NUMERIC: return 17;
        default: return 0;
    }
}

// One value of the row libmdb has just cracked; `start` and `size` locate it
// in the page buffer, which the caller has checked.
Variant ReadValue(MdbHandle* mdb, const MdbColumn* column, const MdbField& field)
{
    const unsigned char* data = mdb->pg_buf + field.start;
    if (column->col_type == MDB_BOOL)  // kept in the null mask: a set bit is true
        return Variant(field.is_null ? 0 : -1);
    if (field.is_null)
        return {};
    const auto bytes = [&] { return Variant(QByteArray(reinterpret_cast<const char*>(data), field.siz)); };
    // A damaged definition can give a number column a length that is not its
    // type's: reading the type's width would take bytes of the next column.
    const int fixed = FixedSize(column->col_type);
    if (fixed != 0 && field.siz != fixed)
        return bytes();
    switch (column->col_type) {
        case MDB_BYTE: return Variant(static_cast<int>(data[0]));
        case MDB_INT: return Variant(static_cast<int>(qFromLittleEndian<qint16>(data)));
        case MDB_LONGINT: return Variant(static_cast<int>(qFromLittleEndian<qint32>(data)));
        case MDB_MONEY: return Variant(static_cast<double>(qFromLittleEndian<qint64>(data)) / 10000.0);
        case MDB_FLOAT: return Variant(static_cast<double>(qFromLittleEndian<float>(data)));
        case MDB_DOUBLE: return Variant(qFromLittleEndian<double>(data));
        case MDB_DATETIME: return Variant(DateText(qFromLittleEndian<double>(data)));
        case MDB_NUMERIC: {
            char* text = mdb_numeric_to_string(mdb, field.start, column->col_scale, column->col_prec);
            const double value = QByteArray(text).toDouble();
            g_free(text);
            return Variant(value);
        }
        case MDB_TEXT:
            if (!IS_JET3(mdb))
                // Decoded here rather than by libmdb, which loses characters
                // beyond the BMP and stops at an embedded NUL.
                return Variant(DecodeJetText(reinterpret_cast<const char*>(data), field.siz));
            [[fallthrough]];
        case MDB_MEMO:
        case MDB_REPID: {
            // libmdb decodes Jet 4's compressed and plain UCS-2 and Jet 3's code page into UTF-8.
            char* text = mdb_col_to_string(mdb, mdb->pg_buf, field.start, column->col_type, field.siz);
            QString value = QString::fromUtf8(text);
            g_free(text);
            return Variant(value);
        }
        default:
            // Binary, OLE objects and types unknown here stay bytes, which no
            // conversion takes for a number or a text.
            return bytes();
    }
}

// A value as a condition compares it: a date as the number Jet keeps.
Variant ConditionValue(MdbHandle* mdb, const MdbColumn* column, const MdbField& field)
{
    if (column->col_type == MDB_DATETIME && !field.is_null && field.siz == 8)
        return Variant(qFromLittleEndian<double>(mdb->pg_buf + field.start));
    return ReadValue(mdb, column, field);
}

// Where libmdb placed a value: a damaged row can give a negative length,
// which its own check lets through.
bool InPage(const MdbField& field)
{
    return field.is_null || (field.start >= 0 && field.siz >= 0 && field.start + field.siz <= MDB_PGSIZE);
}

// An open libmdb handle, for the life of one read in the child process.
class MdbFile {
public:
    explicit MdbFile(const QString& path) : mdb_(mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS))
    {
        if (!mdb_)
            throw JetNotADatabase(path);
    }
    ~MdbFile() { mdb_close(mdb_); }
    MdbFile(const MdbFile&) = delete;
    MdbFile& operator=(const MdbFile&) = delete;

    GPtrArray* catalog()
    {
        GPtrArray* entries = mdb_read_catalog(mdb_, MDB_TABLE);
        if (!entries)
            throw RuntimeError(ErrorNumber::Failure, QStringLiteral("Impossibile leggere il catalogo del database."));
        return entries;
    }

    void readTable(const JetSelect& select, RowSink& sink)
    {
        MdbTableDef* table = mdb_read_table(findTable(select.table));
        if (!table)
            throw JetTableNotFound(select.table);
        try {
            readRows(table, select, sink);
        } catch (...) {
            mdb_free_tabledef(table);
            throw;
        }
        mdb_free_tabledef(table);
    }

    // The properties behind the rules Jet applies on insert, of the table
    // (no column) and of each column: Jet keeps them among the table's
    // properties, which libmdb reads.
    void readRuleProperties(const QString& name, RowSink& sink)
    {
        static const char* const kTableProperties[] = {"ValidationRule", "ValidationText"};
        static const char* const kColumnProperties[] = {"Required", "AllowZeroLength", "DefaultValue", "ValidationRule",
                                                        "ValidationText"};
        MdbTableDef* table = mdb_read_table(findTable(name));
        if (!table)
            throw JetTableNotFound(name);
        const bool read = mdb_read_columns(table) != nullptr;
        sink.columns({QStringLiteral("Colonna"), QStringLiteral("Proprietà"), QStringLiteral("Valore")});
        for (const char* property : kTableProperties) {
            if (const char* value = read ? mdb_table_get_prop(table, property) : nullptr)
                sink.row({Variant(), Variant(property), Variant(QString::fromUtf8(value))});
        }
        for (guint i = 0; read && i < table->num_cols; ++i) {
            const auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
            for (const char* property : kColumnProperties) {
                if (const char* value = mdb_col_get_prop(column, property))
                    sink.row({Variant(QString::fromUtf8(column->name)), Variant(property),
                              Variant(QString::fromUtf8(value))});
            }
        }
        mdb_free_tabledef(table);
        if (!read)
            throw RuntimeError(ErrorNumber::Failure,
                               QStringLiteral("Impossibile leggere le colonne della tabella '%1'.").arg(name));
    }

private:
    // The index of the column named `name` without regard to case. Jet takes
    // a name the table lacks for a parameter left without a value.
    static guint columnNamed(MdbTableDef* table, const QString& name)
    {
        for (guint i = 0; i < table->num_cols; ++i) {
            const auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
            if (QString::fromUtf8(column->name).compare(name, Qt::CaseInsensitive) == 0)
                return i;
        }
        throw RuntimeError(ErrorNumber::StatementRejected, QStringLiteral("Parametri insufficienti. Previsto 1."));
    }

    // The column a condition names, which must hold numbers: Jet refuses to
    // compare a text or bytes with one.
    static guint conditionColumn(MdbTableDef* table, const JetAtLeast& where)
    {
        const guint i = columnNamed(table, where.column);
        switch (static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i))->col_type) {
            case MDB_BOOL:
            case MDB_BYTE:
            case MDB_INT:
            case MDB_LONGINT:
            case MDB_MONEY:
            case MDB_FLOAT:
            case MDB_DOUBLE:
            case MDB_DATETIME:
            case MDB_NUMERIC: return i;
            default: throw JetConditionTypeMismatch();
        }
    }

    MdbCatalogEntry* findTable(const QString& name)
    {
        GPtrArray* entries = catalog();
        for (guint i = 0; i < entries->len; ++i) {
            auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(entries, i));
            if (entry->object_type == MDB_TABLE
                && QString::fromUtf8(entry->object_name).compare(name, Qt::CaseInsensitive) == 0)
                return entry;
        }
        throw JetTableNotFound(name);
    }

    void readRows(MdbTableDef* table, const JetSelect& select, RowSink& sink)
    {
        if (!mdb_read_columns(table))
            throw RuntimeError(ErrorNumber::Failure,
                               QStringLiteral("Impossibile leggere le colonne della tabella '%1'.").arg(select.table));
        const auto column = [&](guint i) { return static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i)); };
        // The columns to return, by their index in the table.
        std::vector<guint> wanted;
        if (select.columns.isEmpty()) {
            for (guint i = 0; i < table->num_cols; ++i)
                wanted.push_back(i);
        } else {
            for (const QString& name : select.columns)
                wanted.push_back(columnNamed(table, name));
        }
        QStringList names;
        for (const guint i : wanted)
            names.append(QString::fromUtf8(column(i)->name));
        // The column of the condition, if any, by its index in the table.
        const int condition = select.where ? int(conditionColumn(table, *select.where)) : -1;
        sink.columns(names);

        std::vector<MdbField> fields(table->num_cols);
        std::vector<Variant> row(wanted.size());
        mdb_rewind_table(table);
        while (mdb_fetch_row(table)) {
            // libmdb has just read row cur_row - 1 of the page in pg_buf; crack it
            // again to tell Null from empty text, which its bound values cannot.
            int start = 0;
            size_t size = 0;
            if (mdb_find_row(mdb_, static_cast<int>(table->cur_row) - 1, &start, &size) != 0
                || mdb_crack_row(table, start & kRowOffsetMask, size, fields.data()) < 0)
                throw Damaged(select.table);
            if (condition >= 0) {
                const MdbField& field = fields[std::size_t(condition)];
                if (!InPage(field))
                    throw Damaged(select.table);
                if (!select.where->holdsFor(ConditionValue(mdb_, column(guint(condition)), field)))
                    continue;
            }
            for (std::size_t i = 0; i < wanted.size(); ++i) {
                const MdbField& field = fields[wanted[i]];
                if (!InPage(field))
                    throw Damaged(select.table);
                row[i] = ReadValue(mdb_, column(wanted[i]), field);
            }
            sink.row(row);
        }
    }

    MdbHandle* mdb_;
};

// Rows read into a table of an SQLite file.
class RowsIntoFile : public RowSink {
public:
    RowsIntoFile(QString file, QString table) : file_(std::move(file)), table_(std::move(table)) {}

    void columns(const QStringList& names) override
    {
        for (const QString& name : names)
            names_.push_back(Variant(name));
        rows_.emplace(file_, table_, int(names.size()));
    }
    void row(const std::vector<Variant>& values) override { rows_->append(values); }
    // Answers the names of the columns.
    const std::vector<Variant>& commit()
    {
        if (rows_)
            rows_->commit();
        return names_;
    }

private:
    QString file_;
    QString table_;
    std::vector<Variant> names_;
    std::optional<SqliteRowFile> rows_;
};

// libmdb runs in a child process for every read: it is known to crash or to
// loop for ever on some damaged files.
class JetBackend : public DatabaseBackend {
public:
    JetBackend(QString path, std::chrono::milliseconds quietLimit, std::size_t memoryCeiling)
        : path_(std::move(path)), quietLimit_(quietLimit), memoryCeiling_(memoryCeiling)
    {
        ReadIsolated([this](RowSink&) { MdbFile(path_).catalog(); }, path_, quietLimit_, memoryCeiling_);
    }

    ResultSet query(const QString& sql) override
    {
        const JetSelect select = ParseJetSelect(sql);
        return ReadIsolated([&](RowSink& sink) { MdbFile(path_).readTable(select, sink); }, path_, quietLimit_,
                            memoryCeiling_);
    }

    void execute(const QString& sql) override { query(sql); }

    // One reader writes the rows of every copy into the file itself and
    // hands over only their columns, a row of names for each copy.
    std::optional<std::vector<QStringList>> copyRowsToSqliteFile(const QString& file,
                                                                 const std::vector<RowCopy>& copies) override
    {
        std::vector<JetSelect> selects;
        for (const RowCopy& copy : copies)
            selects.push_back(ParseJetSelect(copy.select()));
        const ResultSet names = ReadIsolated(
            [&](RowSink& sink) {
                sink.columns({});
                MdbFile mdb(path_);
                for (std::size_t i = 0; i < copies.size(); ++i) {
                    RowsIntoFile copy(file, copies[i].into);
                    mdb.readTable(selects[i], copy);
                    sink.row(copy.commit());
                }
            },
            path_, quietLimit_, memoryCeiling_);
        std::vector<QStringList> copied;
        for (const std::vector<Variant>& row : names.rows) {
            QStringList columns;
            for (const Variant& name : row)
                columns.append(name.text());
            copied.push_back(columns);
        }
        return copied;
    }

    // Nothing is ever written, so there is nothing to keep or undo.
    void beginTransaction() override {}
    void commitTransaction() override {}
    void rollbackTransaction() override {}

private:
    QString path_;
    std::chrono::milliseconds quietLimit_;
    std::size_t memoryCeiling_;
};

// How long a read may stay silent before the file is taken for damaged, and
// how much it may grow, when the caller does not say.
std::chrono::milliseconds g_quietLimit = std::chrono::seconds(30);
std::size_t g_memoryCeiling = kReaderMemoryCeiling;

std::unique_ptr<DatabaseBackend> OpenWithLimits(const QString& path, std::chrono::milliseconds quietLimit,
                                                std::size_t memoryCeiling)
{
    // Access writes whole pages; a file that is not made of them is damaged.
    const qint64 size = QFileInfo(path).size();
    if (size < 4096 || size % 2048 != 0)
        throw JetNotADatabase(path);
    return std::make_unique<JetBackend>(path, quietLimit, memoryCeiling);
}

ResultSet ReadRuleProperties(const QString& path, const QString& table)
{
    return ReadIsolated([&](RowSink& sink) { MdbFile(path).readRuleProperties(table, sink); }, path, g_quietLimit,
                        g_memoryCeiling);
}

}  // namespace

RuntimeError JetNotADatabase(const QString& path)
{
    return {ErrorNumber::Failure,
            QStringLiteral("Impossibile aprire il database '%1': il file non è un database valido o è danneggiato.")
                .arg(path)};
}

RuntimeError JetConditionTypeMismatch()
{
    return {ErrorNumber::StatementRejected,
            QStringLiteral("Tipo di dati non corrispondente nell'espressione criterio.")};
}

RuntimeError JetTableNotFound(const QString& table)
{
    return {ErrorNumber::NoSuchTable,
            QStringLiteral("Impossibile trovare la tabella o la query di input '%1'. Verificare che esista e che "
                           "il nome sia stato digitato correttamente.")
                .arg(table)};
}

std::vector<JetProperty> JetRuleProperties(const QString& path, const QString& table)
{
    std::vector<JetProperty> properties;
    for (const std::vector<Variant>& row : ReadRuleProperties(path, table).rows)
        properties.push_back({row.at(0).isNull() ? QString() : row.at(0).text(), row.at(1).text(), row.at(2).text()});
    return properties;
}

void SetJetReadLimitsForTests(std::chrono::milliseconds quietLimit, std::size_t memoryCeiling)
{
    g_quietLimit = quietLimit;
    g_memoryCeiling = memoryCeiling;
}

std::unique_ptr<DatabaseBackend> OpenJetDatabase(const QString& path)
{
    return OpenWithLimits(path, g_quietLimit, g_memoryCeiling);
}

std::unique_ptr<DatabaseBackend> OpenJetDatabase(const QString& path, std::chrono::milliseconds quietLimit)
{
    return OpenWithLimits(path, quietLimit, g_memoryCeiling);
}
