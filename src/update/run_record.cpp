#include "update/run_record.h"

#include "platform/paths/windows_path.h"
#include "update/connection_string.h"
#include "update/run_log.h"
#include "update/state_folder.h"

#include <QCryptographicHash>
#include <QFile>
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
    QFile file(LinuxPathOf(ConnectionString::parse(connectionText).value(QStringLiteral("Data Source"))));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return QString::fromLatin1(hash.result().toHex());
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
    record_.sourceDigest = SourceDigest(origine);
    record_.destination = WithoutPasswords(destinazione);
}

void RunRecord::beforeDeletion(Recordset& abi, Recordset& cab, Connection& destinazione)
{
    const SavedCodes removed = ReadCodesFromAThousand(destinazione);
    // The counts only read what the backup reads too: they are made while it is written.
    std::future<RunSummary> summary =
        std::async(std::launch::async, [&abi, &cab, &removed] { return CompareCodes(abi, cab, removed); });
    try {
        backup_ = DeletionBackup::write(BackupFolder(), record_, removed);
    } catch (...) {
        summary.wait();
        throw;
    }
    summary_ = summary.get();
    if (keepBankDetails)
        keptDetails_.emplace(removed);
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
    try {
        if (backup_)
            backup_->setOutcome(outcome == kOutcomeCompleted ? kOutcomeCompleted : kOutcomeNotCompleted);
        AppendRunLog({record_.started, CurrentUserName(), record_.profile, record_.destination, record_.sourceDigest,
                      outcome, errorLine_, errorNumber_, summary_ ? CountsText(*summary_) : QString(),
                      timer_.elapsed()});
    } catch (const RuntimeError& error) {
        // The codes are already as the run left them: the user is told, the run's outcome stands.
        QTextStream(stderr) << error.description() << '\n';
    }
}
