#!/usr/bin/env bash
# The product's proof, under Wine: the real KORVEX.exe, Sentrel.dll and the
# simulated host Dossa.exe, worked by scripted_user.exe as a broker would.
#
#   tests/wine/robot_e2e_test.sh BIN_DIR KVXTOOL_EXE
#
# BIN_DIR holds KORVEX.exe, Sentrel.dll, default.wav, Dossa.exe and
# scripted_user.exe.  Run it inside a Wine session
# (scripts/run-wine-tests.sh does, through ctest).  It shows, in order:
#   1. a second KORVEX.exe ends at once and one robot window exists;
#   2. the first run of a new profile asks every dialog on the robot's own
#      dialogs, stores each answer with "Sí" and performs it ("&Reintentar"
#      shows the replica again; a refused value is asked again);
#   3. the reports list the journal, the CSV file is in LogDir and the
#      registry holds the profile's pairs;
#   4. the second run shows no robot dialog and every host dialog ends the
#      same way, with its time on screen reported;
#   5. kvxtool.exe ask gets the stored answer of the data-input dialog;
#   6. the robot killed right after a "Sí" and started again answers that
#      dialog by itself;
#   7. "&Cerrar" ends the robot: no window, no tray icon, exit code 0.
# Every wait is bounded; the whole test takes a few minutes at most.
#
# Profiles are selected as a broker and as another program would: from the
# tray (the new-profile and the selection dialogs) and through the slot.
#
# With KORVEX_SHOTS_DIR set, the screenshots the user scripts ask for are
# taken (ImageMagick's import) and left there as PNG files.
set -uo pipefail

bin=$(cd "${1:?usage: $0 BIN_DIR KVXTOOL_EXE}" && pwd)
kvxtool=${2:?usage: $0 BIN_DIR KVXTOOL_EXE}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
scripts=$here/robot_e2e
# shellcheck source=scripts/wine-env.sh
source "$here/../../scripts/wine-env.sh"

# shellcheck source=tests/wine/driver.sh
source "$here/driver.sh"
driver_init korvex-e2e "$bin/scripted_user.exe"
logs=$WINEPREFIX/drive_c/korvex-e2e-logs
rm -rf "$logs"
cp "$kvxtool" "$work/kvxtool.exe"
[[ -n "${KORVEX_SHOTS_DIR:-}" ]] && start_shooter "$KORVEX_SHOTS_DIR"
robot_pid=
dossa_pid=

# --- the broker's settings: logs in a folder of their own, no store yet ----------------
wine_run 60 reg add 'HKCU\Software\Norvane\KORVEX\Settings' /v LogDir /t REG_SZ \
  /d 'C:\korvex-e2e-logs' /f >/dev/null
wine_run 60 reg delete 'HKCU\Software\Norvane\KORVEX\Store' /f >/dev/null 2>&1

# --- 1. one instance --------------------------------------------------------------------
say "1. one robot"
wine_run 400 "$bin/KORVEX.exe" &
robot_pid=$!
driver_background $robot_pid
user "$scripts/robot-up.user"
start=$(date +%s.%N)
wine_run 30 "$bin/KORVEX.exe"
second=$?
seconds=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
echo "   a second KORVEX.exe ended with $second after $seconds s"
[[ $second -eq 0 ]] || fail "the second instance ended with $second"
awk -v s="$seconds" -v limit="$(korvex_scaled 10)" 'BEGIN { exit !(s < limit) }' ||
  fail "the second instance took $seconds s"
user "$scripts/robot-up.user"

# --- 2. and 3. the first run ------------------------------------------------------------
say "2. first run, a new profile"
wine_run 400 "$bin/Dossa.exe" --script "Z:$scripts/first-host.dossa" \
  --report 'C:\korvex-e2e\first-host.report' --stay --max-seconds 380 >/dev/null &
dossa_pid=$!
driver_background $dossa_pid
user "$scripts/first-run.user"
host=$work/first-host.report
expected_first=$'ended item=1 n=1 kind=msgbox result=1 button="OK"
ended item=2 n=1 kind=msgbox result=7 button="No"
ended item=3 n=1 kind=input result=1 button="Validar lo ingresado" text="ACME"
ended item=4 n=1 kind=options result=1 button="Seleccionar la opción marcada" index=1
ended item=5 n=1 kind=input result=1 button="Validar lo ingresado" text="X-2"'
[[ "$(run_outcomes "$host" 1)" == "$expected_first" ]] ||
  fail "the first run's dialogs ended otherwise:"$'\n'"$(run_outcomes "$host" 1)"
[[ $(lines "$host" 'rejected item=5 n=1 text="X-1"') -eq 1 ]] || fail "the host did not refuse X-1"
report=$work/first-run.report
[[ $(lines "$report" 'caption="Validación" class=#32770 of=KORVEX.exe') -eq 2 ]] ||
  fail "\"&Reintentar\" did not show the replica again"
