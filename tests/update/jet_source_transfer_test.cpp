// The transfer from a real Jet source, as Abicab.mdb is delivered, into an
// SQLite procedure database.
#include "platform/runtime/runtime_error.h"
#include "support/qt_printers.h"
#include "support/scripted_ui_services.h"
#include "support/source_databases.h"
#include "support/sqlite_file.h"
#include "update/code_transfer.h"
#include "update/progress_report.h"

#include "platform/database/jet/jet_backend_testing.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

namespace {

using namespace std::chrono_literals;

class JetSourceTransfer : public ::testing::Test {
protected:
    JetSourceTransfer()
    {
        destination.exec(
            QStringLiteral("CREATE TABLE ABI (AbiAbi INTEGER PRIMARY KEY, AbiBanc VARCHAR(80), AbiAbichk INTEGER);"
                           "CREATE TABLE ABICAB (AbcAbi INTEGER NOT NULL, AbcCab INTEGER NOT NULL, AbcBanc VARCHAR(80),"
                           " AbcFiliale VARCHAR(80), AbcIndir VARCHAR(80), AbcCap VARCHAR(5), AbcLocalita VARCHAR(60),"
                           " AbcComune VARCHAR(60), AbcProv VARCHAR(2), AbcAbichk INTEGER, AbcCabchk INTEGER,"
                           " PRIMARY KEY (AbcAbi, AbcCab));"
                           "INSERT INTO ABI VALUES (300, 'Banca Locale', 1);"
                           "INSERT INTO ABI VALUES (1005, 'Vecchia', 2);"
                           "INSERT INTO ABICAB VALUES (1005, 200, 'Vecchia', 'Sede', NULL, '20100', 'Milano', "
                           "'Milano', 'MI', 2, 6);"));
    }

