# Sourced by the scripts that drive the whole product under Wine: the
# end-to-end test (tests/wine/robot_e2e_test.sh), the installer's test
# (tests/wine/installer_test.sh) and the demo (demo.sh).  They run inside a
# Wine session (scripts/wine-session.sh, or ctest under
# scripts/run-wine-tests.sh) and share these pieces:
#
#   driver_init NAME SCRIPTED_USER_EXE   a work folder C:\NAME of the prefix,
#                                        emptied; $work and $work_win name it
#   say TEXT / fail TEXT                 a stage line / a failure, counted in
#                                        $failures
#   wine_run SECONDS PROGRAM ARGS...     one bounded Wine call (the limit
#                                        times KORVEX_TIME_SCALE)
#   user SCRIPT.user [NAME]              one scripted user session (the
#                                        person at the desktop); its report
#                                        is $work/NAME.report
#   lines FILE TEXT                      how many lines of FILE hold TEXT
#   run_outcomes REPORT N                how the dialogs of the host's N-th
#                                        run ended
#   on_screen_ms REPORT N                the milliseconds each dialog of that
#                                        run was on screen
#   start_shooter DIR                    takes the screenshots the user
#                                        scripts ask for ("shot" steps) into
#                                        DIR as PNG files
#   driver_background PID                a background program ended on exit
#
# Every wait is bounded.  Needs KORVEX_WINE and WINEPREFIX (scripts/wine-env.sh).

failures=0
driver_pids=()
driver_shots=

say() { echo "== $*"; }
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

wine_run() {  # wine_run SECONDS PROGRAM ARGS...
  local limit=$1
  shift
  timeout --kill-after=10 "$(korvex_scaled "$limit")" "$KORVEX_WINE" "$@"
}

driver_init() {  # driver_init NAME SCRIPTED_USER_EXE
  work=$WINEPREFIX/drive_c/$1
  work_win="C:\\$1"
  driver_user_exe=$2
  rm -rf "$work"
  mkdir -p "$work/shots"
  trap driver_cleanup EXIT
}

driver_background() { driver_pids+=("$1"); }

# Ends the background programs that are still this shell's jobs (one that
# was waited for already is left alone: its number may be another's now).
driver_cleanup() {
  local pid running
  running=" $(jobs -p | tr '\n' ' ') "
  for pid in "${driver_pids[@]}"; do
    [[ "$running" == *" $pid "* ]] && kill "$pid" 2>/dev/null
  done
  # A run that stopped half-way leaves Windows programs running (a host
  # waiting out its --max-seconds): end every program of the prefix, so the
  # wait below is short.
  if [[ $failures -ne 0 ]]; then
    timeout --kill-after=5 "$(korvex_scaled 20)" "$KORVEX_WINESERVER" -k >/dev/null 2>&1 || true
  fi
  wait 2>/dev/null
}

# One scripted user session; its report lines are printed (without the
# controls' lines of "describe") and kept in $work/NAME.report.
user() {  # user SCRIPT.user [NAME]
  local script=$1
  local name=${2:-$(basename "$1" .user)}
  cp "$script" "$work/$name.user"
  local shots=()
  [[ -n "$driver_shots" ]] && shots=(--shots "$work_win\\shots")
  wine_run 200 "$driver_user_exe" --script "$work_win\\$name.user" \
    --report "$work_win\\$name.report" "${shots[@]}" --max-seconds 180 >"$work/$name.out" 2>&1
  local status=$?
  if [[ -f "$work/$name.report" ]]; then
    sed "s/^/   [$name] /" "$work/$name.report" |
      grep -v '^   \[[^]]*\] \(Static\|Button\|Edit\) ' || true
  else
    # No report: what the program and Wine said instead.
    echo "   [$name] no report; its output:"
    sed "s/^/   [$name] | /" "$work/$name.out"
  fi
  [[ $status -eq 0 ]] || fail "the scripted user stopped in $name.user (status $status)"
  return $status
}

lines() { grep -c -F -- "$2" "$1" 2>/dev/null || true; }

# The fields of the host's "ended" lines of the n-th run, without the window
# handle and the time on screen.
run_outcomes() {  # run_outcomes REPORT N
  awk -v want="$2" '/^run started/ { run++ } run == want && /^ended / {
      line = $0; sub(/ hwnd=[^ ]*/, "", line); sub(/ ms=[^ ]*$/, "", line); print line }' "$1"
}

on_screen_ms() {  # on_screen_ms REPORT N
  LC_ALL=C awk -v want="$2" '/^run started/ { run++ } run == want && /^ended / {
      for (i = 1; i <= NF; i++) if ($i ~ /^ms=[0-9.]+$/) print substr($i, 4) }' "$1"
}

# The screenshots the user scripts ask for: the scripted user writes
# NAME.request (the window's rectangle, or nothing for the whole screen) and
# waits for NAME.done.
start_shooter() {  # start_shooter DIR
  driver_shots=$1
  mkdir -p "$driver_shots"
  command -v import >/dev/null || { fail "ImageMagick's import is missing"; return 1; }
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
            +repage "$driver_shots/$name.png" && echo "   shot $name.png"
        else
          import -window root "$driver_shots/$name.png" && echo "   shot $name.png"
        fi
        touch "$work/shots/$name.done"
        rm -f "$request"
      done
    done
  ) &
  driver_background $!
}
