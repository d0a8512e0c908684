#include "platform/database/odbc/mysql_statement_text.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace {

TEST(MysqlStatementText, QuotesTheReservedTableNameOnlyWhereItIsAWord)
{
    const std::pair<const char*, const char*> cases[] = {
        {"SELECT rel_maior, rel_minor, rel_pers FROM release", "SELECT rel_maior, rel_minor, rel_pers FROM `release`"},
        {"select * from Release where x = 'release'", "select * from `Release` where x = 'release'"},
        // Inside texts and quoted names, and as part of a longer name, it stays.
        {"SELECT release_no, `release`, \"release\" FROM t_release",
         "SELECT release_no, `release`, \"release\" FROM t_release"},
        {"INSERT INTO ABI VALUES (1, 'd''release \\', 2)", "INSERT INTO ABI VALUES (1, 'd''release \\', 2)"},
        {"SELECT 'it''s', release.rel_maior FROM release", "SELECT 'it''s', `release`.rel_maior FROM `release`"},
        {"INSERT INTO ABI (AbiAbi) VALUES (1005)", "INSERT INTO ABI (AbiAbi) VALUES (1005)"},
    };
    for (const auto& [sql, expected] : cases)
        EXPECT_EQ(MysqlStatementText(QString::fromUtf8(sql)), QString::fromUtf8(expected)) << sql;
}

}  // namespace