[[ $(lines "$report" 'caption="Ingreso de dato complementario" class=#32770 of=KORVEX.exe') -eq 3 ]] ||
  fail "the refused value was not asked again"
# The replica stands where the host dialog is, with the host's caption.
grep -F 'caption="Mensaje al declarante" class=#32770 of=KORVEX.exe' "$report" |
  awk '{ for (i = 1; i <= NF; i++) { if ($i ~ /^rect=/) r = substr($i, 6); if ($i ~ /^owner-rect=/) o = substr($i, 12) } }
       END { exit !(r != "" && r == o) }' || fail "the replica is not where the host dialog is"
grep -q 'owner-of=Dossa.exe' "$report" || fail "the robot's dialogs are not owned by the host dialog"

say "3. reports, log file and store"
# Five dialogs, and the question kvxtool asked while the host's popup was up.
[[ $(lines "$report" 'row line=') -eq 6 ]] || fail "the reports do not list the six records"
grep -qF '|Automática|Ingrese por favor el valor de MARCA :|Ingresar '"'"' ACME'"'"', Presionar Validar lo ingresado"' "$report" ||
  fail "the actions report lacks the automatic answer to kvxtool's question"
grep -qF 'cells="0001|Manual|El item no registra certificado de origen.' "$report" ||
  fail "the messages report lacks item 1"
grep -qF 'cells="0004|Manual|[Unidad: kilogramo, Unidad: litro, Unidad: metro cúbico, ]|Seleccionar '"'"'Unidad: litro'"'"', Presionar Seleccionar la opción marcada"' "$report" ||
  fail "the actions report lacks item 4"
csv=("$logs"/*.csv)
if [[ ${#csv[@]} -ne 1 || ! -f "${csv[0]}" ]]; then
  fail "no single CSV file in LogDir: ${csv[*]}"
else
  echo "   log file $(basename "${csv[0]}"):"
  iconv -f ISO-8859-1 -t UTF-8 "${csv[0]}" | sed 's/^/     /'
  csv_text=$(iconv -f ISO-8859-1 -t UTF-8 "${csv[0]}")
  for expected in 'Se ha activado el perfil ""Aduana Norte""' 'Item #' \
      'Ingrese por favor el valor de MARCA :' "Ingresar ' ACME'" "Ingresar ' X-2'" \
      'La validación total de ítems ha concluído.'; do
    [[ "$csv_text" == *"$expected"* ]] || fail "the log file lacks: $expected"
  done
fi
store=$(wine_run 60 "$kvxtool" show "Aduana Norte" 2>&1)
echo "$store" | sed 's/^/   [store] /'
for expected in 'MARCA' 'ACME' 'X-2' 'Unidad: litro' 'certificado de origen'; do
  [[ "$store" == *"$expected"* ]] || fail "the store lacks $expected"
done

# --- 4. and 5. the second run --------------------------------------------------------------
say "4. second run, all by itself"
user "$scripts/second-run.user"
[[ "$(run_outcomes "$host" 2)" == "$expected_first" ]] ||
  fail "the second run's dialogs ended otherwise:"$'\n'"$(run_outcomes "$host" 2)"
awk '/^run started/ { run++ } run == 2 && /^ended / { print "   on screen: " $0 }' "$host"
[[ $(awk '/^run started/ { run++ } run == 2 && /^ended .* ms=[0-9.]+$/' "$host" | wc -l) -eq 5 ]] ||
  fail "the host did not report each dialog's time on screen"

say "5. kvxtool ask"
asked=$(wine_run 60 "$kvxtool" ask text MARCA 2>&1)
status=$?
echo "   kvxtool ask text MARCA -> $status: $asked"
[[ $status -eq 0 && "$asked" == *ACME* ]] || fail "kvxtool ask did not get the stored value"
user "$scripts/second-run-end.user"
wait "$dossa_pid" 2>/dev/null
dossa_pid=

# --- 6. and 7. killed and started again; closed ----------------------------------------------
say "6. killed right after a \"Sí\", started again"
wine_run 400 "$bin/Dossa.exe" --script "Z:$scripts/second-host.dossa" \
  --report 'C:\korvex-e2e\second-host.report' --stay --max-seconds 380 >/dev/null &
dossa_pid=$!
driver_background $dossa_pid
user "$scripts/kill-and-restart.user"
wait "$robot_pid" 2>/dev/null
robot_pid=
second_host=$work/second-host.report
[[ "$(run_outcomes "$second_host" 2)" == 'ended item=7 n=1 kind=msgbox result=6 button="Yes"' ]] ||
  fail "the restarted robot did not answer the question: $(run_outcomes "$second_host" 2)"
say "7. closed with \"&Cerrar\""
grep -q 'exited .* of=KORVEX.exe code=0' "$work/kill-and-restart.report" || fail "the robot did not end with 0"

if [[ $failures -ne 0 ]]; then
  echo "== $failures failure(s)"
  exit 1
fi
echo "== the robot learned and answered the whole validation"
