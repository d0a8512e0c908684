// Jet 3 index keys against those Access 97 wrote: every index of the
// Access-made files rebuilt from its table's own rows holds exactly the
// entries Access wrote, in order, but for the texts the key encoding refuses.
#include "platform/database/jet/format/index_page.h"
#include "platform/database/jet/format/text_encoding.h"
#include "platform/database/jet/in_place/general_sort_order.h"
#include "platform/database/jet/in_place/index_key.h"
#include "support/index_tree_check.h"
#include "support/jet3_tables.h"

#include <gtest/gtest.h>
#include <QFile>
#include <algorithm>

namespace {

Jet3Tables Sample(const char* name)
{
    QFile file(QStringLiteral(CORVANTA_JET_SAMPLES "/") + QString::fromLatin1(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return Jet3Tables(file.readAll());
}

// Whether the encoding may refuse the text: it has more than one accented
// letter, or a byte Windows-1252 leaves undefined.
bool MayBeRefused(const QString& text)
{
    const auto accented = std::count_if(
        text.begin(), text.end(), [](QChar c) { return c.isLetter() && c.decompositionTag() == QChar::Canonical; });
    const bool undefined =
        std::any_of(text.begin(), text.end(), [](QChar c) { return Windows1252Byte(c.unicode()) < 0; });
    return accented >= 2 || undefined;
}

struct Tally {
    int rebuilt = 0;  // entries rebuilt from rows, all as Access wrote them
    int refused = 0;  // rows whose text the encoding refuses
    int unkeyableIndexes = 0;
};

// Rebuilds every keyable index of every table of the file and compares it
// with the leaves of Access's tree, in order.
Tally ExpectIndexesRebuiltAlike(const char* file)
{
    SCOPED_TRACE(file);
    const Jet3Tables tables = Sample(file);
    Tally tally;
    for (const auto& [name, definition] : tables.tables()) {
        const JetTableSchema schema = tables.schema(definition, name);
        const std::vector<Jet3Row> rows = tables.rows(schema);
        for (std::size_t i = 0; i < schema.indexes.size(); ++i) {
            const SchemaIndex& index = schema.indexes[i];
            SCOPED_TRACE(QStringLiteral("%1 index %2").arg(name).arg(i).toStdString());
            if (!UnkeyableIndexReason(schema, index, JetVersion::Jet3).isEmpty()) {
                ++tally.unkeyableIndexes;
                continue;
            }
            QStringList problems;
            const IndexTreeContents tree =
                WalkIndexTree([&tables](quint32 page) { return tables.page(page); }, tables.pageCount(), definition,
                              index.rootPage, JetVersion::Jet3, name, problems);
            EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
            std::vector<QByteArray> rebuilt;
            std::vector<QByteArray> refusedRows;
            for (const auto& [where, values] : rows) {
                if (const std::optional<QByteArray> key = IndexKey(schema, index, values, JetVersion::Jet3)) {
                    rebuilt.push_back(LeafEntry(*key, where.page, where.row));
                    continue;
                }
                refusedRows.push_back(LeafEntry({}, where.page, where.row));
                EXPECT_TRUE(std::any_of(index.columns.begin(), index.columns.end(), [&](const IndexColumn& column) {
                    return values[column.column].type() == Variant::Type::Text
                        && MayBeRefused(values[column.column].text());
                }));
            }
            std::sort(rebuilt.begin(), rebuilt.end());
            std::vector<QByteArray> written;
            for (const QByteArray& leaf : tree.leaves) {
                if (std::find(refusedRows.begin(), refusedRows.end(), leaf.right(kLeafEntryTrailer))
                    == refusedRows.end())
                    written.push_back(leaf);
            }
            EXPECT_EQ(written.size(), rebuilt.size());
            for (std::size_t entry = 0; entry < std::min(written.size(), rebuilt.size()); ++entry)
                EXPECT_EQ(written[entry].toHex().toStdString(), rebuilt[entry].toHex().toStdString()) << entry;
            tally.rebuilt += static_cast<int>(rebuilt.size());
            tally.refused += static_cast<int>(refusedRows.size());
        }
    }
    return tally;
}

TEST(Jet3IndexKeys, TextKeysOfTheGeneralSortOrderAreThoseAccessWrote)
{
    const Tally tally = ExpectIndexesRebuiltAlike("testIndexCodesV1997.mdb");
    // Its text tables hold every character of the code page, ascending and descending.
    EXPECT_GT(tally.rebuilt, 2000);
    EXPECT_LT(tally.refused, tally.rebuilt / 50);
    // Currency, Single, Boolean and GUID columns are not keyed here.
    EXPECT_GT(tally.unkeyableIndexes, 0);
}

TEST(Jet3IndexKeys, IntegerMultiColumnAndDescendingKeysAreThoseAccessWrote)
{
    // A descending Long Integer over several pages; primary keys; the catalog's two-column index.
    for (const char* file : {"compIndexTestV1997.mdb", "indexTestV1997.mdb"}) {
        const Tally tally = ExpectIndexesRebuiltAlike(file);
        EXPECT_GT(tally.rebuilt, 0) << file;
        EXPECT_EQ(tally.refused, 0) << file;
    }
}

TEST(Jet3IndexKeys, TextsWhoseKeyIsNotKnownAreRefused)
{
    for (const QString& text :
         {QStringLiteral(""), QStringLiteral("Banca "), QString::fromUtf8("Банк"), QStringLiteral("a\x1a"),
          QString::fromUtf8("Società è"), QString::fromUtf8("Forlì"), QString::fromUtf8("àà")}) {
        EXPECT_FALSE(GeneralSortKey(text, JetVersion::Jet3)) << text.toStdString();
    }
    // Jet 4 keys such a text, where its weights are known.
    EXPECT_TRUE(GeneralSortKey(QString::fromUtf8("Forlì")));
}

}  // namespace
