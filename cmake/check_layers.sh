#!/usr/bin/env bash
# check_layers.sh ROOT: fails, naming each include, when a file of src/ or
# tools/ includes a header that its library may not see under
# cmake/layers.txt: one of a library above it or beside it, an internal
# header of another library, or any header by a bare name.
set -uo pipefail
root=${1:?usage: check_layers.sh ROOT}
cd "$root" || exit 2

declare -A deps public
folders=()
while IFS='|' read -r folder may pub; do
  folder=$(echo "$folder" | xargs)
  [[ -z "$folder" || "$folder" == \#* ]] && continue
  folders+=("$folder")
  deps[$folder]=" $(echo "$may" | xargs) "
  public[$folder]=" $(echo "$pub" | xargs) "
done < cmake/layers.txt

# The library folder a file or header lies in: the longest folder of the
# table that holds it.
library_of() {
  local dir=$1 best=""
  for f in "${folders[@]}"; do
    if [[ "$dir" == "$f" || "$dir" == "$f"/* ]] && ((${#f} > ${#best})); then best=$f; fi
  done
  echo "$best"
}

violations=0
report() { echo "$1: $2"; violations=$((violations + 1)); }

while IFS= read -r file; do
  own=$(library_of "$(dirname "$file")")
  [[ -n "$own" ]] || { report "$file" "lies in no library of cmake/layers.txt"; continue; }
  while IFS= read -r header; do
    if [[ "$header" != */* ]]; then
      report "$file" "includes \"$header\" by a bare name instead of its path"
      continue
    fi
    if [[ -f "src/$header" ]]; then target="src/$header"
    elif [[ -f "tools/$header" ]]; then target="tools/$header"
    else report "$file" "includes \"$header\", found in neither src/ nor tools/"; continue
    fi
    theirs=$(library_of "$(dirname "$target")")
    [[ "$theirs" == "$own" ]] && continue
    short=${theirs#*/}
    # "folder*" in the table: the same library, internal headers included.
    [[ "${deps[$own]}" == *" $short* "* ]] && continue
    allowed=0
    [[ "${deps[$own]}" == *" $short "* ]] && allowed=1
    [[ "${deps[$own]}" == *" src "* && "$theirs" == src/* ]] && allowed=1
    if ((!allowed)); then
      report "$file" "includes \"$header\" of $theirs, which $own may not use"
    elif [[ "${public[$theirs]}" != "  " && "${public[$theirs]}" != *" $(basename "$header") "* ]]; then
      report "$file" "includes \"$header\", internal to $theirs"
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find src tools -name '*.h' -o -name '*.cpp' | sort)

if ((violations)); then
  echo "check_layers: $violations include(s) break the layers of cmake/layers.txt" >&2
  exit 1
fi
