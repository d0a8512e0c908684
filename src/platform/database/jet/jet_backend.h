#pragma once

#include "platform/database/database_backend.h"

#include <chrono>
#include <memory>
#include <vector>

// A Jet 3, Jet 4 or ACE file through libmdb, read only: SELECT of "*" or of
// named columns from one table. Any other statement is refused with
// ErrorNumber::ReadOnlyDatabase before anything is touched. A database
// password is not asked for: libmdb reads protected files as it reads others.
// A read that sends no rows for `quietLimit` (30 s unless given) is taken for
// a damaged file.
std::unique_ptr<DatabaseBackend> OpenJetDatabase(const QString& path);
std::unique_ptr<DatabaseBackend> OpenJetDatabase(const QString& path, std::chrono::milliseconds quietLimit);

// A property Access keeps for a table (no column) or for one of its columns,
// as libmdb gives it: texts as they are, yes/no for Boolean properties.
struct JetProperty {
    QString column;
    QString name;
    QString value;
};

// The table's properties that rule an insert (Required, AllowZeroLength,
// DefaultValue, ValidationRule, ValidationText), read through libmdb like
// the rows.
std::vector<JetProperty> JetRuleProperties(const QString& path, const QString& table);

// A file that is no Jet database, and a table the file does not hold, as
// both the reader and the writer report them.
RuntimeError JetNotADatabase(const QString& path);
RuntimeError JetTableNotFound(const QString& table);
// A condition that compares a column holding no numbers (a text, bytes) with
// a number, as both the reader and the writer refuse it.
RuntimeError JetConditionTypeMismatch();
