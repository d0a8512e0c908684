#pragma once

#include "update/deletion_backup.h"

#include <QHashFunctions>
#include <QStringList>
#include <optional>

// The columns the update writes, table by table.
inline const QStringList kAbiWrittenColumns{QStringLiteral("AbiAbi"), QStringLiteral("AbiBanc"),
                                            QStringLiteral("AbiAbichk")};
inline const QStringList kCabWrittenColumns{
    QStringLiteral("AbcAbi"),      QStringLiteral("AbcCab"),    QStringLiteral("AbcBanc"),
    QStringLiteral("AbcFiliale"),  QStringLiteral("AbcIndir"),  QStringLiteral("AbcCap"),
    QStringLiteral("AbcLocalita"), QStringLiteral("AbcComune"), QStringLiteral("AbcProv"),
    QStringLiteral("AbcAbichk"),   QStringLiteral("AbcCabchk")};

// What a run changes in the code tables, against the rows its deletion
// removes: codes added, removed, and changed (same key, another value in a
// column the update writes).
enum class ChangeKind { Added, Removed, Changed };

struct CodeChange {
    QString table;  // "ABI" or "ABICAB"
    ChangeKind kind;
    Variant abi;
    Variant cab;     // Null for ABI
    QString column;  // for a change only
    Variant before;
    Variant after;
};

struct TableCounts {
    int added = 0;
    int removed = 0;
    int changed = 0;
};

struct RunSummary {
    TableCounts abi;
    TableCounts abicab;
    std::vector<CodeChange> changes;  // changed codes, one entry per column, in source order

    // The counts and the first changed codes, in Italian, for the completion
    // box's details and the terminal.
    QString text() const;
    // One line per added, removed or changed code (a changed code one line
    // per column), header first: tabella;operazione;ABI;CAB;colonna;valore
    // precedente;valore nuovo.
    QStringList csvLines() const;
};

// A code as a key: numbers by value, so that 1005 and 1005.0 meet. Codes
// are whole numbers but for a damaged row, whose key is then its text.
struct CodeKey {
    qint64 abi = 0;
    qint64 cab = 0;  // 0 for a bank
    QString text;

    bool operator==(const CodeKey&) const = default;
};
CodeKey MakeCodeKey(const Variant& abi, const Variant& cab = Variant(qint64(0)));
inline size_t qHash(const CodeKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.abi, key.cab, key.text);
}

// Compares the source rows the run writes with the rows the deletion
// removes. A value is compared as the update writes it: an empty text is
// Null, numbers by value. Bad source values are compared as they are: the
// run itself reports them.
RunSummary CompareCodes(const ResultSet& abi, const ResultSet& cab, const SavedCodes& removed);

// The same for rows at hand (an undo puts back `incoming` over `removed`).
RunSummary CompareCodes(const SavedCodes& incoming, const SavedCodes& removed);
