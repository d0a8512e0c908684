// The backup a run takes of the rows it deletes, the summary of what it
// changes, and the undo, on SQLite, on PostgreSQL and on MariaDB through
// ODBC (servers of the test's own), and on Jet 4 and Jet 3 procedure
// databases written in place; each destination holds a BIC code the update
// does not write.
#include "layouts/abicab_layout.h"
#include "layouts/procedure_schema.h"
#include "servers/mariadb_server.h"
#include "servers/postgresql_server.h"
#include "support/error_capture.h"
#include "support/no_progress.h"
#include "support/procedure_databases.h"
#include "support/qt_printers.h"
#include "support/scripted_ui_services.h"
#include "support/sqlite_file.h"
#include "update/code_restore.h"
#include "update/run_record.h"
#include "update/state_folder.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <QCryptographicHash>
#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <set>

namespace {

const SourceRows kBanksBefore{{300, "Banca Locale", 1, "LOCAITM1"},
                              {1000, "Vecchia Mille", 3, "VECCITMM"},
                              {1002, "Banca dell'Adige", 2, "ADIGITMM"},
                              {5000, "Vecchia Cinquemila", 4, Variant()}};
const SourceRows kBranchesBefore{
    AbicabRow(300, 100, "Banca Locale", "Sede", Variant(), "10100", "Torino", "Torino", "TO", 1, 5),
    AbicabRow(1000, 200, "Vecchia Mille", "Sede", Variant(), "20100", "Milano", "Milano", "MI", 3, 6),
    AbicabRow(5000, 300, "Vecchia Cinquemila", "Agenzia 1", "Via Roma 1", "00100", "Roma", "Roma", "RM", 4, 7)};

// The source changes a bank's name and a branch's, keeps a bank as it is,
// adds a bank and a branch and leaves out the ABI 5000.
std::vector<JetTable> Source()
{
    return {
        AbiTable({AbiRow(1000, "Nuova Mille", 3), AbiRow(1002, "Banca dell'Adige", 2), AbiRow(1001, "Aggiunta", 5)}),
        AbicabTable(
            {AbicabRow(1000, 200, "Nuova Mille", "Sede centrale", Variant(), "20100", "Milano", "Milano", "MI", 3, 6.0),
             AbicabRow(1001, 10, "Aggiunta", "Sede", "Via Po 2", "10121", "Torino", "Torino", "TO", 5, 1.0)})};
}

// A procedure database on one engine with the rows above.
class Destination {
public:
    virtual ~Destination() = default;
    virtual QString connectionString() const = 0;
};

QString SqlRow(const std::vector<Variant>& row)
{
    QStringList values;
    for (const Variant& v : row)
        values << RestoredLiteral(v, {});
    return values.join(QStringLiteral(", "));
}

// The schema, then the rows in scripts short enough for a command line.
QStringList SchemaWithRows(const SourceRows& banks, const SourceRows& branches)
{
    QStringList scripts{QLatin1String(kCodeTablesSchema)};
    const auto add = [&scripts](const QString& table, const SourceRows& rows) {
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (i % 200 == 0)
                scripts << QString();
            scripts.last() += QStringLiteral("INSERT INTO %1 VALUES (%2);").arg(table, SqlRow(rows[i]));
        }
    };
    add(QStringLiteral("ABI"), banks);
    add(QStringLiteral("ABICAB"), branches);
    return scripts;
}

class SqliteDestination : public Destination {
public:
    SqliteDestination(const SourceRows& banks, const SourceRows& branches)
    {
        file_.exec(QStringLiteral("BEGIN;") + SchemaWithRows(banks, branches).join(QString())
                   + QStringLiteral("COMMIT;"));
    }
    QString connectionString() const override { return FileConnectionString(file_.path()); }

private:
    QTemporaryDir dir_;
    SqliteFile file_{dir_.filePath(QStringLiteral("ARCPROC.db"))};
};

class PostgresqlDestination : public Destination {
public:
    PostgresqlDestination(const SourceRows& banks, const SourceRows& branches)
    {
        server_.createDatabase(QStringLiteral("arcproc"));
        for (const QString& script : SchemaWithRows(banks, branches))
            server_.exec(QStringLiteral("arcproc"), script);
    }
    QString connectionString() const override
    {
        return QStringLiteral(
                   "Provider=PostgreSQL;Data Source=%1;Port=%2;Initial Catalog=arcproc;User ID=%3;Password=%4;")
            .arg(server_.socketFolder(), server_.port(), server_.superuser(), server_.password());
    }

private:
    PostgresqlServer server_;
};

