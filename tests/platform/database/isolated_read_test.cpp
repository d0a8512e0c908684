#include "isolated_read.h"
#include "qt_printers.h"
#include "runtime_error.h"

#include <csignal>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

TEST(ReadIsolated, BringsBackEveryRowWithItsTypes)
{
    const ResultSet result = ReadIsolated(
        [](RowSink& sink) {
            sink.columns({QStringLiteral("n"), QStringLiteral("testo")});
            for (int i = 0; i < 30000; ++i)  // many frames' worth
                sink.row({Variant(i), i % 3 == 0 ? Variant() : Variant(QStringLiteral("Filiale n. %1 – Forlì").arg(i))});
            sink.row({Variant(-0.125), Variant(QString())});
        },
        QStringLiteral("prova.mdb"), 5s);
    EXPECT_EQ(result.columns, (QStringList{QStringLiteral("n"), QStringLiteral("testo")}));
    ASSERT_EQ(result.rows.size(), 30001U);
    EXPECT_EQ(result.rows[29999], (std::vector<Variant>{Variant(29999), Variant("Filiale n. 29999 – Forlì")}));
    EXPECT_TRUE(result.rows[3][1].isNull());
    EXPECT_EQ(result.rows.back()[0], Variant(-0.125));
    EXPECT_EQ(result.rows.back()[1], Variant(QString()));
    EXPECT_FALSE(result.rows.back()[1].isNull());
}

TEST(ReadIsolated, PassesTheReadersErrorOn)
{
    try {
        ReadIsolated([](RowSink&) { throw RuntimeError(ErrorNumber::NoSuchTable, QStringLiteral("manca 'abi'")); },
                     QStringLiteral("prova.mdb"), 5s);
        FAIL();
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), ErrorNumber::NoSuchTable);
        EXPECT_EQ(error.description(), QStringLiteral("manca 'abi'"));
    }
}

TEST(ReadIsolated, SurvivesAReaderThatCrashesOrHangs)
{
    const auto failure = [](const std::function<void(RowSink&)>& read) {
        try {
            ReadIsolated(read, QStringLiteral("rotto.mdb"), 500ms);
        } catch (const RuntimeError& error) {
            return error;
        }
        return RuntimeError(0, QString());
    };
    const RuntimeError crashed = failure([](RowSink& sink) {
        sink.columns({QStringLiteral("n")});
        std::raise(SIGSEGV);
    });
    EXPECT_EQ(crashed.number(), ErrorNumber::Failure);
    EXPECT_TRUE(crashed.description().contains(QStringLiteral("rotto.mdb")));

    const RuntimeError hung = failure([](RowSink&) { std::this_thread::sleep_for(1h); });
    EXPECT_EQ(hung.number(), ErrorNumber::Failure);
    EXPECT_NE(hung.description(), crashed.description());
}

}  // namespace
