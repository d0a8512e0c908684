#pragma once

#include "platform/wine_registry/registry_tree.h"

#include <QByteArray>
#include <QString>

// Writes a registry tree as Wine saves a hive: the header, the line naming
// the hive (relativeTo, such as "\Machine"), then every key that has values
// or no subkeys, with its time stamp, its values in Wine's escapes and typed
// forms, and long hex data continued over lines ending in "\".
QByteArray FormatWineRegistryFile(const RegistryKey& root, const QString& relativeTo, qint64 secondsSinceEpoch);
