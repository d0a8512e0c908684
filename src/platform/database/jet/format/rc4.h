#pragma once

#include <QByteArray>

// RC4, with which Jet scrambles part of its first page. Applying it twice
// with the same key gives the bytes back.
void ApplyRc4(const QByteArray& key, char* data, qsizetype size);
