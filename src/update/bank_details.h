#pragma once

#include "update/code_transfer.h"
#include "update/deletion_backup.h"
#include "update/run_summary.h"

#include <QHash>

// The details of the codes a run deletes that the source does not provide
// (a BIC code): for each code, the columns of its table beyond the update's
// own and their saved values, so that a run can write them back with the
// code when the source still has it.
class KeptBankDetails {
public:
    explicit KeptBankDetails(const SavedCodes& removed);

    // Those of the code of the reader's current row; none for a code the
    // destination did not hold, or a table without further columns.
    const KeptDetails* find(CodeTable table, const Recordset& row) const;

private:
    QHash<CodeKey, KeptDetails> banks_;
    QHash<CodeKey, KeptDetails> branches_;
};
