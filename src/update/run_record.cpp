#include "update/run_record.h"

#include "platform/paths/windows_path.h"
#include "platform/runtime/file_digest.h"
#include "update/connection_string.h"
#include "update/run_log.h"
#include "update/state_folder.h"

#include <QTextStream>
#include <future>

namespace {

bool keepBankDetails = false;

QString CountsText(const RunSummary& summary)
{
    const auto counts = [](const TableCounts& c) {
        return QStringLiteral("+%1 -%2 ~%3").arg(c.added).arg(c.removed).arg(c.changed);
    };
    return QStringLiteral("ABI %1, CAB %2").arg(counts(summary.abi), counts(summary.abicab));
}

}  // namespace

QString SourceDigest(const QString& connectionText)
{
    return FileSha256(LinuxPathOf(ConnectionString::parse(connectionText).value(QStringLiteral("Data Source"))));
}

RunRecord::RunRecord(QString profile)
{
    record_.profile = std::move(profile);
    record_.started = QDateTime::currentDateTimeUtc();
    record_.outcome = kOutcomeRunning;
    timer_.start();
}

void RunRecord::setConnections(const QString& origine, const QString& destinazione)
{
    // The source is read as a whole by the run too; the digest is made meanwhile.
    digest_ = std::async(std::launch::async, [origine] { return SourceDigest(origine); });
    record_.destination = WithoutPasswords(destinazione);
}

const BackupRecord& RunRecord::record()
{
    if (digest_.valid())
        record_.sourceDigest = digest_.get();
    return record_;
}

void RunRecord::whileSourceIsRead(Connection& destinazione)
{
    reading_ = std::async(std::launch::async, [this, &destinazione]() -> std::optional<EarlyBackup> {
        try {
            EarlyBackup early{destinazione.changeMark(), {}, {}};
            if (early.mark.isEmpty())
                return std::nullopt;
            early.draft = DeletionBackup::draftCopiedByEngine(BackupFolder(), record(), destinazione);
            if (!early.draft) {
                early.removed = ReadCodesFromAThousand(destinazione);
                early.draft.emplace(DeletionBackup::draft(BackupFolder(), record(), *early.removed));
            }
            return early;
        } catch (...) {
            // Whatever stopped it happens again at line 805, where it is reported.
            return std::nullopt;
        }
    });
}

void RunRecord::destinationBack()
{
    if (reading_.valid())
        early_ = reading_.get();
}

void RunRecord::beforeDeletion(Recordset& abi, Recordset& cab, Connection& destinazione)
{
    destinationBack();
    std::optional<EarlyBackup> early = std::exchange(early_, std::nullopt);
    std::optional<SavedCodes> removed;
    if (early && destinazione.changeMark() == early->mark) {
        removed = std::move(early->removed);
        backup_ = early->draft->publish();
    } else {
        early.reset();
        removed = ReadCodesFromAThousand(destinazione);
        backup_ = DeletionBackup::write(BackupFolder(), record(), *removed);
    }
    if (keepBankDetails) {
        if (!removed)
            removed = DeletionBackup::read(backup_->path()).takeCodes();
        keptDetails_.emplace(*removed);
    }
    // The counts are wanted when the run ends: they are made, the rows read
    // back from the backup where only the engine read them, and let go, on a
    // thread of their own while the run inserts.
    comparing_ = std::async(std::launch::async, [abi = abi.sharedRows(), cab = cab.sharedRows(),
                                                 removed = std::move(removed), path = backup_->path()]() mutable {
        const std::shared_ptr<const ResultSet> banks = std::move(abi);
        const std::shared_ptr<const ResultSet> branches = std::move(cab);
        const SavedCodes saved = removed ? std::move(*removed) : DeletionBackup::read(path).takeCodes();
        return CompareCodes(*banks, *branches, saved);
    });
}

const std::optional<RunSummary>& RunRecord::summary()
{
    if (comparing_.valid()) {
        try {
            summary_ = comparing_.get();
        } catch (const RuntimeError& error) {
            // The backup, just written, could not be read back: the run
            // stands, without its counts.
            QTextStream(stderr) << error.description() << '\n';
        }
    }
    return summary_;
}

const KeptDetails* RunRecord::keptDetails(CodeTable table, const Recordset& row)
{
    return keptDetails_ ? keptDetails_->find(table, row) : nullptr;
}

void KeepBankDetailsInRuns(bool keep)
{
    keepBankDetails = keep;
}

void RunRecord::failed(int linea, const RuntimeError& error)
{
    errorLine_ = linea;
    errorNumber_ = error.number();
}

void RunRecord::finish(const QString& outcome)
{
    // The counts may still be reading the backup, which the outcome changes.
    summary();
    try {
        if (backup_)
            backup_->setOutcome(outcome == kOutcomeCompleted ? kOutcomeCompleted : kOutcomeNotCompleted);
        const BackupRecord& run = record();
        AppendRunLog({run.started, CurrentUserName(), run.profile, run.destination, run.sourceDigest, outcome,
                      errorLine_, errorNumber_, summary() ? CountsText(*summary_) : QString(), timer_.elapsed()});
    } catch (const RuntimeError& error) {
        // The codes are already as the run left them: the user is told, the run's outcome stands.
        QTextStream(stderr) << error.description() << '\n';
    }
}
