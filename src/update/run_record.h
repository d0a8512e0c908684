#pragma once

#include "update/bank_details.h"
#include "update/code_transfer.h"
#include "update/deletion_backup.h"
#include "update/run_summary.h"

#include <QElapsedTimer>
#include <future>
#include <optional>

// What a run keeps beyond the codes: the backup of the rows its deletion
// removes, taken inside its transaction, the summary of what it changes, and
// its line in the run log, written however it ends.
class RunRecord : public TransferCompanion {
public:
    // `profile`: empty for two named files.
    explicit RunRecord(QString profile);

    // The two connection texts, once composed.
    void setConnections(const QString& origine, const QString& destinazione);
    // Reads the rows the deletion will remove and writes their backup while
    // the source is read, where the destination can tell whether anyone
    // changes it before the deletion.
    void whileSourceIsRead(Connection& destinazione) override;
    void destinationBack() override;
    // Saves the rows into a backup file (the one written while the source
    // was read, when the destination is unchanged since); raises
    // RuntimeError when the backup cannot be written completely. The rows
    // are compared with the source meanwhile, while the run inserts.
    void beforeDeletion(Recordset& abi, Recordset& cab, Connection& destinazione) override;
    const KeptDetails* keptDetails(CodeTable table, const Recordset& row) override;
    void failed(int linea, const RuntimeError& error);
    // Notes the outcome in the backup and appends the log line; a log that
    // cannot be written is reported on standard error, not to the run.
    void finish(const QString& outcome);

    // The summary, once the run has reached its deletion; waits for the
    // comparison to end.
    const std::optional<RunSummary>& summary();
    QString summaryText() { return summary() ? summary_->text() : QString(); }
    const std::optional<DeletionBackup>& backup() const { return backup_; }

private:
    // The backup written while the source was read, not yet named, the
    // destination's mark from before it was read and the rows, unless the
    // engine copied them into the backup itself.
    struct EarlyBackup {
        QByteArray mark;
        std::optional<SavedCodes> removed;
        std::optional<BackupDraft> draft;
    };

    // The record with the source's digest, once it is computed.
    const BackupRecord& record();

    BackupRecord record_;
    std::future<QString> digest_;
    std::future<std::optional<EarlyBackup>> reading_;
    std::optional<EarlyBackup> early_;
    std::future<RunSummary> comparing_;
    QElapsedTimer timer_;
    int errorLine_ = 0;
    qint32 errorNumber_ = 0;
    std::optional<DeletionBackup> backup_;
    std::optional<RunSummary> summary_;
    std::optional<KeptBankDetails> keptDetails_;
};

// Whether runs write back, with each code the source still has, the columns
// of its bank or branch that the source does not provide (the terminal's
// --conserva-dati-banche). Off unless asked for, so that a plain run's
// statements stay the update's own.
void KeepBankDetailsInRuns(bool keep);

// The SHA-256 of the file a connection text names by its Data Source, in
// hex; empty when there is no such file to read.
QString SourceDigest(const QString& connectionText);
