#!/usr/bin/env bash
# The robot's management dialogs under Wine: the real KORVEX.exe worked by
# scripted_user.exe through its tray menu as a broker would, and what each
# dialog leaves in the registry and on disk checked from outside.
#
#   tests/wine/robot_manage_test.sh BIN_DIR KVXTOOL_EXE
#
# BIN_DIR holds KORVEX.exe, Sentrel.dll, default.wav, KORVEX.html and
# scripted_user.exe.  Run it inside a Wine session (scripts/run-wine-tests.sh
# does, through ctest).  In order:
#   1. "&Borrar perfil": no selection, the confirmation on a double click,
#      "No", "Sí": the profile and its registry subkey are gone;
#   2. "&Ver perfiles": nothing ticked, then two answers deleted: the list and
#      the registry keep the third;
#   3. "&Exportar perfiles": every row unchecked is refused; A and B give the
#      file's exact bytes;
#   4. "&Importar perfiles": that file gives "A (1)" and "B (1)"; a file
#      whose first line is not "KORVEX" gives the error box and changes
#      nothing;
#   5. "Con&figuración...": the defaults, the enabling rules, the typed
#      minutes corrected, the regional separator, the folder and sound
#      choosers; OK writes what reg query then shows, Cancel writes nothing;
#   6. the about box shows the version resource's version; "&Cerrar" ends
#      the robot.
# Every wait is bounded.  With KORVEX_SHOTS_DIR set, the dialogs are
# photographed (tests/wine/driver.sh).
set -uo pipefail

bin=$(cd "${1:?usage: $0 BIN_DIR KVXTOOL_EXE}" && pwd)
kvxtool=${2:?usage: $0 BIN_DIR KVXTOOL_EXE}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
scripts=$here/robot_manage
# shellcheck source=scripts/wine-env.sh
source "$here/../../scripts/wine-env.sh"
# shellcheck source=tests/wine/driver.sh
source "$here/driver.sh"
driver_init korvex-manage "$bin/scripted_user.exe"
[[ -n "${KORVEX_SHOTS_DIR:-}" ]] && start_shooter "$KORVEX_SHOTS_DIR"

store='HKCU\Software\Norvane\KORVEX\Store'
settings='HKCU\Software\Norvane\KORVEX\Settings'
kvx() { wine_run 60 "$kvxtool" "$@" 2>&1 | tr -d '\r'; }
# The values of a registry key as "name type data" lines, sorted.
# The values of a key, one per line.  Once, under load, a query gave nothing
# for a key that kvxtool had read a moment before: a query whose reg.exe
# fails is asked again, and one that keeps failing is said on the error
# output.
reg_values() {
  local out attempt
  for attempt in 1 2 3; do
    if out=$(wine_run 60 reg query "$1" 2>/dev/null); then
      tr -d '\r' <<<"$out" | awk '/^    / { sub(/^    /, ""); print }' | sort
      return 0
    fi
    sleep 1
  done
  echo "reg query $1 failed three times" >&2
  return 1
}

robot_pid=

# --- the broker's machine: four profiles, default settings -------------------------------
# The robot runs from the work folder, with its manual beside it as the
# installer puts it.
cp "$bin/KORVEX.exe" "$bin/Sentrel.dll" "$bin/default.wav" "$bin/KORVEX.html" "$work/"
cp "$bin/default.wav" "$work/alarma.wav"
# The log folder the configuration chooses lies outside the work folder: Wine's
# folder browser rebuilds its tree, and loses the folder it opened on, when a
# file changes in a folder it shows, and the scripted user writes its report
# into the work folder while the browser is open.
logs=$WINEPREFIX/drive_c/korvex-manage-logs
rm -rf "$logs"
mkdir -p "$logs"
key() {  # key CAPTION BUTTON: a message box with one button
  printf 'class CDynWindow|<>%s|4294967295|4294967295|4294967295|4294967295|4294967295|4294967295|1|class CMetaButton|<>%s|1|' "$1" "$2"
}
press='1|class CPressButton|'
{
  printf 'KORVEX\r\n'
  printf 'A\r\n%s\r\n%s\r\n%s\r\n%s\r\n\r\n\r\n' "$(key dos '&No')" "$press" "$(key uno Aceptar)" "$press"
  printf 'B\r\n\r\n\r\n'
  printf 'Aduana Norte\r\n%s\r\n%s\r\n%s\r\n%s\r\n%s\r\n%s\r\n\r\n\r\n' \
    "$(key 'Certificado de origen' Aceptar)" "$press" "$(key 'Marca' Aceptar)" "$press" \
    "$(key 'Valor en aduana' '&S\xed')" "$press"
  printf 'Borrable\r\n%s\r\n%s\r\n\r\n\r\n' "$(key uno Aceptar)" "$press"
} > "$work/fixture.kvxpf"
# The file an export of A and B must give, byte for byte.
printf 'KORVEX\r\nA\r\n%s\r\n%s\r\n%s\r\n%s\r\n\r\n\r\nB\r\n\r\n\r\n' \
  "$(key dos '&No')" "$press" "$(key uno Aceptar)" "$press" > "$work/ab.expected"
printf 'KORVEX \r\nA\r\n%s\r\n%s\r\n\r\n\r\n' "$(key uno Aceptar)" "$press" > "$work/broken.kvxpf"

