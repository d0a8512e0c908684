#pragma once

#include "platform/database/jet/format/jet_format.h"
#include "platform/database/jet/format/table_definition.h"

#include <QDateTime>
#include <QIODevice>
#include <QString>
#include <memory>
#include <vector>

// Writes a new Jet 4 database (4096-byte pages, as Access 2000 to 2003 write
// them) or Jet 3 one (2048-byte pages, as Access 97 writes them, texts in
// Windows-1252) with any number of tables and rows, optionally a database
// password (in Jet 3, of Windows-1252 characters); no queries or relations.
// A table may have indexes, but then takes its rows through the in-place
// writer of the database layer, which keeps them: here its trees stay empty.
// Rows are packed into pages as they come, so a large
// table costs about its size in memory, not its number of values.
//
//     JetDatabaseWriter writer;
//     const int abi = writer.addTable(AbiTableDefinition());
//     writer.appendRow(abi, {Variant(1005), Variant("Banca d'Esempio"), Variant(3)});
//     writer.save(path);
//
// Every operation throws JetWriteError (an Italian message) on a definition
// or value it cannot write, or when the file cannot be written.
class JetDatabaseWriter {
public:
    explicit JetDatabaseWriter(QDateTime created = QDateTime::currentDateTime(), QString password = QString(),
                               JetVersion version = JetVersion::Jet4);
    ~JetDatabaseWriter();
    JetDatabaseWriter(const JetDatabaseWriter&) = delete;
    JetDatabaseWriter& operator=(const JetDatabaseWriter&) = delete;

    // Adds a table with no rows yet and answers its number for appendRow.
    int addTable(const JetTableDefinition& table);
    // One value per column, in the order of the definition.
    void appendRow(int table, const std::vector<Variant>& values);

    // Writes the file under a temporary name in the target folder and renames
    // it at the end, so that a failure leaves neither a partial file nor the
    // temporary one; an existing file is replaced only on success.
    void save(const QString& path) const;
    void write(QIODevice& device) const;

private:
    struct Table;
    std::vector<std::unique_ptr<Table>> tables_;
    QDateTime created_;
    QString password_;
    JetVersion version_;
};

// A whole table at once, for small databases such as those of the tests.
struct JetTable {
    JetTableDefinition definition;
    std::vector<std::vector<Variant>> rows;
};

void WriteJetDatabase(const QString& path, const std::vector<JetTable>& tables, JetVersion version = JetVersion::Jet4);
