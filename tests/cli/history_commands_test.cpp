// trasferisci-codici's preview, undo and run log, run as an administrator
// runs them on a test installation whose procedure database is SQLite.
#include "support/procedure_databases.h"
#include "support/qt_printers.h"
#include "support/test_installation.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <set>

namespace {

class HistoryCommands : public ::testing::Test {
protected:
    HistoryCommands()
    {
        programState_ = qgetenv("XDG_STATE_HOME");
        qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
        installation.writeTypicalSource();
        program = installation.programFolder() + QStringLiteral("/trasferisci-codici");
        QFile::copy(QStringLiteral(TRASFERISCI_PROGRAM), program);
    }

    ~HistoryCommands() override { qputenv("XDG_STATE_HOME", programState_); }

    QProcess* start(const QStringList& arguments)
    {
        process_ = std::make_unique<QProcess>();
        process_->setProcessChannelMode(QProcess::MergedChannels);
        process_->start(program, arguments);
        return process_.get();
    }

    // The exit status; what the program wrote is kept in `output`.
    int run(const QStringList& arguments, const QByteArray& input = {})
    {
        QProcess* process = start(arguments);
        process->write(input);
        process->closeWriteChannel();
        EXPECT_TRUE(process->waitForFinished(120000));
        output = QString::fromUtf8(process->readAll());
        return process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
    }

    QStringList dump() const
    {
        const SqliteFile& db = installation.procedureDatabase();
        return db.rows(QStringLiteral("SELECT * FROM ABI ORDER BY 1"))
            + db.rows(QStringLiteral("SELECT * FROM ABICAB ORDER BY 1, 2"));
    }

    QTemporaryDir state;
    TestInstallation installation;
    QString program;
    QString output;

private:
    QByteArray programState_;
    std::unique_ptr<QProcess> process_;
};

// The fields of one CSV line, quotes taken off; a quoted field keeps its quotes
// as a mark, so that an empty text and Null stay apart.
QStringList CsvFields(const QString& line)
{
    QStringList fields{QString()};
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted && c == QLatin1Char('"') && i + 1 < line.size() && line.at(i + 1) == QLatin1Char('"')) {
            fields.last() += c;
            ++i;
        } else if (c == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (c == QLatin1Char(',') && !quoted) {
            fields << QString();
        } else {
            fields.last() += c;
        }
    }
    return fields;
}

// Rows of a dump keyed by their code: "ABI|1000|" or "ABICAB|1000|200".
std::map<QString, QStringList> Keyed(const SqliteFile& db)
{
    std::map<QString, QStringList> rows;
    for (const QString& row :
         db.rows(QStringLiteral("SELECT AbiAbi, AbiBanc, AbiAbichk FROM ABI WHERE AbiAbi >= 1000")))
        rows[QStringLiteral("ABI|") + row.section(QLatin1Char('|'), 0, 0) + QLatin1Char('|')] =
            row.split(QLatin1Char('|'));
    for (const QString& row : db.rows(QStringLiteral("SELECT * FROM ABICAB WHERE AbcAbi >= 1000")))
        rows[QStringLiteral("ABICAB|") + row.section(QLatin1Char('|'), 0, 1)] = row.split(QLatin1Char('|'));
    return rows;
}

