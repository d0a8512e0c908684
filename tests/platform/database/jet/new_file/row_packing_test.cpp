#include "platform/database/jet/format/row_packing.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace {

JetTableDefinition Branches()
{
    using T = JetColumnType;
    return {QStringLiteral("ABICAB"),
            {{QStringLiteral("AbcAbi"), T::LongInteger},
             {QStringLiteral("AbcBanc"), T::Text, 80},
             {QStringLiteral("AbcCab"), T::LongInteger},
             {QStringLiteral("AbcFiliale"), T::Text, 80}}};
}

// A scan that keys indexes reads only the key columns of each row; the rest
// stay Null, and a row whose bytes contradict its layout is still found out.
TEST(RowPacking, UnpacksOnlyTheColumnsAskedForAndChecksTheWholeRowAlike)
{
    const JetTableDefinition table = Branches();
    const TableLayout layout = LayOutTable(table);
    const std::vector<Variant> values{Variant(1005), Variant("Banca d'Esempio"), Variant(1600), Variant("Sede")};
    const QByteArray row = PackRow(table, layout, values);

    EXPECT_EQ(UnpackRow(table, layout, row), values);
    EXPECT_EQ(UnpackRow(table, layout, row, {true, false, true, false}),
              (std::vector<Variant>{Variant(1005), Variant(), Variant(1600), Variant()}));
    EXPECT_EQ(UnpackRow(table, layout, row, {false, false, false, true}),
              (std::vector<Variant>{Variant(), Variant(), Variant(), Variant("Sede")}));

    QByteArray damaged = row;
    damaged[damaged.size() - 4] = char(0xff);  // the offsets' count, just before the Null mask
    EXPECT_FALSE(UnpackRow(table, layout, damaged));
    EXPECT_FALSE(UnpackRow(table, layout, damaged, {true, false, true, false}));
}

}  // namespace
