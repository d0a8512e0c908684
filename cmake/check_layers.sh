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

# The library folder of every folder of src/ and tools/: the longest folder
# of the table that holds it.
declare -A library
while IFS= read -r dir; do
  best=""
  for f in "${folders[@]}"; do
    if [[ "$dir" == "$f" || "$dir" == "$f"/* ]] && ((${#f} > ${#best})); then best=$f; fi
  done
  library[$dir]=$best
done < <(find src tools -type d)

violations=0
report() { echo "$1: $2"; violations=$((violations + 1)); }

# Every file of src/ and tools/, with its library, then the headers it includes.
while IFS= read -r file; do
  own=${library[${file%/*}]}
  [[ -n "$own" ]] || report "$file" "lies in no library of cmake/layers.txt"
done < <(find src tools -name '*.h' -o -name '*.cpp')

while IFS=: read -r file header; do
  own=${library[${file%/*}]}
  [[ -n "$own" ]] || continue
  if [[ "$header" != */* ]]; then
    report "$file" "includes \"$header\" by a bare name instead of its path"
    continue
  fi
  if [[ -f "src/$header" ]]; then target="src/$header"
  elif [[ -f "tools/$header" ]]; then target="tools/$header"
  else report "$file" "includes \"$header\", found in neither src/ nor tools/"; continue
  fi
  theirs=${library[${target%/*}]}
  [[ "$theirs" == "$own" ]] && continue
  short=${theirs#*/}
  # "folder*" in the table: the same library, internal headers included.
  [[ "${deps[$own]}" == *" $short* "* ]] && continue
  allowed=0
  [[ "${deps[$own]}" == *" $short "* ]] && allowed=1
  [[ "${deps[$own]}" == *" src "* && "$theirs" == src/* ]] && allowed=1
  if ((!allowed)); then
    report "$file" "includes \"$header\" of $theirs, which $own may not use"
  elif [[ "${public[$theirs]}" != "  " && "${public[$theirs]}" != *" ${header##*/} "* ]]; then
    report "$file" "includes \"$header\", internal to $theirs"
  fi
done < <(grep -r -H --include='*.h' --include='*.cpp' -o '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]*"' src tools \
           | sed 's/:[^"]*"\([^"]*\)"$/:\1/')

if ((violations)); then
  echo "check_layers: $violations include(s) break the layers of cmake/layers.txt" >&2
  exit 1
fi
