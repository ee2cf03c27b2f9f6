#!/usr/bin/env bash
# The demo inside a Wine session; ./demo.sh starts it through
# scripts/wine-session.sh:
#
#   tools/demo/run.sh BUILD_DIR OUT_DIR [--interactive]
#
# Installs KORVEX with the silent installer of BUILD_DIR (the 64-bit build's,
# or the 32-bit build's, the one brokers get: then under "Program Files
# (x86)", as on a broker's 64-bit Windows), registers
# the stand-in of the host's data components, starts the installed robot and
# the simulated host Dossa.exe (tools/demo/validation.dossa, the tariff
# engine's questions from tools/demo/engine.script).  Then the scripted user
# (tools/demo/first-run.user) creates a profile and answers each new dialog
# once, and a second run of the same validation goes untouched
# (second-run.user).  Prints what happened, shows the journal's CSV files,
# and leaves the screenshots in OUT_DIR.  Exits 0 only when the second run
# needed nobody and ended every dialog as the first.
#
# --interactive: the same installation, then the robot and the host wait
# for a person at the display; the demo ends when the host program ends.
set -uo pipefail

build=$(cd "${1:?usage: $0 BUILD_DIR OUT_DIR [--interactive]}" && pwd)
out=${2:?usage: $0 BUILD_DIR OUT_DIR [--interactive]}
interactive=false
[[ "${3:-}" == --interactive ]] && interactive=true
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
bin=$build/bin
# shellcheck source=scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
# shellcheck source=tests/wine/driver.sh
source "$root/tests/wine/driver.sh"
driver_init korvex-demo "$bin/scripted_user.exe"
mkdir -p "$out"
out=$(cd "$out" && pwd)

begin=$(date +%s.%N)
progress() {  # a line per stage, with the time since the start
  LC_ALL=C printf '[demo %6.1f s] %s\n' \
    "$(LC_ALL=C awk -v a="$begin" -v b="$(date +%s.%N)" 'BEGIN { print b - a }')" "$*"
}

installer=("$build"/installer/KORVEX-*-win[36][24]-setup.exe)
[[ -f "${installer[0]}" ]] || { echo "demo: no installer in $build/installer" >&2; exit 1; }
# The host's data components are registered by the regsvr32 of their bits.
if [[ "${installer[0]}" == *-win32-setup.exe ]]; then
  installed_win='\Program Files (x86)\KORVEX'
  regsvr32='C:\windows\syswow64\regsvr32.exe'
else
  installed_win='\Program Files\KORVEX'
  regsvr32=regsvr32
fi
installed=$WINEPREFIX/drive_c$(tr '\\' / <<<"$installed_win")

progress "installing KORVEX silently ($(basename "${installer[0]}"))"
start=$(date +%s%N)
wine_run 120 "${installer[0]}" /S || fail "the installer ended with $?"
progress "installed in $(( ($(date +%s%N) - start) / 1000000 )) ms: $(cd "$installed" && echo *)"

# The host's own parts, as on a broker's machine: the data components'
# server registered, the tariff engine beside Dossa.exe.
wine_run 60 "$regsvr32" /s "$bin/DossaVars.dll" || fail "regsvr32 DossaVars.dll ended with $?"
wine_run 60 reg add 'HKCU\Software\Norvane\KORVEX\Settings' /v LogDir /t REG_SZ \
  /d "$work_win\\logs" /f >/dev/null

progress "starting the robot (C:${installed_win}\\KORVEX.exe)"
wine_run 1800 "$installed/KORVEX.exe" &
robot_pid=$!
driver_background $robot_pid
user "$root/tests/wine/robot_e2e/robot-up.user" robot-up >/dev/null ||
  { echo "demo: the robot did not start"; exit 1; }

