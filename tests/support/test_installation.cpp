#include "support/test_installation.h"

#include "layouts/procedure_schema.h"
#include "settings/profile_settings.h"
#include "settings/reg_functions_testing.h"

#include <QDir>
#include <QFile>
#include <stdexcept>

namespace {

QString UserSection(const QString& application, const QString& section)
{
    return QStringLiteral("HKCU\\Software\\VB and VBA Program Settings\\") + application + QLatin1Char('\\') + section;
}

const char kReleaseAndCodes[] =
    "CREATE TABLE release (rel_maior INTEGER, rel_minor INTEGER, rel_pers INTEGER);"
    "INSERT INTO release VALUES (12, 3, 0);"
    "INSERT INTO ABI VALUES (300, 'Banca Locale', 1, 'LOCAITM1');"
    "INSERT INTO ABI VALUES (1000, 'Vecchia Mille', 3, 'VECCITMM');"
    "INSERT INTO ABICAB VALUES (300, 100, 'Banca Locale', 'Sede', NULL, '10100', 'Torino', 'Torino', 'TO', 1, 5);"
    "INSERT INTO ABICAB VALUES (1000, 200, 'Vecchia Mille', 'Sede', NULL, '20100', 'Milano', 'Milano', 'MI', 3, 6);";

}  // namespace

QMap<QString, QString> FileProfileSettings()
{
    return {{QStringLiteral("PrcSubDataType"), QStringLiteral("(Nessuno)")},
            {QStringLiteral("PrcAdoProvider"), QStringLiteral("Microsoft.Jet.OLEDB.4.0")},
            {QStringLiteral("PrcAdoConnect"), QString(QLatin1String(""))},
            {QStringLiteral("PrcDir"), QStringLiteral("C:\\Corvanta\\Dati")},
            {QStringLiteral("PrcName"), QStringLiteral("ARCPROC")},
            {QStringLiteral("PrcExt"), QStringLiteral(".db")},
            {QStringLiteral("Server"), QStringLiteral("S")}};
}

TestInstallation::TestInstallation()
    : programFolder_(program_.path()),
      procedureDatabase_(prefix_.filePath(QStringLiteral("drive_c/Corvanta/Dati/ARCPROC.db")))
{
    ResetChiaviAperteForTests();
    VarGlobali = {};
    writeProfile(QStringLiteral("Corvanta"), FileProfileSettings());
    if (!QDir().mkpath(prefix_.filePath(QStringLiteral("drive_c/Corvanta/Dati"))))
        throw std::runtime_error("cannot make the procedure database's folder");
    procedureDatabase_.exec(QLatin1String(kCodeTablesSchema) + QLatin1String(kReleaseAndCodes));
}

TestInstallation::~TestInstallation()
{
    ResetChiaviAperteForTests();
    VarGlobali = {};
}

void TestInstallation::writeProfile(const QString& profile, const QMap<QString, QString>& settings) const
{
    WinePrefixWriter writer = prefix_.writer();
    writer.createKey(UserSection(QStringLiteral("Corvanta"), profile));
    for (auto it = settings.cbegin(); it != settings.cend(); ++it) {
        if (!it.value().isNull())
            writer.setText(UserSection(QStringLiteral("Corvanta"), profile), it.key(), it.value());
    }
    writer.save();
}

void TestInstallation::writePassword(const QString& profile, const QString& password) const
{
    const QString key =
        profile.toUpper() == QLatin1String("CORVANTA") ? QStringLiteral("Style") : QStringLiteral("Style") + profile;
    WinePrefixWriter writer = prefix_.writer();
    writer.setText(UserSection(QStringLiteral("TrueType"), QStringLiteral("Arial")), key, password);
    writer.save();
}

void TestInstallation::writeSource(const std::vector<JetTable>& tables) const
{
    WriteSourceDatabase(programFolder_, tables);
}

void TestInstallation::writeTypicalSource() const
{
    writeSource(
        {AbiTable({AbiRow(1005, "Banca d'Esempio", 3), AbiRow(3069, "Intesa Sanpaolo", 4)}),
         AbicabTable({AbicabRow(1005, 1600, "Banca d'Esempio", "Sede", Variant(), "00100", "Roma", "Roma", "RM", 3, 7),
                      AbicabRow(3069, 1, "Intesa Sanpaolo", "Filiale 1", "Via Roma, 1", "10121", "Torino", "Torino",
                                "TO", 4, 2)})});
}

QByteArray TestInstallation::procedureDatabaseBytes() const
{
    QFile file(procedureDatabase_.path());
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read the procedure database");
    return file.readAll();
}
