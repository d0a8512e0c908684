#pragma once

#include "platform/database/database_backend.h"

#include <chrono>
#include <cstddef>
#include <functional>

// Where a reader running in a child process hands over what it reads.
class RowSink {
public:
    virtual ~RowSink() = default;
    virtual void columns(const QStringList& names) = 0;
    virtual void row(const std::vector<Variant>& values) = 0;
};

// The memory a reader may take beyond what it inherits from the tool: far
// more than reading any table needs, far less than a machine has.
constexpr std::size_t kReaderMemoryCeiling = std::size_t{512} << 20;

// Runs `read` in a child process and gathers the rows it hands over, so that
// a library that crashes or loops on a damaged file cannot take the tool down
// with it. The child dies with the tool, however the tool ends, and may not
// grow by more than `memoryCeiling`. A RuntimeError raised by `read` reaches
// the caller unchanged; a child that dies gives an error naming `what` (the
// file being read), and so, with another text, does a child that sends
// nothing for `quietLimit` or runs out of memory.
ResultSet ReadIsolated(const std::function<void(RowSink&)>& read, const QString& what,
                       std::chrono::milliseconds quietLimit, std::size_t memoryCeiling = kReaderMemoryCeiling);
