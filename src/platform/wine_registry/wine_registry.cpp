#include "platform/wine_registry/wine_registry.h"

#include "platform/runtime/runtime_error.h"
#include "platform/runtime/system_error.h"
#include "platform/wine_registry/code_page_1252.h"
#include "platform/wine_registry/wine_registry_file.h"
#include "platform/wine_registry/wine_registry_testing.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace {

constexpr std::int32_t kFirstHandle = 0x100;
constexpr std::int32_t kHandleStep = 4;
// Far beyond any real hive; keeps a wrong file from filling the memory.
constexpr qint64 kLargestHiveFile = 256LL * 1024 * 1024;
const QString kWow64Node = QStringLiteral("Wow6432Node");

// A hive file as last read, so that an unchanged file is not parsed again.
struct KeptFile {
    QByteArray content;
    std::shared_ptr<const RegistryKey> root;
};

struct RegistryState {
    // By handle slot; empty where the handle is free. Each open key shares
    // ownership of the hive it was opened in.
    std::vector<std::shared_ptr<const RegistryKey>> openKeys;
    std::map<QString, KeptFile> keptFiles;
    std::function<void(const QString&)> hiveReadHook;
};

RegistryState& State()
{
    static RegistryState state;
    return state;
}

std::shared_ptr<const RegistryKey> EmptyHive()
{
    static const auto empty = std::make_shared<const RegistryKey>();
    return empty;
}

[[noreturn]] void FailToRead(const QString& path, const QString& reason)
{
    throw RuntimeError(ErrorNumber::Failure,
                       QStringLiteral("Impossibile leggere il file del registro \"%1\": %2.").arg(path, reason));
}

