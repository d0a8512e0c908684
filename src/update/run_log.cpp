#include "update/run_log.h"

#include "platform/runtime/runtime_error.h"
#include "update/connection_string.h"
#include "update/state_folder.h"

#include <pwd.h>
#include <unistd.h>
#include <QFile>

namespace {

const QString kHeader = QStringLiteral(
    "inizio\tutente\tprofilo\tdestinazione\timpronta origine\tesito\tlinea errore\tnumero errore\tconteggi\tdurata "
    "(ms)");

// A field never breaks its line or the columns.
QString Field(QString text)
{
    for (QChar& c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return text;
}

bool IsPasswordKeyword(const QString& keyword)
{
    const QString k = keyword.trimmed().toLower();
    return k.contains(QLatin1String("password")) || k == QLatin1String("pwd");
}

}  // namespace

QString RunLogPath()
{
    return StateFolder() + QStringLiteral("/storico.log");
}

void AppendRunLog(const RunLogEntry& e)
{
    MakeFolder(StateFolder());
    QFile log(RunLogPath());
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        throw RuntimeError(ErrorNumber::Failure,
                           QStringLiteral("Impossibile scrivere il registro delle esecuzioni %1. (%2)")
                               .arg(log.fileName(), log.errorString()));
    const QStringList fields{e.started.toUTC().toString(Qt::ISODate),
                             Field(e.user),
                             Field(e.profile),
                             Field(e.destination),
                             e.sourceDigest,
                             Field(e.outcome),
                             e.errorLine ? QString::number(e.errorLine) : QString(),
                             e.errorNumber ? QString::number(e.errorNumber) : QString(),
                             Field(e.counts),
                             QString::number(e.durationMs)};
    // One write per line: lines of runs that end together do not mix.
    const QByteArray line = ((log.size() == 0 ? kHeader + QLatin1Char('\n') : QString())
                             + fields.join(QLatin1Char('\t')) + QLatin1Char('\n'))
                                .toUtf8();
    if (log.write(line) != line.size() || !log.flush())
        throw RuntimeError(ErrorNumber::Failure,
                           QStringLiteral("Impossibile scrivere il registro delle esecuzioni %1. (%2)")
                               .arg(log.fileName(), log.errorString()));
}

QString ReadRunLog()
{
    QFile log(RunLogPath());
    if (!log.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(log.readAll());
}

QString WithoutPasswords(const QString& connectionText)
{
    QStringList pairs;
    const ConnectionString parsed = ConnectionString::parse(connectionText);
    for (const auto& [keyword, value] : parsed.pairs())
        pairs << keyword + QLatin1Char('=') + (IsPasswordKeyword(keyword) ? QStringLiteral("***") : value);
    return pairs.join(QLatin1Char(';'));
}

QString CurrentUserName()
{
    if (const passwd* entry = getpwuid(getuid()))
        return QString::fromLocal8Bit(entry->pw_name);
    return QString::number(getuid());
}
