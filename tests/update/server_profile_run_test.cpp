// The whole update run of a profile whose procedure database is on a
// PostgreSQL server: from the profile's provider and connection text to the
// error report, on a server the test starts.
#include "servers/postgresql_server.h"
#include "layouts/procedure_schema.h"
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
        server.exec(QStringLiteral("arcproc"),
                    QLatin1String(kCodeTablesSchema) + QStringLiteral("CREATE TABLE release (rel_maior NUMERIC(4,1), rel_minor INTEGER, rel_pers INTEGER);"
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
    installation.writeSource({AbiTable({AbiRow(1005, "x\\'); DELETE FROM abi; --", 3)}),
                              AbicabTable({AbicabRow(1005, 1600, "B", "Sede", Variant(), "00100", "Roma", "Roma", "RM", 3, 7.0)})});
    EXPECT_TRUE(run.CopiaAbiCab()) << ui.calls().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(codes(), (QStringList{QStringLiteral("300|Banca Locale"), QStringLiteral("1005|x\\'); DELETE FROM abi; --"),
                                    QStringLiteral("1005|1600")}));
}

TEST_F(ServerProfileRun, ReportsARefusedBranchWithItsLineAndLeavesTheDatabaseUnchanged)
{
    const QStringList before = codes();
    SourceRows branches;
    for (int cab = 1; cab <= 600; ++cab)  // the clash lies far behind the statements in flight
        branches.push_back(AbicabRow(1005, cab == 500 ? 1 : cab, "B", "F", Variant(), "00100", "Roma", "Roma", "RM", 3, 1.0));
    installation.writeSource({AbiTable({AbiRow(1005, "Banca", 3)}), AbicabTable(branches)});

    EXPECT_FALSE(run.CopiaAbiCab());
    EXPECT_EQ(run.esito(), RunOutcome::Failed);
    const QString report = ui.messageBoxes().back().text;
    EXPECT_TRUE(report.startsWith(QStringLiteral("Routine fmAgab:CopiaAbiCab, linea 1200, errore -2147217873, "
                                                 "descrizione: Il codice è già presente nel database")))
        << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("(abcabi, abccab)=(1005, 1)"))) << report.toStdString();
    EXPECT_EQ(codes(), before);
}

}  // namespace
