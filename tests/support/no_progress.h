#pragma once

#include "update/code_transfer.h"

// A transfer's progress that nobody watches, for tests that run the transfer
// without a window.
struct NoProgress : TransferProgress {
    void deletionStarting() override {}
    void tableStarting(CodeTable, std::int32_t) override {}
    void rowInserted(CodeTable) override {}
    void tableFinished(CodeTable) override {}
    void rowFailed(CodeTable, std::int32_t) override {}
};
