#include "update/code_transfer.h"
#include "layouts/procedure_schema.h"
#include "platform/runtime/runtime_error.h"
#include "support/qt_printers.h"
#include "support/scripted_ui_services.h"
#include "support/sqlite_file.h"

#include <gtest/gtest.h>
#include <QLocale>
#include <QTemporaryDir>

namespace {

const QString kAbiInsert = QStringLiteral("INSERT INTO ABI (AbiAbi, AbiBanc, AbiAbichk) VALUES ");
const QString kCabInsert = QStringLiteral(
    "INSERT INTO ABICAB (AbcAbi, AbcCab, AbcBanc, AbcFiliale, AbcIndir, AbcCap, AbcLocalita, AbcComune, AbcProv, "
    "AbcAbichk, AbcCabchk) VALUES ");

// Writes down what the run's own steps are told, with the line the transfer
// had reached when it told them.
class RecordingProgress : public TransferProgress {
public:
    explicit RecordingProgress(const int& linea) : linea_(linea) {}

    void deletionStarting() override { log.append(QStringLiteral("deletion at %1").arg(linea_)); }
    void tableStarting(CodeTable table, std::int32_t rowCount) override
    {
        log.append(QStringLiteral("%1 start %2 rows").arg(name(table)).arg(rowCount));
    }
    void rowInserted(CodeTable table) override
    {
        log.append(QStringLiteral("%1 row at %2").arg(name(table)).arg(linea_));
    }
    void tableFinished(CodeTable table) override { log.append(QStringLiteral("%1 end").arg(name(table))); }
    void rowFailed(CodeTable table, std::int32_t rowsBefore) override
    {
        log.append(QStringLiteral("%1 failed after %2 rows").arg(name(table)).arg(rowsBefore));
    }

    QStringList log;

private:
    static QString name(CodeTable table)
    {
        return table == CodeTable::Abi ? QStringLiteral("abi") : QStringLiteral("cab");
    }
    const int& linea_;
};

// A source and a destination SQLite database, opened through the layer as
// the update opens them, with every statement each one receives recorded.
struct TransferScene {
    TransferScene()
    {
        source.exec(QStringLiteral(
            "CREATE TABLE abi (AbiAbi INTEGER, AbiBanc TEXT, AbiAbichk INTEGER);"
            "CREATE TABLE abicab (AbcAbi INTEGER, AbcCab INTEGER, AbcBanc TEXT, AbcFiliale TEXT, AbcIndir TEXT,"
            " AbcCap TEXT, AbcLocalita TEXT, AbcComune TEXT, AbcProv TEXT, AbcAbichk INTEGER, AbcCabchk REAL);"));
        destination.exec(QLatin1String(kCodeTablesSchema)
                         + QStringLiteral("INSERT INTO ABI VALUES (300, 'Banca Locale', 1, 'LOCAITM1');"
                                          "INSERT INTO ABI VALUES (999, 'Ultima Locale', 2, NULL);"
                                          "INSERT INTO ABI VALUES (1000, 'Vecchia Mille', 3, 'VECCITMM');"
                                          "INSERT INTO ABI VALUES (5000, 'Vecchia Cinquemila', 4, NULL);"
                                          "INSERT INTO ABICAB VALUES (300, 100, 'Banca Locale', 'Sede', NULL, '10100', "
                                          "'Torino', 'Torino', 'TO', 1, 5);"
                                          "INSERT INTO ABICAB VALUES (1000, 200, 'Vecchia Mille', 'Sede', NULL, "
                                          "'20100', 'Milano', 'Milano', 'MI', 3, 6);"));
    }

    void addBank(const char* values)
    {
        source.exec(QStringLiteral("INSERT INTO abi VALUES (%1)").arg(QString::fromUtf8(values)));
    }
    void addBranch(const char* values)
    {
        source.exec(QStringLiteral("INSERT INTO abicab VALUES (%1)").arg(QString::fromUtf8(values)));
    }

    std::unique_ptr<Connection> open(const SqliteFile& db, QStringList& trace)
    {
        auto connection = std::make_unique<Connection>();
        connection->setTrace([&trace](const QString& sql) { trace.append(sql); });
        connection->open(FileConnectionString(db.path()));
        return connection;
    }

    // Runs the transfer; a failure is kept in `failure` with its line.
    TransferOutcome run()
    {
        origine = open(source, sourceTrace);
        destinazione = open(destination, destinationTrace);
        try {
            return TrasferisciCodici(ui, origine, destinazione, progress, linea);
        } catch (const RuntimeError& error) {
            failure = error;
            failedAt = linea;
            return TransferOutcome::Completed;
        }
    }

