#include "bench/demo_source.h"

#include "layouts/abicab_layout.h"
#include "mkdemo/demo_data.h"
#include "platform/database/jet/new_file/jet_database_writer.h"

#include <sys/wait.h>
#include <unistd.h>

bool WriteDemoSource(const QString& path, int branches)
{
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            const DemoData data = GenerateDemoData({1000, branches});
            WriteJetDatabase(path, {{AbiTableDefinition(), data.banks}, {AbicabTableDefinition(), data.branches}});
        } catch (...) {
            _exit(1);
        }
        _exit(0);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
