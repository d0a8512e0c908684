// Measures the transfer from an SQLite source: 1,000 banks and 50,000
// branches by default, one statement per row through the database layer,
// into an SQLite procedure database and into a Jet one with its primary keys,
// and beside them the sqlite3 shell running the same statements in one
// transaction.
#include "abicab_layout.h"
#include "code_transfer.h"
#include "console_ui_services.h"
#include "progress_report.h"
#include "jet_database_writer.h"
#include "runtime_error.h"
#include "writable_jet_backend.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <sqlite3.h>
#include <stdexcept>

namespace {

void Exec(sqlite3* db, const char* sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "?";
        sqlite3_free(error);
        throw std::runtime_error(message);
    }
}

void WithDatabase(const QString& path, const std::function<void(sqlite3*)>& work)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    work(db);
    sqlite3_close(db);
}

void MakeSource(const QString& path, int banks, int branches)
{
    WithDatabase(path, [&](sqlite3* db) {
        Exec(db, "CREATE TABLE abi (AbiAbi INTEGER, AbiBanc TEXT, AbiAbichk INTEGER);"
                 "CREATE TABLE abicab (AbcAbi INTEGER, AbcCab INTEGER, AbcBanc TEXT, AbcFiliale TEXT, AbcIndir TEXT,"
                 " AbcCap TEXT, AbcLocalita TEXT, AbcComune TEXT, AbcProv TEXT, AbcAbichk INTEGER, AbcCabchk REAL);"
                 "BEGIN;");
        sqlite3_stmt* bank = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO abi VALUES (?, ?, ?)", -1, &bank, nullptr);
        for (int i = 0; i < banks; ++i) {
            const QByteArray name = QStringLiteral("Banca Popolare dell'Esempio n. %1").arg(i).toUtf8();
            sqlite3_bind_int(bank, 1, 1000 + i * 7);
            sqlite3_bind_text(bank, 2, name.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(bank, 3, i % 10);
            sqlite3_step(bank);
            sqlite3_reset(bank);
        }
        sqlite3_finalize(bank);
        sqlite3_stmt* branch = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO abicab VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)", -1, &branch, nullptr);
        for (int i = 0; i < branches; ++i) {
            const int abi = 1000 + (i % banks) * 7;
            const QList<QByteArray> texts{
                QStringLiteral("Banca Popolare dell'Esempio n. %1").arg(i % banks).toUtf8(),
                QStringLiteral("Agenzia n. %1").arg(i / banks).toUtf8(),
                QStringLiteral("Via Giuseppe Garibaldi, %1").arg(i % 200 + 1).toUtf8(),
                QStringLiteral("%1").arg(10000 + i % 89999, 5, 10, QLatin1Char('0')).toUtf8(),
                QStringLiteral("Sant'Ambrogio di Valpolicella").toUtf8(),
                QStringLiteral("Forlì").toUtf8(),
                QStringLiteral("VR").toUtf8(),
            };
            sqlite3_bind_int(branch, 1, abi);
            sqlite3_bind_int(branch, 2, 10000 + i / banks);
            for (int t = 0; t < texts.size(); ++t)
                sqlite3_bind_text(branch, 3 + t, texts[t].constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(branch, 10, i % 10);
            sqlite3_bind_double(branch, 11, i % 10);
            sqlite3_step(branch);
            sqlite3_reset(branch);
        }
        sqlite3_finalize(branch);
        Exec(db, "COMMIT;");
    });
}

void MakeDestination(const QString& path)
{
    WithDatabase(path, [](sqlite3* db) {
        Exec(db, "CREATE TABLE ABI (AbiAbi INTEGER PRIMARY KEY, AbiBanc VARCHAR(80), AbiAbichk INTEGER, AbiBic VARCHAR(11));"
                 "CREATE TABLE ABICAB (AbcAbi INTEGER NOT NULL, AbcCab INTEGER NOT NULL, AbcBanc VARCHAR(80),"
                 " AbcFiliale VARCHAR(80), AbcIndir VARCHAR(80), AbcCap VARCHAR(5), AbcLocalita VARCHAR(60),"
                 " AbcComune VARCHAR(60), AbcProv VARCHAR(2), AbcAbichk INTEGER, AbcCabchk INTEGER,"
                 " PRIMARY KEY (AbcAbi, AbcCab));"
                 "INSERT INTO ABI VALUES (300, 'Banca Locale', 1, NULL);");
    });
}

// The Jet procedure database: release, ABI and ABICAB with their primary
// keys, and the one bank below 1000 that the SQLite one has too.
void MakeJetDestination(const QString& path)
{
    JetDatabaseWriter writer;
    const int release = writer.addTable(ReleaseDefinition());
    writer.appendRow(release, {Variant(12), Variant(0), Variant("base")});
    writer.addTable(ProcedureAbiDefinition());
    writer.addTable(ProcedureAbicabDefinition());
    writer.save(path);
    OpenWritableJetDatabase(path, QString())
        ->execute(QStringLiteral("INSERT INTO ABI (AbiAbi, AbiBanc, AbiAbichk) VALUES (300, 'Banca Locale', 1)"));
}

// The whole transfer into `destination`; answers its seconds, or a negative number after a failure.
double TimeTransfer(const QString& source, const QString& destination, QStringList* statements)
{
    ConsoleUiServices ui(false);
    int linea = 0;
    ProgressReport progress(ui, linea);
    auto origine = std::make_unique<Connection>();
    auto destinazione = std::make_unique<Connection>();
    if (statements)
        destinazione->setTrace([statements](const QString& sql) { statements->append(sql); });
    QElapsedTimer timer;
    timer.start();
    try {
        origine->open(FileConnectionString(source));
        destinazione->open(FileConnectionString(destination));
        TrasferisciCodici(ui, origine, destinazione, progress, linea);
    } catch (const RuntimeError& error) {
        QTextStream(stderr) << destination << ": linea " << linea << ", errore " << error.number() << ": "
                            << error.description() << '\n';
        return -1;
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int banks = args.size() > 1 ? args.at(1).toInt() : 1000;
    const int branches = args.size() > 2 ? args.at(2).toInt() : 50000;
    QTextStream out(stdout);
    if (banks <= 0 || branches <= 0) {
        QTextStream(stderr) << "Uso: bench-transfer [BANCHE [FILIALI]]\n";
        return 2;
    }

    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("Abicab.db"));
    const QString destination = dir.filePath(QStringLiteral("arcproc.db"));
    const QString shellDestination = dir.filePath(QStringLiteral("arcproc-shell.db"));
    MakeSource(source, banks, branches);
    MakeDestination(destination);
    QFile::copy(destination, shellDestination);

    const QString jetDestination = dir.filePath(QStringLiteral("ARCPROC.mdb"));
    MakeJetDestination(jetDestination);

    QStringList statements;
    const double toolSeconds = TimeTransfer(source, destination, &statements);
    const double jetSeconds = TimeTransfer(source, jetDestination, nullptr);
    if (toolSeconds < 0 || jetSeconds < 0)
        return 1;
    QElapsedTimer timer;

    const QString script = dir.filePath(QStringLiteral("statements.sql"));
    {
        QFile file(script);
        file.open(QIODevice::WriteOnly);
        file.write("BEGIN;\n" + statements.join(QStringLiteral(";\n")).toUtf8() + ";\nCOMMIT;\n");
    }
    QProcess shell;
    shell.setStandardInputFile(script);
    timer.start();
    shell.start(QStringLiteral("sqlite3"), {QStringLiteral("-bail"), shellDestination});
    shell.waitForFinished(-1);
    const double shellSeconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    if (shell.exitStatus() != QProcess::NormalExit || shell.exitCode() != 0) {
        QTextStream(stderr) << "sqlite3: " << shell.readAllStandardError() << '\n';
        return 1;
    }

    const int rows = banks + branches;
    out << "righe trasferite: " << rows << " (" << banks << " banche, " << branches << " filiali), "
        << statements.size() << " istruzioni\n";
    out << QStringLiteral("strumento, destinazione SQLite: %1 s, %2 righe/s\n")
               .arg(toolSeconds, 0, 'f', 3)
               .arg(rows / toolSeconds, 0, 'f', 0);
    out << QStringLiteral("strumento, destinazione Jet 4 con chiavi primarie: %1 s, %2 righe/s\n")
               .arg(jetSeconds, 0, 'f', 3)
               .arg(rows / jetSeconds, 0, 'f', 0);
    out << QStringLiteral("rapporto Jet/SQLite: %1 (obiettivo: al più 2)\n").arg(jetSeconds / toolSeconds, 0, 'f', 2);
    out << QStringLiteral("shell sqlite3, una transazione: %1 s, %2 righe/s\n")
               .arg(shellSeconds, 0, 'f', 3)
               .arg(rows / shellSeconds, 0, 'f', 0);
    out << QStringLiteral("rapporto strumento/shell: %1\n").arg(toolSeconds / shellSeconds, 0, 'f', 2);
    return 0;
}