    // Every row of every table the destination holds.
    QStringList destinationState() const
    {
        QStringList state;
        for (const QString& table :
             destination.rows(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name")))
            state += destination.rows(QStringLiteral("SELECT '%1', * FROM %1 ORDER BY 2, 3").arg(table));
        return state;
    }

    QTemporaryDir dir;
    SqliteFile source{dir.filePath(QStringLiteral("Abicab.mdb"))};
    SqliteFile destination{dir.filePath(QStringLiteral("ARCPROC.mdb"))};
    ScriptedUiServices ui;
    int linea = 0;
    RecordingProgress progress{linea};
    std::unique_ptr<Connection> origine;
    std::unique_ptr<Connection> destinazione;
    QStringList sourceTrace;
    QStringList destinationTrace;
    std::optional<RuntimeError> failure;
    int failedAt = 0;
};

class CodeTransfer : public ::testing::Test, public TransferScene {};

TEST_F(CodeTransfer, SendsOneStatementPerRowExactlyAsComposed)
{
    addBank("1005, 'Banca d''Esempio', 3");
    addBank("500, 'L''Esempio d''Italia', 7");
    addBank("2001, '', 0");
    addBank("2002, NULL, -1");
    addBranch("1005, 1600, 'Banca d''Esempio', 'Sede', NULL, '00100', 'Roma', 'Roma', 'RM', 3, 7");
    addBranch("2001, 3200, 'Банк', 'Filiale \"Centro\"', 'Via C\\D, 1', '', 'Forlì', 'Forlì', 'FC', 0, 2.5");

    ASSERT_EQ(run(), TransferOutcome::Completed);
    ASSERT_FALSE(failure) << failure->description().toStdString();
    EXPECT_EQ(sourceTrace, (QStringList{QStringLiteral("SELECT * FROM abi"), QStringLiteral("SELECT * FROM abicab")}));
    EXPECT_EQ(
        destinationTrace,
        (QStringList{
            QStringLiteral("DELETE FROM abi WHERE abiabi >=1000"),
            QStringLiteral("DELETE FROM abicab WHERE abcabi >=1000"),
            kAbiInsert + QStringLiteral("(1005, 'Banca d''Esempio', 3)"),
            kAbiInsert + QStringLiteral("(500, 'L''Esempio d''Italia', 7)"),
            kAbiInsert + QStringLiteral("(2001, Null, 0)"),
            kAbiInsert + QStringLiteral("(2002, Null, -1)"),
            kCabInsert
                + QStringLiteral("(1005, 1600, 'Banca d''Esempio', 'Sede', Null, '00100', 'Roma', 'Roma', 'RM', 3, 7)"),
            kCabInsert
                + QStringLiteral(
                    "(2001, 3200, 'Банк', 'Filiale \"Centro\"', 'Via C\\D, 1', Null, 'Forlì', 'Forlì', 'FC', 0, 2.5)"),
        }));
    EXPECT_TRUE(ui.calls().isEmpty()) << ui.calls().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(origine && origine->isOpen());
    EXPECT_TRUE(destinazione && destinazione->isOpen());
}

TEST_F(CodeTransfer, KeepsCodesBelowAThousandAndReplacesTheRest)
{
    addBank("500, 'Nuova Cinquecento', 5");
    addBank("1000, 'Nuova Mille', 9");
    addBranch("1000, 300, 'Nuova Mille', 'Agenzia 1', 'Via Roma 1', '40100', 'Bologna', 'Bologna', 'BO', 9, 4");

    ASSERT_EQ(run(), TransferOutcome::Completed);
    ASSERT_FALSE(failure) << failure->description().toStdString();
    EXPECT_EQ(destinationState(),
              (QStringList{
                  QStringLiteral("ABI|300|Banca Locale|1|LOCAITM1"),
                  QStringLiteral("ABI|500|Nuova Cinquecento|5|NULL"),
                  QStringLiteral("ABI|999|Ultima Locale|2|NULL"),
                  QStringLiteral("ABI|1000|Nuova Mille|9|NULL"),
                  QStringLiteral("ABICAB|300|100|Banca Locale|Sede|NULL|10100|Torino|Torino|TO|1|5"),
                  QStringLiteral("ABICAB|1000|300|Nuova Mille|Agenzia 1|Via Roma 1|40100|Bologna|Bologna|BO|9|4"),
              }));
}

TEST_F(CodeTransfer, ReportsEveryRowAfterItsInsert)
{
    for (int i = 0; i < 3; ++i)
        addBank(QStringLiteral("%1, 'Banca %1', 1").arg(1001 + i).toUtf8().constData());
    addBranch("1001, 10, 'Banca', 'Sede', NULL, '00100', 'Roma', 'Roma', 'RM', 1, 1");
    addBranch("1002, 20, 'Banca', 'Sede', NULL, '00100', 'Roma', 'Roma', 'RM', 1, 1");

    ASSERT_EQ(run(), TransferOutcome::Completed);
    EXPECT_EQ(progress.log,
              (QStringList{
                  QStringLiteral("deletion at 750"),
                  QStringLiteral("abi start 3 rows"),
                  QStringLiteral("abi row at 970"),
                  QStringLiteral("abi row at 970"),
                  QStringLiteral("abi row at 970"),
                  QStringLiteral("abi end"),
                  QStringLiteral("cab start 2 rows"),
                  QStringLiteral("cab row at 1200"),
                  QStringLiteral("cab row at 1200"),
                  QStringLiteral("cab end"),
              }));
}

TEST_F(CodeTransfer, StopsBeforeDeletingWhenTheSourceHasNoBanks)
{
    addBranch("1005, 1600, 'Banca', 'Sede', NULL, '00100', 'Roma', 'Roma', 'RM', 3, 7");
    const QStringList before = destinationState();

    EXPECT_EQ(run(), TransferOutcome::NoAbiCodes);
    EXPECT_FALSE(failure);
    EXPECT_EQ(sourceTrace, QStringList{QStringLiteral("SELECT * FROM abi")});  // abicab is not even opened
    EXPECT_TRUE(destinationTrace.isEmpty());
    EXPECT_EQ(destinationState(), before);
    EXPECT_EQ(ui.calls(),
              QStringList{QStringLiteral(
                  "MsgBox(16, Messaggio di Corvanta NET): Nessun codice ABI rilevato dal database di origine.")});
    EXPECT_FALSE(origine);
    EXPECT_FALSE(destinazione);
    EXPECT_TRUE(progress.log.isEmpty());
}

TEST_F(CodeTransfer, StopsBeforeDeletingWhenTheSourceHasNoBranches)
{
    addBank("1005, 'Banca', 3");
    const QStringList before = destinationState();

    EXPECT_EQ(run(), TransferOutcome::NoCabCodes);
    EXPECT_FALSE(failure);
    EXPECT_EQ(sourceTrace, (QStringList{QStringLiteral("SELECT * FROM abi"), QStringLiteral("SELECT * FROM abicab")}));
    EXPECT_TRUE(destinationTrace.isEmpty());
    EXPECT_EQ(destinationState(), before);
    EXPECT_EQ(ui.calls(),
              QStringList{QStringLiteral(
                  "MsgBox(16, Messaggio di Corvanta NET): Nessun codice CAB rilevato dal database di origine.")});
    EXPECT_FALSE(origine);
    EXPECT_FALSE(destinazione);
}

TEST_F(CodeTransfer, LeavesTheDestinationUnchangedWhenTheFirstBankIsRefused)
{
    addBank("300, 'Già presente sotto i mille', 1");  // clashes with a kept code
    addBank("1001, 'Banca', 1");
    addBranch("1001, 10, 'Banca', 'Sede', NULL, '00100', 'Roma', 'Roma', 'RM', 1, 1");
    const QStringList before = destinationState();

    run();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failedAt, 970);
    EXPECT_EQ(failure->number(), ErrorNumber::IntegrityViolation);
    EXPECT_EQ(destinationState(), before);
    EXPECT_EQ(destinationTrace.size(), 3);  // the two deletions ran, and the first insert
    EXPECT_TRUE(origine && origine->isOpen());
    EXPECT_TRUE(destinazione && destinazione->isOpen());
    EXPECT_TRUE(ui.calls().isEmpty());  // the caller reports
}

TEST_F(CodeTransfer, LeavesTheDestinationUnchangedWhenALaterBranchIsRefused)
{
    addBank("1001, 'Banca', 1");
    addBank("1002, 'Banca Due', 2");
    addBranch("1001, 10, 'Banca', 'Sede', NULL, '00100', 'Roma', 'Roma', 'RM', 1, 1");
    addBranch("1001, 20, 'Banca', 'Ag. 1', NULL, '00100', 'Roma', 'Roma', 'RM', 1, 2");
    addBranch("1002, 10, 'Banca Due', 'Sede', NULL, '50100', 'Firenze', 'Firenze', 'FI', 2, 3");
    addBranch("1001, 20, 'Banca', 'Doppione', NULL, '00100', 'Roma', 'Roma', 'RM', 1, 2");
    const QStringList before = destinationState();

    run();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failedAt, 1200);
    EXPECT_EQ(failure->number(), ErrorNumber::IntegrityViolation);
    EXPECT_EQ(destinationState(), before);
    EXPECT_EQ(destinationTrace.size(), 2 + 2 + 4);
    EXPECT_EQ(progress.log.count(QStringLiteral("cab row at 1200")), 3);
}

TEST_F(CodeTransfer, FailsAtTheLineOfTheStepThatFailed)
{
    struct Case {
        const char* name;
        std::function<void(TransferScene&)> arrange;
        int line;
        std::int32_t number;
    };
    const std::vector<Case> cases{
        {"no abi table", [](TransferScene& t) { t.source.exec(QStringLiteral("DROP TABLE abi")); }, 460,
         ErrorNumber::NoSuchTable},
        {"no abicab table",
         [](TransferScene& t) {
             t.addBank("1001, 'B', 1");
             t.source.exec(QStringLiteral("DROP TABLE abicab"));
         },
         620, ErrorNumber::NoSuchTable},
        {"no AbiBanc column",
         [](TransferScene& t) {
             t.source.exec(
                 QStringLiteral("DROP TABLE abi; CREATE TABLE abi (AbiAbi INTEGER, AbiAbichk INTEGER);"
                                "INSERT INTO abi VALUES (1001, 1);"));
             t.addBranch("1001, 10, 'B', 'S', NULL, '00100', 'Roma', 'Roma', 'RM', 1, 1");
         },
         950, ErrorNumber::ItemNotFound},
        {"Null AbcCabchk",
         [](TransferScene& t) {
             t.addBank("1001, 'B', 1");
             t.addBranch("1001, 10, 'B', 'S', NULL, '00100', 'Roma', 'Roma', 'RM', 1, NULL");
         },
         1180, ErrorNumber::InvalidUseOfNull},
        {"text AbcCabchk",
         [](TransferScene& t) {
             t.addBank("1001, 'B', 1");
             t.addBranch("1001, 10, 'B', 'S', NULL, '00100', 'Roma', 'Roma', 'RM', 1, 'sette'");
         },
         1180, ErrorNumber::TypeMismatch},
        {"text AbiAbichk",  // a digit text could pass for a number, any other for part of the statement
         [](TransferScene& t) {
             t.source.exec(
                 QStringLiteral("DROP TABLE abi; CREATE TABLE abi (AbiAbi INTEGER, AbiBanc TEXT, AbiAbichk TEXT);"
                                "INSERT INTO abi VALUES (1001, 'B', '7');"));
             t.addBranch("1001, 10, 'B', 'S', NULL, '00100', 'Roma', 'Roma', 'RM', 1, 1");
         },
         950, ErrorNumber::TypeMismatch},
        {"text AbcCab",
         [](TransferScene& t) {
             t.addBank("1001, 'B', 1");
             t.addBranch("1001, '10); DELETE FROM ABI; --', 'B', 'S', NULL, '00100', 'Roma', 'Roma', 'RM', 1, 1");
         },
         1180, ErrorNumber::TypeMismatch},
        {"Null AbiAbi",
         [](TransferScene& t) {
             t.addBank("NULL, 'B', 1");
             t.addBranch("1001, 10, 'B', 'S', NULL, '00100', 'Roma', 'Roma', 'RM', 1, 1");
         },
         970, ErrorNumber::StatementRejected},
        {"no ABICAB in the destination",
         [](TransferScene& t) {
             t.addBank("1001, 'B', 1");
             t.addBranch("1001, 10, 'B', 'S', NULL, '00100', 'Roma', 'Roma', 'RM', 1, 1");
             t.destination.exec(QStringLiteral("DROP TABLE ABICAB"));
         },
         840, ErrorNumber::NoSuchTable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TransferScene t;
        c.arrange(t);
        const QStringList before = t.destinationState();
        t.run();
        ASSERT_TRUE(t.failure);
        EXPECT_EQ(t.failedAt, c.line);
        EXPECT_EQ(t.failure->number(), c.number) << t.failure->description().toStdString();
        EXPECT_EQ(t.destinationState(), before);
    }
}

TEST_F(CodeTransfer, WritesCheckValuesWithAFullStopUnderAnItalianLocale)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    addBank("1001, 'B', 1");
    addBranch("1001, 10, 'B', 'S', NULL, '00100', 'Roma', 'Roma', 'RM', 1, 2.5");
    run();
    QLocale::setDefault(previous);
    ASSERT_FALSE(failure) << failure->description().toStdString();
    EXPECT_TRUE(destinationTrace.last().endsWith(QStringLiteral(", 1, 2.5)"))) << destinationTrace.last().toStdString();
}

}  // namespace
