#include "update/deletion_backup.h"

#include "platform/database/sqlite_row_file.h"
#include "platform/runtime/process_state.h"
#include "platform/runtime/runtime_error.h"
#include "update/state_folder.h"

#include <sqlite3.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QMap>
#include <functional>
#include <optional>

namespace {

// An SQLite handle that closes itself; every failure becomes `failure`'s
// error with SQLite's own message in brackets. One thread uses it: SQLite
// need not lock its own structures at every call.
class BackupDatabase {
public:
    BackupDatabase(const QString& path, int flags, std::function<RuntimeError(const QString&)> failure)
        : failure_(std::move(failure))
    {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr)
            != SQLITE_OK)
            fail();
    }
    ~BackupDatabase() { sqlite3_close_v2(db_); }
    BackupDatabase(const BackupDatabase&) = delete;
    BackupDatabase& operator=(const BackupDatabase&) = delete;

    void exec(const QString& sql)
    {
        if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            fail();
    }

    // A prepared statement, finalized with the object.
    class Statement {
    public:
        Statement(BackupDatabase& db, const QString& sql) : db_(db)
        {
            if (sqlite3_prepare_v2(db.db_, sql.toUtf8().constData(), -1, &statement_, nullptr) != SQLITE_OK)
                db.fail();
        }
        ~Statement() { sqlite3_finalize(statement_); }
        Statement(const Statement&) = delete;
        Statement& operator=(const Statement&) = delete;

        // Texts and bytes are not copied: the value must stay until run().
        void bind(int index, const Variant& value)
        {
            if (BindSqliteValue(statement_, index, value) != SQLITE_OK)
                db_.fail();
        }
        // Runs it once, then readies it for the next values.
        void run()
        {
            if (sqlite3_step(statement_) != SQLITE_DONE)
                db_.fail();
            sqlite3_reset(statement_);
        }
        bool next()
        {
            const int result = sqlite3_step(statement_);
            if (result != SQLITE_ROW && result != SQLITE_DONE)
                db_.fail();
            return result == SQLITE_ROW;
        }
        int columns() const { return sqlite3_column_count(statement_); }
        Variant value(int column) const
        {
            switch (sqlite3_column_type(statement_, column)) {
                case SQLITE_NULL: return {};
                case SQLITE_INTEGER: return Variant(static_cast<qint64>(sqlite3_column_int64(statement_, column)));
                case SQLITE_FLOAT: return Variant(sqlite3_column_double(statement_, column));
                case SQLITE_BLOB: {
                    const auto* data = static_cast<const char*>(sqlite3_column_blob(statement_, column));
                    return Variant(QByteArray(data, sqlite3_column_bytes(statement_, column)));
                }
                default: {
                    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
                    return Variant(QString::fromUtf8(text, sqlite3_column_bytes(statement_, column)));
                }
            }
        }
        QString text(int column) const
        {
            const Variant v = value(column);
            return v.type() == Variant::Type::Text ? v.text() : QString();
        }

    private:
        BackupDatabase& db_;
        sqlite3_stmt* statement_ = nullptr;
    };

    [[noreturn]] void fail() const
    {
        throw failure_(db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("memoria insufficiente"));
    }

private:
    sqlite3* db_ = nullptr;
    std::function<RuntimeError(const QString&)> failure_;
};

bool SyncFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && ::fsync(file.handle()) == 0;
}

// As the engines compare the key with 1000: a number, or a text that reads
// as one; Null is never deleted.
bool FromAThousand(const Variant& key)
{
    switch (key.type()) {
        case Variant::Type::Integer: return key.integer() >= 1000;
        case Variant::Type::Double: return key.real() >= 1000;
        case Variant::Type::Text: {
            bool ok = false;
            const double number = key.text().trimmed().toDouble(&ok);
            return ok && number >= 1000;
        }
        default: return false;
    }
}

// The rows of a table that the run's deletion removes, chosen by its own
// condition on the table's key column.
DatabaseBackend::RowCopy RowsFromAThousand(const QString& table, const QString& keyColumn,
                                           const QString& into = QString())
{
    return {table, keyColumn.toLower(), 1000, into};
}

