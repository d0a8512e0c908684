#include "servers/server_process.h"

#include <unistd.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <csignal>
#include <functional>
#include <stdexcept>

namespace {

bool RunningAsRoot()
{
    return geteuid() == 0;
}

std::runtime_error Failure(const QString& what)
{
    return std::runtime_error(what.toStdString());
}

}  // namespace

ServerProcess::ServerProcess() : dir_(QDir::temp().filePath(QStringLiteral("corvanta-server-XXXXXX")))
{
    if (!dir_.isValid())
        throw Failure(QStringLiteral("cartella temporanea non creata: ") + dir_.errorString());
    if (RunningAsRoot())
        RunClient(QStringLiteral("chown"), {QStringLiteral("nobody:nogroup"), dir_.path()});
}

ServerProcess::~ServerProcess()
{
    if (server_.state() != QProcess::NotRunning) {
        server_.kill();
        server_.waitForFinished(10000);
    }
}

QStringList ServerProcess::asServerUser(const QString& program, const QStringList& arguments) const
{
    // The death signal is set last, after the change of user that would clear it.
    if (!RunningAsRoot())
        return QStringList{QStringLiteral("--pdeathsig"), QStringLiteral("KILL"), program} + arguments;
    return QStringList{QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                       QStringLiteral("--clear-groups"), QStringLiteral("--pdeathsig"),
                       QStringLiteral("KILL"),           program}
    + arguments;
}

void ServerProcess::runSetup(const QString& program, const QStringList& arguments) const
{
    QProcess setup;
    setup.setWorkingDirectory(folder());
    setup.setProcessChannelMode(QProcess::MergedChannels);
    setup.start(QStringLiteral("setpriv"), asServerUser(program, arguments));
    if (!setup.waitForFinished(120000) || setup.exitStatus() != QProcess::NormalExit || setup.exitCode() != 0)
        throw Failure(program + QStringLiteral(": ") + QString::fromLocal8Bit(setup.readAll()));
}

void ServerProcess::start(const QString& program, const QStringList& arguments)
{
    server_.setWorkingDirectory(folder());
    server_.setStandardOutputFile(filePath(QStringLiteral("server.log")));
    server_.setProcessChannelMode(QProcess::MergedChannels);
    server_.start(QStringLiteral("setpriv"), asServerUser(program, arguments));
    if (!server_.waitForStarted())
        throw Failure(program + QStringLiteral(": ") + server_.errorString());
}

void ServerProcess::waitUntil(const std::function<bool()>& ready, int seconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!ready()) {
        if (server_.state() == QProcess::NotRunning || timer.elapsed() > seconds * 1000)
            throw Failure(QStringLiteral("il server non è partito:\n") + log());
        QThread::msleep(100);
    }
}

void ServerProcess::stop(int signal)
{
    if (server_.state() == QProcess::NotRunning)
        return;
    ::kill(static_cast<pid_t>(server_.processId()), signal);
    if (!server_.waitForFinished(30000)) {
        server_.kill();
        server_.waitForFinished(10000);
    }
}

void ServerProcess::signalAll(int signal) const
{
    const qint64 server = server_.processId();
    if (server <= 0)
        return;
    ::kill(static_cast<pid_t>(server), signal);
    // Its children by their parent's number, the fourth field of /proc/PID/stat
    // (after the name in brackets, which may hold blanks).
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isProcess = false;
        const qint64 pid = entry.toLongLong(&isProcess);
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!isProcess || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields.at(1).toLongLong() == server)
            ::kill(static_cast<pid_t>(pid), signal);
    }
}

QString ServerProcess::log() const
{
    QFile file(filePath(QStringLiteral("server.log")));
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}

QString RunClient(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment)
{
    QProcess client;
    client.setProcessEnvironment(environment);
    client.start(program, arguments);
    if (!client.waitForFinished(120000) || client.exitStatus() != QProcess::NormalExit || client.exitCode() != 0)
        throw Failure(program + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')) + QStringLiteral(": ")
                      + QString::fromLocal8Bit(client.readAllStandardError()) + client.errorString());
    return QString::fromUtf8(client.readAllStandardOutput());
}