TEST_F(HistoryCommands, ThePreviewChangesNothingAndItsCsvIsTheDifferenceARunMakes)
{
    installation.procedureDatabase().exec(
        QStringLiteral("INSERT INTO ABI VALUES (1005, 'Nome di prima', 9, 'PRIMITMM');"
                       "INSERT INTO ABICAB VALUES (1005, 1600, 'Nome di prima', 'Sede', 'Via Vecchia, 1', '00100', "
                       "'Roma', 'Roma', 'RM', 9, 1)"));
    const QByteArray bytes = installation.procedureDatabaseBytes();
    const QStringList filesBefore =
        QDir(installation.prefix().filePath(QStringLiteral("drive_c/Corvanta/Dati"))).entryList();
    const QString csv = state.filePath(QStringLiteral("anteprima.csv"));
    ASSERT_EQ(run({"--profilo", "Corvanta", "--anteprima", "--csv", csv}), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("Codici ABI (banche): 1 aggiunti, 1 rimossi, 1 modificati")))
        << output.toStdString();
    EXPECT_EQ(installation.procedureDatabaseBytes(), bytes);
    EXPECT_EQ(QDir(installation.prefix().filePath(QStringLiteral("drive_c/Corvanta/Dati"))).entryList(), filesBefore);

    const std::map<QString, QStringList> before = Keyed(installation.procedureDatabase());
    ASSERT_EQ(run({"--si", "--profilo", "Corvanta"}), 0) << output.toStdString();
    const std::map<QString, QStringList> after = Keyed(installation.procedureDatabase());
    // The difference of the dumps, in the CSV's terms; Null as NULL, texts bare.
    const QStringList abiColumns{"AbiAbi", "AbiBanc", "AbiAbichk"};
    const QStringList cabColumns{"AbcAbi",      "AbcCab",    "AbcBanc", "AbcFiliale", "AbcIndir", "AbcCap",
                                 "AbcLocalita", "AbcComune", "AbcProv", "AbcAbichk",  "AbcCabchk"};
    std::set<QString> expected;
    for (const auto& [key, row] : after) {
        const QString table = key.section(QLatin1Char('|'), 0, 0);
        if (!before.contains(key)) {
            expected.insert(table + QStringLiteral("|aggiunto|") + key.section(QLatin1Char('|'), 1, 2)
                            + QStringLiteral("|||"));
            continue;
        }
        const QStringList& columns = table == QLatin1String("ABI") ? abiColumns : cabColumns;
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (before.at(key).at(i) != row.at(i))
                expected.insert(QStringList{table, "modificato", key.section(QLatin1Char('|'), 1, 2), columns.at(i),
                                            before.at(key).at(i), row.at(i)}
                                    .join(QLatin1Char('|')));
        }
    }
    for (const auto& [key, row] : before) {
        if (!after.contains(key))
            expected.insert(key.section(QLatin1Char('|'), 0, 0) + QStringLiteral("|rimosso|")
                            + key.section(QLatin1Char('|'), 1, 2) + QStringLiteral("|||"));
    }

    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.takeFirst(), QStringLiteral("tabella,operazione,ABI,CAB,colonna,valore precedente,valore nuovo"));
    std::set<QString> listed;
    for (const QString& line : lines) {
        QStringList f = CsvFields(line);
        ASSERT_EQ(f.size(), 7) << line.toStdString();
        for (QString& value : f) {
            if (value.isEmpty() && f.indexOf(value) >= 5 && f.at(1) == QLatin1String("modificato"))
                value = QStringLiteral("NULL");
        }
        listed.insert(QStringList{f[0], f[1], f[2] + QLatin1Char('|') + f[3], f[4], f[5], f[6]}.join(QLatin1Char('|')));
    }
    EXPECT_EQ(listed, expected);
}

TEST_F(HistoryCommands, ThePreviewOfTwoFilesLeavesAJetDestinationByteIdenticalAndUnlocked)
{
    QTemporaryDir folder;
    const QString destination = WriteJetProcedureDatabase(
        folder.path(), {AbiRow(1005, "Banca di prima", 3)},
        {AbicabRow(1005, 1600, "Banca di prima", "Sede", Variant(), "00100", "Roma", "Roma", "RM", 3, 7)});
    const QByteArray digest = FileDigest(destination);
    ASSERT_EQ(run({"--anteprima", installation.programFolder() + QStringLiteral("/Abicab.mdb"), destination}), 0)
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("Codici ABI (banche): 1 aggiunti, 0 rimossi, 1 modificati")))
        << output.toStdString();
    EXPECT_EQ(FileDigest(destination), digest);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("ARCPROC.mdb")});

    EXPECT_EQ(run({"--anteprima", destination}), 2);
    EXPECT_EQ(run({"--anteprima", "--profilo", "Corvanta", "--csv"}), 2);
}

