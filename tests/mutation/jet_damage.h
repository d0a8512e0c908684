#pragma once

#include <QByteArray>
#include <QString>
#include <random>

// The ways a disk, a copy or a mail gateway damages a Jet file, done to a
// copy in memory. The targeted ones find their place through the page layout
// of Jet 3 (2048-byte pages) or Jet 4 and ACE (4096-byte pages); where the
// layout is itself too damaged to follow they fall back to flipping bits.
enum class Damage {
    FlippedBits,      // a few bits anywhere
    RandomBytes,      // a short run of bytes overwritten
    ZeroedPage,       // a whole page of zeros
    DuplicatedPage,   // one page written over another
    Cut,              // the file ends early
    TableDefinition,  // bytes of a table definition's header or column descriptors
    ColumnType,       // the type byte of one column
    UsageMap,         // the map of a table's pages
    RowData,          // bytes inside a row of a data page, or its place on the page
};

constexpr int kDamageKinds = 9;

// Damages `file` once, in the way given, at places `random` picks; answers
// what was done, in words, for the report of a finding.
QString ApplyDamage(QByteArray& file, Damage damage, std::mt19937_64& random);
