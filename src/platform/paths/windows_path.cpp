#include "platform/paths/windows_path.h"

#include "platform/paths/wine_prefix.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

QStringList Components(const QString& text)
{
    QString unified = text;
    unified.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return unified.split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

// "." and ".." as Windows resolves them: in the text, stopping at the root.
QStringList Collapsed(const QStringList& components)
{
    QStringList result;
    for (const QString& component : components) {
        if (component == QLatin1String("."))
            continue;
        if (component == QLatin1String("..")) {
            if (!result.isEmpty())
                result.removeLast();
            continue;
        }
        result.append(component);
    }
    return result;
}

bool IsDriveLetter(const QString& component)
{
    return component.size() == 2 && component.at(1) == QLatin1Char(':') && component.at(0).isLetter()
        && component.at(0).unicode() < 0x80;
}

// The name in `folder` that matches `name` without regard to case, the exact
// name when it exists, or `name` itself when none does.
QString FindInFolder(const QString& folder, const QString& name)
{
    if (QFileInfo::exists(folder + QLatin1Char('/') + name))
        return name;
    const QStringList entries =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return name;
}

QString Descend(QString folder, const QStringList& components)
{
    for (const QString& component : components) {
        const QString name = FindInFolder(folder.isEmpty() ? QStringLiteral("/") : folder, component);
        folder = (folder == QLatin1String("/") ? QString() : folder) + QLatin1Char('/') + name;
    }
    return folder.isEmpty() ? QStringLiteral("/") : folder;
}

}  // namespace

QString LinuxPathOf(const QString& windowsPath)
{
    QString text = windowsPath;
    bool unc = false;
    if (text.startsWith(QLatin1String("\\\\?\\")) || text.startsWith(QLatin1String("//?/"))) {
        text = text.mid(4);
        if (text.startsWith(QLatin1String("UNC\\"), Qt::CaseInsensitive)
            || text.startsWith(QLatin1String("UNC/"), Qt::CaseInsensitive)) {
            text = text.mid(4);
            unc = true;
        }
    } else if (text.startsWith(QLatin1String("\\\\")) || text.startsWith(QLatin1String("//"))) {
        unc = true;
    }

    const bool rooted = text.startsWith(QLatin1Char('\\')) || text.startsWith(QLatin1Char('/'));
    QStringList components = Components(text);
    const QString dosdevices = WinePrefixPath() + QStringLiteral("/dosdevices");

    if (unc)
        return Descend(dosdevices + QStringLiteral("/unc"), Collapsed(components));
    if (!components.isEmpty() && components.first().size() >= 2 && IsDriveLetter(components.first().left(2))) {
        // "C:Dati" (relative to the drive's current folder) is taken from the
        // drive's root, which is where Windows starts a fresh process.
        const QString drive = components.first().left(2).toLower();
        const QString rest = components.first().mid(2);
        components.removeFirst();
        if (!rest.isEmpty())
            components.prepend(rest);
        return Descend(dosdevices + QLatin1Char('/') + drive, Collapsed(components));
    }
    if (!rooted)
        components = Components(QDir::currentPath()) + components;
    return Descend(QString(), Collapsed(components));
}
