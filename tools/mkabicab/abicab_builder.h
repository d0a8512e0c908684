#pragma once

#include "platform/database/jet/format/jet_format.h"

#include <QString>
#include <functional>
#include <stdexcept>

// Why a database could not be built: the message is Italian and names the
// file and, where there is one, the line and the column.
class AbicabBuildError : public std::runtime_error {
public:
    explicit AbicabBuildError(const QString& message);
    QString message() const;
};

using ProgressReport = std::function<void(const QString&)>;

// How often the building reports the rows it has read.
constexpr int kProgressEveryRows = 10000;

// Builds the Jet database `output` (Jet 3 or Jet 4) with the tables abi and abicab from two
// CSV files: UTF-8, a header row naming every column of the table once in any
// order and case, then one record per row (see CsvReader and CsvValue; blank
// lines are skipped). Nothing is written unless every row of both files is
// sound; then the file is written under a temporary name beside `output` and
// renamed. Throws AbicabBuildError.
void BuildAbicab(const QString& abiCsv, const QString& abicabCsv, const QString& output, const ProgressReport& progress,
                 JetVersion version = JetVersion::Jet4);
