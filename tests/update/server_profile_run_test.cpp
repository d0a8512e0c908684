// The whole update run of a profile whose procedure database is on a
// PostgreSQL or a MariaDB server: from the profile's provider and connection
// text to the error report, on a server the test starts.
#include "layouts/procedure_schema.h"
#include "servers/mariadb_server.h"
#include "servers/postgresql_server.h"
#include "settings/profile_settings.h"
#include "support/qt_printers.h"
#include "support/scripted_ui_services.h"
#include "support/test_installation.h"
#include "update/update_run.h"

#include <gtest/gtest.h>

namespace {

class ServerProfileRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        server.createDatabase(QStringLiteral("arcproc"));
        server.exec(
            QStringLiteral("arcproc"),
            QLatin1String(kCodeTablesSchema)
                + QStringLiteral(
                    "CREATE TABLE release (rel_maior NUMERIC(4,1), rel_minor INTEGER, rel_pers INTEGER);"
                    "INSERT INTO release VALUES (12.5, 0, 0);"
                    "INSERT INTO ABI VALUES (300, 'Banca Locale', 1, 'LOCAITM1'), (1000, 'Vecchia', 2, NULL);"));
        QMap<QString, QString> settings = FileProfileSettings();
        settings[QStringLiteral("PrcSubDataType")] = QStringLiteral("PostgreSQL");
        settings[QStringLiteral("PrcAdoProvider")] = QStringLiteral("PGNP.1");
        settings[QStringLiteral("PrcAdoConnect")] =
            QStringLiteral("Data Source=%1;Port=%2;Initial Catalog=arcproc;User ID=%3;Password=%4")
                .arg(server.socketFolder(), server.port(), server.superuser(), server.password());
        installation.writeProfile(QStringLiteral("Corvanta"), settings);
        ASSERT_TRUE(GetVarGlobali(ui, QStringLiteral("Corvanta")));
        VarGlobali.ProfiloCorrente = QStringLiteral("Corvanta");
        ui.answerQuestion(MsgAnswer::Yes);
    }

    QStringList codes() const
    {
        return server.rows(QStringLiteral("arcproc"), QStringLiteral("SELECT AbiAbi, AbiBanc FROM ABI ORDER BY 1"))
            + server.rows(QStringLiteral("arcproc"), QStringLiteral("SELECT AbcAbi, AbcCab FROM ABICAB ORDER BY 1, 2"));
    }

    PostgresqlServer server{{QStringLiteral("standard_conforming_strings=off")}};
    TestInstallation installation;
    ScriptedUiServices ui;
    UpdateRun run{ui, installation.programFolder()};
};

TEST_F(ServerProfileRun, ReplacesTheCodesOfTheServersDatabase)
{
    installation.writeSource(
        {AbiTable({AbiRow(1005, "x\\'); DELETE FROM abi; --", 3)}),
         AbicabTable({AbicabRow(1005, 1600, "B", "Sede", Variant(), "00100", "Roma", "Roma", "RM", 3, 7.0)})});
    EXPECT_TRUE(run.CopiaAbiCab()) << ui.calls().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(codes(),
              (QStringList{QStringLiteral("300|Banca Locale"), QStringLiteral("1005|x\\'); DELETE FROM abi; --"),
                           QStringLiteral("1005|1600")}));
}

TEST_F(ServerProfileRun, ReportsARefusedBranchWithItsLineAndLeavesTheDatabaseUnchanged)
{
    const QStringList before = codes();
    SourceRows branches;
    for (int cab = 1; cab <= 600; ++cab)  // the clash lies far behind the statements in flight
        branches.push_back(
            AbicabRow(1005, cab == 500 ? 1 : cab, "B", "F", Variant(), "00100", "Roma", "Roma", "RM", 3, 1.0));
    installation.writeSource({AbiTable({AbiRow(1005, "Banca", 3)}), AbicabTable(branches)});

    EXPECT_FALSE(run.CopiaAbiCab());
    EXPECT_EQ(run.esito(), RunOutcome::Failed);
    const QString report = ui.messageBoxes().back().text;
    EXPECT_TRUE(
        report.startsWith(QStringLiteral("Routine fmAgab:CopiaAbiCab, linea 1200, errore -2147217873, "
                                         "descrizione: Il codice è già presente nel database")))
        << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("(abcabi, abccab)=(1005, 1)"))) << report.toStdString();
    EXPECT_EQ(codes(), before);
}

