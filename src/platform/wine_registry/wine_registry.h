#pragma once

#include "platform/paths/wine_prefix.h"
#include "platform/wine_registry/registry_tree.h"

#include <QString>
#include <cstdint>

// The registry of the Windows platform, read only, over the registry files of
// a Wine prefix: the folder that WINEPREFIX names, ~/.wine when it is unset
// or empty. system.reg holds HKEY_LOCAL_MACHINE, user.reg HKEY_CURRENT_USER;
// HKEY_CLASSES_ROOT and HKEY_USERS are empty, as is a hive whose file (or
// whole prefix) is missing.
//
// The three calls behave as the platform's ANSI calls do: names and texts
// cross them in code page 1252, results are the platform's error codes.
// Every open below a predefined root reads the hive afresh (the file is
// parsed again only when its content changed), so a change on disk is seen
// by the next open; a key opened earlier keeps the content it was opened in.
// A hive file that cannot be read or is not a valid registry file raises a
// RuntimeError from the call that reads it (an open below a root, a query of
// a root itself), for the caller's error trap.
//
// Like a 32-bit program of the platform on a 64-bit prefix, a path that
// passes through a key with a "Wow6432Node" subkey (HKLM\Software on such a
// prefix) continues below that subkey. Symbolic link keys are not followed.

constexpr std::int32_t HKEY_CLASSES_ROOT = static_cast<std::int32_t>(0x80000000);
constexpr std::int32_t HKEY_CURRENT_USER = static_cast<std::int32_t>(0x80000001);
constexpr std::int32_t HKEY_LOCAL_MACHINE = static_cast<std::int32_t>(0x80000002);
constexpr std::int32_t HKEY_USERS = static_cast<std::int32_t>(0x80000003);

constexpr std::int32_t ERROR_SUCCESS = 0;
constexpr std::int32_t ERROR_FILE_NOT_FOUND = 2;
constexpr std::int32_t ERROR_INVALID_HANDLE = 6;
constexpr std::int32_t ERROR_INVALID_PARAMETER = 87;
constexpr std::int32_t ERROR_BAD_PATHNAME = 161;  // a path that starts with "\"
constexpr std::int32_t ERROR_MORE_DATA = 234;

// Opens subKey (levels separated by "\") below parent, a predefined root or
// an open key. An empty or null subKey gives parent itself. On failure
// *result is 0. Handles are small multiples of four; a closed handle's value
// is handed out again, lowest first, as the platform does.
std::int32_t RegOpenKeyA(std::int32_t parent, const char* subKey, std::int32_t* result);

// The value valueName (null or empty: the default value) of an open key or
// root: its type in *type and its size in bytes in *size, texts in code page
// 1252 with their terminating NUL. With data given, *size is the room there:
// too little gives ERROR_MORE_DATA and the size needed. reserved must be null.
std::int32_t RegQueryValueExA(std::int32_t key, const char* valueName, std::uint32_t* reserved, std::uint32_t* type,
                              unsigned char* data, std::uint32_t* size);

// Closing a predefined root does nothing and succeeds.
std::int32_t RegCloseKey(std::int32_t key);
