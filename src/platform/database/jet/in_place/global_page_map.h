#pragma once

#include <QtGlobal>

class JetPageFile;

// The file's own map of its pages (page 1, usage_map.h), where Jet finds
// pages to reuse: a set bit means free, and a page the map does not cover,
// or whose bitmap page is absent, reads as free too. So the map must cover
// every page of the file. It stays inline while page 1 has room, its row
// growing 32 pages at a time as Access grows it, and becomes a reference map
// with a bitmap page for every 32736 pages when it has not.

// Makes the map cover every page of the file: grows the inline row or turns
// it into a reference map, and gives a reference map the bitmap pages it
// lacks (as an earlier version left large files). Pages it newly covers are
// marked used up to the end of the file and free past it.
void CoverWholeFile(JetPageFile& file);

// A page taken (newly added at the end of the file, or reused) and a page
// given back.
void MarkPageUsed(JetPageFile& file, quint32 page);
void MarkPageFree(JetPageFile& file, quint32 page);
