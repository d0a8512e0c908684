// libFuzzer target for the reader of Wine's registry files: any input either
// raises a RuntimeError or gives a tree that, written again in Wine's format,
// reads back as the same tree. Crashes, hangs, leaks and undefined behaviour
// are caught by the sanitizers. See README.md beside this file.
#include "mkprefix/wine_registry_writer.h"
#include "platform/runtime/runtime_error.h"
#include "platform/wine_registry/registry_tree.h"
#include "platform/wine_registry/wine_registry_file.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray content(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    std::unique_ptr<RegistryKey> tree;
    try {
        tree = ParseWineRegistryFile(content, QStringLiteral("fuzz.reg"));
    } catch (const RuntimeError&) {
        return 0;
    }
    const QByteArray written = FormatWineRegistryFile(*tree, QStringLiteral("\\Machine"), 0);
    try {
        if (*ParseWineRegistryFile(written, QStringLiteral("written.reg")) == *tree)
            return 0;
        std::fputs("the tree written again reads back differently\n", stderr);
    } catch (const RuntimeError& error) {
        std::fprintf(stderr, "the tree written again does not read back: %s\n", error.what());
    }
    std::fprintf(stderr, "%s\n", written.constData());
    std::abort();
}
