#include "mkprefix/wine_prefix_writer.h"

#include "mkprefix/wine_registry_writer.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/system_error.h"
#include "platform/wine_registry/wine_registry_file.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>

struct WinePrefixWriter::Hive {
    QString fileName;
    QString relativeTo;
    std::unique_ptr<RegistryKey> root;
    bool toWrite = false;
};

namespace {

[[noreturn]] void Fail(const QString& text)
{
    throw RuntimeError(ErrorNumber::Failure, text);
}

struct RootName {
    QLatin1StringView shortName;
    QLatin1StringView longName;
    bool machine;
};

constexpr RootName kRoots[] = {
    {QLatin1StringView("HKLM"), QLatin1StringView("HKEY_LOCAL_MACHINE"), true},
    {QLatin1StringView("HKCU"), QLatin1StringView("HKEY_CURRENT_USER"), false},
};

// The root of a key path and the rest after its "\".
const RootName* RootOf(const QString& keyPath, QString* rest)
{
    const qsizetype separator = keyPath.indexOf(QLatin1Char('\\'));
    const QString first = separator < 0 ? keyPath : keyPath.left(separator);
    for (const RootName& root : kRoots) {
        if (first.compare(root.shortName, Qt::CaseInsensitive) == 0
            || first.compare(root.longName, Qt::CaseInsensitive) == 0) {
            if (rest)
                *rest = separator < 0 ? QString() : keyPath.mid(separator + 1);
            return &root;
        }
    }
    return nullptr;
}

std::unique_ptr<RegistryKey> ReadExisting(const QString& path, bool* found)
{
    QFile file(path);
    *found = file.exists();
    if (!*found)
        return std::make_unique<RegistryKey>();
    if (!file.open(QIODevice::ReadOnly))
        Fail(QStringLiteral("Impossibile leggere \"%1\": %2.").arg(path, DescrizioneErroreFile(file)));
    return ParseWineRegistryFile(file.readAll(), path);
}

// One to eight hex digits, the whole of text.
std::optional<std::uint32_t> HexNumber(QStringView text)
{
    if (text.isEmpty() || text.size() > 8)
        return std::nullopt;
    std::uint32_t number = 0;
    for (const QChar c : text) {
        if (HexDigit(c) < 0)
            return std::nullopt;
        number = number * 16 + static_cast<std::uint32_t>(HexDigit(c));
    }
    return number;
}

QByteArray HexBytes(QStringView text, const QString& assignment)
{
    QByteArray bytes;
    for (const QStringView byte : text.split(u',', Qt::SkipEmptyParts)) {
        const std::optional<std::uint32_t> number = HexNumber(byte.trimmed());
        if (!number || *number > 0xFF)
            Fail(QStringLiteral("Byte esadecimale non valido in \"%1\".").arg(assignment));
        bytes.append(static_cast<char>(*number));
    }
    return bytes;
}

// The N of "hex(N):" or "str(N):" at the start of text, and what follows the ":".
std::uint32_t TypeNumber(QStringView text, QStringView* rest, const QString& assignment)
{
    const qsizetype closing = text.indexOf(u"):");
    const std::optional<std::uint32_t> type = closing < 0 ? std::nullopt : HexNumber(text.left(closing));
    if (!type)
        Fail(QStringLiteral("Tipo di dato non valido in \"%1\".").arg(assignment));
    *rest = text.mid(closing + 2);
    return *type;
}

}  // namespace

WinePrefixWriter::WinePrefixWriter(QString prefixPath) : prefixPath_(std::move(prefixPath))
{
    const auto load = [this](const QString& fileName, const QString& relativeTo) {
        auto hive = std::make_unique<Hive>();
        hive->fileName = fileName;
        hive->relativeTo = relativeTo;
        hive->root = ReadExisting(QDir(prefixPath_).filePath(fileName), &hive->toWrite);
        return hive;
    };
    machine_ = load(QStringLiteral("system.reg"), QStringLiteral("\\Machine"));
    // The user Wine gives every prefix.
    user_ = load(QStringLiteral("user.reg"), QStringLiteral("\\User\\S-1-5-21-0-0-0-1000"));
}

WinePrefixWriter::~WinePrefixWriter() = default;

