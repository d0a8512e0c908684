#pragma once

#include "mkdemo/demo_data.h"

#include <QString>

// The floor a whole transfer is measured against: its two halves done alone,
// each as plainly as its engine allows.

// Both source tables read through the reader process and every value of
// every row taken, as the transfer takes them; no statement built. Seconds.
double ReadSourceAlone(const QString& source);

// The same rows into an SQLite procedure database through one prepared
// insert a table, its values bound, in one transaction after the transfer's
// two deletions; no source read.
// Seconds.
double WriteSqliteAlone(const QString& destination, const DemoData& data);