    QByteArray destinationBytes() const
    {
        QFile file(destination.path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Runs the transfer with the window's progress report, the source opened
    // at line 140 as the update opens it; answers the line of a failure, or 0.
    int run(const std::vector<JetTable>& tables) { return runFrom(WriteSourceDatabase(dir.path(), tables)); }

    int runFrom(const QString& source)
    {
        auto origine = std::make_unique<Connection>();
        auto destinazione = std::make_unique<Connection>();
        destinazione->setTrace([this](const QString& sql) { statements.append(sql); });
        ProgressReport progress(ui, linea);
        try {
            linea = 140;
            origine->open(FileConnectionString(source));
            linea = 250;
            destinazione->open(FileConnectionString(destination.path()));
            outcome = TrasferisciCodici(ui, origine, destinazione, progress, linea);
        } catch (const RuntimeError& error) {
            failure = error;
            return linea;
        }
        return 0;
    }

    QTemporaryDir dir;
    SqliteFile destination{dir.filePath(QStringLiteral("ARCPROC.mdb"))};
    ScriptedUiServices ui;
    int linea = 0;
    QStringList statements;
    TransferOutcome outcome = TransferOutcome::Completed;
    std::optional<RuntimeError> failure;
};

TEST_F(JetSourceTransfer, CopiesTextsNullsAndNumbersAsTheSourceHoldsThem)
{
    ASSERT_EQ(run({AbiTable({AbiRow(1005, QStringLiteral("Banca d'Esempio"), 3), AbiRow(2001, QString(), 0),
                             AbiRow(2002, Variant(), 9)}),
                   AbicabTable({AbicabRow(1005, 1600, QStringLiteral("Banca d'Esempio"), QStringLiteral("Sede"),
                                          Variant(), QStringLiteral("00100"), QStringLiteral("Roma"),
                                          QStringLiteral("Roma"), QStringLiteral("RM"), 3, 7.0),
                                AbicabRow(2001, 3200, QStringLiteral("Банк"), QStringLiteral("Filiale \"Centro\""),
                                          QStringLiteral("Via C\\D, 1"), QStringLiteral(""), QStringLiteral("Forlì"),
                                          QStringLiteral("Forlì"), QStringLiteral("FC"), 0, 2.5)})}),
              0)
        << failure->description().toStdString();
    EXPECT_EQ(
        statements.mid(2),
        (QStringList{
            QStringLiteral("INSERT INTO ABI (AbiAbi, AbiBanc, AbiAbichk) VALUES (1005, 'Banca d''Esempio', 3)"),
            QStringLiteral("INSERT INTO ABI (AbiAbi, AbiBanc, AbiAbichk) VALUES (2001, Null, 0)"),
            QStringLiteral("INSERT INTO ABI (AbiAbi, AbiBanc, AbiAbichk) VALUES (2002, Null, 9)"),
            QStringLiteral("INSERT INTO ABICAB (AbcAbi, AbcCab, AbcBanc, AbcFiliale, AbcIndir, AbcCap, AbcLocalita, "
                           "AbcComune, AbcProv, AbcAbichk, AbcCabchk) VALUES (1005, 1600, 'Banca d''Esempio', "
                           "'Sede', Null, '00100', 'Roma', 'Roma', 'RM', 3, 7)"),
            QStringLiteral("INSERT INTO ABICAB (AbcAbi, AbcCab, AbcBanc, AbcFiliale, AbcIndir, AbcCap, AbcLocalita, "
                           "AbcComune, AbcProv, AbcAbichk, AbcCabchk) VALUES (2001, 3200, 'Банк', "
                           "'Filiale \"Centro\"', 'Via C\\D, 1', Null, 'Forlì', 'Forlì', 'FC', 0, 2.5)"),
        }));
    EXPECT_EQ(destination.rows(QStringLiteral("SELECT * FROM ABI ORDER BY 1")),
              (QStringList{QStringLiteral("300|Banca Locale|1"), QStringLiteral("1005|Banca d'Esempio|3"),
                           QStringLiteral("2001|NULL|0"), QStringLiteral("2002|NULL|9")}));
}

TEST_F(JetSourceTransfer, CarriesAHundredThousandBranches)
{
    ASSERT_EQ(run({AbiTable({AbiRow(1000, QStringLiteral("Prima"), 1)}), AbicabTable(ManyAbicabRows(100000))}), 0)
        << failure->description().toStdString();
    EXPECT_EQ(destination.rows(QStringLiteral("SELECT count(*), min(AbcCab), max(AbcCab) FROM ABICAB")),
              QStringList{QStringLiteral("100000|10000|109999")});
    EXPECT_EQ(
        destination.rows(QStringLiteral("SELECT AbcFiliale, AbcIndir, AbcLocalita FROM ABICAB WHERE AbcCab = 10001")),
        QStringList{QStringLiteral("Filiale n. 1|Via dell'Università, 1|Forlì")});
    EXPECT_EQ(ui.caption(Control::lbProgr), QStringLiteral("Aggiornamento codici CAB (100000 di 100000) in corso..."));
    EXPECT_EQ(ui.progress(ProgressProperty::Value), 1000.0F);
}

TEST_F(JetSourceTransfer, NamesTheLineWhereTheSourceFallsShort)
{
    const QStringList before = destination.rows(QStringLiteral("SELECT * FROM ABI ORDER BY 1"));
    const auto bank = AbiRow(1001, QStringLiteral("B"), 1);
    const auto branch =
        AbicabRow(1001, 10, QStringLiteral("B"), QStringLiteral("S"), Variant(), QStringLiteral("00100"),
                  QStringLiteral("Roma"), QStringLiteral("Roma"), QStringLiteral("RM"), 1, 1.0);

    EXPECT_EQ(run({AbiTable({bank})}), 620);  // no abicab table
    EXPECT_EQ(failure->number(), ErrorNumber::NoSuchTable);
    EXPECT_EQ(run({WithoutColumn(AbiTable({bank}), QStringLiteral("AbiAbichk")), AbicabTable({branch})}), 950);
    EXPECT_EQ(failure->number(), ErrorNumber::ItemNotFound);
    EXPECT_EQ(run({AbiTable({bank}), WithoutColumn(AbicabTable({branch}), QStringLiteral("AbcProv"))}), 1180);
    EXPECT_EQ(failure->number(), ErrorNumber::ItemNotFound);
    EXPECT_EQ(destination.rows(QStringLiteral("SELECT * FROM ABI ORDER BY 1")), before);
}

TEST_F(JetSourceTransfer, StopsOnAnEmptySourceTable)
{
    EXPECT_EQ(run({AbiTable(), AbicabTable()}), 0);
    EXPECT_EQ(outcome, TransferOutcome::NoAbiCodes);
    EXPECT_TRUE(statements.isEmpty());
    ASSERT_EQ(ui.messageBoxes().size(), 1U);
    EXPECT_EQ(ui.messageBoxes()[0].text, QStringLiteral("Nessun codice ABI rilevato dal database di origine."));
}

// The damaged sources found by an outside test: each gives a clear Italian
// error and leaves the procedure database byte for byte as it was.

QString Damaged(const char* name)
{
    return QStringLiteral(CORVANTA_DAMAGED_SAMPLES "/") + QString::fromLatin1(name);
}

TEST_F(JetSourceTransfer, ANumberColumnReadAsBytesIsATypeMismatch)
{
    const QByteArray before = destinationBytes();
    // The type byte of AbiAbichk says Binary: its bytes must not become digits.
    ASSERT_EQ(runFrom(Damaged("type-byte-damaged.mdb")), 950);
    EXPECT_EQ(failure->number(), ErrorNumber::TypeMismatch);
    EXPECT_EQ(failure->description(), QStringLiteral("Tipo non corrispondente"));
    EXPECT_EQ(statements.size(), 2) << "no insert may be sent";
    EXPECT_EQ(destinationBytes(), before);
}

TEST_F(JetSourceTransfer, ATextNoStatementCanCarryNamesItsTableAndRow)
{
    const QByteArray before = destinationBytes();
    ASSERT_EQ(runFrom(Damaged("text-with-nul.mdb")), 950);
    EXPECT_EQ(failure->number(), ErrorNumber::InvalidArgument);
    EXPECT_EQ(failure->description(),
              QStringLiteral("Il testo della colonna AbiBanc della tabella abi (ABI 1005) contiene il carattere NUL: "
                             "un'istruzione SQL non può contenerlo."));
    EXPECT_EQ(destinationBytes(), before);

    statements.clear();
    ASSERT_EQ(runFrom(Damaged("lone-surrogate.mdb")), 1180);
    EXPECT_EQ(failure->number(), ErrorNumber::InvalidArgument);
    EXPECT_EQ(failure->description(),
              QStringLiteral("Il testo della colonna AbcProv della tabella abicab (ABI 1315, CAB 1026) contiene metà "
                             "di una coppia surrogata UTF-16, che non è un carattere: un'istruzione SQL non può "
                             "contenerlo."));
    EXPECT_FALSE(statements.last().contains(QStringLiteral("1315, 1026"))) << "the row's statement is never sent";
    EXPECT_EQ(destinationBytes(), before);
}

TEST_F(JetSourceTransfer, ACatalogThatMakesTheReaderLoopStopsAtTheMemoryCeiling)
{
    const QByteArray before = destinationBytes();
    // libmdb grows while it loops on these: with a silence limit this long,
    // only the reader's memory ceiling, lowered here, can end the read in time.
    SetJetReadLimitsForTests(120s, std::size_t{64} << 20);
    for (const char* file : {"loops-jet3.mdb", "loops-ace.mdb"}) {
        SCOPED_TRACE(file);
        QElapsedTimer timer;
        timer.start();
        ASSERT_EQ(runFrom(Damaged(file)), 140) << failure->description().toStdString();
        EXPECT_LT(timer.elapsed(), 60000);
        EXPECT_EQ(failure->number(), ErrorNumber::Failure);
        EXPECT_EQ(failure->description(),
                  QStringLiteral("Impossibile leggere il database '%1': la lettura non si conclude, il file è "
                                 "probabilmente danneggiato.")
                      .arg(Damaged(file)));
        EXPECT_TRUE(statements.isEmpty());
    }
    SetJetReadLimitsForTests(30s);
    EXPECT_EQ(destinationBytes(), before);
}

}  // namespace
