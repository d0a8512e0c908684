#include "platform/database/jet/in_place/auto_number.h"

#include "platform/database/jet/format/damaged_file.h"
#include "platform/database/jet/format/little_endian.h"
#include "platform/database/jet/in_place/page_file.h"
#include "platform/runtime/runtime_error.h"

#include <limits>

namespace {

constexpr quint8 kAutoNumberFlag = 0x04;
// In the first definition page, right after the row count.
qsizetype LastAutoNumberOffset(JetVersion version)
{
    return TableRowCountOffset(version) + 4;
}

}  // namespace

AutoNumber::AutoNumber(JetPageFile& file, const JetTableSchema& schema)
    : file_(file),
      definitionPage_(schema.definitionPage),
      lastOffset_(LastAutoNumberOffset(schema.version)),
      table_(schema.name)
{
    // Only a Long Integer AutoNumber counts in the definition; the insert
    // refuses to leave any other kind Null.
    for (std::size_t i = 0; i < schema.columns.size(); ++i) {
        if ((schema.columns[i].flags & kAutoNumberFlag) != 0
            && schema.columns[i].column.type == JetColumnType::LongInteger)
            column_ = static_cast<int>(i);
    }
    if (column_ >= 0)
        columnName_ = schema.columns[column_].column.name;
    if (column_ >= 0)
        last_ = ReadLittleEndian<qint32>(file_.page(definitionPage_), lastOffset_);
}

void AutoNumber::number(std::vector<Variant>& row) const
{
    if (column_ < 0 || !row[column_].isNull())
        return;
    if (last_ >= std::numeric_limits<qint32>::max())
        throw RuntimeError(ErrorNumber::Failure,
                           QStringLiteral("Impossibile inserire la riga nella tabella '%1': i numeri automatici "
                                          "della colonna '%2' sono esauriti.")
                               .arg(table_, columnName_));
    row[column_] = Variant(last_ + 1);
}

void AutoNumber::inserted(const std::vector<Variant>& row)
{
    if (column_ < 0 || row[column_].type() != Variant::Type::Integer || row[column_].integer() <= last_)
        return;
    last_ = row[column_].integer();
    PutLittleEndian(file_.writablePage(definitionPage_), lastOffset_, static_cast<qint32>(last_));
}
