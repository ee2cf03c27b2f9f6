#!/usr/bin/env bash
# Keeps the arrows between the layers pointing down: every quoted #include of
# a product folder must name a layer that folder may use, and <windows.h>
# (or another Windows SDK header) appears only in the win32/ folders, the
# Wine tests and the tools.
#
#   scripts/check-layers.sh [SOURCE_DIR]
#
# The layers and what each may include are the table of the section
# "Layers" of docs/architecture.md, read at every run: the picture the team
# works from and the check are one.  Prints every forbidden include as
# FILE:LINE: what it includes and why it may not, and exits 1 when there is
# one.  tests/ and tools/ may include anything (only the <windows.h> rule
# applies to tests/ outside tests/wine).
set -uo pipefail

root=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
cd "$root" || exit 2

architecture=docs/architecture.md
[[ -f $architecture ]] || { echo "check-layers: $architecture is missing" >&2; exit 2; }

# Each layer and the layers (or single headers) it may include besides
# itself: the rows "| `LAYER` | what it holds | `A`, `B` |" of the table in
# the section "## Layers".  A folder not named there (tests, tools, scripts)
# is not checked for layers.
declare -A allowed=()
section=false
while IFS= read -r row; do
  if [[ $row =~ ^##\  ]]; then
    [[ $row == "## Layers" ]] && section=true || section=false
    continue
  fi
  $section || continue
  [[ $row =~ ^\|[[:space:]]*\`([^\`]+)\`[[:space:]]*\| ]] || continue
  layer=${BASH_REMATCH[1]}
  last=${row%|}
  last=${last##*|}
  allowed[$layer]=$(grep -o '`[^`]*`' <<<"$last" | tr -d '`' | tr '\n' ' ')
done <"$architecture"
if [[ ${#allowed[@]} -eq 0 ]]; then
  echo "check-layers: no layer table in the section \"Layers\" of $architecture" >&2
  exit 2
fi

# Headers of the Windows SDK that only Win32 code may include.
windows_headers='windows\.h|winsock2?\.h|ws2tcpip\.h|commctrl\.h|shellapi\.h|shlobj\.h|ole2\.h|oleauto\.h|olectl\.h|ocidl\.h|objbase\.h|mmsystem\.h|psapi\.h|commdlg\.h|windowsx\.h|uxtheme\.h'

# The layer of a file: its folder, or the nearest listed folder above it.
layer_of() {
  local dir=$1
  while [[ -n "$dir" && "$dir" != . ]]; do
    if [[ -n "${allowed[$dir]+set}" ]]; then
      echo "$dir"
      return
    fi
    dir=$(dirname "$dir")
  done
}

may_use_windows() {
  case $1 in
    */win32/*|tests/wine/*|tools/*) return 0 ;;
    *) return 1 ;;
  esac
}

failures=0
fail() {
  echo "$1"
  failures=$((failures + 1))
}

# The table names every product folder, and only folders that are there.
for layer in "${!allowed[@]}"; do
  [[ -d $layer ]] || fail "$architecture: the layer table names $layer, which is no folder"
done

while IFS= read -r file; do
  layer=$(layer_of "$(dirname "$file")")
  case $file in
    platform/*|protocol/*|robot/*|sentrel/*|tarifex/*)
      [[ -n "$layer" ]] || fail "$file: its folder is in no row of the layer table of $architecture" ;;
  esac
  while IFS=: read -r line text; do
    if [[ "$text" =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<($windows_headers)\> ]]; then
      may_use_windows "$file" ||
        fail "$file:$line: includes <${BASH_REMATCH[1]}>, which only the win32/ folders, tests/wine and tools may"
      continue
    fi
    [[ -n "$layer" ]] || continue
    [[ "$text" =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]] || continue
    included=${BASH_REMATCH[1]}
    target=$(layer_of "$(dirname "$included")")
    if [[ -z "$target" ]]; then
      fail "$file:$line: includes $included, which is outside every product layer"
      continue
    fi
    [[ "$target" == "$layer" ]] && continue
    ok=false
    for name in ${allowed[$layer]}; do
      if [[ "$name" == "$target" || "$name" == "$included" ]]; then
        ok=true
        break
      fi
    done
    $ok || fail "$file:$line: $layer may not include $included (layer $target)"
  done < <(grep -n -i -E '^[[:space:]]*#[[:space:]]*include' "$file")
done < <(git ls-files --cached --others --exclude-standard -- '*.h' '*.hpp' '*.cpp' '*.c' '*.cc' '*.rc' '*.idl' 2>/dev/null ||
         find . -name '*.h' -o -name '*.cpp' | sed 's|^\./||')

if [[ $failures -ne 0 ]]; then
  echo "check-layers: $failures forbidden include(s)"
  exit 1
fi
echo "check-layers: every include follows the layers"
