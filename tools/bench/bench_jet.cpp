// bench_jet [ROUNDS]: how long writing the demo's 40,000 branch rows into a
// Jet file takes, and reading them back through the tool's own Jet reader.
// Prints the best and the median of the rounds (5 unless told).
#include "layouts/abicab_layout.h"
#include "mkdemo/demo_data.h"
#include "platform/database/jet/jet_backend.h"
#include "platform/database/jet/new_file/jet_database_writer.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct Figures {
    std::vector<double> milliseconds;

    void print(const char* what) const
    {
        std::vector<double> sorted = milliseconds;
        std::sort(sorted.begin(), sorted.end());
        std::printf("%-44s best %8.1f ms   median %8.1f ms\n", what, sorted.front(), sorted[sorted.size() / 2]);
    }
};

template <typename Action>
double Milliseconds(Action action)
{
    QElapsedTimer timer;
    timer.start();
    action();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString path = dir.filePath(QStringLiteral("Abicab.mdb"));

    DemoData data;
    const double generation = Milliseconds([&] { data = GenerateDemoData(); });
    std::printf("demo data: %zu banks, %zu branches generated in %.1f ms\n", data.banks.size(), data.branches.size(),
                generation);

    Figures writing, reading;
    std::size_t rowsRead = 0;
    try {
        for (int round = 0; round < rounds; ++round) {
            writing.milliseconds.push_back(Milliseconds([&] {
                JetDatabaseWriter writer;
                const int table = writer.addTable(AbicabTableDefinition());
                for (const auto& row : data.branches)
                    writer.appendRow(table, row);
                writer.save(path);
            }));
            reading.milliseconds.push_back(Milliseconds(
                [&] { rowsRead = OpenJetDatabase(path)->query(QStringLiteral("SELECT * FROM abicab")).rows.size(); }));
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_jet: %s\n", error.what());
        return 1;
    }
    std::printf("file of %.1f MB, %zu rows read back, %d rounds\n", QFileInfo(path).size() / 1048576.0, rowsRead,
                rounds);
    writing.print("write 40,000 abicab rows (pack and save)");
    reading.print("read them back (OpenJetDatabase + SELECT *)");
    return rowsRead == data.branches.size() ? 0 : 1;
}
