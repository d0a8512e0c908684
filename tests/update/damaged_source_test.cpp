// The damaged sources found by an outside test: each gives a clear Italian
// error and leaves the procedure database byte for byte as it was.
#include "code_transfer.h"
#include "jet_backend_testing.h"
#include "progress_report.h"
#include "qt_printers.h"
#include "runtime_error.h"
#include "scripted_ui_services.h"
#include "sqlite_file.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

QString Damaged(const char* name)
{
    return QStringLiteral(CORVANTA_DAMAGED_SAMPLES "/") + QString::fromLatin1(name);
}

QByteArray Bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class DamagedSource : public ::testing::Test {
protected:
    DamagedSource()
    {
        destination.exec(QStringLiteral(
            "CREATE TABLE ABI (AbiAbi INTEGER PRIMARY KEY, AbiBanc VARCHAR(80), AbiAbichk INTEGER);"
            "CREATE TABLE ABICAB (AbcAbi INTEGER NOT NULL, AbcCab INTEGER NOT NULL, AbcBanc VARCHAR(80),"
            " AbcFiliale VARCHAR(80), AbcIndir VARCHAR(80), AbcCap VARCHAR(5), AbcLocalita VARCHAR(60),"
            " AbcComune VARCHAR(60), AbcProv VARCHAR(2), AbcAbichk INTEGER, AbcCabchk INTEGER,"
            " PRIMARY KEY (AbcAbi, AbcCab));"
            "INSERT INTO ABI VALUES (300, 'Banca Locale', 1);"
            "INSERT INTO ABI VALUES (1005, 'Vecchia', 2);"
            "INSERT INTO ABICAB VALUES (1005, 200, 'Vecchia', 'Sede', NULL, '20100', 'Milano', 'Milano', 'MI', 2, 6);"));
        before = Bytes(destination.path());
    }

    // Runs the transfer from `source`, opened at line 140 as the update opens
    // it; answers the line of the failure, or 0.
    int run(const QString& source)
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
            TrasferisciCodici(ui, origine, destinazione, progress, linea);
        } catch (const RuntimeError& error) {
            failure = error;
            return linea;
        }
        return 0;
    }

    QTemporaryDir dir;
    SqliteFile destination{dir.filePath(QStringLiteral("ARCPROC.db"))};
    QByteArray before;
    ScriptedUiServices ui;
    int linea = 0;
    QStringList statements;
    RuntimeError failure{0, QString()};
};

TEST_F(DamagedSource, ANumberColumnReadAsBytesIsATypeMismatch)
{
    // The type byte of AbiAbichk says Binary: its bytes must not become digits.
    EXPECT_EQ(run(Damaged("type-byte-damaged.mdb")), 950);
    EXPECT_EQ(failure.number(), ErrorNumber::TypeMismatch);
    EXPECT_EQ(failure.description(), QStringLiteral("Tipo non corrispondente"));
    EXPECT_EQ(statements.size(), 2) << "no insert may be sent";
    EXPECT_EQ(Bytes(destination.path()), before);
}

TEST_F(DamagedSource, ATextNoStatementCanCarryNamesItsTableAndRow)
{
    EXPECT_EQ(run(Damaged("text-with-nul.mdb")), 950);
    EXPECT_EQ(failure.number(), ErrorNumber::InvalidArgument);
    EXPECT_EQ(failure.description(),
              QStringLiteral("Il testo della colonna AbiBanc della tabella abi (ABI 1005) contiene il carattere NUL: "
                             "un'istruzione SQL non può contenerlo."));
    EXPECT_EQ(Bytes(destination.path()), before);

    statements.clear();
    EXPECT_EQ(run(Damaged("lone-surrogate.mdb")), 1180);
    EXPECT_EQ(failure.number(), ErrorNumber::InvalidArgument);
    EXPECT_EQ(failure.description(),
              QStringLiteral("Il testo della colonna AbcProv della tabella abicab (ABI 1315, CAB 1026) contiene metà "
                             "di una coppia surrogata UTF-16, che non è un carattere: un'istruzione SQL non può "
                             "contenerlo."));
    EXPECT_FALSE(statements.last().contains(QStringLiteral("1315, 1026"))) << "the row's statement is never sent";
    EXPECT_EQ(Bytes(destination.path()), before);
}

TEST_F(DamagedSource, ACatalogThatMakesTheReaderLoopStopsAtTheMemoryCeiling)
{
    // libmdb grows while it loops on these: with a silence limit this long,
    // only the reader's memory ceiling, lowered here, can end the read in time.
    SetJetReadLimitsForTests(120s, std::size_t{64} << 20);
    for (const char* file : {"loops-jet3.mdb", "loops-ace.mdb"}) {
        SCOPED_TRACE(file);
        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(run(Damaged(file)), 140);
        EXPECT_LT(timer.elapsed(), 60000);
        EXPECT_EQ(failure.number(), ErrorNumber::Failure);
        EXPECT_EQ(failure.description(),
                  QStringLiteral("Impossibile leggere il database '%1': la lettura non si conclude, il file è "
                                 "probabilmente danneggiato.")
                      .arg(Damaged(file)));
        EXPECT_TRUE(statements.isEmpty());
    }
    SetJetReadLimitsForTests(30s);
    EXPECT_EQ(Bytes(destination.path()), before);
}

}  // namespace
