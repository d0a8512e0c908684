#include "update/run_summary.h"

#include <QHash>
#include <QSet>
#include <cmath>

namespace {

using Rows = std::vector<std::vector<Variant>>;

qsizetype Find(const QStringList& columns, const QString& wanted)
{
    for (qsizetype i = 0; i < columns.size(); ++i) {
        if (columns.at(i).compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool IsNumber(const Variant& v)
{
    return v.type() == Variant::Type::Integer || v.type() == Variant::Type::Double;
}

double Number(const Variant& v)
{
    return v.type() == Variant::Type::Integer ? double(v.integer()) : v.real();
}

const Variant kNull;

bool IsNullAsWritten(const Variant& v)
{
    return v.isNull() || (v.type() == Variant::Type::Text && v.text().isEmpty());
}

bool SameValue(const Variant& written, const Variant& stored)
{
    if (IsNumber(written) && IsNumber(stored))
        return Number(written) == Number(stored);
    if (IsNullAsWritten(written) || IsNullAsWritten(stored))
        return IsNullAsWritten(written) && IsNullAsWritten(stored);
    return written == stored;
}

QString ValueText(const Variant& v)
{
    switch (v.type()) {
        case Variant::Type::Null: return {};
        case Variant::Type::Integer: return QString::number(v.integer());
        case Variant::Type::Double: return QString::number(v.real(), 'g', 17);
        case Variant::Type::Text: return v.text();
        case Variant::Type::Binary: return QStringLiteral("0x") + QString::fromLatin1(v.bytes().toHex());
    }
    return {};
}

struct TableView {
    QString name;
    const QStringList& columns;
    const Rows& rows;
};

void CompareTable(const TableView& incoming, const TableView& removed, const QStringList& keys,
                  const QStringList& compared, TableCounts& counts, std::vector<CodeChange>& changes)
{
    const auto positions = [](const QStringList& names, const QStringList& columns) {
        std::vector<qsizetype> found;
        for (const QString& name : names)
            found.push_back(Find(columns, name));
        return found;
    };
    const std::vector<qsizetype> in = positions(compared, incoming.columns);
    const std::vector<qsizetype> out = positions(compared, removed.columns);
    const std::vector<qsizetype> keyIn = positions(keys, incoming.columns);
    const std::vector<qsizetype> keyOut = positions(keys, removed.columns);
    const bool branches = keys.size() == 2;
    const auto value = [](const std::vector<Variant>& row, qsizetype at) {
        return at < 0 ? Variant() : row[std::size_t(at)];
    };
    const auto key = [&](const std::vector<Variant>& row, const std::vector<qsizetype>& at) {
        return branches ? MakeCodeKey(value(row, at[0]), value(row, at[1])) : MakeCodeKey(value(row, at[0]));
    };
    std::vector<bool> isKey;
    for (const QString& column : compared)
        isKey.push_back(Find(keys, column) >= 0);
    const auto change = [&](ChangeKind kind, const std::vector<Variant>& row, const std::vector<qsizetype>& at) {
        return CodeChange{incoming.name, kind, value(row, at[0]), branches ? value(row, at[1]) : Variant(), {}, {}, {}};
    };

    QHash<CodeKey, std::size_t> removedRows;
    removedRows.reserve(qsizetype(removed.rows.size()));
    for (std::size_t i = 0; i < removed.rows.size(); ++i)
        removedRows.insert(key(removed.rows[i], keyOut), i);
    QSet<CodeKey> seen;
    seen.reserve(qsizetype(incoming.rows.size()));
    for (const std::vector<Variant>& row : incoming.rows) {
        const CodeKey k = key(row, keyIn);
        seen.insert(k);
        const auto match = removedRows.constFind(k);
        if (match == removedRows.constEnd()) {
            ++counts.added;
            changes.push_back(change(ChangeKind::Added, row, keyIn));
            continue;
        }
        const std::vector<Variant>& old = removed.rows[*match];
        bool changed = false;
        for (std::size_t c = 0; c < in.size(); ++c) {
            if (isKey[c])
                continue;
            const Variant& after = in[c] < 0 ? kNull : row[std::size_t(in[c])];
            const Variant& before = out[c] < 0 ? kNull : old[std::size_t(out[c])];
            if (SameValue(after, before))
                continue;
            CodeChange columnChange = change(ChangeKind::Changed, row, keyIn);
            columnChange.column = compared.at(qsizetype(c));
            columnChange.before = before;
            columnChange.after = after;
            changes.push_back(std::move(columnChange));
            changed = true;
        }
        counts.changed += changed ? 1 : 0;
    }
    for (const std::vector<Variant>& row : removed.rows) {
        if (!seen.contains(key(row, keyOut))) {
            ++counts.removed;
            changes.push_back(change(ChangeKind::Removed, row, keyOut));
        }
    }
}

QString CodeText(const CodeChange& change)
{
    QString text = QStringLiteral("ABI ") + ValueText(change.abi);
    if (change.table == QLatin1String("ABICAB"))
        text += QStringLiteral(", CAB ") + ValueText(change.cab);
    return text;
}

QString Shown(const Variant& v)
{
    return v.isNull()                     ? QStringLiteral("Null")
        : v.type() == Variant::Type::Text ? QLatin1Char('"') + v.text() + QLatin1Char('"')
                                          : ValueText(v);
}

QString CountsLine(const QString& what, const TableCounts& counts)
{
    return QStringLiteral("%1: %2 aggiunti, %3 rimossi, %4 modificati")
        .arg(what)
        .arg(counts.added)
        .arg(counts.removed)
        .arg(counts.changed);
}

// A CSV field: texts always quoted, so that an empty text and Null (an
// empty field) stay apart.
QString CsvField(const Variant& v)
{
    if (v.type() != Variant::Type::Text)
        return ValueText(v);
    return QLatin1Char('"') + QString(v.text()).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QString KindText(ChangeKind kind)
{
    switch (kind) {
        case ChangeKind::Added: return QStringLiteral("aggiunto");
        case ChangeKind::Removed: return QStringLiteral("rimosso");
        case ChangeKind::Changed: break;
    }
    return QStringLiteral("modificato");
}

constexpr int kChangesShown = 10;

}  // namespace

CodeKey MakeCodeKey(const Variant& abi, const Variant& cab)
{
    const auto whole = [](const Variant& v, qint64& out) {
        if (v.type() == Variant::Type::Integer) {
            out = v.integer();
            return true;
        }
        if (v.type() == Variant::Type::Double && v.real() == std::trunc(v.real()) && std::abs(v.real()) < 1e15) {
            out = qint64(v.real());
            return true;
        }
        return false;
    };
    CodeKey key;
    if (whole(abi, key.abi) && whole(cab, key.cab))
        return key;
    const auto text = [](const Variant& v) { return v.isNull() ? QStringLiteral("Null") : ValueText(v); };
    return {0, 0, text(abi) + QLatin1Char('|') + text(cab)};
}

QString RunSummary::text() const
{
    QStringList lines{CountsLine(QStringLiteral("Codici ABI (banche)"), abi),
                      CountsLine(QStringLiteral("Codici CAB (filiali)"), abicab)};
    int shown = 0;
    for (const CodeChange& change : changes) {
        if (change.kind != ChangeKind::Changed)
            continue;
        if (shown == 0)
            lines << QStringLiteral("Primi codici modificati:");
        if (++shown > kChangesShown) {
            lines << QStringLiteral("...");
            break;
        }
        lines << QStringLiteral("%1: %2 da %3 a %4")
                     .arg(CodeText(change), change.column, Shown(change.before), Shown(change.after));
    }
    return lines.join(QLatin1Char('\n'));
}

QStringList RunSummary::csvLines() const
{
    QStringList lines{QStringLiteral("tabella,operazione,ABI,CAB,colonna,valore precedente,valore nuovo")};
    for (const CodeChange& c : changes) {
        lines << QStringList{c.table,  KindText(c.kind),   CsvField(c.abi),  CsvField(c.cab),
                             c.column, CsvField(c.before), CsvField(c.after)}
                     .join(QLatin1Char(','));
    }
    return lines;
}

RunSummary CompareCodes(const ResultSet& banks, const ResultSet& branches, const SavedCodes& removed)
{
    RunSummary summary;
    CompareTable({QStringLiteral("ABI"), banks.columns, banks.rows},
                 {removed.abi.name, removed.abi.columns, removed.abi.rows}, kAbiWrittenColumns.mid(0, 1),
                 kAbiWrittenColumns, summary.abi, summary.changes);
    CompareTable({QStringLiteral("ABICAB"), branches.columns, branches.rows},
                 {removed.abicab.name, removed.abicab.columns, removed.abicab.rows}, kCabWrittenColumns.mid(0, 2),
                 kCabWrittenColumns, summary.abicab, summary.changes);
    return summary;
}

RunSummary CompareCodes(const SavedCodes& incoming, const SavedCodes& removed)
{
    RunSummary summary;
    CompareTable({QStringLiteral("ABI"), incoming.abi.columns, incoming.abi.rows},
                 {removed.abi.name, removed.abi.columns, removed.abi.rows}, kAbiWrittenColumns.mid(0, 1),
                 incoming.abi.columns, summary.abi, summary.changes);
    CompareTable({QStringLiteral("ABICAB"), incoming.abicab.columns, incoming.abicab.rows},
                 {removed.abicab.name, removed.abicab.columns, removed.abicab.rows}, kCabWrittenColumns.mid(0, 2),
                 incoming.abicab.columns, summary.abicab, summary.changes);
    return summary;
}
