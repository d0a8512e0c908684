#pragma once

// For tests only: the Jet reader's process-wide limits.

#include "platform/database/jet/isolated_read.h"

#include <chrono>
#include <cstddef>

// The silence after which a read is given up, for files opened without a
// limit of their own (as connections open them), and the memory every read
// may take: 30 s and kReaderMemoryCeiling unless changed. Tests that read
// many damaged files lower them.
void SetJetReadLimitsForTests(std::chrono::milliseconds quietLimit, std::size_t memoryCeiling = kReaderMemoryCeiling);