RegistryKey& WinePrefixWriter::keyAt(const QString& keyPath)
{
    QString rest;
    const RootName* root = RootOf(keyPath, &rest);
    const std::optional<QStringList> levels = root ? SplitRegistryPath(rest) : std::nullopt;
    if (!levels)
        Fail(QStringLiteral("Chiave non valida: \"%1\" (deve cominciare con HKLM\\ o HKCU\\).").arg(keyPath));
    Hive& hive = root->machine ? *machine_ : *user_;
    hive.toWrite = true;
    RegistryKey* key = hive.root.get();
    for (const QString& level : *levels)
        key = &key->obtainSubkey(level);
    return *key;
}

void WinePrefixWriter::createKey(const QString& keyPath)
{
    keyAt(keyPath);
}

void WinePrefixWriter::setValue(const QString& keyPath, RegistryValue value)
{
    keyAt(keyPath).setValue(std::move(value));
}

void WinePrefixWriter::setText(const QString& keyPath, const QString& name, const QString& text)
{
    setValue(keyPath, {name, REG_SZ, RegistryTextData(text)});
}

void WinePrefixWriter::setDword(const QString& keyPath, const QString& name, std::uint32_t number)
{
    setValue(keyPath, {name, REG_DWORD, RegistryDwordData(number)});
}

// A new Wine prefix has drive C: in its own drive_c folder and drive Z: at
// the root of the machine; Windows paths of the installation go through them.
void WinePrefixWriter::makeDriveLinks() const
{
    const QDir prefix(prefixPath_);
    if (prefix.exists(QStringLiteral("dosdevices")))
        return;
    const bool made = prefix.mkpath(QStringLiteral("drive_c")) && prefix.mkpath(QStringLiteral("dosdevices"))
        && QFile::link(QStringLiteral("../drive_c"), prefix.filePath(QStringLiteral("dosdevices/c:")))
        && QFile::link(QStringLiteral("/"), prefix.filePath(QStringLiteral("dosdevices/z:")));
    if (!made)
        Fail(QStringLiteral("Impossibile creare le unità C: e Z: nel prefisso \"%1\".").arg(prefixPath_));
}

void WinePrefixWriter::save() const
{
    if (!QDir().mkpath(prefixPath_))
        Fail(QStringLiteral("Impossibile creare la cartella \"%1\".").arg(prefixPath_));
    makeDriveLinks();
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    for (const Hive* hive : {machine_.get(), user_.get()}) {
        if (!hive->toWrite)
            continue;
        QSaveFile file(QDir(prefixPath_).filePath(hive->fileName));
        if (!file.open(QIODevice::WriteOnly)
            || file.write(FormatWineRegistryFile(*hive->root, hive->relativeTo, now)) < 0 || !file.commit())
            Fail(QStringLiteral("Impossibile scrivere \"%1\": %2.").arg(file.fileName(), DescrizioneErroreFile(file)));
    }
}

RegistryValue ParseValueAssignment(const QString& assignment)
{
    const qsizetype equals = assignment.indexOf(QLatin1Char('='));
    if (equals <= 0)
        Fail(QStringLiteral("Valore non valido: \"%1\" (atteso NOME=DATI).").arg(assignment));
    RegistryValue value;
    value.name = assignment.left(equals);
    if (value.name == QLatin1String("@"))
        value.name.clear();
    const QStringView data = QStringView(assignment).mid(equals + 1);
    QStringView rest;
    if (data.startsWith(u"dword:")) {
        const std::optional<std::uint32_t> number = HexNumber(data.mid(6));
        if (!number)
            Fail(QStringLiteral("Numero dword non valido in \"%1\".").arg(assignment));
        value.type = REG_DWORD;
        value.data = RegistryDwordData(*number);
    } else if (data.startsWith(u"hex:")) {
        value.type = REG_BINARY;
        value.data = HexBytes(data.mid(4), assignment);
    } else if (data.startsWith(u"hex(")) {
        value.type = TypeNumber(data.mid(4), &rest, assignment);
        value.data = HexBytes(rest, assignment);
    } else if (data.startsWith(u"str(")) {
        value.type = TypeNumber(data.mid(4), &rest, assignment);
        value.data = RegistryTextData(rest.toString());
    } else {
        value.type = REG_SZ;
        value.data = RegistryTextData(data.toString());
    }
    return value;
}

bool IsRegistryKeyPath(const QString& argument)
{
    return RootOf(argument, nullptr) != nullptr;
}
