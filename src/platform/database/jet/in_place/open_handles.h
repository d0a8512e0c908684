#pragma once

#include <QString>

// Another process that has the file open, among those /proc lets this user
// see (all of them for root): its name and process id, for the user to
// recognise it; empty when there is none. A program that keeps the database
// open without any lock (Access opened exclusively under Wine, whose share
// modes no Linux process sees) would go on writing into the file the commit
// replaces: its changes would be lost.
QString ProcessHoldingOpen(const QString& path);
