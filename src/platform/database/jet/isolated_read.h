#pragma once

#include "database_backend.h"

#include <chrono>
#include <functional>

// Where a reader running in a child process hands over what it reads.
class RowSink {
public:
    virtual ~RowSink() = default;
    virtual void columns(const QStringList& names) = 0;
    virtual void row(const std::vector<Variant>& values) = 0;
};

// Runs `read` in a child process and gathers the rows it hands over, so that
// a library that crashes or loops on a damaged file cannot take the tool down
// with it. A RuntimeError raised by `read` reaches the caller unchanged; a
// child that dies, or sends nothing for `quietLimit`, gives an error naming
// `what` (the file being read).
ResultSet ReadIsolated(const std::function<void(RowSink&)>& read, const QString& what,
                       std::chrono::milliseconds quietLimit);
