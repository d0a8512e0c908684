#pragma once

#include "ui/ui_services.h"
#include "update/database_access.h"

#include <cstdint>
#include <memory>

enum class CodeTable { Abi, Cab };

// The update run's own steps between those of the transfer: captions,
// progress bar and event pumping. The run keeps the line counter up to date
// for these steps itself.
class TransferProgress {
public:
    virtual ~TransferProgress() = default;
    virtual void deletionStarting() = 0;                                     // lines 760, 770
    virtual void tableStarting(CodeTable table, std::int32_t rowCount) = 0;  // 850 to 900, CAB 1080 to 1130
    virtual void rowInserted(CodeTable table) = 0;                           // 980 to 1010, CAB 1210 to 1240
    virtual void tableFinished(CodeTable table) = 0;                         // 1050, CAB 1280
    // The engine answered late that a row failed: the progress goes back to
    // what it showed when that row's insert ran, `rowsBefore` rows in.
    virtual void rowFailed(CodeTable table, std::int32_t rowsBefore) = 0;
};

enum class TransferOutcome { Completed, NoAbiCodes, NoCabCodes };

// Columns a row's insert names beyond the update's own, and their values,
// each list starting with ", ".
struct KeptDetails {
    QString columns;
    QString values;
};

// What a run does beside the transfer inside its transaction, at line 805:
// both source tables are counted, nothing is deleted yet. A failure there
// stops the run with nothing changed, as any failure in the transaction.
class TransferCompanion {
public:
    virtual ~TransferCompanion() = default;
    // At line 440, before the source tables are read: the companion may read
    // the destination meanwhile, on a thread of its own, until
    // destinationBack() is called, which waits until it is done. Nothing else
    // uses the destination in between. Neither raises an error: what fails
    // there is done again at line 805.
    virtual void whileSourceIsRead(Connection& destinazione) { (void)destinazione; }
    virtual void destinationBack() {}
    virtual void beforeDeletion(Recordset& abi, Recordset& cab, Connection& destinazione) = 0;
    // The details of the current source row's code to write with it (line
    // 940); none for a plain run, whose statements stay the update's own.
    virtual const KeptDetails* keptDetails(CodeTable, const Recordset&) { return nullptr; }
};

// Replaces the destination's codes from ABI 1000 upward with every row of the
// source tables abi and abicab. Both connections must be open. When a source
// table is empty, both connections are closed and discarded, the user is told
// and nothing is changed. Deletion and inserts form one transaction: on any
// failure it is rolled back and the error goes on to the caller, with
// `linea` naming the step that failed; the connections then stay open. An
// engine that sends the inserts ahead is waited for at the end of each
// table, so that a late failure is still reported with its own row.
TransferOutcome TrasferisciCodici(UiServices& ui, std::unique_ptr<Connection>& ConnessioneOrigine,
                                  std::unique_ptr<Connection>& ConnessioneDestinazione, TransferProgress& progress,
                                  int& linea, TransferCompanion* companion = nullptr);