// A table or key column the destination lacks leaves nothing to save: the
// deletion then fails at its own line, as it always has. Where a column may
// hold any kind of value, the engine picks the rows with the deletion's own
// condition (SQLite deletes a text key such as "A1", which reads as no number).
SavedTable ReadTable(Connection& destinazione, const QString& name, const QString& keyColumn)
{
    SavedTable table;
    table.name = name;
    Recordset rs;
    bool chosenByEngine = false;
    try {
        if (destinazione.typesValuesPerRow()) {
            try {
                rs.open(RowsFromAThousand(name, keyColumn).select(), destinazione);
                chosenByEngine = true;
            } catch (const RuntimeError& error) {
                if (error.number() != ErrorNumber::StatementRejected)
                    throw;
            }
        }
        // Elsewhere, and without a key column, the table is read whole.
        if (!chosenByEngine)
            rs.open(QStringLiteral("SELECT * FROM ") + name, destinazione);
    } catch (const RuntimeError& error) {
        if (error.number() == ErrorNumber::NoSuchTable)
            return table;
        throw;
    }
    table.columns = rs.allRows().columns;
    const qsizetype key = table.column(keyColumn);
    if (key < 0)
        return table;
    for (std::vector<Variant>& row : rs.takeRows()) {
        if (chosenByEngine || FromAThousand(row[std::size_t(key)]))
            table.rows.push_back(std::move(row));
    }
    return table;
}

QString RowTable(const QString& table)
{
    return QStringLiteral("righe_") + table;
}

// The destination's names and types of a table's columns.
void WriteColumns(BackupDatabase& db, const QString& table, const QStringList& names, const QStringList& types)
{
    BackupDatabase::Statement column(db, QStringLiteral("INSERT INTO colonne VALUES (?, ?, ?, ?)"));
    for (qsizetype i = 0; i < names.size(); ++i) {
        column.bind(1, table);
        column.bind(2, i);
        column.bind(3, names.at(i));
        column.bind(4, types.at(i));
        column.run();
    }
}

SavedTable ReadSavedTable(BackupDatabase& db, const QString& name)
{
    SavedTable table;
    table.name = name;
    BackupDatabase::Statement columns(
        db, QStringLiteral("SELECT nome, tipo FROM colonne WHERE tabella = '%1' ORDER BY posizione").arg(name));
    while (columns.next()) {
        table.columns << columns.text(0);
        table.types << columns.text(1);
    }
    if (table.columns.isEmpty())
        return table;  // the destination had no such table
    BackupDatabase::Statement rows(db, QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(RowTable(table.name)));
    if (rows.columns() != table.columns.size())
        throw RuntimeError(ErrorNumber::Failure, QStringLiteral("colonne incoerenti nella tabella %1").arg(name));
    while (rows.next()) {
        std::vector<Variant> row;
        row.reserve(std::size_t(rows.columns()));
        for (int i = 0; i < rows.columns(); ++i)
            row.push_back(rows.value(i));
        table.rows.push_back(std::move(row));
    }
    return table;
}

// A profile name as part of a file name: letters, digits, "-" and "_" kept.
QString FileNamePart(const QString& profile)
{
    QString part;
    for (const QChar c : profile)
        part += c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_') ? c : QLatin1Char('_');
    return part.isEmpty() ? QStringLiteral("file") : part;
}

const QStringList kRecordKeys{QStringLiteral("profilo"), QStringLiteral("inizio"), QStringLiteral("destinazione"),
                              QStringLiteral("impronta_origine"), QStringLiteral("esito")};

BackupRecord ReadRecord(BackupDatabase& db)
{
    BackupDatabase::Statement fields(db, QStringLiteral("SELECT chiave, valore FROM esecuzione"));
    QMap<QString, QString> record;
    while (fields.next())
        record.insert(fields.text(0), fields.text(1));
    return {record.value(kRecordKeys[0]), QDateTime::fromString(record.value(kRecordKeys[1]), Qt::ISODateWithMs),
            record.value(kRecordKeys[2]), record.value(kRecordKeys[3]), record.value(kRecordKeys[4])};
}

