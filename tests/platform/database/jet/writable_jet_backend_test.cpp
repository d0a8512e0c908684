#include "error_capture.h"
#include "jet_checker.h"
#include "procedure_databases.h"
#include "runtime_error.h"
#include "writable_jet_backend.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray Digest(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

SourceRows Banks(int first, int count)
{
    SourceRows rows;
    for (int abi = first; abi < first + count; ++abi)
        rows.push_back(AbiRow(abi, QStringLiteral("Banca n. %1 d'Italia").arg(abi), abi % 10));
    return rows;
}

class WritableJet : public ::testing::Test {
protected:
    QTemporaryDir dir;
};

TEST_F(WritableJet, DeletesFromAThresholdAndInsertsKeepingIndexesAndMaps)
{
    SourceRows banks = Banks(990, 20);
    SourceRows branches = ManyAbicabRows(600);
    for (auto& row : branches)
        row[0] = Variant(row[0].integer() - 10);  // ABI 990 to 1004: some stay, most go
    const QString path = WriteJetProcedureDatabase(dir.path(), banks, branches);
    ExpectProcedureDatabaseHolds(path, banks, branches);

    QStringList statements{QStringLiteral("DELETE FROM abi WHERE abiabi >=1000"),
                           QStringLiteral("DELETE FROM abicab WHERE abcabi >=1000")};
    SourceRows newBanks = Banks(1000, 30);
    SourceRows newBranches = ManyAbicabRows(1500);
    for (const auto& row : newBanks)
        statements.append(InsertStatement(ProcedureAbiDefinition(), row));
    for (const auto& row : newBranches)
        statements.append(InsertStatement(ProcedureAbicabDefinition(), row));
    RunJetStatements(path, statements);

    SourceRows keptBanks, keptBranches;
    std::copy_if(banks.begin(), banks.end(), std::back_inserter(keptBanks), [](const auto& r) { return r[0].integer() < 1000; });
    std::copy_if(branches.begin(), branches.end(), std::back_inserter(keptBranches), [](const auto& r) { return r[0].integer() < 1000; });
    keptBanks.insert(keptBanks.end(), newBanks.begin(), newBanks.end());
    keptBranches.insert(keptBranches.end(), newBranches.begin(), newBranches.end());
    ExpectProcedureDatabaseHolds(path, keptBanks, keptBranches);
}

}  // namespace