// MariaDB through its ODBC driver, on a server without strict mode: there
// `release` is a reserved word, and a value that does not fit would be cut
// or mangled with only a warning unless the session refuses it.
class MariadbProfileRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        server.exec(
            QLatin1String(kCodeTablesSchema)
            + QStringLiteral("ALTER TABLE ABI MODIFY AbiBanc VARCHAR(79);"
                             "ALTER TABLE ABICAB MODIFY AbcFiliale VARCHAR(80) CHARACTER SET utf8mb3;"
                             "CREATE TABLE `release` (rel_maior INTEGER, rel_minor INTEGER, rel_pers INTEGER);"
                             "INSERT INTO `release` VALUES (12, 0, 0);"
                             "INSERT INTO ABI VALUES (300, 'Banca Locale', 1, 'LOCAITM1'), (1000, 'Vecchia', 2, NULL);"
                             "INSERT INTO ABICAB VALUES (1000, 1, 'Vecchia', 'Sede', NULL, '00100', 'Roma', 'Roma', "
                             "'RM', 2, 1);"));
        QMap<QString, QString> settings = FileProfileSettings();
        settings[QStringLiteral("PrcSubDataType")] = QStringLiteral("MySQL");
        settings[QStringLiteral("PrcAdoProvider")] = QStringLiteral("MSDASQL.1");
        settings[QStringLiteral("PrcAdoConnect")] =
            QStringLiteral("Driver={MariaDB Unicode};Socket=%1;Database=%2;UID=%3;PWD=%4")
                .arg(server.socketPath(), server.database(), server.user(), server.password());
        installation.writeProfile(QStringLiteral("Corvanta"), settings);
        ASSERT_TRUE(GetVarGlobali(ui, QStringLiteral("Corvanta")));
        VarGlobali.ProfiloCorrente = QStringLiteral("Corvanta");
        ui.answerQuestion(MsgAnswer::Yes);
    }

    QStringList codes() const
    {
        return server.rows(QStringLiteral("SELECT AbiAbi, AbiBanc FROM ABI ORDER BY 1"))
            + server.rows(QStringLiteral("SELECT AbcAbi, AbcCab, AbcBanc, AbcFiliale FROM ABICAB ORDER BY 1, 2"));
    }

    QString report() const { return ui.messageBoxes().back().text; }

    MariadbServer server{{QStringLiteral("--sql-mode=")}};
    TestInstallation installation;
    ScriptedUiServices ui;
    UpdateRun run{ui, installation.programFolder()};
};

const QString kLongestName = QStringLiteral("Banca d'Esempio ").repeated(5).left(79);
const QString kBeyondBmp = QStringLiteral("Sede \U0001F600");

TEST_F(MariadbProfileRun, ReplacesTheCodesThroughTheDriver)
{
    installation.writeSource({AbiTable({AbiRow(1005, kLongestName, 3)}),
                              AbicabTable({AbicabRow(1005, 1600, kBeyondBmp, "Sede \\", Variant(), "00100", "Roma",
                                                     "Roma", "RM", 3, 7.0)})});
    EXPECT_TRUE(run.CopiaAbiCab()) << ui.calls().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(codes(),
              (QStringList{QStringLiteral("300|Banca Locale"), QStringLiteral("1005|") + kLongestName,
                           QStringLiteral("1005|1600|%1|Sede \\").arg(kBeyondBmp)}));
}

TEST_F(MariadbProfileRun, RefusesAValueTheServerWouldCutOrMangle)
{
    const QStringList before = codes();
    const auto branch = [](const QString& filiale) {
        return AbicabRow(1005, 1600, "B", filiale, Variant(), "00100", "Roma", "Roma", "RM", 3, 7.0);
    };
    struct Case {
        const char* name;
        std::vector<JetTable> source;
        const char* start;
    };
    const std::vector<Case> cases{
        {"a name one character longer than its column",
         {AbiTable({AbiRow(1005, kLongestName + QStringLiteral("x"), 3)}),
          AbicabTable({branch(QStringLiteral("Sede"))})},
         "Routine fmAgab:CopiaAbiCab, linea 970, errore -2147217900, descrizione: Un valore non è ammesso"},
        {"a character beyond the BMP in a utf8mb3 column",
         {AbiTable({AbiRow(1005, "Banca", 3)}), AbicabTable({branch(kBeyondBmp)})},
         "Routine fmAgab:CopiaAbiCab, linea 1200, errore -2147217900, descrizione: Un valore non è ammesso"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (&c != &cases.front())
            ui.answerQuestion(MsgAnswer::Yes);
        installation.writeSource(c.source);
        EXPECT_FALSE(run.CopiaAbiCab());
        EXPECT_TRUE(report().startsWith(QString::fromUtf8(c.start))) << report().toStdString();
        EXPECT_EQ(codes(), before);
    }
}

TEST_F(MariadbProfileRun, RefusesATableThatCannotRollBackBeforeChangingAnything)
{
    server.exec(QStringLiteral("ALTER TABLE ABICAB ENGINE = MyISAM"));
    const QStringList before = codes();
    installation.writeTypicalSource();
    EXPECT_FALSE(run.CopiaAbiCab());
    // Asked before the first deletion, at the line that attaches the
    // statement command to the destination.
    EXPECT_TRUE(
        report().contains(QStringLiteral("linea 800, errore -2147467259, descrizione: Il database non può "
                                         "annullare le modifiche")))
        << report().toStdString();
    EXPECT_TRUE(report().contains(QStringLiteral("MyISAM"))) << report().toStdString();
    EXPECT_EQ(codes(), before);
}

}  // namespace
