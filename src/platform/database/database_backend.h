#pragma once

#include "variant.h"

#include <QStringList>
#include <vector>

// All rows of a query, read at once: the readers above are static cursors.
struct ResultSet {
    QStringList columns;
    std::vector<std::vector<Variant>> rows;
};

// One open database of one engine. Every operation raises RuntimeError with
// the number that fits the failure and, for the engine's own failures, the
// engine's own message as description.
class DatabaseBackend {
public:
    virtual ~DatabaseBackend() = default;

    virtual ResultSet query(const QString& sql) = 0;
    // Runs a statement; result rows, if any, are discarded.
    virtual void execute(const QString& sql) = 0;

    virtual void beginTransaction() = 0;
    virtual void commitTransaction() = 0;
    virtual void rollbackTransaction() = 0;
};
