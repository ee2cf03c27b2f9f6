#!/usr/bin/env bash
# Benchmark, run by hand inside a Wine session (not a test; nothing is
# asserted):
#
#   scripts/wine-session.sh tests/bench/robot_answer_bench.sh build/win64/bin [N]
#
# (any Windows build's bin/ with its tests built: build/win32-tests/bin for
# the 32-bit one, in the emulated machine of scripts/vm32/)
#
# The time a host dialog stays on screen, from shown to answered, on the
# robot's automatic path (hook notification, capture, key, lookup, journal,
# answer performed), over N dialogs (default 200); beside it, in the same
# session, a polling answerer that looks for the dialog every 250 ms and one
# that looks every 100 ms (the default intervals of common scripting
# automators), over N dialogs each; then the round trip of the tariff
# control's question to the running robot, through its user-interface
# thread, beside a bare connection to its port.  The host (Dossa.exe)
# measures each dialog from its activation to its end.  Prints p50 and p99
# of each and the ratios.
set -uo pipefail

bin=$(cd "${1:?usage: $0 BIN_DIR [N]}" && pwd)
count=${2:-200}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/wine-env.sh
source "$here/../../scripts/wine-env.sh"
work=$WINEPREFIX/drive_c/korvex-bench
rm -rf "$work"
mkdir -p "$work"
cp "$here"/robot_answer/*.user "$work/"

wine_run() {
  local limit=$1
  shift
  timeout --kill-after=10 "$(korvex_scaled "$limit")" "$KORVEX_WINE" "$@"
}
user() {
  wine_run 1200 "$bin/scripted_user.exe" --script "C:\\korvex-bench\\$1.user" \
    --report "C:\\korvex-bench\\$1.user-report" --max-seconds 1100 >/dev/null ||
    { echo "the scripted user stopped in $1.user:"; tail -3 "$work/$1.user-report"; exit 1; }
}
notice='msgbox caption="Aviso de la validación" text="El item cumple los controles de la validación."'
{
  echo "timeout 30000"
  echo "wait-hook timeout=60000"
  echo "open"
  echo "item 1"
  echo 'input prompt="Ingrese por favor el valor de BANCO :"'
  echo "$notice"
  for ((i = 2; i <= count + 1; i++)); do echo "item $i pause=0"; echo "$notice"; done
} > "$work/learn.dossa"
{
  echo "timeout 30000"
  for ((i = 1; i <= count; i++)); do echo "item $i pause=0"; echo "$notice"; done
} > "$work/poll.dossa"

wine_run 60 reg add 'HKCU\Software\Norvane\KORVEX\Settings' /v LogDir /t REG_SZ \
  /d 'C:\korvex-bench\logs' /f >/dev/null
wine_run 2400 "$bin/KORVEX.exe" &
robot=$!
wine_run 1200 "$bin/Dossa.exe" --script 'C:\korvex-bench\learn.dossa' \
  --report 'C:\korvex-bench\learn.report' --stay --max-seconds 1100 >/dev/null &
user learn
# The profile is active and answers the data-input question: the queries.
queries=$(wine_run 300 "$bin/robot_query_bench.exe" --count 500 BANCO)
user learn-end
wine_run 1200 "$bin/Dossa.exe" --script 'C:\korvex-bench\poll.dossa' \
  --report 'C:\korvex-bench\poll.report' --stay --max-seconds 1100 >/dev/null &
user poll-250
user poll-100
kill "$robot" 2>/dev/null
wait "$robot" 2>/dev/null

# Numbers are read and written with a decimal point, whatever the session's
# language.
awk() { LC_ALL=C command awk "$@"; }
sort() { LC_ALL=C command sort "$@"; }

# The milliseconds on screen of the notices of one run of a report.
times() {  # times REPORT RUN [SKIP_ITEM]
  awk -v want="$2" -v skip="${3:-0}" '/^run started/ { run++ }
    run == want && /^ended .*kind=msgbox/ && $0 !~ " item=" skip " " {
      for (i = 1; i <= NF; i++) if ($i ~ /^ms=/) print substr($i, 4) }' "$1"
}
stats() {  # stats NAME < times: "n p50 p99"
  sort -n | awk -v name="$1" '{ v[n++] = $1 } END {
    if (n == 0) { printf "%-30s no samples\n", name; exit }
    i50 = int(0.50 * n); i99 = int(0.99 * n); if (i99 >= n) i99 = n - 1
    printf "%-30s n=%d p50=%.3f ms p99=%.3f ms\n", name, n, v[i50], v[i99] }'
}
robot_line=$(times "$work/learn.report" 1 1 | stats "robot, automatic path")
poll250_line=$(times "$work/poll.report" 1 | stats "polling every 250 ms")
poll100_line=$(times "$work/poll.report" 2 | stats "polling every 100 ms")
echo "dialog shown -> answer performed, under Wine:"
echo "  $robot_line"
echo "  $poll250_line"
echo "  $poll100_line"
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p" <<<"$2"; }
for poller in "$poll250_line" "$poll100_line"; do
  awk -v rp50="$(field p50 "$robot_line")" -v rp99="$(field p99 "$robot_line")" \
      -v pp50="$(field p50 "$poller")" -v pp99="$(field p99 "$poller")" -v name="${poller%% n=*}" \
      'BEGIN { if (rp50 > 0 && rp99 > 0)
        printf "  %s / robot: p50 x%.1f, p99 x%.1f\n", name, pp50 / rp50, pp99 / rp99 }'
done
sed 's/^/  /' <<<"$queries"
