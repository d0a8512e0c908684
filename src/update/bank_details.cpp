#include "update/bank_details.h"

#include "update/code_restore.h"

namespace {

QHash<CodeKey, KeptDetails> DetailsByCode(const SavedTable& table, const QStringList& written,
                                          const QStringList& keyColumns)
{
    std::vector<qsizetype> further;
    for (qsizetype i = 0; i < table.columns.size(); ++i) {
        if (!written.contains(table.columns.at(i), Qt::CaseInsensitive))
            further.push_back(i);
    }
    QHash<CodeKey, KeptDetails> details;
    if (further.empty())
        return details;
    std::vector<qsizetype> keys;
    for (const QString& key : keyColumns)
        keys.push_back(table.column(key));
    for (const std::vector<Variant>& row : table.rows) {
        KeptDetails kept;
        for (const qsizetype i : further) {
            kept.columns += QStringLiteral(", ") + PlainColumnName(table.columns.at(i));
            kept.values += QStringLiteral(", ") + RestoredLiteral(row[std::size_t(i)], table.columns.at(i));
        }
        details.insert(keys.size() == 1 ? MakeCodeKey(row[std::size_t(keys[0])])
                                        : MakeCodeKey(row[std::size_t(keys[0])], row[std::size_t(keys[1])]),
                       kept);
    }
    return details;
}

}  // namespace

KeptBankDetails::KeptBankDetails(const SavedCodes& removed)
    : banks_(DetailsByCode(removed.abi, kAbiWrittenColumns, {QStringLiteral("AbiAbi")})),
      branches_(DetailsByCode(removed.abicab, kCabWrittenColumns, {QStringLiteral("AbcAbi"), QStringLiteral("AbcCab")}))
{
}

const KeptDetails* KeptBankDetails::find(CodeTable table, const Recordset& row) const
{
    const QHash<CodeKey, KeptDetails>& details = table == CodeTable::Abi ? banks_ : branches_;
    if (details.isEmpty())
        return nullptr;
    const CodeKey key = table == CodeTable::Abi
        ? MakeCodeKey(row.field(QStringLiteral("AbiAbi")))
        : MakeCodeKey(row.field(QStringLiteral("AbcAbi")), row.field(QStringLiteral("AbcCab")));
    const auto found = details.constFind(key);
    return found == details.constEnd() ? nullptr : &*found;
}
