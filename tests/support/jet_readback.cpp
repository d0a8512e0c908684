#include "support/jet_readback.h"

#include "mkabicab/csv_reader.h"
#include "platform/database/jet/jet_backend.h"
#include "platform/runtime/runtime_error.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace {

bool IsWholeNumberColumn(JetColumnType type)
{
    return type == JetColumnType::Byte || type == JetColumnType::Integer || type == JetColumnType::LongInteger;
}

Variant Normalised(const JetColumn& column, const Variant& value)
{
    if (column.type == JetColumnType::Double && value.type() == Variant::Type::Integer)
        return Variant(static_cast<double>(value.integer()));
    return value;
}

QString Describe(const Variant& value)
{
    switch (value.type()) {
        case Variant::Type::Null: return QStringLiteral("Null");
        case Variant::Type::Integer: return QStringLiteral("integer %1").arg(value.integer());
        case Variant::Type::Double: return QStringLiteral("double %1").arg(value.real(), 0, 'g', 17);
        case Variant::Type::Text: return QStringLiteral("text \"%1\"").arg(value.text());
        case Variant::Type::Binary: return QStringLiteral("bytes %1").arg(QString::fromLatin1(value.bytes().toHex()));
    }
    return {};
}

// Runs a program with a locale that makes printf write "." and the readers write UTF-8.
QByteArray Run(const QString& program, const QStringList& arguments, const QString& workingFolder = QString())
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(environment);
    if (!workingFolder.isEmpty())
        process.setWorkingDirectory(workingFolder);
    process.start(program, arguments);
    if (!process.waitForFinished(300000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " " << arguments.join(QLatin1Char(' ')).toStdString()
                      << " failed: " << process.errorString().toStdString() << "\n"
                      << process.readAllStandardError().toStdString();
        return {};
    }
    return process.readAllStandardOutput();
}

void ExpectColumns(const char* reader, const JetTable& expected, const QStringList& columns)
{
    QStringList names;
    for (const JetColumn& column : expected.definition.columns)
        names.append(column.name);
    EXPECT_EQ(columns, names) << reader << ": columns of " << expected.definition.name.toStdString();
}

// Compares the rows a reader gave, each value turned into what that reader can tell apart.
template <typename Actual>
void ExpectRows(const char* reader, const JetTable& expected, const std::vector<std::vector<Actual>>& actual,
                Variant (*asReaderSeesIt)(const JetColumn&, const Variant&),
                Variant (*read)(const JetColumn&, const Actual&))
{
    const std::string table = expected.definition.name.toStdString();
    ASSERT_EQ(actual.size(), expected.rows.size()) << reader << ": rows of " << table;
    int failures = 0;
    for (size_t r = 0; r < actual.size() && failures < 10; ++r) {
        ASSERT_EQ(actual[r].size(), expected.definition.columns.size()) << reader << ": " << table << " row " << r;
        for (size_t c = 0; c < actual[r].size(); ++c) {
            const JetColumn& column = expected.definition.columns[c];
            const Variant want = asReaderSeesIt(column, Normalised(column, expected.rows[r][c]));
            const Variant got = read(column, actual[r][c]);
            if (!(got == want)) {
                ++failures;
                ADD_FAILURE() << reader << ": " << table << " row " << r << " column " << column.name.toStdString()
                              << ": expected " << Describe(want).toStdString() << ", got "
                              << Describe(got).toStdString();
            }
        }
    }
}

Variant AsIs(const JetColumn&, const Variant& value)
{
    return value;
}

void CheckProjectReader(const QString& path, const std::vector<JetTable>& expected)
{
    try {
        const auto database = OpenJetDatabase(path);
        for (const JetTable& table : expected) {
            const ResultSet result = database->query(QStringLiteral("SELECT * FROM [%1]").arg(table.definition.name));
            ExpectColumns("project reader", table, result.columns);
            ExpectRows<Variant>("project reader", table, result.rows, AsIs, AsIs);
        }
    } catch (const RuntimeError& error) {
        ADD_FAILURE() << "project reader: " << error.description().toStdString();
    }
}

// mdb-export writes Null and empty text alike as nothing, and a double with 16 significant digits.
Variant AsMdbExportSeesIt(const JetColumn& column, const Variant& value)
{
    if (value.isNull() || (value.type() == Variant::Type::Text && value.text().isEmpty()))
        return {};
    if (column.type == JetColumnType::Double)
        return Variant(QString::asprintf("%.16g", value.real()));
    return value;
}

Variant FromMdbExport(const JetColumn& column, const CsvField& field)
{
    if (field.text.isEmpty() && !field.quoted)
        return {};
    if (IsWholeNumberColumn(column.type)) {
        bool ok = false;
        const qint64 number = field.text.toLongLong(&ok);
        return ok ? Variant(number) : Variant(QStringLiteral("unreadable number ") + field.text);
    }
    return Variant(field.text);
}

