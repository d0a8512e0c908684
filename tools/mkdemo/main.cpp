// mkdemo USCITA.mdb: writes the demo's Abicab.mdb, about 1,000 banks and
// 40,000 branches, the same on every run.
#include "layouts/abicab_layout.h"
#include "mkdemo/demo_data.h"
#include "platform/database/jet/new_file/jet_database_writer.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.size() != 1 || arguments[0].startsWith(QLatin1Char('-'))) {
        std::fputs(
            "Uso: mkdemo USCITA.mdb\n"
            "Scrive un database Abicab.mdb di prova, con circa 1.000 banche e 40.000 sportelli\n"
            "dai nomi italiani, sempre uguale a ogni esecuzione.\n",
            stderr);
        return 2;
    }
    try {
        const DemoData data = GenerateDemoData();
        WriteJetDatabase(arguments[0], {{AbiTableDefinition(), data.banks}, {AbicabTableDefinition(), data.branches}});
        std::fprintf(stderr, "%s: %zu banche, %zu sportelli\n", arguments[0].toLocal8Bit().constData(),
                     data.banks.size(), data.branches.size());
    } catch (const JetWriteError& error) {
        std::fprintf(stderr, "mkdemo: %s\n", error.what());
        return 1;
    }
    return 0;
}
