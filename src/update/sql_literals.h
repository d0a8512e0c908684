#pragma once

#include "platform/runtime/variant.h"

// SQL literals for the statements of the transfer, which are sent as plain text.

// Null and the empty text give the unquoted word Null; any other value its
// text in apostrophes, each apostrophe inside doubled.
QString SqlTesto(const Variant& value);
// The same literal appended to `out`, for statements built in one string.
void AppendSqlTesto(QString& out, const Variant& value);

// The number's default text with "." as decimal separator, whatever the locale.
QString SqlNumero(double value);
