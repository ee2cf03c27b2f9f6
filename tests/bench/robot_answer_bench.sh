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
# thread, beside a bare connection to its port; and the floor: the same
# notices pressed by the host itself the moment they are shown
# (Dossa.exe --press-own-dialogs), no other program involved.  The host
# (Dossa.exe) measures each dialog from its activation to its end.  Prints
# p50 and p99 of each and the ratios, and the robot's timeline: the median of
# each step of its automatic answers (from the performance-counter stamps the
# hook, the robot and the host write with KORVEX_TIMELINE set) and the
# median count of the sends the host's thread had to answer per answer.
#
# KORVEX_SNAPSHOT=0 in the environment makes the robot read every dialog
# live instead of from the hook's snapshot: the way before the snapshot.
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
# The robot's timeline of each automatic answer, and the host's stamps.
export KORVEX_TIMELINE='C:\korvex-bench\timeline.txt'

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
{
  echo "timeout 30000"
  echo "open"
  for ((i = 1; i <= count; i++)); do echo "item $i pause=0"; echo "$notice"; done
  echo "run"
  echo "close"
} > "$work/floor.dossa"

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
wine_run 1200 "$bin/Dossa.exe" --script 'C:\korvex-bench\floor.dossa' \
  --report 'C:\korvex-bench\floor.report' --press-own-dialogs --max-seconds 1100 >/dev/null ||
  echo "the floor's run of Dossa.exe did not end normally"

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
floor_line=$(times "$work/floor.report" 1 | stats "the host pressing itself")
echo "dialog shown -> answer performed, under Wine:"
echo "  $robot_line"
echo "  $poll250_line"
echo "  $poll100_line"
echo "  $floor_line"
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p" <<<"$2"; }
for poller in "$poll250_line" "$poll100_line"; do
  awk -v rp50="$(field p50 "$robot_line")" -v rp99="$(field p99 "$robot_line")" \
      -v pp50="$(field p50 "$poller")" -v pp99="$(field p99 "$poller")" -v name="${poller%% n=*}" \
      'BEGIN { if (rp50 > 0 && rp99 > 0)
        printf "  %s / robot: p50 x%.1f, p99 x%.1f\n", name, pp50 / rp50, pp99 / rp99 }'
done
sed 's/^/  /' <<<"$queries"

# The robot's timeline: each automatic answer's line joined with the host's
# end line of the same dialog (its window, in order), the steps' medians.
awk -v report="$work/learn.report" '
  function ms(a, b) { return (a > 0 && b > 0) ? 1000.0 * (b - a) / freq : "" }
  function field(line, key,   i, n, parts) {
    n = split(line, parts, " ")
    for (i = 1; i <= n; i++) if (index(parts[i], key "=") == 1) return substr(parts[i], length(key) + 2)
    return ""
  }
  BEGIN {
    while ((getline line < report) > 0) {
      if (line ~ /^run started/) run++
      # The notice of the first item was asked of the user, not answered by the
      # robot: it has no timeline line.
      if (run != 1 || line !~ /^ended .*kind=msgbox/ || line !~ /qpc-ended=/ || line ~ / item=1 /) continue
      h = field(line, "hwnd"); queue[h] = queue[h] " " field(line, "qpc-shown") ":" field(line, "qpc-ended")
    }
    steps = "shown>hook-began hook-began>hook-done hook-done>received shown>received received>copied copied>captured captured>keyed keyed>looked-up looked-up>pressed pressed>host-ended pressed>journalled shown>host-ended"
    nsteps = split(steps, step, " ")
  }
  /^timeline / {
    freq = field($0, "frequency") + 0
    h = field($0, "dialog"); sub(/^0x/, "", h)
    host = ""
    for (k in queue) { kk = k; sub(/^0x/, "", kk); if (tolower(kk) == tolower(h)) { host = k; break } }
    if (host == "" || queue[host] == "") next
    split(substr(queue[host], 2), first, " "); queue[host] = substr(queue[host], length(first[1]) + 2)
    split(first[1], sh, ":")
    t["shown"] = sh[1]; t["host-ended"] = sh[2]
    t["hook-began"] = field($0, "hook-began"); t["hook-done"] = field($0, "hook-done")
    split("received copied captured keyed looked-up pressed journalled", names, " ")
    for (i in names) t[names[i]] = field($0, names[i])
    n++
    snapshot += field($0, "snapshot"); waits[n] = field($0, "waits"); calls[n] = field($0, "server-calls")
    for (i = 1; i <= nsteps; i++) {
      split(step[i], ab, ">")
      v = ms(t[ab[1]] + 0, t[ab[2]] + 0)
      if (v != "") { count[i]++; value[i, count[i]] = v }
    }
  }
  function median(arr, m,   i, j, x, sorted) {
    for (i = 1; i <= m; i++) sorted[i] = arr[i]
    for (i = 2; i <= m; i++) { x = sorted[i]; for (j = i - 1; j >= 1 && sorted[j] > x; j--) sorted[j + 1] = sorted[j]; sorted[j + 1] = x }
    return sorted[int((m + 1) / 2)]
  }
  END {
    if (n == 0) { print "no timeline of the robot (KORVEX_TIMELINE)"; exit }
    printf "the robot'"'"'s timeline, %d automatic answers (%d from the hook'"'"'s snapshot), median ms:\n", n, snapshot
    for (i = 1; i <= nsteps; i++) {
      if (count[i] == 0) continue
      for (j = 1; j <= count[i]; j++) one[j] = value[i, j]
      printf "  %-24s %8.3f\n", step[i], median(one, count[i])
    }
    printf "  sends the host answered per answer (waits): median %d; window-system calls: median %d\n",
      median(waits, n), median(calls, n)
  }' "$work/timeline.txt"
