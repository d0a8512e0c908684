#pragma once

#include "update/code_transfer.h"

// The window's side of the transfer: the phase captions in lbProgr, the row
// progress in lbProgr and pbProgr on a fixed 0 to 1000 scale, and the event
// pumping that keeps the window painted (every 10th row inside the loops).
class ProgressReport : public TransferProgress {
public:
    ProgressReport(UiServices& ui, int& linea) : ui_(ui), linea_(linea) {}

    void deletionStarting() override;
    void tableStarting(CodeTable table, std::int32_t rowCount) override;
    void rowInserted(CodeTable table) override;
    void tableFinished(CodeTable table) override;
    void rowFailed(CodeTable table, std::int32_t rowsBefore) override;

private:
    UiServices& ui_;
    int& linea_;
    std::int32_t rowCount_ = 0;
    std::int32_t counter_ = 0;
};