void CheckMdbExport(const QString& path, const std::vector<JetTable>& expected)
{
    QStringList names;
    for (const JetTable& table : expected)
        names.append(table.definition.name);
    const QString listed = QString::fromUtf8(Run(QStringLiteral("mdb-tables"), {QStringLiteral("-1"), path}));
    EXPECT_EQ(listed.split(QLatin1Char('\n'), Qt::SkipEmptyParts), names) << "mdb-tables";
    for (const JetTable& table : expected) {
        CsvReader csv = CsvReader::fromUtf8(Run(QStringLiteral("mdb-export"), {path, table.definition.name}));
        CsvRecord record;
        ASSERT_TRUE(csv.next(record)) << "mdb-export: no header for " << table.definition.name.toStdString();
        QStringList header;
        for (const CsvField& field : record.fields)
            header.append(field.text);
        ExpectColumns("mdb-export", table, header);
        std::vector<std::vector<CsvField>> rows;
        while (csv.next(record))
            rows.push_back(record.fields);
        ExpectRows<CsvField>("mdb-export", table, rows, AsMdbExportSeesIt, FromMdbExport);
    }
}

Variant FromJson(const JetColumn& column, const QJsonValue& value)
{
    if (value.isNull())
        return {};
    if (value.isString())
        return Variant(value.toString());
    if (IsWholeNumberColumn(column.type) && value.toDouble() == static_cast<double>(value.toInteger()))
        return Variant(value.toInteger());
    return Variant(value.toDouble());
}

void CheckMdbReader(const QString& path, const std::vector<JetTable>& expected)
{
    const QString folder = QStringLiteral(CORVANTA_MDB_READER_DIR);
    ASSERT_TRUE(QFileInfo::exists(folder + QStringLiteral("/node_modules/mdb-reader")))
        << "mdb-reader is not installed in " << folder.toStdString() << ": run scripts/setup.sh";
    const QByteArray output =
        Run(QStringLiteral("node"), {folder + QStringLiteral("/read_tables.mjs"), QFileInfo(path).absoluteFilePath()});
    const QJsonArray tables = QJsonDocument::fromJson(output).object().value(QStringLiteral("tables")).toArray();
    ASSERT_EQ(tables.size(), static_cast<qsizetype>(expected.size())) << "mdb-reader: number of tables";
    for (qsizetype t = 0; t < tables.size(); ++t) {
        const JetTable& table = expected[t];
        const QJsonObject read = tables[t].toObject();
        EXPECT_EQ(read.value(QStringLiteral("name")).toString(), table.definition.name) << "mdb-reader: table " << t;
        EXPECT_EQ(read.value(QStringLiteral("rowCount")).toInteger(), static_cast<qint64>(table.rows.size()))
            << "mdb-reader: row count in the definition of " << table.definition.name.toStdString();
        ExpectColumns("mdb-reader", table, read.value(QStringLiteral("columns")).toVariant().toStringList());
        std::vector<std::vector<QJsonValue>> rows;
        for (const QJsonValue row : read.value(QStringLiteral("rows")).toArray()) {
            const QJsonArray values = row.toArray();
            rows.emplace_back(values.begin(), values.end());
        }
        ExpectRows<QJsonValue>("mdb-reader", table, rows, AsIs, FromJson);
    }
}

}  // namespace

void ExpectJetFileReadsBack(const QString& path, const std::vector<JetTable>& expected)
{
    CheckProjectReader(path, expected);
    CheckMdbExport(path, expected);
    CheckMdbReader(path, expected);
}

QString MdbReaderPassword(const QString& path)
{
    const QByteArray output =
        Run(QStringLiteral("node"),
            {QStringLiteral(CORVANTA_MDB_READER_DIR "/read_tables.mjs"), QFileInfo(path).absoluteFilePath()});
    return QJsonDocument::fromJson(output).object().value(QStringLiteral("password")).toString();
}

void ExpectJetRowCount(const QString& path, const QString& table, int rows)
{
    try {
        EXPECT_EQ(OpenJetDatabase(path)->query(QStringLiteral("SELECT * FROM [%1]").arg(table)).rows.size(),
                  static_cast<std::size_t>(rows))
            << "project reader: rows of " << table.toStdString();
    } catch (const RuntimeError& error) {
        ADD_FAILURE() << "project reader: " << error.description().toStdString();
    }
    CsvReader csv = CsvReader::fromUtf8(Run(QStringLiteral("mdb-export"), {path, table}));
    CsvRecord record;
    int exported = -1;
    while (csv.next(record))
        ++exported;
    EXPECT_EQ(exported, rows) << "mdb-export: rows of " << table.toStdString();
    const QByteArray output =
        Run(QStringLiteral("node"),
            {QStringLiteral(CORVANTA_MDB_READER_DIR "/read_tables.mjs"), QFileInfo(path).absoluteFilePath()});
    bool found = false;
    for (const QJsonValue read : QJsonDocument::fromJson(output).object().value(QStringLiteral("tables")).toArray()) {
        if (read.toObject().value(QStringLiteral("name")).toString() != table)
            continue;
        found = true;
        EXPECT_EQ(read.toObject().value(QStringLiteral("rows")).toArray().size(), rows) << "mdb-reader: rows";
        EXPECT_EQ(read.toObject().value(QStringLiteral("rowCount")).toInt(), rows) << "mdb-reader: row count";
    }
    EXPECT_TRUE(found) << "mdb-reader: no table " << table.toStdString();
}