host=$work/host.report
export MENDREL_SCRIPT="Z:$here/engine.script"
if $interactive; then
  progress "the simulated host is waiting for you"
  cat <<'EOF'
  In the host window "Validación Total de Items":
    1. double-click KORVEX's icon in the notification area and create a profile;
    2. press "&Validar Items" and answer each dialog the robot shows you;
       confirm with "Sí" to let it learn the answer;
    3. close the validation window (the robot's reports follow), open it
       again with "Validación Total de Items...", select the profile and run
       it again: the robot answers everything by itself.
  Close the host ("&Salir") to end the demo.
EOF
  wine_run 86400 "$bin/Dossa.exe" --script "Z:$here/validation.dossa" \
    --report "$work_win\\host.report" --stay >/dev/null
  progress "the host ended"
  exit 0
fi

start_shooter "$out" >/dev/null
wine_run 900 "$bin/Dossa.exe" --script "Z:$here/validation.dossa" \
  --report "$work_win\\host.report" --stay --max-seconds 850 >/dev/null &
driver_background $!

progress "first run: the scripted user creates a profile and answers each new dialog once"
user "$here/first-run.user" >"$work/first-run.log"
grep -F 'failed line=' "$work/first-run.log"
progress "second run of the same validation, untouched"
user "$here/second-run.user" >"$work/second-run.log"
grep -F 'failed line=' "$work/second-run.log"
progress "done; closing the robot"
wine_run 30 "$bin/scripted_user.exe" --script "Z:$here/close-robot.user" >/dev/null ||
  fail "the robot did not close"

# --- what happened ----------------------------------------------------------------------
first=$(run_outcomes "$host" 1)
second=$(run_outcomes "$host" 2)
[[ -n "$second" && "$first" == "$second" ]] ||
  fail "the second run's dialogs ended otherwise than the first's:"$'\n'"$second"
grep -q 'result=timeout' "$host" && fail "a dialog was closed at its time limit"
grep -q 'control-dialog closed' "$host" && fail "a dialog of the control was closed at its time limit"
# The journal's rows of each run: "Manual" ones the broker answered once,
# "Automática" ones the robot answered alone.
journals=("$work"/logs/*.csv)
count_rows() {  # count_rows CSV KIND [ITEMS...]: rows of that kind (of those items)
  local csv=$1 kind=$2
  shift 2
  iconv -f ISO-8859-1 -t UTF-8 "$csv" 2>/dev/null |
    awk -F'";"' -v kind="$kind" -v items=" $* " 'NF >= 4 && $3 == kind {
        item = substr($1, 2); if (items == "  " || index(items, " " item " ")) n++ } END { print n + 0 }'
}
if [[ ${#journals[@]} -ne 2 || ! -f "${journals[1]}" ]]; then
  fail "not one journal per run in the log folder: ${journals[*]}"
  journals=(/dev/null /dev/null)
fi
control_items=$(awk '/^run started/ { run++ } run == 1 && /^item number=/ { item = substr($2, 8) }
                     run == 1 && /^dialog .*kind=tarifex/ { printf "%s ", item }' "$host")
control_dialogs=$(awk '/^run started/ { run++ } /^control-dialog item/ { n[run]++ }
                       END { printf "%d %d", n[1], n[2] }' "$host")
asked_second=$(lines "$work/second-run.report" 'of=KORVEX.exe caption=')
control_asked=$(count_rows "${journals[1]}" Automática $control_items)

echo
echo "What happened (details in $out):"
echo "  first run:  $(awk '/^run started/ { run++ } run == 1 && /^item number/' "$host" | wc -l) items;" \
  "the broker answered $(count_rows "${journals[0]}" Manual) new dialogs once and the robot" \
  "learned them; it answered $(count_rows "${journals[0]}" Automática) repeated ones alone"
echo "  second run: $(count_rows "${journals[1]}" Automática) answered automatically," \
  "$(count_rows "${journals[1]}" Manual) by a person; of the tariff control's $control_asked questions," \
  "$((control_asked - ${control_dialogs#* })) were answered through the robot before the control" \
  "showed a dialog, ${control_dialogs#* } on the control's dialog"
times=$(on_screen_ms "$host" 2 | LC_ALL=C sort -n)
if [[ -n "$times" ]]; then
  LC_ALL=C awk '{ v[n++] = $1 } END {
      printf "  shown -> answered by the robot (the dialogs of the second run, n=%d):" \
             " median %.1f ms, slowest %.1f ms\n", n, v[int(n / 2)], v[n - 1] }' <<<"$times"
fi
summary=$(grep -E '^ended item=[0-9]+ n=[0-9]+ kind=tarifex' "$host" | tail -1 | grep -o 'RInfCom="[^"]*"')
[[ -n "$summary" ]] && echo "  the tariff control's replies of the last item: $summary"
echo
for csv in "${journals[@]}"; do
  [[ -f "$csv" ]] || continue
  echo "Journal $(basename "$csv"):"
  iconv -f ISO-8859-1 -t UTF-8 "$csv" | sed 's/^/  /'
  cp "$csv" "$out/"
done
cp "$host" "$out/host-report.txt"
echo
echo "Screenshots: $(cd "$out" && ls ./*.png 2>/dev/null | wc -l) PNG files in $out"
[[ $(count_rows "${journals[1]}" Manual) -eq 0 ]] || fail "the second run asked a person"
if [[ $failures -ne 0 || $asked_second -ne 0 ]]; then
  echo "demo: FAILED ($failures failure(s))"
  exit 1
fi
echo "demo: the robot learned the validation once and then answered it alone"
