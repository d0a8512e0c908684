#include "support/temporary_prefix.h"

#include "platform/wine_registry/wine_registry_testing.h"

#include <QFile>
#include <stdexcept>

TemporaryPrefix::TemporaryPrefix()
    : hadPrefix_(qEnvironmentVariableIsSet("WINEPREFIX")), oldPrefix_(qgetenv("WINEPREFIX"))
{
    if (!dir_.isValid())
        throw std::runtime_error("no temporary folder for the Wine prefix");
    qputenv("WINEPREFIX", QFile::encodeName(dir_.path()));
    ResetWineRegistryForTests();
}

TemporaryPrefix::~TemporaryPrefix()
{
    ResetWineRegistryForTests();
    if (hadPrefix_)
        qputenv("WINEPREFIX", oldPrefix_);
    else
        qunsetenv("WINEPREFIX");
}

void TemporaryPrefix::writeFile(const QString& name, const QByteArray& content) const
{
    QFile file(filePath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
        throw std::runtime_error("cannot write " + file.fileName().toStdString());
}
