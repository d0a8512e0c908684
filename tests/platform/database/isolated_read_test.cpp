#include "platform/database/jet/isolated_read.h"
#include "platform/runtime/runtime_error.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QElapsedTimer>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

TEST(ReadIsolated, BringsBackEveryRowWithItsTypes)
{
    const ResultSet result = ReadIsolated(
        [](RowSink& sink) {
            sink.columns({QStringLiteral("n"), QStringLiteral("testo")});
            for (int i = 0; i < 30000; ++i)  // many frames' worth
                sink.row(
                    {Variant(i), i % 3 == 0 ? Variant() : Variant(QStringLiteral("Filiale n. %1 – Forlì").arg(i))});
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

// libmdb dumps the bytes of a damaged block on standard output: nothing a
// reader writes there reaches the tool's own output.
TEST(ReadIsolated, KeepsTheReadersOwnOutputFromTheTools)
{
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    FILE* capture = std::tmpfile();
    ASSERT_NE(capture, nullptr);
    ::dup2(::fileno(capture), STDOUT_FILENO);
    const ResultSet result = ReadIsolated(
        [](RowSink& sink) {
            std::printf("0000x  00 65 00 72 00 6f 00 4c   .e.r.o.L\n");
            std::fflush(stdout);
            sink.columns({QStringLiteral("n")});
            sink.row({Variant(1)});
        },
        QStringLiteral("prova.mdb"), 5s);
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    std::rewind(capture);
    char buffer[64];
    EXPECT_EQ(std::fread(buffer, 1, sizeof buffer, capture), 0U);
    std::fclose(capture);
    EXPECT_EQ(result.rows.size(), 1U);
}

// Texts repeated from the row above are held once; every row still reads
// back exactly what the reader sent, however close the texts above are.
TEST(ReadIsolated, RowsRepeatingTheTextsAboveReadBackUnchanged)
{
    const std::vector<std::vector<Variant>> sent{
        {Variant("Banca di Forlì"), Variant("Forlì"), Variant("FC")},
        {Variant("Banca di Forlì"), Variant("Forlì"), Variant("FC")},
        {Variant("Banca di Forlì"), Variant("Forl"), Variant("Forlì")},  // a shorter text, a text from another column
        {Variant("Banca di Forlí"), Variant(), Variant("")},             // one character apart, Null, empty
        {Variant("Banca di Forlí"), Variant("Forl"), Variant("")},
        {Variant(7), Variant(QByteArray("Forl")), Variant("")},  // same bytes, other types
        {Variant("7"), Variant("Forl")},                         // fewer columns
    };
    const ResultSet result = ReadIsolated(
        [&](RowSink& sink) {
            sink.columns({QStringLiteral("banca"), QStringLiteral("comune"), QStringLiteral("provincia")});
            for (const std::vector<Variant>& row : sent)
                sink.row(row);
        },
        QStringLiteral("prova.mdb"), 5s);
    EXPECT_EQ(result.rows, sent);
    EXPECT_EQ(result.rows[1][0].text().constData(), result.rows[0][0].text().constData());
    EXPECT_EQ(result.rows[2][0].text().constData(), result.rows[0][0].text().constData());
    EXPECT_NE(result.rows[3][0].text().constData(), result.rows[2][0].text().constData());
    EXPECT_EQ(result.rows[6][1].type(), Variant::Type::Text);
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

TEST(ReadIsolated, StopsAReaderThatGrowsWithoutEndAsOneThatLoops)
{
    constexpr std::size_t kMiB = std::size_t{1} << 20;
    // Each read may grow by 64 MiB and stay silent for 15 s; past 1 GiB it
    // stops growing, so that without a ceiling only the silence ends it.
    const auto failure = [](const std::function<void*(std::size_t)>& allocate) {
        QElapsedTimer timer;
        timer.start();
        try {
            ReadIsolated(
                [&](RowSink&) {
                    for (std::size_t grown = 0; grown < 1024 * kMiB; grown += kMiB)
                        std::memset(allocate(kMiB), 'x', kMiB);
                    std::this_thread::sleep_for(1h);
                },
                QStringLiteral("rotto.mdb"), 15s, 64 * kMiB);
        } catch (const RuntimeError& error) {
            EXPECT_LT(timer.elapsed(), 10000) << "only the ceiling can stop it this soon";
            return error;
        }
        return RuntimeError(0, QString());
    };
    // What C++ code meets at the ceiling, and what C libraries such as GLib do.
    const RuntimeError grewByNew = failure([](std::size_t size) { return static_cast<void*>(new char[size]); });
    const RuntimeError grewByMalloc = failure([](std::size_t size) {
        void* chunk = std::malloc(size);
        if (!chunk)
            std::abort();
        return chunk;
    });
    EXPECT_EQ(grewByNew.number(), ErrorNumber::Failure);
    EXPECT_EQ(grewByNew.description(),
              QStringLiteral("Impossibile leggere il database 'rotto.mdb': la lettura non si "
                             "conclude, il file è probabilmente danneggiato."));
    EXPECT_EQ(grewByMalloc.number(), ErrorNumber::Failure);
    EXPECT_EQ(grewByMalloc.description(), grewByNew.description());
}

// Reads, in a process of its own, with a reader that tells its process id
// down `pidPipe` and then never ends; answers nothing, since it is killed.
[[noreturn]] void ToolThatReadsForEver(int pidPipe)
{
    try {
        ReadIsolated(
            [pidPipe](RowSink&) {
                const pid_t reader = ::getpid();
                (void)::write(pidPipe, &reader, sizeof reader);
                for (;;)
                    ::pause();
            },
            QStringLiteral("anello.mdb"), 1h);
    } catch (...) {
    }
    _exit(0);
}

TEST(ReadIsolated, TheReaderDiesWithTheToolWhateverKillsIt)
{
    // A go-between adopts the orphaned reader, so that it can tell how it
    // ended: killed at once, or still running after five seconds.
    const pid_t between = ::fork();
    ASSERT_GE(between, 0);
    if (between == 0) {
        ::prctl(PR_SET_CHILD_SUBREAPER, 1);
        int fds[2];
        if (::pipe(fds) != 0)
            _exit(10);
        const pid_t tool = ::fork();
        if (tool == 0)
            ToolThatReadsForEver(fds[1]);
        pid_t reader = 0;
        if (::read(fds[0], &reader, sizeof reader) != sizeof reader)
            _exit(11);
        ::kill(tool, SIGKILL);
        ::waitpid(tool, nullptr, 0);
        for (int tenth = 0; tenth < 50; ++tenth) {
            int status = 0;
            if (::waitpid(reader, &status, WNOHANG) == reader)
                _exit(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL ? 0 : 12);
            ::usleep(100000);
        }
        ::kill(reader, SIGKILL);
        _exit(13);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(between, &status, 0), between);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10, 11: no reader; 12: it ended otherwise; 13: it outlived the tool";
}

}  // namespace
