#include "platform/database/jet/jet_select.h"
#include "platform/runtime/runtime_error.h"

#include <gtest/gtest.h>

namespace {

std::int32_t ErrorNumberOf(const QString& sql)
{
    try {
        ParseJetSelect(sql);
    } catch (const RuntimeError& error) {
        return error.number();
    }
    return 0;
}

TEST(JetSelect, ReadsStarOrNamedColumnsFromOneTable)
{
    const JetSelect star = ParseJetSelect(QStringLiteral("SELECT * FROM abi"));
    EXPECT_TRUE(star.columns.isEmpty());
    EXPECT_EQ(star.table, QStringLiteral("abi"));

    const JetSelect named =
        ParseJetSelect(QStringLiteral("  select rel_maior,rel_minor , [rel pers] from [release] ;; "));
    EXPECT_EQ(named.columns,
              (QStringList{QStringLiteral("rel_maior"), QStringLiteral("rel_minor"), QStringLiteral("rel pers")}));
    EXPECT_EQ(named.table, QStringLiteral("release"));

    EXPECT_EQ(ParseJetSelect(QStringLiteral("SELECT Città FROM Filiali")).columns,
              QStringList{QStringLiteral("Città")});
}

TEST(JetSelect, ReadsTheConditionOfTheDeletion)
{
    const JetSelect select = ParseJetSelect(QStringLiteral("SELECT * FROM ABICAB WHERE [abcabi] >=1000;"));
    EXPECT_EQ(select.table, QStringLiteral("ABICAB"));
    ASSERT_TRUE(select.where);
    EXPECT_EQ(select.where->column, QStringLiteral("abcabi"));
    EXPECT_EQ(select.where->lowest, 1000);
    EXPECT_FALSE(ParseJetSelect(QStringLiteral("SELECT * FROM abi")).where);

    // Numbers of either kind, by value; Null, texts and bytes never.
    const JetAtLeast& where = *select.where;
    EXPECT_TRUE(where.holdsFor(Variant(1000)));
    EXPECT_TRUE(where.holdsFor(Variant(1000.0)));
    EXPECT_FALSE(where.holdsFor(Variant(999)));
    EXPECT_FALSE(where.holdsFor(Variant(999.99)));
    EXPECT_FALSE(where.holdsFor(Variant()));
    EXPECT_FALSE(where.holdsFor(Variant("5000")));
    EXPECT_FALSE(where.holdsFor(Variant(QByteArray("5000"))));
}

TEST(JetSelect, RefusesEveryOtherStatementAsReadOnly)
{
    for (const char* sql : {"DELETE FROM abi WHERE abiabi >=1000", "INSERT INTO ABI (AbiAbi) VALUES (1)",
                            "UPDATE abi SET AbiBanc = Null", "DROP TABLE abi", "", "  ;", "SELECTED * FROM abi"})
        EXPECT_EQ(ErrorNumberOf(QString::fromUtf8(sql)), ErrorNumber::ReadOnlyDatabase) << sql;
}

TEST(JetSelect, RejectsSelectsBeyondItsForm)
{
    for (const char* sql : {"SELECT", "SELECT FROM abi", "SELECT * abi", "SELECT * FROM", "SELECT a, FROM abi",
                            "SELECT * FROM abi WHERE AbiAbi = 1", "SELECT * FROM abi WHERE AbiAbi >= 1.5",
                            "SELECT * FROM abi WHERE AbiAbi >= 'a'", "SELECT * FROM abi WHERE >= 1",
                            "SELECT * FROM abi WHERE AbiAbi >= 1 AND AbcCab >= 1", "SELECT * FROM abi, abicab",
                            "SELECT * FROM abi; DELETE FROM abi", "SELECT * FROM [abi", "SELECT count(*) FROM abi"})
        EXPECT_EQ(ErrorNumberOf(QString::fromUtf8(sql)), ErrorNumber::StatementRejected) << sql;
}

}  // namespace
