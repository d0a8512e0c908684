#include "platform/database/jet/in_place/table_rows.h"

#include "platform/database/jet/format/damaged_file.h"
#include "platform/database/jet/format/data_page.h"
#include "platform/database/jet/format/row_packing.h"
#include "platform/database/jet/in_place/page_file.h"
#include "platform/database/jet/in_place/usage_map_editor.h"

namespace {

QByteArray RowBytes(const QByteArray& page, int row)
{
    const RowExtent extent = RowOnPage(page, row);
    return page.mid(extent.start, extent.end - extent.start);
}

// An overflow row holds only where the row lies now: its number, then its page in three bytes.
QByteArray OverflowTarget(JetPageFile& file, const JetTableSchema& table, const QByteArray& pointer)
{
    if (pointer.size() < 4)
        throw DamagedFile(QStringLiteral("riga spostata della tabella '%1'").arg(table.name));
    const int row = static_cast<quint8>(pointer[0]);
    const quint32 page = ReadLittleEndian<quint32>(pointer, 0) >> 8;
    if (page >= file.pageCount() || !IsDataPageOf(file.page(page), table.definitionPage))
        throw DamagedFile(QStringLiteral("riga spostata della tabella '%1'").arg(table.name));
    return RowBytes(file.page(page), row);
}

}  // namespace

void ForEachLiveRow(JetPageFile& file, const JetTableSchema& table, const RowVisitor& visit,
                    const std::vector<bool>& decoded)
{
    for (const quint32 number : PagesInMap(file, table.usageMap)) {
        if (number >= file.pageCount() || !IsDataPageOf(file.page(number), table.definitionPage))
            continue;
        const QByteArray page = file.page(number);
        const int rows = RowCountOnPage(page);
        for (int row = 0; row < rows; ++row) {
            const quint16 offset = RowOffsetEntry(page, row);
            if ((offset & kDeletedRowFlag) != 0)
                continue;
            QByteArray bytes = RowBytes(page, row);
            if ((offset & kOverflowRowFlag) != 0)
                bytes = OverflowTarget(file, table, bytes);
            const auto values = UnpackRow(table.definition, table.layout, bytes, decoded, table.version);
            if (!values)
                throw DamagedFile(
                    QStringLiteral("riga %1 della pagina %2 della tabella '%3'").arg(row).arg(number).arg(table.name));
            visit({number, row}, *values);
        }
    }
}

void MarkRowDeleted(JetPageFile& file, RowLocation row)
{
    MarkRowDeletedOnPage(file.writablePage(row.page), row.row);
}
