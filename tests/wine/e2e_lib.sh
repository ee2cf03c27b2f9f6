# Shared by the end-to-end tests under Wine (sourced, not run): the work
# folder in the prefix, the scripted user's sessions, the screenshots they
# ask for, and the tally of failures.
#
#   bin=FOLDER_OF_SCRIPTED_USER_EXE
#   source tests/wine/e2e_lib.sh NAME SCRIPTS_DIR
#
# sets $work (C:\NAME in the prefix, emptied; $work_win is its Windows
# name) and $drive_c, and defines:
#   say TEXT, fail TEXT         the test's story and its failures ($failures)
#   wine_run SECONDS PROG ARGS  one Wine program, bounded in time
#   user SCRIPT                 runs SCRIPTS_DIR/SCRIPT.user with the scripted
#                               user (bounded); its report stays in
#                               $work/SCRIPT.report and is shown
#   lines FILE TEXT             how many lines of FILE contain TEXT
#   e2e_finish                  stops what the test started; the exit status
# With KORVEX_SHOTS_DIR set, the screenshots the scripts ask for are taken
# (ImageMagick's import) and left there as PNG files.
# shellcheck shell=bash

e2e_name=${1:?usage: source e2e_lib.sh NAME SCRIPTS_DIR}
e2e_scripts=${2:?usage: source e2e_lib.sh NAME SCRIPTS_DIR}
# shellcheck source=scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"

drive_c=$WINEPREFIX/drive_c
work=$drive_c/$e2e_name
work_win="C:\\$e2e_name"
rm -rf "$work"
mkdir -p "$work/shots"
failures=0
e2e_pids=()

say() { echo "== $*"; }
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
wine_run() {  # wine_run SECONDS PROGRAM ARGS...
  local limit=$1
  shift
  timeout --kill-after=10 "$limit" "$KORVEX_WINE" "$@"
}
user() {  # user SCRIPT: one scripted user session; its report is kept
  local name=$1
  cp "$e2e_scripts/$name.user" "$work/$name.user"
  local shots=()
  [[ -n "${KORVEX_SHOTS_DIR:-}" ]] && shots=(--shots "$work_win\\shots")
  wine_run 200 "$bin/scripted_user.exe" --script "$work_win\\$name.user" \
    --report "$work_win\\$name.report" "${shots[@]}" --max-seconds 180 >/dev/null
  local status=$?
  sed "s/^/   [$name] /" "$work/$name.report" 2>/dev/null | grep -v '^   \[[^]]*\] \(Static\|Button\|Edit\) ' || true
  [[ $status -eq 0 ]] || fail "the scripted user stopped in $name.user (status $status)"
  return $status
}
# Lines of a report that contain a text.
lines() { grep -c -F -- "$2" "$1" 2>/dev/null || true; }

# The screenshots the scripts ask for: a request file, a picture, a done file.
if [[ -n "${KORVEX_SHOTS_DIR:-}" ]]; then
  mkdir -p "$KORVEX_SHOTS_DIR"
  (
    while sleep 0.2; do
      for request in "$work"/shots/*.request; do
        [[ -e "$request" ]] || continue
        name=$(basename "$request" .request)
        read -r left top right bottom < "$request" || true
        sleep 0.3  # the window paints itself
        if [[ -n "${bottom:-}" ]]; then
          # The window with a margin of the screen around it.
          left=$((left > 60 ? left - 60 : 0)) top=$((top > 60 ? top - 60 : 0))
          import -window root -crop "$((right + 60 - left))x$((bottom + 60 - top))+$left+$top" \
            +repage "$KORVEX_SHOTS_DIR/$name.png" && echo "   shot $name.png"
        else
          import -window root "$KORVEX_SHOTS_DIR/$name.png" && echo "   shot $name.png"
        fi
        touch "$work/shots/$name.done"
        rm -f "$request"
      done
    done
  ) &
  e2e_pids+=($!)
fi

e2e_finish() {
  local pid
  for pid in "${e2e_pids[@]}"; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  e2e_pids=()
  if [[ $failures -ne 0 ]]; then
    echo "== $failures failure(s)"
    return 1
  fi
  return 0
}
