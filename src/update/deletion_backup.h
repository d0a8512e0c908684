#pragma once

#include "update/database_access.h"

#include <QDateTime>
#include <optional>
#include <vector>

// The rows of one code table from ABI 1000 up, as the destination holds
// them: every column, the update's and any other (a BIC code), by the
// destination's own names; read back from a backup, with the kind of value
// each column holds there.
struct SavedTable {
    QString name;  // "ABI" or "ABICAB"
    QStringList columns;
    // "intero", "decimale", "testo", "binario" as the backup file tells them;
    // empty when the column holds only Null, none for rows read from the destination
    QStringList types;
    std::vector<std::vector<Variant>> rows;

    // The position of a column, named without regard to case; -1 when absent.
    qsizetype column(const QString& name) const;
};

struct SavedCodes {
    SavedTable abi;
    SavedTable abicab;
};

// What the deletion of a run removes: every row of ABI whose AbiAbi, and of
// ABICAB whose AbcAbi, is a number of 1000 or more. The tables are read
// whole, since every engine (the Jet reader too) answers SELECT *; where
// only the engine can tell which rows the deletion's condition selects
// (SQLite), it is asked with that condition.
SavedCodes ReadCodesFromAThousand(Connection& destinazione);

// What a backup says of its run besides the rows.
struct BackupRecord {
    QString profile;       // empty for two named files
    QDateTime started;     // UTC
    QString destination;   // the connection text, passwords left out
    QString sourceDigest;  // SHA-256 of the source file, in hex
    QString outcome;       // "in corso", then "completato" or "non completato"
};

class DeletionBackup;

// A backup written whole and synced under a name that no reader takes for a
// backup; it becomes one when named. Removed when it never is.
class BackupDraft {
public:
    BackupDraft(BackupDraft&& other) noexcept;
    BackupDraft& operator=(BackupDraft&& other) noexcept;
    ~BackupDraft();

    // Names the file; raises RuntimeError as DeletionBackup::write() does.
    DeletionBackup publish();

private:
    friend class DeletionBackup;
    BackupDraft(QString stem, QString partial, BackupRecord record);

    QString stem_;
    QString partial_;
    BackupRecord record_;
};

// One run's backup file: an SQLite database in the backup folder, named by
// profile and time, holding the record, the column names and types and the
// rows. It is written whole under a temporary name and then renamed, so a
// file with the final name is always complete.
class DeletionBackup {
public:
    // Writes the file; raises RuntimeError in Italian, with SQLite's message
    // in brackets, when it cannot be written completely (nothing is left
    // behind then). The answer names the file without holding the rows again.
    static DeletionBackup write(const QString& folder, const BackupRecord& record, const SavedCodes& codes);
    // The same, written and synced but not named yet.
    static BackupDraft draft(const QString& folder, const BackupRecord& record, const SavedCodes& codes);
    // The same for the rows the destination's deletion will remove, copied
    // into the file by the engine itself; nothing where it cannot (see
    // Connection::copyRowsToSqliteFile). The rows are then in the file only.
    static std::optional<BackupDraft> draftCopiedByEngine(const QString& folder, const BackupRecord& record,
                                                          Connection& destinazione);
    // Reads a backup file; raises RuntimeError when it is not one.
    static DeletionBackup read(const QString& path);
    // The newest backup of a completed run of the profile (named without
    // regard to case, as the settings name it) in the folder; empty when
    // there is none. Files that are not backups are passed over.
    static QString latestCompleted(const QString& folder, const QString& profile);

    const QString& path() const { return path_; }
    const BackupRecord& record() const { return record_; }
    // The rows, for a backup read from its file.
    const SavedCodes& codes() const { return codes_; }
    SavedCodes takeCodes() { return std::move(codes_); }

    // Records how the run ended.
    void setOutcome(const QString& outcome);

private:
    friend class BackupDraft;
    QString path_;
    BackupRecord record_;
    SavedCodes codes_;
};

inline const QString kOutcomeRunning = QStringLiteral("in corso");
inline const QString kOutcomeCompleted = QStringLiteral("completato");
inline const QString kOutcomeNotCompleted = QStringLiteral("non completato");
