#!/usr/bin/env bash
# Keeps the arrows between the layers pointing down: every quoted #include of
# a product folder must name a layer that folder may use, and <windows.h>
# (or another Windows SDK header) appears only in the win32/ folders, the
# Wine tests and the tools.
#
#   scripts/check-layers.sh [SOURCE_DIR]
#
# Prints every forbidden include as FILE:LINE: what it includes and why it
# may not, and exits 1 when there is one.  tests/ and tools/ may include
# anything (only the <windows.h> rule applies to tests/ outside tests/wine).
set -uo pipefail

root=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
cd "$root" || exit 2

# Each layer and the layers it may include besides itself.  A folder not
# named here (tests, tools, scripts) is not checked for layers.
declare -A allowed=(
  [platform]=""
  [platform/posix]="platform"
  [platform/win32]="platform"
  [protocol]="platform"
  [sentrel]=""
  [sentrel/win32]="sentrel"
  [robot/common]="platform"
  [robot/window]="platform sentrel/dialog_snapshot.h"
  [robot/key]="platform robot/common robot/window"
  [robot/profiles]="platform robot/common robot/window robot/key"
  [robot/journal]="platform robot/common robot/window robot/key"
  [robot/query]="platform protocol robot/common robot/window robot/key"
  [robot/app]="platform protocol robot/common robot/window robot/key robot/profiles robot/journal robot/query sentrel/notifications.h"
  [robot/win32]="platform platform/win32 protocol robot/common robot/window robot/key robot/profiles robot/journal robot/query robot/app sentrel sentrel/win32"
  [tarifex]="platform protocol"
  [tarifex/win32]="platform platform/win32 protocol tarifex"
)

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

while IFS= read -r file; do
  layer=$(layer_of "$(dirname "$file")")
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
