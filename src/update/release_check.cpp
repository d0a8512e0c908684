#include "update/release_check.h"

std::int32_t LeggiRelease(Connection& destinazione, int& linea)
{
    std::int32_t release = 0;
    linea = 260;
    Recordset rs;
    linea = 270;
    const QString query = QStringLiteral("SELECT rel_maior, rel_minor, rel_pers FROM release");
    linea = 280;
    rs.open(query, destinazione);
    linea = 290;
    if (!rs.eof()) {
        linea = 300;
        release = ToLong(rs.field(QStringLiteral("rel_maior")));
    }
    linea = 320;
    rs.close();
    linea = 330;
    return release;
}

bool IsReleaseSupportata(std::int32_t release)
{
    return release >= 6 && release <= 18;
}

QString MessaggioReleaseNonSupportata(std::int32_t release)
{
    return QStringLiteral("L'archivio procedura ARCPROC è di versione ") + QString::number(release)
        + QStringLiteral(
               "; l'aggiornamento dei codici Abi/Cab è previsto solo per le release di Corvanta 11, 12, 13 e "
               "Corvanta NET 2008, 2009, 2010, 2011 e 2012.");
}