const QString kBackupSuffix = QStringLiteral(".sqlite");
const QString kPartialMark = QStringLiteral(".parziale-");

// A run killed while it wrote its backup leaves the partial file, named
// after its process; the next run removes those whose process has ended.
void RemovePartialsOfEndedRuns(const QDir& folder)
{
    for (const QString& name : folder.entryList({QLatin1Char('*') + kBackupSuffix + kPartialMark + QLatin1Char('*')},
                                                QDir::Files | QDir::NoSymLinks)) {
        bool number = false;
        const pid_t writer = name.mid(name.lastIndexOf(kPartialMark) + kPartialMark.size()).toInt(&number);
        if (number && ProcessEnded(writer))
            QFile::remove(folder.filePath(name));
    }
}

// Gives the written file the run's name, or, when a run of the same profile
// that started in the same millisecond (another installation with the same
// profile name) has taken it, that name with the next free number: a backup
// never replaces another. The rename refuses a name that exists at that
// moment, so two runs cannot take the same one. Empty when it fails.
QString GiveFreeName(const QString& partial, const QString& stem)
{
    for (int number = 1; number <= 1000; ++number) {
        const QString path =
            number == 1 ? stem + kBackupSuffix : QStringLiteral("%1-%2%3").arg(stem).arg(number).arg(kBackupSuffix);
        if (QFile::rename(partial, path))
            return path;
        if (!QFile::exists(path))
            break;
    }
    return {};
}

RuntimeError BackupFailure(const QString& path, const QString& message)
{
    return {ErrorNumber::Failure, QStringLiteral("Impossibile salvare la copia dei codici da sostituire nel file %1: "
                                                 "nessun codice è stato modificato. (%2)")
                                      .arg(path, message)};
}

// The code tables and their key columns, as the run's deletion names them.
const std::pair<QString, QString> kCodeTables[] = {{QStringLiteral("ABI"), QStringLiteral("AbiAbi")},
                                                   {QStringLiteral("ABICAB"), QStringLiteral("AbcAbi")}};

// The kind of value SQLite holds in a column of the rows copied, as a saved
// table names it: that of the first value that is not Null.
QStringList StoredTypes(BackupDatabase& db, const QString& table, qsizetype columns)
{
    static const QMap<QString, QString> names{{QStringLiteral("integer"), QStringLiteral("intero")},
                                              {QStringLiteral("real"), QStringLiteral("decimale")},
                                              {QStringLiteral("text"), QStringLiteral("testo")},
                                              {QStringLiteral("blob"), QStringLiteral("binario")}};
    QStringList types;
    for (qsizetype i = 0; i < columns; ++i) {
        BackupDatabase::Statement first(
            db, QStringLiteral("SELECT typeof(c%1) FROM %2 WHERE c%1 IS NOT NULL LIMIT 1").arg(i).arg(RowTable(table)));
        types << (first.next() ? names.value(first.text(0)) : QString());
    }
    return types;
}

// A row table of a backup file, with the destination's names of its columns.
struct CopiedTable {
    QString name;
    QStringList columns;
};

