// Damages copies of source databases and runs the whole update on each, as
// the window's "OK" runs it on an installation's profile, into an SQLite
// procedure database that holds codes, counting what must never happen: a
// crash, a hang, a run that changed the destination without completing, a
// completed run whose destination differs from what mdb-export reads from
// the same source. See README.md beside this file.
//
//   source_mutation [--mutanti N] [--seme S] [--reperti CARTELLA]
//   source_mutation --controlla FILE    judges one file, such as a finding
//
// Each mutant runs in a process of its own (this program again, with
// --aggiorna CARTELLA_PROGRAMMA), so that a crash or a hang is seen from
// outside. Exits with 1 when anything was found; the damaged files found are
// kept in the findings folder, with a line each in reperti.txt.
#include "cli/console_ui_services.h"
#include "jet_damage.h"
#include "layouts/abicab_layout.h"
#include "mkdemo/demo_data.h"
#include "mkprefix/wine_prefix_writer.h"
#include "platform/database/jet/jet_backend_testing.h"
#include "platform/database/jet/new_file/jet_database_writer.h"
#include "settings/profile_selection.h"
#include "transfer_oracle.h"
#include "update/update_run.h"

#include <sqlite3.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <random>

namespace {

using namespace std::chrono_literals;

// The run's exit codes, besides a crash.
constexpr int kCompleted = 0;
constexpr int kFailed = 1;
constexpr int kNoCodes = 3;

// Longer than the reader's limits can make any run of these small sources.
constexpr int kHangMilliseconds = 60000;

const QString kProfile = QStringLiteral("Corvanta");

// The update of the profile in WINEPREFIX from the Abicab.mdb in
// `programFolder`, confirmed; its boxes go to standard error.
int RunUpdate(const QString& programFolder)
{
    // A read that loops ends within seconds rather than 30, and within far
    // less memory, so that thousands of mutants take minutes.
    SetJetReadLimitsForTests(2s, std::size_t{128} << 20);
    ConsoleUiServices ui(false, true);
    if (!SelezionaProfilo(ui, kProfile))
        return kFailed;
    UpdateRun run(ui, programFolder);
    run.CopiaAbiCab();
    switch (run.esito()) {
        case RunOutcome::Completed: return kCompleted;
        case RunOutcome::NoCodes: return kNoCodes;
        default: return kFailed;
    }
}

// A valid source as the project's Jet writer writes it: the demo's banks and
// branches and a few rows with texts that are hard to carry.
void WriteValidSource(const QString& path)
{
    const DemoData demo = GenerateDemoData({40, 400});
    std::vector<std::vector<Variant>> banks = demo.banks;
    banks.push_back({Variant(9990), Variant(QStringLiteral("x\\'); DELETE FROM abi; --")), Variant(1)});
    banks.push_back({Variant(9991), Variant(QString()), Variant(2)});
    banks.push_back({Variant(9992), Variant(), Variant(3)});
    std::vector<std::vector<Variant>> branches = demo.branches;
    branches.push_back({Variant(9990), Variant(1), Variant(QStringLiteral("Banca \"Virgolette\" e \\")),
                        Variant(QStringLiteral("Sede\nscala B")), Variant(QStringLiteral("Via\tdel Tabulatore, 1")),
                        Variant(QStringLiteral("00100")), Variant(QStringLiteral("L'Aquila")),
                        Variant(QStringLiteral("Città di Castello \U0001F3F0")), Variant(QStringLiteral("PG")),
                        Variant(1), Variant(1.0 / 3.0)});
    branches.push_back({Variant(9991), Variant(2), Variant(), Variant(QString()), Variant(), Variant(), Variant(),
                        Variant(), Variant(), Variant(2), Variant(-0.125)});
    WriteJetDatabase(path, {{AbiTableDefinition(), banks}, {AbicabTableDefinition(), branches}});
}

// A procedure database of a supported release holding codes on both sides
// of 1000. ABI's key is not an alias of the rowid, so that the rows read back
// in the order of the inserts.
void WriteDestination(const QString& path)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db,
                 "CREATE TABLE release (rel_maior INTEGER, rel_minor INTEGER, rel_pers INTEGER);"
                 "INSERT INTO release VALUES (12, 3, 0);"
                 "CREATE TABLE ABI (AbiAbi INT NOT NULL PRIMARY KEY, AbiBanc VARCHAR(80), AbiAbichk INTEGER,"
                 " AbiBic VARCHAR(11));"
                 "CREATE TABLE ABICAB (AbcAbi INTEGER NOT NULL, AbcCab INTEGER NOT NULL, AbcBanc VARCHAR(80),"
                 " AbcFiliale VARCHAR(80), AbcIndir VARCHAR(80), AbcCap VARCHAR(5), AbcLocalita VARCHAR(60),"
                 " AbcComune VARCHAR(60), AbcProv VARCHAR(2), AbcAbichk INTEGER, AbcCabchk INTEGER,"
                 " PRIMARY KEY (AbcAbi, AbcCab));"
                 "INSERT INTO ABI VALUES (1, 'Banca Locale', 1, 'LOCAITM1');"
                 "INSERT INTO ABI VALUES (999, 'Ultima Locale', 2, NULL);"
                 "INSERT INTO ABI VALUES (1000, 'Vecchia Mille', 3, 'VECCITMM');"
                 "INSERT INTO ABICAB VALUES (1, 100, 'Banca Locale', 'Sede', NULL, '10100', 'Torino', 'Torino',"
                 " 'TO', 1, 5);"
                 "INSERT INTO ABICAB VALUES (1000, 200, 'Vecchia Mille', 'Sede', NULL, '20100', 'Milano', 'Milano',"
                 " 'MI', 3, 6);",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// A hot journal left by a run that died is rolled back by the next opener;
// the destination is compared as that opener finds it.
QByteArray DestinationAsFound(const QString& path)
{
    if (QFile::exists(path + QStringLiteral("-journal"))) {
        sqlite3* db = nullptr;
        sqlite3_open(path.toUtf8().constData(), &db);
        sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

struct Base {
    QString name;
    QByteArray bytes;
};

struct Outcome {
    enum class Kind { Completed, Failed, NoCodes, Crashed, Hung } kind = Kind::Completed;
    QString output;
};

// An installation whose profile keeps its procedure database as a file
// (C:\Corvanta\Dati\ARCPROC.db), a program folder for Abicab.mdb, and a
// state folder for the runs' backups and log, which are not the user's.
struct Installation {
    QString prefix;
    QString programFolder;
    QString procedureDatabase;
    QString stateFolder;
    QString source() const { return QDir(programFolder).filePath(QStringLiteral("Abicab.mdb")); }
};

Installation WriteInstallation(const QTemporaryDir& work)
{
    const Installation installation{work.filePath(QStringLiteral("wine")), work.filePath(QStringLiteral("programma")),
                                    work.filePath(QStringLiteral("wine/drive_c/Corvanta/Dati/ARCPROC.db")),
                                    work.filePath(QStringLiteral("stato"))};
    const QString key = QStringLiteral("HKCU\\Software\\VB and VBA Program Settings\\Corvanta\\") + kProfile;
    WinePrefixWriter writer(installation.prefix);
    writer.createKey(key);
    writer.setText(key, QStringLiteral("PrcSubDataType"), QStringLiteral("(Nessuno)"));
    writer.setText(key, QStringLiteral("PrcAdoProvider"), QStringLiteral("Microsoft.Jet.OLEDB.4.0"));
    writer.setText(key, QStringLiteral("PrcAdoConnect"), QStringLiteral(""));
    writer.setText(key, QStringLiteral("PrcDir"), QStringLiteral("C:\\Corvanta\\Dati"));
    writer.setText(key, QStringLiteral("PrcName"), QStringLiteral("ARCPROC"));
    writer.setText(key, QStringLiteral("PrcExt"), QStringLiteral(".db"));
    writer.setText(key, QStringLiteral("Server"), QStringLiteral("S"));
    writer.save();
    QDir().mkpath(QFileInfo(installation.procedureDatabase).path());
    QDir().mkpath(installation.programFolder);
    return installation;
}

Outcome RunOne(const Installation& installation)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WINEPREFIX"), installation.prefix);
    environment.insert(QStringLiteral("XDG_STATE_HOME"), installation.stateFolder);
    process.setProcessEnvironment(environment);
    // The boxes, an error report among them, are written to standard error.
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--aggiorna"), installation.programFolder});
    if (!process.waitForFinished(kHangMilliseconds)) {
        process.kill();
        process.waitForFinished();
        return {Outcome::Kind::Hung, QString()};
    }
    // The last box is what the run ended with.
    const QString output = QString::fromUtf8(process.readAllStandardOutput()).trimmed().section(QLatin1Char('\n'), -1);
    if (process.exitStatus() != QProcess::NormalExit)
        return {Outcome::Kind::Crashed, output};
    switch (process.exitCode()) {
        case kCompleted: return {Outcome::Kind::Completed, output};
        case kFailed: return {Outcome::Kind::Failed, output};
        case kNoCodes: return {Outcome::Kind::NoCodes, output};
        default: return {Outcome::Kind::Crashed, QStringLiteral("uscita %1 %2").arg(process.exitCode()).arg(output)};
    }
}

struct Counts {
    int completed = 0;
    int failed = 0;
    int noCodes = 0;
    int crashes = 0;
    int hangs = 0;
    int changedWithoutCompleting = 0;
    int differentFromMdbExport = 0;
    int unreadableByMdbExport = 0;

    int findings() const { return crashes + hangs + changedWithoutCompleting + differentFromMdbExport; }
};

// Runs the update with `sourceBytes` as Abicab.mdb on a fresh copy of the
// procedure database and judges the run; answers what is wrong with it,
// empty when nothing is.
QString RunAndJudge(const Installation& installation, const QString& pristine, const QByteArray& sourceBytes,
                    Counts& counts, Outcome& outcome)
{
    WriteFile(installation.source(), sourceBytes);
    QFile::remove(installation.procedureDatabase);
    QFile::copy(pristine, installation.procedureDatabase);
    outcome = RunOne(installation);
    switch (outcome.kind) {
        case Outcome::Kind::Crashed: ++counts.crashes; return QStringLiteral("crash: ") + outcome.output;
        case Outcome::Kind::Hung: ++counts.hangs; return QStringLiteral("blocco");
        case Outcome::Kind::Failed:
        case Outcome::Kind::NoCodes:
            outcome.kind == Outcome::Kind::Failed ? ++counts.failed : ++counts.noCodes;
            if (DestinationAsFound(installation.procedureDatabase) != ReadFile(pristine)) {
                ++counts.changedWithoutCompleting;
                return QStringLiteral("destinazione cambiata senza completare: ") + outcome.output;
            }
            return {};
        case Outcome::Kind::Completed: {
            ++counts.completed;
            const std::optional<QStringList> differences =
                DifferencesFromMdbExport(installation.source(), pristine, installation.procedureDatabase);
            if (!differences) {
                ++counts.unreadableByMdbExport;
                return {};
            }
            if (!differences->isEmpty()) {
                ++counts.differentFromMdbExport;
                return QStringLiteral("diversa da mdb-export: ") + differences->join(QStringLiteral("; "));
            }
            return {};
        }
    }
    return {};
}

std::vector<Base> Bases(const QTemporaryDir& work)
{
    std::vector<Base> bases;
    const QString written = work.filePath(QStringLiteral("Abicab.mdb"));
    WriteValidSource(written);
    bases.push_back({QStringLiteral("Abicab.mdb"), ReadFile(written)});
    const QDir samples(QStringLiteral(CORVANTA_JET_SAMPLES));
    for (const QString& name :
         samples.entryList({QStringLiteral("*.mdb"), QStringLiteral("*.accdb")}, QDir::Files, QDir::Name))
        bases.push_back({name, ReadFile(samples.filePath(name))});
    return bases;
}

int Usage()
{
    QTextStream(stderr) << "Uso: source_mutation [--mutanti N] [--seme S] [--reperti CARTELLA]\n"
                           "     source_mutation --controlla FILE\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 2 && args[0] == QLatin1String("--aggiorna"))
        return RunUpdate(args[1]);

    int mutants = 300;
    quint64 seed = 1;
    QString findingsFolder = QStringLiteral("reperti-mutazioni");
    QString fileToJudge;
    for (qsizetype i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--mutanti"))
            mutants = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--seme"))
            seed = args[i + 1].toULongLong();
        else if (args[i] == QLatin1String("--reperti"))
            findingsFolder = args[i + 1];
        else if (args[i] == QLatin1String("--controlla"))
            fileToJudge = args[i + 1];
        else
            return Usage();
    }
    if (args.size() % 2 != 0 || mutants <= 0)
        return Usage();

    QTextStream out(stdout);
    QTemporaryDir work;
    const Installation installation = WriteInstallation(work);
    const QString pristine = work.filePath(QStringLiteral("ARCPROC-prima.db"));
    WriteDestination(pristine);
    Outcome outcome;
    if (!fileToJudge.isEmpty()) {
        Counts counts;
        const QString problem = RunAndJudge(installation, pristine, ReadFile(fileToJudge), counts, outcome);
        out << (outcome.output.isEmpty() ? QStringLiteral("(nessun messaggio)") : outcome.output) << '\n'
            << (problem.isEmpty() ? QStringLiteral("nulla da segnalare") : problem) << '\n';
        return problem.isEmpty() ? 0 : 1;
    }

    // The oracle must agree with an undamaged run before it can judge damaged ones.
    const std::vector<Base> bases = Bases(work);
    Counts baseline;
    const QString cleanProblem = RunAndJudge(installation, pristine, bases.front().bytes, baseline, outcome);
    if (outcome.kind != Outcome::Kind::Completed || !cleanProblem.isEmpty() || baseline.unreadableByMdbExport) {
        out << "La base non danneggiata non passa: " << (cleanProblem.isEmpty() ? outcome.output : cleanProblem)
            << '\n';
        return 2;
    }

    QDir().mkpath(findingsFolder);
    QFile findingsList(QDir(findingsFolder).filePath(QStringLiteral("reperti.txt")));
    Counts counts;
    int writtenBases = 0;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < mutants; ++i) {
        std::mt19937_64 random(seed * 1000003 + static_cast<quint64>(i));
        // Two in three from the writer's valid source, which reaches the inserts.
        const size_t b = std::uniform_int_distribution<int>(0, 2)(random) != 0
            ? 0
            : std::uniform_int_distribution<size_t>(1, bases.size() - 1)(random);
        writtenBases += b == 0;
        QByteArray bytes = bases[b].bytes;
        QStringList damages;
        const int count = std::uniform_int_distribution<int>(0, 3)(random) == 0 ? 3 : 1;
        for (int d = 0; d < count; ++d) {
            const auto damage = static_cast<Damage>(std::uniform_int_distribution<int>(0, kDamageKinds - 1)(random));
            damages.append(ApplyDamage(bytes, damage, random));
        }
        const QString problem = RunAndJudge(installation, pristine, bytes, counts, outcome);
        if (!problem.isEmpty()) {
            const QString kept = QStringLiteral("%1-%2-%3").arg(seed).arg(i).arg(bases[b].name);
            WriteFile(QDir(findingsFolder).filePath(kept), bytes);
            const QString line = QStringLiteral("%1 (%2): %3\n").arg(kept, damages.join(QStringLiteral("; ")), problem);
            if (findingsList.open(QIODevice::Append))
                findingsList.write(line.toUtf8());
            findingsList.close();
            out << line;
            out.flush();
        }
    }

    out << "mutanti: " << mutants << " (seme " << seed << "; " << writtenBases << " dalla base scritta dal progetto, "
        << mutants - writtenBases << " dai file fatti da Access), " << timer.elapsed() / 1000.0 << " s\n"
        << "esiti: " << counts.completed << " completati, " << counts.failed << " falliti con un errore, "
        << counts.noCodes << " senza codici da copiare\n"
        << "crash: " << counts.crashes << '\n'
        << "blocchi: " << counts.hangs << '\n'
        << "destinazione cambiata senza completare: " << counts.changedWithoutCompleting << '\n'
        << "completati diversi da mdb-export: " << counts.differentFromMdbExport << '\n'
        << "completati che mdb-export non legge: " << counts.unreadableByMdbExport << '\n';
    return counts.findings() == 0 ? 0 : 1;
}
