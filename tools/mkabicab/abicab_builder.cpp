#include "mkabicab/abicab_builder.h"

#include "layouts/abicab_layout.h"
#include "mkabicab/csv_reader.h"
#include "mkabicab/csv_value.h"
#include "platform/database/jet/new_file/jet_database_writer.h"
#include "platform/runtime/system_error.h"

#include <QFile>

namespace {

QString Where(const QString& file, int line)
{
    return QStringLiteral("%1, riga %2").arg(file).arg(line);
}

// For each CSV field, the column of the table it fills.
std::vector<size_t> ColumnsOfHeader(const QString& file, const CsvRecord& header, const JetTableDefinition& table)
{
    std::vector<size_t> columns;
    std::vector<bool> named(table.columns.size(), false);
    for (const CsvField& field : header.fields) {
        size_t c = 0;
        while (c < table.columns.size() && table.columns[c].name.compare(field.text, Qt::CaseInsensitive) != 0)
            ++c;
        if (c == table.columns.size())
            throw AbicabBuildError(QStringLiteral("%1: la colonna '%2' non è della tabella %3")
                                       .arg(Where(file, header.line), field.text, table.name));
        if (named[c])
            throw AbicabBuildError(
                QStringLiteral("%1: la colonna '%2' compare due volte").arg(Where(file, header.line), field.text));
        named[c] = true;
        columns.push_back(c);
    }
    QStringList missing;
    for (size_t c = 0; c < table.columns.size(); ++c) {
        if (!named[c])
            missing.append(table.columns[c].name);
    }
    if (!missing.isEmpty())
        throw AbicabBuildError(QStringLiteral("%1: mancano le colonne %2 della tabella %3")
                                   .arg(Where(file, header.line), missing.join(QStringLiteral(", ")), table.name));
    return columns;
}

bool IsBlankLine(const CsvRecord& record)
{
    return record.fields.size() == 1 && record.fields[0].text.isEmpty() && !record.fields[0].quoted;
}

std::vector<Variant> RowOfRecord(const QString& file, const CsvRecord& record, const JetTableDefinition& table,
                                 const std::vector<size_t>& columns)
{
    if (record.fields.size() != columns.size())
        throw AbicabBuildError(QStringLiteral("%1: %2 campi invece di %3")
                                   .arg(Where(file, record.line))
                                   .arg(record.fields.size())
                                   .arg(columns.size()));
    std::vector<Variant> row(table.columns.size());
    for (size_t f = 0; f < columns.size(); ++f) {
        const JetColumn& column = table.columns[columns[f]];
        try {
            row[columns[f]] = CsvValue(column, record.fields[f]);
        } catch (const JetWriteError& error) {
            throw AbicabBuildError(
                QStringLiteral("%1, colonna %2: %3").arg(Where(file, record.line), column.name, error.message()));
        }
    }
    return row;
}

// Reads the CSV file into the writer's table and answers the number of rows.
int LoadTable(JetDatabaseWriter& writer, const QString& file, const JetTableDefinition& table,
              const ProgressReport& progress)
{
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly))
        throw AbicabBuildError(
            QStringLiteral("%1: impossibile leggere il file (%2)").arg(file, DescrizioneErroreFile(input)));
    int rows = 0;
    try {
        CsvReader csv = CsvReader::fromUtf8(input.readAll());
        CsvRecord record;
        if (!csv.next(record))
            throw AbicabBuildError(QStringLiteral("%1: il file è vuoto, manca la riga delle colonne").arg(file));
        const std::vector<size_t> columns = ColumnsOfHeader(file, record, table);
        const int number = writer.addTable(table);
        while (csv.next(record)) {
            if (IsBlankLine(record))
                continue;
            const std::vector<Variant> row = RowOfRecord(file, record, table, columns);
            try {
                writer.appendRow(number, row);
            } catch (const JetWriteError& error) {
                throw AbicabBuildError(QStringLiteral("%1: %2").arg(Where(file, record.line), error.message()));
            }
            if (++rows % kProgressEveryRows == 0)
                progress(QStringLiteral("%1: %2 righe lette").arg(file).arg(rows));
        }
    } catch (const CsvError& error) {
        throw AbicabBuildError(QStringLiteral("%1: %2").arg(Where(file, error.line()), error.message()));
    }
    return rows;
}

}  // namespace

AbicabBuildError::AbicabBuildError(const QString& message) : std::runtime_error(message.toStdString()) {}

QString AbicabBuildError::message() const
{
    return QString::fromStdString(what());
}

void BuildAbicab(const QString& abiCsv, const QString& abicabCsv, const QString& output, const ProgressReport& progress,
                 JetVersion version)
{
    JetDatabaseWriter writer(QDateTime::currentDateTime(), QString(), version);
    const int banks = LoadTable(writer, abiCsv, AbiTableDefinition(), progress);
    const int branches = LoadTable(writer, abicabCsv, AbicabTableDefinition(), progress);
    progress(QStringLiteral("Scrittura di %1: %2 banche, %3 sportelli").arg(output).arg(banks).arg(branches));
    try {
        writer.save(output);
    } catch (const JetWriteError& error) {
        throw AbicabBuildError(error.message());
    }
}
