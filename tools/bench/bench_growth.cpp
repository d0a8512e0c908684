// Measures how the time and memory of a whole run grow with the branches.
// For each count (50,000, 200,000 and 500,000 by default) it writes a source
// with the project's Jet writer (the demo's data, 1,000 banks) and an SQLite
// destination that holds codes, runs trasferisci-codici on them and prints
// the wall time, the processor time and the peak resident memory of the run
// (the tool or one of its reader processes, whichever is larger), per branch
// and between counts.
//
//   bench_growth [FILIALI ...]
#include "bench/demo_source.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

constexpr int kBanks = 1000;

struct Run {
    double seconds = 0;
    double cpuSeconds = 0;  // of the tool and its readers: steadier than the wall on a busy machine
    double peakMegabytes = 0;
    bool completed = false;
};

void WriteDestination(const QString& path)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db,
                 "CREATE TABLE ABI (AbiAbi INTEGER PRIMARY KEY, AbiBanc VARCHAR(80), AbiAbichk INTEGER);"
                 "CREATE TABLE ABICAB (AbcAbi INTEGER NOT NULL, AbcCab INTEGER NOT NULL, AbcBanc VARCHAR(80),"
                 " AbcFiliale VARCHAR(80), AbcIndir VARCHAR(80), AbcCap VARCHAR(5), AbcLocalita VARCHAR(60),"
                 " AbcComune VARCHAR(60), AbcProv VARCHAR(2), AbcAbichk INTEGER, AbcCabchk INTEGER,"
                 " PRIMARY KEY (AbcAbi, AbcCab));"
                 "INSERT INTO ABI VALUES (1, 'Banca Locale', 1);",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// Runs the tool as a process of its own, so that its peak memory is its own.
Run Transfer(const QString& source, const QString& destination)
{
    const QByteArray program =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("trasferisci-codici")).toLocal8Bit();
    const QByteArray from = source.toLocal8Bit();
    const QByteArray to = destination.toLocal8Bit();
    QElapsedTimer timer;
    timer.start();
    const pid_t child = ::fork();
    if (child == 0) {
        const int devNull = ::open("/dev/null", O_WRONLY);
        ::dup2(devNull, STDOUT_FILENO);
        ::dup2(devNull, STDERR_FILENO);
        // --si: the two-file form asks before replacing the codes, and nobody is there to answer.
        ::execl(program.constData(), program.constData(), "--si", from.constData(), to.constData(),
                static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};  // the child's, and its waited-for readers' largest
    ::wait4(child, &status, 0, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return {static_cast<double>(timer.nsecsElapsed()) / 1e9, seconds(usage.ru_utime) + seconds(usage.ru_stime),
            static_cast<double>(usage.ru_maxrss) / 1024.0, WIFEXITED(status) && WEXITSTATUS(status) == 0};
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::vector<int> counts;
    for (const QString& arg : app.arguments().mid(1))
        counts.push_back(arg.toInt());
    if (counts.empty())
        counts = {50000, 200000, 500000};
    QTextStream out(stdout);
    for (const int branches : counts) {
        if (branches <= 0 || branches > kBanks * 10000) {
            QTextStream(stderr) << "Uso: bench_growth [FILIALI ...], da 1 a 10000000 filiali\n";
            return 2;
        }
    }

    // The runs' backups and log go to the benchmark's own folder, not the user's.
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());

    out << "filiali   secondi   CPU s   µs CPU/filiale   memoria max MB   KB/filiale   tra questa e la precedente\n";
    Run previous;
    int previousBranches = 0;
    for (const int branches : counts) {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("Abicab.mdb"));
        const QString destination = dir.filePath(QStringLiteral("ARCPROC.db"));
        if (!WriteDemoSource(source, branches)) {
            QTextStream(stderr) << "Abicab.mdb non scritto con " << branches << " filiali\n";
            return 1;
        }
        WriteDestination(destination);
        const Run run = Transfer(source, destination);
        if (!run.completed) {
            QTextStream(stderr) << "trasferisci-codici non ha completato con " << branches << " filiali\n";
            return 1;
        }
        out << QStringLiteral("%1   %2   %3   %4   %5   %6")
                   .arg(branches, 7)
                   .arg(run.seconds, 7, 'f', 2)
                   .arg(run.cpuSeconds, 5, 'f', 2)
                   .arg(run.cpuSeconds * 1e6 / branches, 14, 'f', 1)
                   .arg(run.peakMegabytes, 14, 'f', 1)
                   .arg(run.peakMegabytes * 1024.0 / branches, 10, 'f', 2);
        if (previousBranches > 0) {
            const double more = branches - previousBranches;
            out << QStringLiteral("   %1 µs CPU e %2 KB per filiale in più")
                       .arg((run.cpuSeconds - previous.cpuSeconds) * 1e6 / more, 0, 'f', 1)
                       .arg((run.peakMegabytes - previous.peakMegabytes) * 1024.0 / more, 0, 'f', 2);
        }
        out << '\n';
        out.flush();
        previous = run;
        previousBranches = branches;
    }
    return 0;
}
