#include "transfer_oracle.h"

#include "mkabicab/csv_reader.h"

#include <sqlite3.h>
#include <QLocale>
#include <QProcess>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// A value as one side has it: Null, a number in its own spelling, or a text.
struct Value {
    enum class Kind { Null, Number, Text } kind = Kind::Null;
    QString text;
};

using Row = std::vector<Value>;

struct CodeTable {
    const char* source;
    const char* destination;
    QStringList columns;
    const char* keptWhere;  // the destination rows the transfer keeps
};

const CodeTable kTables[] = {
    {"abi", "ABI", {"AbiAbi", "AbiBanc", "AbiAbichk"}, "AbiAbi < 1000"},
    {"abicab",
     "ABICAB",
     {"AbcAbi", "AbcCab", "AbcBanc", "AbcFiliale", "AbcIndir", "AbcCap", "AbcLocalita", "AbcComune", "AbcProv",
      "AbcAbichk", "AbcCabchk"},
     "AbcAbi < 1000"},
};

// The rows of a query, in the order of the table's rowids: kept rows first,
// then the inserts in the order they were made.
std::vector<Row> StoredRows(const QString& path, const CodeTable& table, bool keptOnly)
{
    std::vector<Row> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        const QString sql =
            QStringLiteral("SELECT %1 FROM %2%3 ORDER BY rowid")
                .arg(table.columns.join(QStringLiteral(", ")), QString::fromLatin1(table.destination),
                     keptOnly ? QStringLiteral(" WHERE ") + QString::fromLatin1(table.keptWhere) : QString());
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr) == SQLITE_OK) {
            while (sqlite3_step(statement) == SQLITE_ROW) {
                Row row;
                for (int c = 0; c < table.columns.size(); ++c) {
                    const char* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
                    switch (sqlite3_column_type(statement, c)) {
                        case SQLITE_NULL: row.push_back({}); break;
                        case SQLITE_INTEGER: row.push_back({Value::Kind::Number, QString::fromUtf8(text)}); break;
                        case SQLITE_FLOAT:
                            row.push_back(
                                {Value::Kind::Number, QString::number(sqlite3_column_double(statement, c), 'g', 17)});
                            break;
                        default: row.push_back({Value::Kind::Text, QString::fromUtf8(text)}); break;
                    }
                }
                rows.push_back(std::move(row));
            }
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return rows;
}

std::optional<QByteArray> MdbExport(const QString& source, const char* table)
{
    const QString dateFormat = QStringLiteral("%Y-%m-%d %H:%M:%S");
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(environment);
    process.setStandardErrorFile(QProcess::nullDevice());
    // Booleans as words, since the tool reads them as -1 and 0, not as mdb-export's 1 and 0.
    process.start(QStringLiteral("mdb-export"),
                  {QStringLiteral("-B"), QStringLiteral("-b"), QStringLiteral("hex"), QStringLiteral("-D"), dateFormat,
                   QStringLiteral("-T"), dateFormat, source, QString::fromLatin1(table)});
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput();
}

Value Exported(const CsvField& field)
{
    if (field.text.isEmpty())  // the transfer writes an empty text as Null
        return {};
    if (field.quoted)
        return {Value::Kind::Text, field.text};
    if (field.text == QLatin1String("TRUE"))
        return {Value::Kind::Number, QStringLiteral("-1")};
    if (field.text == QLatin1String("FALSE"))
        return {Value::Kind::Number, QStringLiteral("0")};
    return {Value::Kind::Number, field.text};
}

