#include "bench/transfer_floor.h"

#include "update/database_access.h"

#include <sqlite3.h>
#include <QElapsedTimer>
#include <stdexcept>

namespace {

double Seconds(const QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

void Check(sqlite3* db, int result)
{
    if (result != SQLITE_OK && result != SQLITE_DONE)
        throw std::runtime_error(std::string("sqlite3: ") + sqlite3_errmsg(db));
}

void Bind(sqlite3* db, sqlite3_stmt* statement, int place, const Variant& value)
{
    switch (value.type()) {
        case Variant::Type::Null: Check(db, sqlite3_bind_null(statement, place)); break;
        case Variant::Type::Integer: Check(db, sqlite3_bind_int64(statement, place, value.integer())); break;
        case Variant::Type::Double: Check(db, sqlite3_bind_double(statement, place, value.real())); break;
        case Variant::Type::Text: {
            const QByteArray utf8 = value.text().toUtf8();
            Check(db, sqlite3_bind_text(statement, place, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT));
            break;
        }
        case Variant::Type::Binary:
            Check(db,
                  sqlite3_bind_blob(statement, place, value.bytes().constData(), int(value.bytes().size()),
                                    SQLITE_TRANSIENT));
            break;
    }
}

void InsertAll(sqlite3* db, const char* sql, const std::vector<std::vector<Variant>>& rows)
{
    sqlite3_stmt* statement = nullptr;
    Check(db, sqlite3_prepare_v2(db, sql, -1, &statement, nullptr));
    for (const std::vector<Variant>& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i)
            Bind(db, statement, int(i) + 1, row[i]);
        Check(db, sqlite3_step(statement));
        sqlite3_reset(statement);
    }
    sqlite3_finalize(statement);
}

}  // namespace

double ReadSourceAlone(const QString& source)
{
    QElapsedTimer timer;
    timer.start();
    Connection origine;
    origine.open(FileConnectionString(source));
    // The sum keeps the compiler from dropping the reads.
    std::size_t seen = 0;
    for (const char* table : {"abi", "abicab"}) {
        Recordset rs;
        rs.open(QStringLiteral("SELECT * FROM ") + QLatin1String(table), origine);
        const QStringList columns = table == QLatin1String("abi")
            ? QStringList{"AbiAbi", "AbiBanc", "AbiAbichk"}
            : QStringList{"AbcAbi",      "AbcCab",    "AbcBanc", "AbcFiliale", "AbcIndir", "AbcCap",
                          "AbcLocalita", "AbcComune", "AbcProv", "AbcAbichk",  "AbcCabchk"};
        for (; !rs.eof(); rs.moveNext())
            for (const QString& column : columns)
                seen += std::size_t(rs.field(column).type());
        rs.close();
    }
    origine.close();
    const double seconds = Seconds(timer);
    if (seen == 0)
        throw std::runtime_error("origine vuota");
    return seconds;
}

double WriteSqliteAlone(const QString& destination, const DemoData& data)
{
    QElapsedTimer timer;
    timer.start();
    sqlite3* db = nullptr;
    if (sqlite3_open(destination.toUtf8().constData(), &db) != SQLITE_OK)
        throw std::runtime_error("sqlite3: database non aperto");
    try {
        // The codes from 1000 up go first, as in the transfer: the demo's may
        // clash with those the destination holds.
        Check(db,
              sqlite3_exec(db, "BEGIN; DELETE FROM abi WHERE abiabi >= 1000; DELETE FROM abicab WHERE abcabi >= 1000",
                           nullptr, nullptr, nullptr));
        InsertAll(db, "INSERT INTO ABI (AbiAbi, AbiBanc, AbiAbichk) VALUES (?, ?, ?)", data.banks);
        InsertAll(db,
                  "INSERT INTO ABICAB (AbcAbi, AbcCab, AbcBanc, AbcFiliale, AbcIndir, AbcCap, AbcLocalita, AbcComune,"
                  " AbcProv, AbcAbichk, AbcCabchk) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                  data.branches);
        Check(db, sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr));
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    sqlite3_close(db);
    return Seconds(timer);
}
