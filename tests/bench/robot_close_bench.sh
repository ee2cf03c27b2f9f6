#!/usr/bin/env bash
# Benchmark, run by hand inside a Wine session (not a test; nothing is
# asserted):
#
#   scripts/wine-session.sh tests/bench/robot_close_bench.sh build/win64/bin [N [SETTLE]]
#
# The time "&Cerrar" takes, as the installer sees it: from posting the
# command 57665 to the robot's main frame to the end of KORVEX.exe
# (robot_close_bench.exe measures it; the command is sent as the installer
# sends it, and the time until the send returns is printed beside), N
# times (default 10) with no host, then N times with the simulated host
# Dossa.exe running with its validation window open.  Before each close the
# robot is left alone SETTLE seconds (default 3): its host watch finds the
# host and hooks it, and the shell shows the balloon that says so.  Prints
# every time and the median of each.
set -uo pipefail

bin=$(cd "${1:?usage: $0 BIN_DIR [N]}" && pwd)
count=${2:-10}
settle=${3:-3}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/wine-env.sh
source "$here/../../scripts/wine-env.sh"
work=$WINEPREFIX/drive_c/korvex-close-bench
rm -rf "$work"
mkdir -p "$work"

wine_run() {
  local limit=$1
  shift
  timeout --kill-after=10 "$limit" "$KORVEX_WINE" "$@"
}
awk() { LC_ALL=C command awk "$@"; }

# The robot is up once its hidden frame exists.
robot_up() {
  printf 'wait-window caption=PILOTEK_MAIN_FRAME hidden=yes of=KORVEX.exe timeout=30000\n' \
    > "$work/up.user"
  wine_run 60 "$bin/scripted_user.exe" --script 'C:\korvex-close-bench\up.user' \
    --report 'C:\korvex-close-bench\up.report' --max-seconds 50 >/dev/null
}

# One close: the robot started, up, left alone SETTLE seconds, then closed
# as the installer closes it.
measure() {
  wine_run 120 "$bin/KORVEX.exe" &
  local robot=$!
  if ! robot_up; then
    echo "the robot did not come up" >&2
    kill "$robot" 2>/dev/null
    wait "$robot" 2>/dev/null
    return 1
  fi
  sleep "$settle"
  wine_run 60 "$bin/robot_close_bench.exe" --send --timeout 20000 | tr -d '\r'
  wait "$robot" 2>/dev/null
}

median() { sort -n | awk '{ v[n++] = $1 } END { if (n) printf "%.1f ms", v[int(n / 2)] }'; }

echo "no host:"
for ((i = 0; i < count; i++)); do measure; done | tee "$work/no-host.txt" | sed 's/^/  /'
echo "  median $(sed -n 's/^closed in \([0-9.]*\) ms$/\1/p' "$work/no-host.txt" | median)"

printf 'timeout 0\nopen\n' > "$work/host.dossa"
wine_run 900 "$bin/Dossa.exe" --script 'C:\korvex-close-bench\host.dossa' --stay \
  --max-seconds 800 >/dev/null &
host=$!
echo "a host running:"
for ((i = 0; i < count; i++)); do measure; done | tee "$work/host.txt" | sed 's/^/  /'
echo "  median $(sed -n 's/^closed in \([0-9.]*\) ms$/\1/p' "$work/host.txt" | median)"
kill "$host" 2>/dev/null
wait "$host" 2>/dev/null