// The source rows as mdb-export reads them, in the transfer's columns.
std::optional<std::vector<Row>> ExportedRows(const QString& source, const CodeTable& table)
{
    const std::optional<QByteArray> csv = MdbExport(source, table.source);
    if (!csv)
        return std::nullopt;
    std::vector<Row> rows;
    try {
        CsvReader reader(QString::fromUtf8(*csv));
        CsvRecord record;
        // libmdb itself prints on standard output when it meets some damage:
        // the export starts at the header.
        std::vector<int> positions;
        while (positions.empty() || std::count(positions.begin(), positions.end(), -1) == std::ssize(positions)) {
            if (!reader.next(record))
                return std::nullopt;
            positions.clear();
            for (const QString& column : table.columns) {
                int found = -1;
                for (size_t f = 0; f < record.fields.size(); ++f) {
                    if (record.fields[f].text.compare(column, Qt::CaseInsensitive) == 0)
                        found = static_cast<int>(f);
                }
                positions.push_back(found);
            }
        }
        while (reader.next(record)) {
            Row row;
            for (const int position : positions) {
                if (position < 0 || position >= static_cast<int>(record.fields.size()))
                    row.push_back({Value::Kind::Text, QStringLiteral("(colonna assente)")});
                else
                    row.push_back(Exported(record.fields[static_cast<size_t>(position)]));
            }
            rows.push_back(std::move(row));
        }
    } catch (const CsvError&) {
        return std::nullopt;
    }
    return rows;
}

std::optional<double> Number(const QString& text)
{
    bool ok = false;
    const double number = QLocale::c().toDouble(text.trimmed(), &ok);
    return ok && std::isfinite(number) ? std::optional<double>(number) : std::nullopt;
}

bool SameNumber(const QString& expected, const QString& actual)
{
    const std::optional<double> e = Number(expected);
    const std::optional<double> a = Number(actual);
    if (!e || !a)
        return false;
    const double difference = std::fabs(*e - *a);
    // The statements carry 15 digits; mdb-export writes whole numbers exactly,
    // doubles with 16 digits and single-precision numbers with 7.
    const bool whole =
        !expected.contains(QLatin1Char('.')) && !expected.contains(QLatin1Char('e'), Qt::CaseInsensitive);
    return difference <= 1e-14 * std::fabs(*e) || (!whole && difference <= 5e-7 * std::fabs(*e));
}

// mdb-export writes '?' for each half of a surrogate pair.
QString AsMdbExportWritesIt(QString text)
{
    for (QChar& c : text) {
        if (c.isSurrogate())
            c = QLatin1Char('?');
    }
    return text;
}

bool Same(const Value& expected, const Value& actual)
{
    using K = Value::Kind;
    if (expected.kind == K::Null || actual.kind == K::Null)
        return expected.kind == actual.kind;
    if (expected.kind == K::Text && actual.kind == K::Text)
        return expected.text == AsMdbExportWritesIt(actual.text);
    // A number written as a text, or a text that is a number converted.
    return SameNumber(expected.text, actual.text);
}

QString Describe(const Value& value)
{
    switch (value.kind) {
        case Value::Kind::Null: return QStringLiteral("Null");
        case Value::Kind::Number: return value.text;
        case Value::Kind::Text: return QLatin1Char('"') + value.text + QLatin1Char('"');
    }
    return {};
}

}  // namespace

std::optional<QStringList> DifferencesFromMdbExport(const QString& source, const QString& destinationBefore,
                                                    const QString& destinationAfter)
{
    QStringList differences;
    for (const CodeTable& table : kTables) {
        std::optional<std::vector<Row>> exported = ExportedRows(source, table);
        if (!exported)
            return std::nullopt;
        std::vector<Row> expected = StoredRows(destinationBefore, table, true);
        expected.insert(expected.end(), exported->begin(), exported->end());
        const std::vector<Row> actual = StoredRows(destinationAfter, table, false);
        const QString name = QString::fromLatin1(table.destination);
        if (actual.size() != expected.size())
            differences.append(
                QStringLiteral("%1: %2 righe invece di %3").arg(name).arg(actual.size()).arg(expected.size()));
        for (size_t r = 0; r < std::min(actual.size(), expected.size()) && differences.size() < 5; ++r) {
            for (int c = 0; c < table.columns.size(); ++c) {
                const Value& want = expected[r][static_cast<size_t>(c)];
                const Value& got = actual[r][static_cast<size_t>(c)];
                if (!Same(want, got))
                    differences.append(QStringLiteral("%1 riga %2, %3: %4 invece di %5")
                                           .arg(name)
                                           .arg(r + 1)
                                           .arg(table.columns[c], Describe(got), Describe(want)));
            }
        }
    }
    return differences;
}
