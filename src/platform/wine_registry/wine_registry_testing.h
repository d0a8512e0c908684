#pragma once

// For tests only: the registry stand-in's process-wide state.

#include <QString>
#include <functional>

// Closes every key, forgets the hive files kept in memory and removes the hook.
void ResetWineRegistryForTests();

// How many keys are open now.
int OpenWineRegistryKeyCountForTests();

// Runs just before each read of a hive file, with the file's path, so that a
// test can change the file between two reads of one procedure.
void SetHiveReadHookForTests(std::function<void(const QString& filePath)> hook);
