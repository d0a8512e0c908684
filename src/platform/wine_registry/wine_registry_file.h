#pragma once

#include "platform/wine_registry/registry_tree.h"

#include <QByteArray>
#include <QString>
#include <memory>

// Reads one of Wine's registry files (system.reg, user.reg): the header
// "WINE REGISTRY Version 2", then sections "[key\\path] time" with values
// "name"=..., @=... in Wine's escapes and typed forms.
//
// The result is the hive the file holds, its keys relative to the hive's root.
// Anything Wine would skip with a complaint, or that is not in Wine's format,
// raises a RuntimeError naming fileName and the line: a file that is not read
// whole is never passed off as the hive. Invalid UTF-8 and NUL bytes are
// errors too, although Wine would drop them silently.
std::unique_ptr<RegistryKey> ParseWineRegistryFile(const QByteArray& content, const QString& fileName);

// The value of a hexadecimal digit, or -1; hex data in the files and on
// mkprefix's command line are read with it.
int HexDigit(QChar c);
