#pragma once

#include "platform/database/jet/format/index_page.h"
#include "platform/database/jet/in_place/usage_map_editor.h"

#include <QByteArray>
#include <vector>

class JetPageFile;

// Writes a tree holding `entries` (leaf entries, sorted). The root stays on
// `rootPage`; the other pages come from `reusable` first, then from
// `append`. Answers every page the tree now uses.
std::vector<quint32> WriteIndexTree(JetPageFile& file, quint32 definitionPage, quint32 rootPage,
                                    std::vector<quint32> reusable, const std::vector<QByteArray>& entries,
                                    const PageAppender& append);