// MariaDB through its ODBC driver, as a Windows-born installation reaches it.
class OdbcMariadbDestination : public Destination {
public:
    OdbcMariadbDestination(const SourceRows& banks, const SourceRows& branches)
    {
        for (const QString& script : SchemaWithRows(banks, branches))
            server_.exec(script);
    }
    QString connectionString() const override
    {
        return QStringLiteral("Driver={MariaDB Unicode};Socket=%1;Database=%2;UID=%3;PWD=%4;CHARSET=utf8mb4;")
            .arg(server_.socketPath(), server_.database(), server_.user(), server_.password());
    }

private:
    MariadbServer server_;
};

// The Jet tables of a procedure database, ABI with a BIC column of its own.
class JetDestination : public Destination {
public:
    JetDestination(const SourceRows& banks, const SourceRows& branches, JetVersion version)
    {
        JetTableDefinition abi = ProcedureAbiDefinition();
        abi.columns.push_back({QStringLiteral("AbiBic"), JetColumnType::Text, 11});
        JetDatabaseWriter writer(QDateTime::currentDateTime(), QString(), version);
        writer.addTable(ReleaseDefinition());
        writer.appendRow(0, {12, 0, "base"});
        writer.addTable(abi);
        writer.addTable(ProcedureAbicabDefinition());
        writer.save(path_);
        QStringList statements;
        for (const auto& row : banks)
            statements << InsertStatement(abi, row);
        for (const auto& row : branches)
            statements << InsertStatement(ProcedureAbicabDefinition(), row);
        RunJetStatements(path_, statements);
    }
    QString connectionString() const override { return FileConnectionString(path_); }

private:
    QTemporaryDir dir_;
    QString path_ = dir_.filePath(QStringLiteral("ARCPROC.mdb"));
};

std::unique_ptr<Destination> MakeDestination(const std::string& engine, const SourceRows& banks,
                                             const SourceRows& branches)
{
    if (engine == "SQLite")
        return std::make_unique<SqliteDestination>(banks, branches);
    if (engine == "PostgreSQL")
        return std::make_unique<PostgresqlDestination>(banks, branches);
    if (engine == "OdbcMariaDB")
        return std::make_unique<OdbcMariadbDestination>(banks, branches);
    return std::make_unique<JetDestination>(banks, branches, engine == "Jet3" ? JetVersion::Jet3 : JetVersion::Jet4);
}

// Every row of both tables, read through the layer, sorted by their text.
using Dump = std::map<QString, std::vector<Variant>>;  // key "ABI|abi|cab" -> row

QString Text(const Variant& v)
{
    if (v.type() == Variant::Type::Double)
        return QString::number(v.real(), 'g', 17);
    return v.isNull() ? QStringLiteral("Null") : DefaultText(v);
}

struct Dumps {
    Dump rows;
    QStringList columnsAbi;
    QStringList columnsCab;
};

Dumps DumpOf(const Destination& destination)
{
    Connection connection;
    connection.open(destination.connectionString());
    Dumps dumps;
    for (const QString& table : {QStringLiteral("ABI"), QStringLiteral("ABICAB")}) {
        Recordset rs;
        rs.open(QStringLiteral("SELECT * FROM ") + table, connection);
        const bool branches = table == QLatin1String("ABICAB");
        (branches ? dumps.columnsCab : dumps.columnsAbi) = rs.allRows().columns;
        for (const auto& row : rs.allRows().rows)
            dumps.rows[table + QLatin1Char('|') + Text(row[0]) + QLatin1Char('|')
                       + (branches ? Text(row[1]) : QString())] = row;
    }
    return dumps;
}

// A dump as text, numbers by value, for comparing whole dumps.
QStringList Lines(const Dump& dump)
{
    QStringList lines;
    for (const auto& [key, row] : dump) {
        QStringList values;
        for (const Variant& v : row)
            values << (v.type() == Variant::Type::Integer ? QString::number(double(v.integer()), 'g', 17) : Text(v));
        lines << values.join(QLatin1Char('|'));
    }
    return lines;
}

