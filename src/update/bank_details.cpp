#include "bank_details.h"

#include "code_restore.h"
#include "run_summary.h"

namespace {


QHash<QString, KeptDetails> DetailsByCode(const SavedTable& table, const QStringList& written,
                                          const QStringList& keyColumns)
{
    std::vector<qsizetype> further;
    for (qsizetype i = 0; i < table.columns.size(); ++i) {
        if (!written.contains(table.columns.at(i), Qt::CaseInsensitive))
            further.push_back(i);
    }
    QHash<QString, KeptDetails> details;
    if (further.empty())
        return details;
    std::vector<qsizetype> keys;
    for (const QString& key : keyColumns)
        keys.push_back(table.column(key));
    for (const std::vector<Variant>& row : table.rows) {
        KeptDetails kept;
        for (const qsizetype i : further) {
            kept.columns += QStringLiteral(", ") + table.columns.at(i);
            kept.values += QStringLiteral(", ") + RestoredLiteral(row[std::size_t(i)], table.columns.at(i));
        }
        QString key;
        for (const qsizetype k : keys)
            key += CodeKeyText(row[std::size_t(k)]) + QLatin1Char('|');
        details.insert(key, kept);
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
    const QHash<QString, KeptDetails>& details = table == CodeTable::Abi ? banks_ : branches_;
    if (details.isEmpty())
        return nullptr;
    const QString key = table == CodeTable::Abi
        ? CodeKeyText(row.field(QStringLiteral("AbiAbi"))) + QLatin1Char('|')
        : CodeKeyText(row.field(QStringLiteral("AbcAbi"))) + QLatin1Char('|')
            + CodeKeyText(row.field(QStringLiteral("AbcCab"))) + QLatin1Char('|');
    const auto found = details.constFind(key);
    return found == details.constEnd() ? nullptr : &*found;
}