TEST_F(HistoryCommands, TheUndoPutsBackTheTablesOfBeforeTheRunAndTheLogListsBoth)
{
    EXPECT_EQ(run({"--ripristina", "--profilo", "Corvanta", "--si"}), 1);
    EXPECT_TRUE(output.contains(QStringLiteral("Nessuna copia di un aggiornamento completato del profilo Corvanta")))
        << output.toStdString();

    const QStringList before = dump();
    ASSERT_EQ(run({"--si", "--profilo", "Corvanta"}), 0) << output.toStdString();
    // The terminal prints the summary under the completion message.
    EXPECT_TRUE(output.contains(QStringLiteral(
        "Aggiornamento codici ABI/CAB completato.\n\nCodici ABI (banche): 2 aggiunti, 1 rimossi, 0 modificati")))
        << output.toStdString();
    const QStringList afterRun = dump();
    ASSERT_NE(afterRun, before);

    // Declined: nothing changes; the question shows what would come back.
    EXPECT_EQ(run({"--ripristina", "--profilo", "Corvanta"}, "\n"), 3);
    EXPECT_TRUE(output.contains(QStringLiteral("Procedere con il ripristino dei codici Abi/Cab?")))
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("Codici ABI (banche): 1 aggiunti, 2 rimossi"))) << output.toStdString();
    EXPECT_EQ(dump(), afterRun);

    // The profile as typed another time, in another case.
    EXPECT_EQ(run({"--ripristina", "--profilo", "corvanta"}, "s\n"), 0) << output.toStdString();
    EXPECT_EQ(dump(), before);

    ASSERT_EQ(run({"--storico"}), 0);
    const QStringList lines = output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5) << output.toStdString();  // header, failed undo, run, declined undo, undo
    EXPECT_TRUE(lines.at(2).contains(QStringLiteral("\tCorvanta\t"))) << lines.at(2).toStdString();
    EXPECT_TRUE(lines.at(2).contains(QStringLiteral("\tcompletato\t\t\tABI +2 -1 ~0, CAB +2 -1 ~0\t")))
        << lines.at(2).toStdString();
    EXPECT_TRUE(lines.at(4).contains(QStringLiteral("\tripristino completato\t"))) << lines.at(4).toStdString();

    EXPECT_EQ(run({"--ripristina", "--storico"}), 2);
}

TEST_F(HistoryCommands, RefusesABackupThatIsNotOneOrIsAnotherProfilesAndChangesNothing)
{
    const QString garbage = state.filePath(QStringLiteral("non-una-copia.sqlite"));
    QFile file(garbage);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("SQLite format 3\0", 16) + QByteArray(4000, '\x7f'));
    file.close();
    ASSERT_EQ(run({"--si", "--profilo", "Corvanta"}), 0) << output.toStdString();
    const QStringList afterRun = dump();

    EXPECT_EQ(run({"--ripristina", garbage, "--profilo", "Corvanta", "--si"}), 1);
    EXPECT_TRUE(output.contains(QStringLiteral("non è una copia dei codici ABI/CAB leggibile")))
        << output.toStdString();

    installation.writeProfile(QStringLiteral("Secondo"), FileProfileSettings());
    const QString corvantas = QDir(state.filePath(QStringLiteral("corvanta-abicab/backup")))
                                  .entryInfoList({QStringLiteral("Corvanta-*.sqlite")})
                                  .value(0)
                                  .filePath();
    EXPECT_EQ(run({"--ripristina", corvantas, "--profilo", "Secondo", "--si"}), 1);
    EXPECT_TRUE(
        output.contains(QStringLiteral("è di un aggiornamento del profilo 'Corvanta', non del profilo 'Secondo'")))
        << output.toStdString();
    EXPECT_EQ(dump(), afterRun);
}

TEST_F(HistoryCommands, AKillDuringTheUndoLeavesTheTablesBeforeOrAfterIt)
{
    // Enough branches for an undo that lasts.
    installation.procedureDatabase().exec(QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60000) "
        "INSERT INTO ABICAB SELECT 2000 + i / 1000, i, 'Banca', 'Filiale ' || i, NULL, '00100', 'Roma', 'Roma', "
        "'RM', 1, 2 FROM n"));
    const QStringList before = dump();
    ASSERT_EQ(run({"--si", "--profilo", "Corvanta"}), 0) << output.toStdString();
    const QStringList afterRun = dump();

    QProcess* undo = start({"--ripristina", "--profilo", "Corvanta", "--si"});
    undo->closeWriteChannel();
    // Killed once its transaction has begun writing.
    const QString journal = installation.procedureDatabase().path() + QStringLiteral("-journal");
    while (!QFile::exists(journal) && undo->state() != QProcess::NotRunning)
        undo->waitForFinished(1);
    undo->kill();
    undo->waitForFinished();
    EXPECT_EQ(undo->exitStatus(), QProcess::CrashExit) << "the undo ended before the kill";
    const QStringList state = dump();
    EXPECT_TRUE(state == before || state == afterRun);
}

}  // namespace