std::shared_ptr<const RegistryKey> ReadHiveFile(const QString& path)
{
    RegistryState& state = State();
    if (state.hiveReadHook)
        state.hiveReadHook(path);
    const QFileInfo info(path);
    if (!info.exists()) {
        state.keptFiles.erase(path);
        return EmptyHive();
    }
    // A pipe or a device would block the read or never end it.
    if (!info.isFile())
        FailToRead(path, QStringLiteral("non è un file regolare"));
    if (info.size() > kLargestHiveFile)
        FailToRead(path, QStringLiteral("è più grande di %1 MB").arg(kLargestHiveFile / (1024 * 1024)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        FailToRead(path, DescrizioneErroreFile(file));
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        FailToRead(path, DescrizioneErroreFile(file));

    // Comparing the content, not the time stamps: two writes within the
    // file system's clock tick can leave the same size and time behind.
    const auto kept = state.keptFiles.find(path);
    if (kept != state.keptFiles.end() && kept->second.content == content)
        return kept->second.root;
    state.keptFiles.erase(path);
    std::shared_ptr<const RegistryKey> root = ParseWineRegistryFile(content, path);
    state.keptFiles[path] = {content, root};
    return root;
}

bool IsPredefinedRoot(std::int32_t handle)
{
    return handle >= HKEY_CLASSES_ROOT && handle <= HKEY_USERS;
}

std::shared_ptr<const RegistryKey> HiveOf(std::int32_t root)
{
    switch (root) {
        case HKEY_LOCAL_MACHINE: return ReadHiveFile(WinePrefixPath() + QStringLiteral("/system.reg"));
        case HKEY_CURRENT_USER: return ReadHiveFile(WinePrefixPath() + QStringLiteral("/user.reg"));
        default: return EmptyHive();
    }
}

std::shared_ptr<const RegistryKey>* SlotOf(std::int32_t handle)
{
    if (handle < kFirstHandle || (handle - kFirstHandle) % kHandleStep != 0)
        return nullptr;
    const auto slot = static_cast<std::size_t>((handle - kFirstHandle) / kHandleStep);
    std::vector<std::shared_ptr<const RegistryKey>>& openKeys = State().openKeys;
    if (slot >= openKeys.size() || !openKeys[slot])
        return nullptr;
    return &openKeys[slot];
}

// The key a handle stands for; empty for a handle that is not open.
std::shared_ptr<const RegistryKey> KeyOf(std::int32_t handle)
{
    if (IsPredefinedRoot(handle))
        return HiveOf(handle);
    std::shared_ptr<const RegistryKey>* slot = SlotOf(handle);
    return slot ? *slot : nullptr;
}

std::int32_t HandOutHandle(std::shared_ptr<const RegistryKey> key)
{
    std::vector<std::shared_ptr<const RegistryKey>>& openKeys = State().openKeys;
    std::size_t slot = 0;
    while (slot < openKeys.size() && openKeys[slot])
        ++slot;
    if (slot == openKeys.size())
        openKeys.emplace_back();
    openKeys[slot] = std::move(key);
    return kFirstHandle + static_cast<std::int32_t>(slot) * kHandleStep;
}

bool IsWow64Node(const QString& name)
{
    return name.compare(kWow64Node, Qt::CaseInsensitive) == 0;
}

// What a 32-bit program finds in place of key: its Wow6432Node subkey, if any.
const RegistryKey* Wow64View(const RegistryKey* key)
{
    if (IsWow64Node(key->name()))
        return key;
    const RegistryKey* redirected = key->subkey(kWow64Node);
    return redirected ? redirected : key;
}

const RegistryKey* FindKey(const RegistryKey& from, const QStringList& levels)
{
    const RegistryKey* key = &from;
    for (qsizetype i = 0; i < levels.size(); ++i) {
        key = key->subkey(levels[i]);
        if (!key)
            return nullptr;
        const bool nextNamesTheView = i + 1 < levels.size() && IsWow64Node(levels[i + 1]);
        if (!nextNamesTheView)
            key = Wow64View(key);
    }
    return key;
}

}  // namespace

std::int32_t RegOpenKeyA(std::int32_t parent, const char* subKey, std::int32_t* result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = 0;
    if (!IsPredefinedRoot(parent) && !SlotOf(parent))
        return ERROR_INVALID_HANDLE;
    if (!subKey || !*subKey) {
        *result = parent;
        return ERROR_SUCCESS;
    }
    const std::optional<QStringList> levels = SplitRegistryPath(FromCodePage1252(QByteArray(subKey)));
    if (!levels)
        return ERROR_BAD_PATHNAME;
    const std::shared_ptr<const RegistryKey> from = KeyOf(parent);
    const RegistryKey* key = FindKey(*from, *levels);
    if (!key)
        return ERROR_FILE_NOT_FOUND;
    *result = HandOutHandle(std::shared_ptr<const RegistryKey>(from, key));
    return ERROR_SUCCESS;
}

std::int32_t RegQueryValueExA(std::int32_t key, const char* valueName, std::uint32_t* reserved, std::uint32_t* type,
                              unsigned char* data, std::uint32_t* size)
{
    if (reserved || (data && !size))
        return ERROR_INVALID_PARAMETER;
    const std::shared_ptr<const RegistryKey> opened = KeyOf(key);
    if (!opened)
        return ERROR_INVALID_HANDLE;
    const RegistryValue* value = opened->value(valueName ? FromCodePage1252(QByteArray(valueName)) : QString());
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    const QByteArray bytes =
        IsRegistryTextType(value->type) ? ToCodePage1252(RegistryTextOf(value->data)) : value->data;
    if (type)
        *type = value->type;
    if (!size)
        return ERROR_SUCCESS;
    const auto needed = static_cast<std::uint32_t>(bytes.size());
    if (data) {
        if (*size < needed) {
            *size = needed;
            return ERROR_MORE_DATA;
        }
        std::memcpy(data, bytes.constData(), needed);
    }
    *size = needed;
    return ERROR_SUCCESS;
}

std::int32_t RegCloseKey(std::int32_t key)
{
    if (IsPredefinedRoot(key))
        return ERROR_SUCCESS;
    std::shared_ptr<const RegistryKey>* slot = SlotOf(key);
    if (!slot)
        return ERROR_INVALID_HANDLE;
    slot->reset();
    return ERROR_SUCCESS;
}

void ResetWineRegistryForTests()
{
    State() = RegistryState{};
}

int OpenWineRegistryKeyCountForTests()
{
    int count = 0;
    for (const auto& key : State().openKeys)
        count += key ? 1 : 0;
    return count;
}

void SetHiveReadHookForTests(std::function<void(const QString& filePath)> hook)
{
    State().hiveReadHook = std::move(hook);
}
