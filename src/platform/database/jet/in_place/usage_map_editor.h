#pragma once

#include <QByteArray>
#include <functional>
#include <vector>

class JetPageFile;

// Reads and changes the usage maps (usage_map.h) of an existing file in
// place, each named by its row pointer. A table owns two (its pages, and
// those with free space), every index one; page 1 holds the file's own map.

// Hands out a new page at the end of the file, already marked as used.
using PageAppender = std::function<quint32(const QByteArray& page)>;

// The pages the map marks, in ascending order.
std::vector<quint32> PagesInMap(JetPageFile& file, quint32 mapPointer);

// Marks `page`; an inline map moves its window when all its pages still fit
// and turns into a reference map when they do not.
void AddToMap(JetPageFile& file, quint32 mapPointer, quint32 page, const PageAppender& append);
void RemoveFromMap(JetPageFile& file, quint32 mapPointer, quint32 page);