class RunHistory : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        programState_ = qgetenv("XDG_STATE_HOME");
        qputenv("XDG_STATE_HOME", state_.path().toLocal8Bit());
        destination = MakeDestination(GetParam(), kBanksBefore, kBranchesBefore);
        sourcePath = WriteSourceDatabase(sourceDir_.path(), Source());
    }

    // The transfer with the record of a run, or with a companion that stands
    // for it; a failure is kept with its line.
    std::optional<RuntimeError> run(RunRecord& record, TransferCompanion* companion = nullptr)
    {
        auto origine = std::make_unique<Connection>();
        origine->open(FileConnectionString(sourcePath));
        auto destinazione = std::make_unique<Connection>();
        destinazione->open(destination->connectionString());
        destinazione->setTrace([this](const QString& sql) { destinationSql.append(sql); });
        record.setConnections(FileConnectionString(sourcePath), destination->connectionString());
        ScriptedUiServices ui;
        NoProgress progress;
        const RuntimeError error = ErrorOf([&] {
            EXPECT_EQ(TrasferisciCodici(ui, origine, destinazione, progress, linea, companion ? companion : &record),
                      TransferOutcome::Completed);
        });
        if (error.number() != 0)
            return error;
        return std::nullopt;
    }

    void TearDown() override { qputenv("XDG_STATE_HOME", programState_); }

    // How often the banks were read from the destination, whole or from 1000 up.
    qsizetype readsOfTheBanks() const
    {
        static const QRegularExpression read(QStringLiteral("^SELECT \\* FROM ABI( WHERE .*)?$"));
        return std::count_if(destinationSql.begin(), destinationSql.end(),
                             [](const QString& sql) { return read.match(sql).hasMatch(); });
    }

    QByteArray programState_;
    QTemporaryDir state_;
    QTemporaryDir sourceDir_;
    std::unique_ptr<Destination> destination;
    QString sourcePath;
    int linea = 0;
    QStringList destinationSql;
};

// What changed between two dumps in the columns the update writes, in the
// summary's own terms: "table|kind|abi|cab|column|before|after".
std::set<QString> Difference(const Dumps& before, const Dumps& after)
{
    static const QStringList written{
        QStringLiteral("AbiBanc"),     QStringLiteral("AbiAbichk"), QStringLiteral("AbcBanc"),
        QStringLiteral("AbcFiliale"),  QStringLiteral("AbcIndir"),  QStringLiteral("AbcCap"),
        QStringLiteral("AbcLocalita"), QStringLiteral("AbcComune"), QStringLiteral("AbcProv"),
        QStringLiteral("AbcAbichk"),   QStringLiteral("AbcCabchk")};
    std::set<QString> changes;
    const auto code = [](const QString& key) { return key.section(QLatin1Char('|'), 0, 2); };
    for (const auto& [key, row] : after.rows) {
        if (!before.rows.contains(key)) {
            changes.insert(code(key) + QStringLiteral("|aggiunto|||"));
            continue;
        }
        const QStringList& columns = key.startsWith(QLatin1String("ABICAB")) ? after.columnsCab : after.columnsAbi;
        const auto& old = before.rows.at(key);
        for (qsizetype i = 0; i < columns.size(); ++i) {
            const bool isWritten = written.contains(columns.at(i), Qt::CaseInsensitive);
            if (isWritten && Text(old[std::size_t(i)]) != Text(row[std::size_t(i)]))
                changes.insert(
                    code(key)
                    + QStringLiteral("|modificato|%1|%2|%3")
                          .arg(columns.at(i).toLower(), Text(old[std::size_t(i)]), Text(row[std::size_t(i)])));
        }
    }
    for (const auto& [key, row] : before.rows) {
        if (!after.rows.contains(key) && key.section(QLatin1Char('|'), 1, 1).toInt() >= 1000)
            changes.insert(code(key) + QStringLiteral("|rimosso|||"));
    }
    return changes;
}

