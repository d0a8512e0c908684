#pragma once

#include <QString>

// Appends the decimal digits of `value`, with a minus sign when negative,
// exactly as QString::number writes them, but without a string of their
// own: the transfer writes several numbers for every row it copies.
void AppendDecimal(QString& out, qint64 value);