wine_run 60 reg delete "$store" /f >/dev/null 2>&1
wine_run 60 reg delete "$settings" /f >/dev/null 2>&1
# The regional list separator, as the "intl" section shows it.
wine_run 60 reg add 'HKCU\Control Panel\International' /v sList /t REG_SZ /d '|' /f >/dev/null
kvx import 'C:\korvex-manage\fixture.kvxpf' | sed 's/^/   [kvxtool] /'

user "$scripts/no-robot.user" || exit 1
wine_run 400 "$work/KORVEX.exe" &
robot_pid=$!
driver_background $robot_pid

# --- 1. deleting a profile --------------------------------------------------------------------
say "1. delete a profile"
user "$scripts/delete.user"
report=$work/delete.report
[[ $(lines "$report" 'text="Seleccione un perfil a borrar"') -eq 1 ]] ||
  fail "no selection did not say \"Seleccione un perfil a borrar\""
[[ $(lines "$report" 'text="¿Está seguro de que desea eliminar el perfil seleccionado?"') -eq 2 ]] ||
  fail "the double click did not ask twice"
grep -qF 'n=4 cells="Borrable"' "$report" || fail "the list is not sorted"
wine_run 60 reg query "$store\\Borrable" >/dev/null 2>&1 && fail "the subkey Borrable is still there"
listed=$(kvx list)
echo "$listed" | sed 's/^/   [store] /'
[[ "$listed" == $'A\t2\nAduana Norte\t3\nB\t0' ]] || fail "the store holds otherwise: $listed"

# --- 2. the stored answers ---------------------------------------------------------------------
say "2. delete two answers"
user "$scripts/answers.user"
report=$work/answers.report
grep -qF 'cells="Certificado de origen, Botón Aceptar|Certificado de origen|Presionar Aceptar" checked=1' "$report" ||
  fail "the first answer was not ticked"
[[ $(lines "$report" 'text="Seleccione una o varias respuestas a borrar"') -eq 1 ]] ||
  fail "nothing ticked did not say so"
shown=$(kvx show 'Aduana Norte')
echo "$shown" | sed 's/^/   [store] /'
[[ "$shown" == $'Marca, Botón Aceptar\tMarca\tPresionar Aceptar' ]] || fail "the profile kept otherwise: $shown"
pairs=$(reg_values "$store\\Aduana Norte" | wc -l)
[[ $pairs -eq 2 ]] || fail "the registry holds $pairs values for Aduana Norte, not one pair"

# --- 3. export ------------------------------------------------------------------------------------
say "3. export A and B"
user "$scripts/export.user"
report=$work/export.report
grep -qF 'text="¡Debe seleccionar al menos un perfil a exportar!"' "$report" ||
  fail "unchecking every row did not warn"
grep -qF 'text="Exportación realizada con éxito"' "$report" || fail "no success box"
if ! cmp "$work/ab.kvxpf" "$work/ab.expected"; then
  fail "the exported file's bytes differ"
  od -c "$work/ab.kvxpf" | head -20
fi

# --- 4. import -----------------------------------------------------------------------------------
say "4. import the file, then a broken one"
user "$scripts/import.user"
grep -qF 'text="Importación realizada con éxito"' "$work/import.report" || fail "no success box"
listed=$(kvx list)
echo "$listed" | sed 's/^/   [store] /'
[[ "$listed" == $'A\t2\nA (1)\t2\nAduana Norte\t1\nB\t0\nB (1)\t0' ]] || fail "the store holds otherwise: $listed"
wine_run 60 reg query "$store\\A (1)" >/dev/null 2>&1 || fail "no subkey A (1)"
user "$scripts/import-broken.user"
grep -qF 'text="Error al intentar importar los perfiles del archivo dado."' "$work/import-broken.report" ||
  fail "the broken file did not give the error box"
[[ "$(kvx list)" == "$listed" ]] || fail "the broken file changed the store"

# --- 5. configuration ----------------------------------------------------------------------------
say "5. configuration"
user "$scripts/config.user"
values=$(reg_values "$settings")
echo "$values" | sed 's/^/   [reg] /'
expected='AlarmLoopTime    REG_DWORD    0x7
AlarmMustLoop    REG_DWORD    0x1
AlarmTime    REG_DWORD    0x3
LogDir    REG_SZ    C:\korvex-manage-logs
LogSeparator    REG_SZ    |
ShowMascot    REG_DWORD    0x0
UseAlarm    REG_DWORD    0x1
WavFile    REG_SZ    C:\korvex-manage\alarma.wav'
[[ "$values" == "$expected" ]] || fail "OK wrote otherwise"
user "$scripts/config-cancel.user"
[[ "$(reg_values "$settings")" == "$values" ]] || fail "Cancel wrote something"

# --- 6. about, close ----------------------------------------------------------------------------
say "6. about, close"
user "$scripts/about.user"
grep -q 'owner="PILOTEK_MAIN_FRAME"' "$work/about.report" || fail "the about box is not the main frame's"
wait "$robot_pid" 2>/dev/null
robot_pid=

wine_run 60 reg delete "$store" /f >/dev/null 2>&1
wine_run 60 reg delete "$settings" /f >/dev/null 2>&1
if [[ $failures -ne 0 ]]; then
  echo "== $failures failure(s)"
  exit 1
fi
echo "== the management dialogs did what the broker asked"
