#!/usr/bin/env bash
# layer_check_test.sh ROOT: the layer check passes on the project as it is,
# and fails on a copy in which a lower library includes a higher one, an
# internal header of another library or a header by its bare name.
set -euo pipefail
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$root/src" "$root/tools" "$root/cmake" "$work/"
bash "$work/cmake/check_layers.sh" "$work"

expect_failure() {
  local file=$1 line=$2 cause=$3
  cp "$file" "$file.orig"
  printf '%s\n' "$line" >> "$file"
  if out=$(bash "$work/cmake/check_layers.sh" "$work" 2>&1); then
    echo "not caught: $cause"; exit 1
  fi
  grep -q "$(basename "$file")" <<<"$out" || { echo "caught without naming the file: $out"; exit 1; }
  mv "$file.orig" "$file"
}
expect_failure "$work/src/platform/runtime/variant.cpp" '#include "ui/ui_services.h"' "runtime including the user interface"
expect_failure "$work/src/update/sql_literals.cpp" '#include "app/main_window.h"' "update including the window"
expect_failure "$work/src/update/providers.cpp" '#include "platform/database/jet/in_place/page_file.h"' "an internal header"
expect_failure "$work/tools/mkdemo/main.cpp" '#include "platform/database/jet/in_place/table_change.h"' "a tool including an internal header"
expect_failure "$work/src/ui/error_report.cpp" '#include "variant.h"' "a bare name"
echo "the layer check catches every break"