std::set<QString> Listed(const RunSummary& summary)
{
    static const QStringList kinds{QStringLiteral("aggiunto"), QStringLiteral("rimosso"), QStringLiteral("modificato")};
    std::set<QString> changes;
    for (const CodeChange& c : summary.changes) {
        const auto number = [](const Variant& v) {
            return v.type() == Variant::Type::Double && v.real() == double(qint64(v.real())) ? Variant(qint64(v.real()))
                                                                                             : v;
        };
        changes.insert(QStringList{c.table, Text(c.abi), c.table == QLatin1String("ABI") ? QString() : Text(c.cab),
                                   kinds.at(int(c.kind)), c.column.toLower(),
                                   c.column.isEmpty() ? QString() : Text(number(c.before)),
                                   c.column.isEmpty() ? QString() : Text(number(c.after))}
                           .join(QLatin1Char('|')));
    }
    return changes;
}

TEST_P(RunHistory, TheSummaryIsTheRunsDifferenceAndTheUndoGivesBackTheTablesOfBefore)
{
    const Dumps before = DumpOf(*destination);
    RunRecord record(QStringLiteral("Corvanta"));
    const std::optional<RuntimeError> failure = run(record);
    ASSERT_FALSE(failure) << failure->description().toStdString();
    record.finish(kOutcomeCompleted);
    const Dumps after = DumpOf(*destination);

    ASSERT_TRUE(record.summary());
    EXPECT_EQ(Listed(*record.summary()), Difference(before, after));
    EXPECT_EQ(record.summary()->abi.added, 1);
    EXPECT_EQ(record.summary()->abi.removed, 1);
    EXPECT_EQ(record.summary()->abi.changed, 1);

    // The backup is found as the profile's latest completed one and holds
    // every deleted row with its BIC code, and the source's digest.
    const QString latest = DeletionBackup::latestCompleted(BackupFolder(), QStringLiteral("Corvanta"));
    ASSERT_EQ(latest, record.backup()->path());
    const DeletionBackup backup = DeletionBackup::read(latest);
    EXPECT_EQ(backup.record().outcome, kOutcomeCompleted);
    QFile source(sourcePath);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    EXPECT_EQ(backup.record().sourceDigest,
              QString::fromLatin1(QCryptographicHash::hash(source.readAll(), QCryptographicHash::Sha256).toHex()));
    EXPECT_EQ(backup.codes().abi.rows.size(), 3U);
    EXPECT_EQ(backup.codes().abicab.rows.size(), 2U);
    EXPECT_EQ(backup.codes().abi.types.at(backup.codes().abi.column(QStringLiteral("AbiBic"))),
              QStringLiteral("testo"));

    Connection connection;
    connection.open(destination->connectionString());
    int step = 0;
    RestoreCodes(connection, backup.codes(), step);
    connection.close();
    EXPECT_EQ(Lines(DumpOf(*destination).rows), Lines(before.rows));
}

// The run's record, and what stands between its reading the destination
// alongside the source and its deletion: whether the backup was written
// meanwhile, and, when asked, another program adding a bank.
class AlongsideTheSource : public TransferCompanion {
public:
    AlongsideTheSource(RunRecord& record, const Destination* writer) : record_(record), writer_(writer) {}
    void whileSourceIsRead(Connection& destinazione) override { record_.whileSourceIsRead(destinazione); }
    void destinationBack() override
    {
        record_.destinationBack();
        if (handedBack_)
            return;
        handedBack_ = true;
        drafted_ = !QDir(BackupFolder()).entryList({QStringLiteral("*.parziale-*")}, QDir::Files).isEmpty();
        if (!writer_)
            return;
        Connection other;
        other.open(writer_->connectionString());
        Command insert;
        insert.setActiveConnection(other);
        insert.setCommandText(QStringLiteral(
            "INSERT INTO ABI (AbiAbi, AbiBanc, AbiAbichk) VALUES (7000, 'Scritta da un altro programma', 9)"));
        insert.execute();
    }
    void beforeDeletion(Recordset& abi, Recordset& cab, Connection& destinazione) override
    {
        record_.beforeDeletion(abi, cab, destinazione);
    }
    bool drafted() const { return drafted_; }

private:
    RunRecord& record_;
    const Destination* writer_;
    bool handedBack_ = false;
    bool drafted_ = false;
};