// The file a backup is written into, under a name no reader takes for a
// backup, named after this process so that two runs never write or remove
// each other's; removed unless it becomes a draft.
class DraftFile {
public:
    DraftFile(const QString& folder, const BackupRecord& record) : record_(record)
    {
        const QDir backups(folder);
        stem_ = backups.filePath(QStringLiteral("%1-%2").arg(
            FileNamePart(record.profile), record.started.toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"))));
        partial_ = stem_ + kBackupSuffix + kPartialMark + QString::number(::getpid());
        guard([&] {
            MakeFolder(folder);
            RemovePartialsOfEndedRuns(backups);
            if (QFile::exists(partial_) && !QFile::remove(partial_))
                throw RuntimeError(ErrorNumber::Failure, QStringLiteral("il file esiste già"));
        });
    }
    ~DraftFile()
    {
        if (!partial_.isEmpty())
            QFile::remove(partial_);
    }
    DraftFile(const DraftFile&) = delete;
    DraftFile& operator=(const DraftFile&) = delete;

    const QString& partial() const { return partial_; }

    // Runs `work`, any failure of it becoming the backup's.
    void guard(const std::function<void()>& work) const
    {
        try {
            work();
        } catch (const RuntimeError& error) {
            if (error.description().startsWith(QStringLiteral("Impossibile salvare")))
                throw;
            throw BackupFailure(stem_ + kBackupSuffix, error.description());
        }
    }

    // Adds the record and the names and kinds of the columns of the row
    // tables copied into the file, in one transaction.
    void writeRecord(const std::vector<CopiedTable>& tables) const
    {
        guard([&] {
            BackupDatabase db(partial_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                              [](const QString& message) { return RuntimeError(ErrorNumber::Failure, message); });
            // Never taken for a backup before it is synced whole and named: no
            // journal is needed.
            db.exec(RowFileSettings()
                    + QStringLiteral("BEGIN; CREATE TABLE esecuzione (chiave TEXT PRIMARY KEY, valore TEXT);"
                                     "CREATE TABLE colonne (tabella TEXT, posizione INTEGER, nome TEXT, tipo TEXT);"));
            BackupDatabase::Statement field(db, QStringLiteral("INSERT INTO esecuzione VALUES (?, ?)"));
            const QStringList values{record_.profile, record_.started.toString(Qt::ISODateWithMs),
                                     record_.destination, record_.sourceDigest, record_.outcome};
            for (qsizetype i = 0; i < kRecordKeys.size(); ++i) {
                field.bind(1, kRecordKeys.at(i));
                field.bind(2, values.at(i));
                field.run();
            }
            for (const CopiedTable& table : tables)
                WriteColumns(db, table.name, table.columns, StoredTypes(db, table.name, table.columns.size()));
            db.exec(QStringLiteral("COMMIT"));
        });
    }

    const QString& stem() const { return stem_; }

    // Syncs the file and hands it over: answers its name.
    QString done()
    {
        guard([&] {
            if (!SyncFile(partial_))
                throw RuntimeError(ErrorNumber::Failure, QStringLiteral("impossibile scrivere il file sul disco"));
        });
        return std::exchange(partial_, {});
    }

private:
    BackupRecord record_;
    QString stem_;
    QString partial_;
};

}  // namespace

qsizetype SavedTable::column(const QString& wanted) const
{
    for (qsizetype i = 0; i < columns.size(); ++i) {
        if (columns.at(i).compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

SavedCodes ReadCodesFromAThousand(Connection& destinazione)
{
    const auto& [abi, abicab] = kCodeTables;
    return {ReadTable(destinazione, abi.first, abi.second), ReadTable(destinazione, abicab.first, abicab.second)};
}

BackupDraft::BackupDraft(QString stem, QString partial, BackupRecord record)
    : stem_(std::move(stem)), partial_(std::move(partial)), record_(std::move(record))
{
}

BackupDraft::BackupDraft(BackupDraft&& other) noexcept
    : stem_(std::move(other.stem_)), partial_(std::exchange(other.partial_, {})), record_(std::move(other.record_))
{
}

BackupDraft& BackupDraft::operator=(BackupDraft&& other) noexcept
{
    if (this != &other) {
        if (!partial_.isEmpty())
            QFile::remove(partial_);
        stem_ = std::move(other.stem_);
        partial_ = std::exchange(other.partial_, {});
        record_ = std::move(other.record_);
    }
    return *this;
}

BackupDraft::~BackupDraft()
{
    if (!partial_.isEmpty())
        QFile::remove(partial_);
}

DeletionBackup BackupDraft::publish()
{
    const QString named = GiveFreeName(partial_, stem_);
    if (named.isEmpty())
        throw BackupFailure(stem_ + kBackupSuffix, QStringLiteral("impossibile dare al file il suo nome"));
    partial_.clear();
    DeletionBackup backup;
    backup.path_ = named;
    backup.record_ = record_;
    return backup;
}

BackupDraft DeletionBackup::draft(const QString& folder, const BackupRecord& record, const SavedCodes& codes)
{
    DraftFile file(folder, record);
    std::vector<CopiedTable> tables;
    file.guard([&] {
        for (const SavedTable* table : {&codes.abi, &codes.abicab}) {
            if (table->columns.isEmpty())
                continue;
            SqliteRowFile rows(file.partial(), RowTable(table->name), int(table->columns.size()));
            for (const std::vector<Variant>& row : table->rows)
                rows.append(row);
            rows.commit();
            tables.push_back({table->name, table->columns});
        }
    });
    file.writeRecord(tables);
    return BackupDraft(file.stem(), file.done(), record);
}

std::optional<BackupDraft> DeletionBackup::draftCopiedByEngine(const QString& folder, const BackupRecord& record,
                                                                Connection& destinazione)
{
    DraftFile file(folder, record);
    std::vector<CopiedTable> tables;
    file.guard([&] {
        // An empty file, which the engine may not create itself.
        if (QFile empty(file.partial()); !empty.open(QIODevice::WriteOnly))
            throw RuntimeError(ErrorNumber::Failure, empty.errorString());
        std::vector<DatabaseBackend::RowCopy> copies;
        for (const auto& [table, key] : kCodeTables)
            copies.push_back(RowsFromAThousand(table, key, RowTable(table)));
        const std::optional<std::vector<QStringList>> columns =
            destinazione.copyRowsToSqliteFile(file.partial(), copies);
        for (std::size_t i = 0; columns && i < columns->size(); ++i)
            tables.push_back({kCodeTables[i].first, columns->at(i)});
    });
    if (tables.size() != std::size(kCodeTables))
        return std::nullopt;
    file.writeRecord(tables);
    return BackupDraft(file.stem(), file.done(), record);
}

DeletionBackup DeletionBackup::write(const QString& folder, const BackupRecord& record, const SavedCodes& codes)
{
    return draft(folder, record, codes).publish();
}

DeletionBackup DeletionBackup::read(const QString& path)
{
    const auto failure = [&path](const QString& message) {
        return RuntimeError(
            ErrorNumber::Failure,
            QStringLiteral("Il file %1 non è una copia dei codici ABI/CAB leggibile. (%2)").arg(path, message));
    };
    if (!QFile::exists(path))
        throw failure(QStringLiteral("il file non esiste"));
    DeletionBackup backup;
    backup.path_ = path;
    try {
        BackupDatabase db(path, SQLITE_OPEN_READONLY, failure);
        backup.record_ = ReadRecord(db);
        backup.codes_ = {ReadSavedTable(db, QStringLiteral("ABI")), ReadSavedTable(db, QStringLiteral("ABICAB"))};
    } catch (const RuntimeError& error) {
        if (error.description().startsWith(QStringLiteral("Il file ")))
            throw;
        throw failure(error.description());
    }
    return backup;
}

QString DeletionBackup::latestCompleted(const QString& folder, const QString& profile)
{
    QString latest;
    QDateTime latestStart;
    for (const QString& name : QDir(folder).entryList({QLatin1Char('*') + kBackupSuffix}, QDir::Files)) {
        const QString path = QDir(folder).filePath(name);
        try {
            BackupDatabase db(path, SQLITE_OPEN_READONLY,
                              [](const QString& message) { return RuntimeError(ErrorNumber::Failure, message); });
            const BackupRecord record = ReadRecord(db);
            if (record.profile.compare(profile, Qt::CaseInsensitive) == 0 && record.outcome == kOutcomeCompleted
                && (latest.isEmpty() || record.started > latestStart)) {
                latest = path;
                latestStart = record.started;
            }
        } catch (const RuntimeError&) {
        }
    }
    return latest;
}

void DeletionBackup::setOutcome(const QString& outcome)
{
    BackupDatabase db(path_, SQLITE_OPEN_READWRITE, [this](const QString& message) {
        return RuntimeError(ErrorNumber::Failure,
                            QStringLiteral("Impossibile annotare l'esito nella copia %1. (%2)").arg(path_, message));
    });
    BackupDatabase::Statement update(db, QStringLiteral("UPDATE esecuzione SET valore = ? WHERE chiave = 'esito'"));
    update.bind(1, outcome);
    update.run();
    record_.outcome = outcome;
}
