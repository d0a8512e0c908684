#pragma once

#include "database_access.h"

#include <memory>

// Closes a connection at the given line, then discards it at the next (line + 10).
void CloseAndDiscard(std::unique_ptr<Connection>& connection, int& linea, int closeLine);
