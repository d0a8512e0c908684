#include "update/connections.h"

#include "settings/profile_settings.h"

QString TestoOrigine(const QString& cartellaProgramma)
{
    return QStringLiteral("Data Source=") + cartellaProgramma + QStringLiteral("\\Abicab.mdb;");
}

QString StringaConnessioneOrigine(const QString& testoOrigine)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;") + testoOrigine + QLatin1Char(';');
}

void ComponiConnessioneDestinazione(int& linea)
{
    // The file's path, read afresh at the line that composes the text.
    const auto dataSource = [] {
        return QStringLiteral("Data Source=") + VarGlobali.PrcDir + QLatin1Char('\\')
            + GetNomeArcProc(VarGlobali.ProfiloCorrente) + VarGlobali.PrcExt;
    };
    linea = 170;
    if (VarGlobali.PrcSubDataType != QLatin1String("(Nessuno)"))
        return;
    linea = 180;
    if (!GetPasswordArcProc(VarGlobali.ProfiloCorrente).isEmpty()) {
        linea = 190;
        VarGlobali.PrcAdoConnect = dataSource() + QStringLiteral(";Jet OLEDB:Database Password=")
            + GetPasswordArcProc(VarGlobali.ProfiloCorrente) + QLatin1Char(';');
    } else {
        linea = 210;
        VarGlobali.PrcAdoConnect = dataSource() + QLatin1Char(';');
    }
}

QString StringaConnessioneDestinazione()
{
    return QStringLiteral("Provider=") + VarGlobali.PrcAdoProvider + QLatin1Char(';') + VarGlobali.PrcAdoConnect
        + QLatin1Char(';');
}

void CloseAndDiscard(std::unique_ptr<Connection>& connection, int& linea, int closeLine)
{
    linea = closeLine;
    connection->close();
    linea = closeLine + 10;
    connection.reset();
}