// Where the engine can tell a later change, the backup is read and written
// while the source is read; a destination another program changes meanwhile
// is read again before the deletion, so that the backup holds what the
// deletion removed and the undo gives it back.
TEST_P(RunHistory, TheBackupWrittenAlongsideTheSourceHoldsWhatTheDeletionRemoved)
{
    const bool tellsChanges = GetParam() == "SQLite" || GetParam().starts_with("Jet");
    // A Jet file tells a later write from its own only once it has rested.
    const auto rest = [&] {
        if (GetParam().starts_with("Jet"))
            QThread::msleep(2100);
    };
    rest();
    RunRecord unchanged(QStringLiteral("Corvanta"));
    AlongsideTheSource alone(unchanged, nullptr);
    ASSERT_FALSE(run(unchanged, &alone));
    EXPECT_EQ(alone.drafted(), tellsChanges);
    EXPECT_EQ(readsOfTheBanks(), 1);
    EXPECT_EQ(DeletionBackup::read(unchanged.backup()->path()).codes().abi.rows.size(), 3U);

    rest();
    const Dumps before = DumpOf(*destination);
    destinationSql.clear();
    RunRecord record(QStringLiteral("Corvanta"));
    AlongsideTheSource other(record, destination.get());
    const std::optional<RuntimeError> failure = run(record, &other);
    ASSERT_FALSE(failure) << failure->description().toStdString();
    EXPECT_EQ(other.drafted(), tellsChanges);
    EXPECT_EQ(readsOfTheBanks(), tellsChanges ? 2 : 1);
    const DeletionBackup backup = DeletionBackup::read(record.backup()->path());
    // The three banks the first run wrote, and the other program's.
    ASSERT_EQ(backup.codes().abi.rows.size(), 4U);
    // Only the runs' backups are left, nothing written alongside.
    EXPECT_EQ(QDir(BackupFolder()).entryList(QDir::Files).size(), 2);

    Connection connection;
    connection.open(destination->connectionString());
    int step = 0;
    RestoreCodes(connection, backup.codes(), step);
    connection.close();
    const Dumps restored = DumpOf(*destination);
    EXPECT_TRUE(restored.rows.contains(QStringLiteral("ABI|7000|")));
    EXPECT_EQ(restored.rows.size(), before.rows.size() + 1);
}

TEST_P(RunHistory, ABackupThatCannotBeWrittenStopsTheRunWithNothingChanged)
{
    // Branches enough for a backup larger than the file size allowed below.
    SourceRows branches = kBranchesBefore;
    for (const auto& row : ManyAbicabRows(3000))
        branches.push_back(row);
    destination = MakeDestination(GetParam(), kBanksBefore, branches);
    const Dumps before = DumpOf(*destination);

    // A full disk: no file may grow beyond 64 KiB while the run lasts.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, SIG_IGN);
    rlimit limited = old;
    limited.rlim_cur = 64 * 1024;
    setrlimit(RLIMIT_FSIZE, &limited);
    RunRecord full(QStringLiteral("Corvanta"));
    const std::optional<RuntimeError> fullFailure = run(full);
    setrlimit(RLIMIT_FSIZE, &old);

    // No backup was left behind; then a file stands where the state folder should.
    EXPECT_TRUE(QDir(state_.filePath(QStringLiteral("corvanta-abicab/backup"))).isEmpty());
    ASSERT_TRUE(QDir(state_.filePath(QStringLiteral("corvanta-abicab"))).removeRecursively());
    ASSERT_TRUE(QFile(state_.filePath(QStringLiteral("corvanta-abicab"))).open(QIODevice::WriteOnly));
    RunRecord blocked(QStringLiteral("Corvanta"));
    const std::optional<RuntimeError> blockedFailure = run(blocked);

    for (const auto& failure : {fullFailure, blockedFailure}) {
        ASSERT_TRUE(failure) << "no failure";
        EXPECT_TRUE(failure->description().startsWith(QStringLiteral("Impossibile salvare la copia dei codici")))
            << failure->description().toStdString();
    }
    EXPECT_EQ(linea, 805);
    EXPECT_EQ(Lines(DumpOf(*destination).rows), Lines(before.rows));
}

