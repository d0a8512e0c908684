#pragma once

#include "platform/database/jet/format/table_definition_page.h"

#include <QString>

class JetPageFile;

// Reads the definition that starts on `page`, following its continuation
// pages. Raises DamagedFile when the bytes contradict the layout.
JetTableSchema ReadTableSchema(JetPageFile& file, quint32 page, const QString& name);