TEST_P(RunHistory, KeepingBankDetailsKeepsTheBicOfEveryBankStillPresentAndChangesNothingElse)
{
    const Dumps before = DumpOf(*destination);
    RunRecord plain(QStringLiteral("Corvanta"));
    ASSERT_FALSE(run(plain));
    const Dumps plainAfter = DumpOf(*destination);
    Connection connection;
    connection.open(destination->connectionString());
    int step = 0;
    RestoreCodes(connection, DeletionBackup::read(plain.backup()->path()).codes(), step);
    connection.close();

    KeepBankDetailsInRuns(true);
    RunRecord keeping(QStringLiteral("Corvanta"));
    const std::optional<RuntimeError> failure = run(keeping);
    KeepBankDetailsInRuns(false);
    ASSERT_FALSE(failure) << failure->description().toStdString();
    const Dumps kept = DumpOf(*destination);

    const qsizetype bic = kept.columnsAbi.indexOf(
        QRegularExpression(QStringLiteral("^abibic$"), QRegularExpression::CaseInsensitiveOption));
    ASSERT_GE(bic, 0);
    ASSERT_EQ(Lines(kept.rows).size(), Lines(plainAfter.rows).size());
    int bicsKept = 0;
    for (const auto& [key, row] : kept.rows) {
        ASSERT_TRUE(plainAfter.rows.contains(key)) << key.toStdString();
        std::vector<Variant> expected = plainAfter.rows.at(key);
        if (key.startsWith(QLatin1String("ABI|")) && before.rows.contains(key)) {
            expected[std::size_t(bic)] = before.rows.at(key)[std::size_t(bic)];
            bicsKept += expected[std::size_t(bic)].isNull() ? 0 : 1;
        }
        EXPECT_EQ(Lines({{key, row}}), Lines({{key, expected}})) << key.toStdString();
    }
    EXPECT_EQ(bicsKept, 3);  // 300, left alone, and 1000 and 1002, still in the source
}

TEST(RunHistoryLines, ADestinationWithoutABICABStillFailsAtTheDeletionsLine)
{
    QTemporaryDir dir;
    const SqliteFile destination(dir.filePath(QStringLiteral("ARCPROC.db")));
    destination.exec(SchemaWithRows(kBanksBefore, kBranchesBefore).join(QString())
                     + QStringLiteral("DROP TABLE ABICAB;"));
    auto origine = std::make_unique<Connection>();
    origine->open(FileConnectionString(WriteSourceDatabase(dir.path(), Source())));
    auto destinazione = std::make_unique<Connection>();
    destinazione->open(FileConnectionString(destination.path()));
    ScriptedUiServices ui;
    NoProgress progress;
    RunRecord record(QStringLiteral("Corvanta"));
    int linea = 0;
    const RuntimeError error = ErrorOf([&] { TrasferisciCodici(ui, origine, destinazione, progress, linea, &record); });
    EXPECT_EQ(error.number(), ErrorNumber::NoSuchTable);
    EXPECT_EQ(linea, 840);
}

TEST(RunHistoryLines, AnUndoRefusesAColumnNameNoStatementCanCarryBeforeChangingAnything)
{
    QTemporaryDir dir;
    const SqliteFile destination(dir.filePath(QStringLiteral("ARCPROC.db")));
    destination.exec(SchemaWithRows(kBanksBefore, kBranchesBefore).join(QString()));
    const QStringList before = destination.rows(QStringLiteral("SELECT * FROM ABI ORDER BY 1"));
    Connection connection;
    connection.open(FileConnectionString(destination.path()));
    SavedCodes hostile;
    hostile.abi = {QStringLiteral("ABI"),
                   {QStringLiteral("AbiAbi"), QStringLiteral("AbiBic) VALUES (1); DROP TABLE ABI; --")},
                   {},
                   {{Variant(1000), Variant("X")}}};
    hostile.abicab = {QStringLiteral("ABICAB"), {QStringLiteral("AbcAbi")}, {}, {}};
    int linea = 0;
    const RuntimeError error = ErrorOf([&] { RestoreCodes(connection, hostile, linea); });
    EXPECT_EQ(error.number(), ErrorNumber::InvalidArgument);
    connection.close();
    EXPECT_EQ(destination.rows(QStringLiteral("SELECT * FROM ABI ORDER BY 1")), before);
}

INSTANTIATE_TEST_SUITE_P(Engines, RunHistory, ::testing::Values("SQLite", "PostgreSQL", "OdbcMariaDB", "Jet", "Jet3"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
