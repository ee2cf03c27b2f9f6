#!/usr/bin/env bash
# The installer under Wine, as an administrator deploys it and a broker uses
# what it installed:
#
#   tests/wine/installer_test.sh INSTALLER.exe VERSION BIN_DIR KVXTOOL_EXE
#
# INSTALLER.exe is the installer of the build (build/<preset>/installer),
# VERSION the product's version it must announce; BIN_DIR holds the
# simulated host Dossa.exe and scripted_user.exe of the same build (never
# installed).  Run it inside a Wine session (scripts/run-wine-tests.sh does,
# through ctest) with a 64-bit prefix: the 32-bit installer, the one brokers
# get (KORVEX-...-win32-setup.exe), then meets what it meets on a broker's
# 64-bit Windows, and must install under "Program Files (x86)" with the
# control and the Add/Remove Programs entry in the 32-bit registry view and
# nothing in the 64-bit one.  In order:
#   1. a silent install (/S): the files under Program Files (or Program
#      Files (x86)), carrying the version the installer announces, the
#      control registered as a program of its bits sees the registry (its
#      ProgID leads to the installed TARIFEX.OCX, and the host creates the
#      control by it; the 32-bit control's class is in the 32-bit view only,
#      and it unregisters and registers again with SysWOW64's regsvr32, as
#      an administrator would), the Start-menu entries, the Add/Remove
#      Programs entry, the start at logon;
#   2. the installed robot learns one answer;
#   3. a silent uninstall while the robot runs: the robot is closed (exit
#      code 0), the files, the control's registration, the shortcuts and
#      the entries are gone, the profile and the settings are kept;
#   4. a reinstall: the robot answers that dialog by itself, and the Start
#      menu's "Informe de validaciones" writes the report of both runs to
#      the user's documents and opens it;
#   5. an install over the running robot closes it first, and replaces the
#      files the host program still holds;
#   5b. a second upgrade while that host still holds what the first one
#      moved aside and a second host holds what it installed: every file is
#      replaced, the control stays registered throughout and a new host
#      creates it by its ProgID;
#   6. an uninstall with /PURGE removes the profiles and the settings too,
#      and every file the hosts held.
# The per-user entries (the start at logon, the profiles /PURGE removes)
# are the session user's: its hive HKU\SID (under Wine's one account, the
# same as HKCU).
# It prints the installer's size and the install and uninstall times (a
# figure, never asserted).
set -uo pipefail

installer=${1:?usage: $0 INSTALLER.exe VERSION BIN_DIR KVXTOOL_EXE}
version=${2:?usage: $0 INSTALLER.exe VERSION BIN_DIR KVXTOOL_EXE}
bin=$(cd "${3:?usage: $0 INSTALLER.exe VERSION BIN_DIR KVXTOOL_EXE}" && pwd)
kvxtool=${4:?usage: $0 INSTALLER.exe VERSION BIN_DIR KVXTOOL_EXE}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
scripts=$here/installer
# shellcheck source=scripts/wine-env.sh
source "$here/../../scripts/wine-env.sh"
# shellcheck source=tests/wine/driver.sh
source "$here/driver.sh"
driver_init korvex-installer "$bin/scripted_user.exe"

case $(basename "$installer") in
  *-win32-setup.exe) bits=32 program_files='Program Files (x86)' ;;
  *-win64-setup.exe) bits=64 program_files='Program Files' ;;
  *) echo "installer_test: $installer is neither a -win32- nor a -win64- installer" >&2; exit 2 ;;
esac
# The registry is read as a program of the installer's bits reads it: the
# 32-bit installer's through SysWOW64's reg.exe.  Since Windows 7 (and so in
# Wine) a ProgID under HKCR is one key for both views while a class (CLSID)
# has a key in each, so "reg /reg:32" is no way to read what a 32-bit host
# finds.  The other view is read by the 64-bit reg.exe with /reg:64.
if [[ $bits == 32 ]]; then
  reg_exe='C:\windows\syswow64\reg.exe'
else
  reg_exe=reg
fi
dir=$WINEPREFIX/drive_c/$program_files/KORVEX
dir_win="C:\\$program_files\\KORVEX"
start_menu=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/KORVEX
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KORVEX'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
installed=(KORVEX.exe Sentrel.dll TARIFEX.OCX kvxtool.exe default.wav KORVEX.ico KORVEX.html Desinstalar.exe)

now() { date +%s.%N; }
ms_since() { LC_ALL=C awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.0f", (b - a) * 1000 }'; }

# The data of a registry value (the key's default value without a name), as
# a program of the installer's bits reads it.
reg_value() {  # reg_value KEY [NAME]
  local query=(/ve)
  [[ -n "${2:-}" ]] && query=(/v "$2")
  wine_run 60 "$reg_exe" query "$1" "${query[@]}" 2>/dev/null | tr -d '\r' |
    sed -n 's/^ .*  REG_[A-Z_]*  *//p' | head -1
}
reg_exists() { wine_run 60 "$reg_exe" query "$1" >/dev/null 2>&1; }
# A key in the 64-bit view.
reg_exists64() { wine_run 60 reg query "$1" /reg:64 >/dev/null 2>&1; }

# The installed control's registration: ProgID -> CLSID -> its server.
control_server() {
  local clsid
  clsid=$(reg_value 'HKCR\TARIFEX.TarifexCtrl.1\CLSID')
  [[ -n "$clsid" ]] || return 1
  reg_value "HKCR\\CLSID\\$clsid\\InprocServer32"
}

install() {  # install WHAT: a silent install, timed
  local start
  start=$(now)
  wine_run 120 "$installer" /S
  local status=$?
  local ms
  ms=$(ms_since "$start")
  echo "   silent install ($1): exit $status in $ms ms"
  [[ $status -eq 0 ]] || fail "the installer ended with $status ($1)"
  install_ms+=("$ms")
}

# A silent uninstall: the uninstaller copies itself away and returns at
# once; the copy is done when the folder is gone (at most 60 s).
uninstall() {  # uninstall WHAT [OPTIONS...]
  local what=$1
  shift
  local start
  start=$(now)
  wine_run 120 "$dir/Desinstalar.exe" /S "$@"
  local status=$?
  local waited=0
  while [[ -d "$dir" && $waited -lt $(korvex_scaled 600) ]]; do
    sleep 0.1
    waited=$((waited + 1))
  done
  local ms
  ms=$(ms_since "$start")
  echo "   silent uninstall ($what): exit $status, done in $ms ms"
  [[ $status -eq 0 ]] || fail "the uninstaller ended with $status ($what)"
  [[ -d "$dir" ]] && fail "the uninstaller left $dir ($what): $(ls "$dir")"
  uninstall_ms+=("$ms")
}

robot_pid=
start_robot() {
  wine_run 600 "$dir/KORVEX.exe" &
  robot_pid=$!
  driver_background "$robot_pid"
  user "$here/robot_e2e/robot-up.user" robot-up
}
# The robot closed by someone else: it must end, with exit code 0 (the
# "&Cerrar" path; a robot that had to be killed ends otherwise).
expect_robot_closed() {  # expect_robot_closed WHO
  local waited=0
  while kill -0 "$robot_pid" 2>/dev/null && [[ $waited -lt $(korvex_scaled 300) ]]; do
    sleep 0.1
    waited=$((waited + 1))
  done
  if kill -0 "$robot_pid" 2>/dev/null; then
    fail "$1 did not close the running robot"
    return
  fi
  wait "$robot_pid"
  local code=$?
  echo "   the robot ended with $code"
  [[ $code -eq 0 ]] || fail "$1 did not close the robot properly (exit $code)"
  robot_pid=
}

host() {  # host NAME [SCRIPT]: Dossa.exe with a host script (host.dossa), report NAME-host
  wine_run 400 "$bin/Dossa.exe" --script "Z:$scripts/${2:-host.dossa}" \
    --report "$work_win\\$1-host.report" --stay --max-seconds 380 >/dev/null &
  driver_background $!
}

# Waits (at most SECONDS) until a host's report holds TEXT.
wait_report() {  # wait_report REPORT TEXT SECONDS
  local waited=0
  while [[ $(lines "$1" "$2") -eq 0 && $waited -lt $(($3 * 10)) ]]; do
    sleep 0.1
    waited=$((waited + 1))
  done
  [[ $(lines "$1" "$2") -ne 0 ]]
}

# The session user's security identifier: the hive the installer writes the
# per-user entries to (HKU\SID).
session_user_sid() {
  wine_run 60 reg query HKU 2>/dev/null | tr -d '\r' | sed -n 's/^HKEY_USERS\\\(S-1-5-21-[0-9-]*\)$/\1/p' | head -1
}

expect_installed() {
  local file
  for file in "${installed[@]}"; do
    [[ -f "$dir/$file" ]] || fail "$file is not installed"
  done
  local server
  server=$(control_server)
  echo "   TARIFEX.TarifexCtrl.1 -> $server"
  [[ "$server" == "$dir_win\\TARIFEX.OCX" ]] ||
    fail "the control's ProgID does not lead to the installed TARIFEX.OCX: '$server'"
  for link in KORVEX.lnk "Manual de KORVEX.lnk" "Informe de validaciones.lnk" "Desinstalar KORVEX.lnk"; do
    [[ -f "$start_menu/$link" ]] || fail "no Start-menu entry $link"
  done
  [[ "$(reg_value "$uninstall_key" DisplayName)" == KORVEX ]] || fail "no Add/Remove Programs entry"
  [[ "$(reg_value "$uninstall_key" DisplayVersion)" == "$version" ]] ||
    fail "the Add/Remove Programs entry announces $(reg_value "$uninstall_key" DisplayVersion), not $version"
  [[ "$(reg_value "$uninstall_key" QuietUninstallString)" == "\"$dir_win\\Desinstalar.exe\" /S" ]] ||
    fail "the Add/Remove Programs entry has no silent uninstall"
  [[ "$(reg_value "$run_key" KORVEX)" == "\"$dir_win\\KORVEX.exe\"" ]] ||
    fail "the robot does not start at logon"
  if [[ $bits == 32 ]]; then
    # On a 64-bit Windows a 64-bit program would find a 32-bit control it
    # cannot load, and a second entry in Add/Remove Programs.
    local clsid
    clsid=$(reg_value 'HKCR\TARIFEX.TarifexCtrl.1\CLSID')
    [[ -n "$clsid" ]] && reg_exists64 "HKCR\\CLSID\\$clsid\\InprocServer32" &&
      fail "the 32-bit control is registered in the 64-bit registry view too"
    reg_exists64 "$uninstall_key" && fail "the Add/Remove Programs entry is in the 64-bit view"
    [[ -e "$WINEPREFIX/drive_c/Program Files/KORVEX" ]] && fail "the 32-bit installer wrote to Program Files"
  fi
  if [[ -z "$user_sid" ||
        "$(reg_value "HKU\\$user_sid\\Software\\Microsoft\\Windows\\CurrentVersion\\Run" KORVEX)" != \
          "\"$dir_win\\KORVEX.exe\"" ]]; then
    fail "the start at logon is not in the session user's hive (HKU\\$user_sid)"
  fi
}

expect_uninstalled() {
  [[ -e "$dir" ]] && fail "the program folder is left"
  reg_exists 'HKCR\TARIFEX.TarifexCtrl.1' && fail "the control's ProgID is still registered"
  [[ -n "$control_clsid" ]] && reg_exists "HKCR\\CLSID\\$control_clsid" &&
    fail "the control's class is still registered"
  [[ -e "$start_menu" ]] && fail "the Start-menu entries are left"
  reg_exists "$uninstall_key" && fail "the Add/Remove Programs entry is left"
  [[ -n "$(reg_value "$run_key" KORVEX)" ]] && fail "the start at logon is left"
}

install_ms=()
uninstall_ms=()
user_sid=$(session_user_sid)
echo "   the session user: $user_sid"

# --- the broker's settings: logs in a folder of their own, no store yet ----------------
wine_run 60 reg delete 'HKCU\Software\Norvane\KORVEX' /f >/dev/null 2>&1
wine_run 60 reg add 'HKCU\Software\Norvane\KORVEX\Settings' /v LogDir /t REG_SZ \
  /d "$work_win\\logs" /f >/dev/null

say "1. silent install"
size=$(stat -c %s "$installer")
install "fresh"
expect_installed
# The robot and the control carry the version the installer announces.
for file in KORVEX.exe TARIFEX.OCX; do
  for field in FileVersion ProductVersion; do
    found=$(strings -el "$dir/$file" | grep -A1 -x "$field" | tail -1)
    [[ "$found" == "$version" ]] || fail "$file's $field is '$found', not $version"
  done
done
control_clsid=$(reg_value 'HKCR\TARIFEX.TarifexCtrl.1\CLSID')
if [[ $bits == 32 ]]; then
  # An administrator registers the 32-bit control again with the regsvr32 of
  # SysWOW64, as on a 64-bit Windows.
  regsvr32='C:\windows\syswow64\regsvr32.exe'
  wine_run 60 "$regsvr32" /s /u "$dir_win\\TARIFEX.OCX" || fail "SysWOW64's regsvr32 /u ended with $?"
  reg_exists "HKCR\\CLSID\\$control_clsid\\InprocServer32" &&
    fail "SysWOW64's regsvr32 /u left the control registered"
  wine_run 60 "$regsvr32" /s "$dir_win\\TARIFEX.OCX" || fail "SysWOW64's regsvr32 ended with $?"
  [[ "$(control_server)" == "$dir_win\\TARIFEX.OCX" ]] ||
    fail "SysWOW64's regsvr32 did not register the control again: '$(control_server)'"
fi

say "2. the installed robot learns one answer"
start_robot
host learn
user "$scripts/learn.user"
[[ $(lines "$work/learn-host.report" 'control created') -eq 1 ]] ||
  fail "the host could not create the installed control by its ProgID"
[[ "$(run_outcomes "$work/learn-host.report" 1)" == 'ended item=1 n=1 kind=msgbox result=1 button="OK"' ]] ||
  fail "the message box ended otherwise: $(run_outcomes "$work/learn-host.report" 1)"

say "3. silent uninstall, the robot running"
uninstall "the robot running"
expect_robot_closed "the uninstaller"
expect_uninstalled
profiles=$(wine_run 60 "$kvxtool" list 2>&1)
echo "$profiles" | sed 's/^/   [store] /'
[[ "$profiles" == *"Aduana Norte"* ]] || fail "the uninstaller removed the profile"
[[ "$(reg_value 'HKCU\Software\Norvane\KORVEX\Settings' LogDir)" == "$work_win\\logs" ]] ||
  fail "the uninstaller removed the settings"

say "4. reinstall: the robot answers by itself"
install "again"
expect_installed
start_robot
host answered
user "$scripts/answered.user"
[[ "$(run_outcomes "$work/answered-host.report" 1)" == 'ended item=1 n=1 kind=msgbox result=1 button="OK"' ]] ||
  fail "the reinstalled robot did not answer: $(run_outcomes "$work/answered-host.report" 1)"

say "4b. the Start menu's report of the validation runs"
# The shortcut's arguments, as the shell would pass them.
report_args=$(strings -el "$start_menu/Informe de validaciones.lnk" | grep -x 'report --abrir')
[[ -n "$report_args" ]] || fail "\"Informe de validaciones\" does not run kvxtool report --abrir"
# Wine links the user's documents to $HOME and leaves .html files without a
# program: this prefix, thrown away afterwards, gets a documents folder of
# its own, the association Windows has, and a browser that opens nothing.
for user_dir in "$WINEPREFIX"/drive_c/users/*; do
  [[ "$(basename "$user_dir")" == Public ]] && continue
  documents=$user_dir/Documents
done
[[ -L "$documents" ]] && rm "$documents"
mkdir -p "$documents"
wine_run 60 reg add 'HKCR\.html' /ve /t REG_SZ /d htmlfile /f >/dev/null
wine_run 60 reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /t REG_SZ /d true /f >/dev/null
# shellcheck disable=SC2086  # the shortcut's arguments, split as the shell splits them
wine_run 60 "$dir/kvxtool.exe" $report_args >/dev/null
status=$?
[[ $status -eq 0 ]] || fail "the Start menu's report ended with $status"
page="$documents/Informe de validaciones.html"
journals=$(find "$work/logs" -name '*.csv' | wc -l)
echo "   $journals journals -> $(grep -o 'id="resumen-[a-z]*">[^<]*' "$page" 2>/dev/null | sed 's/id="resumen-//;s/">/=/' | tr '\n' ' ')"
grep -q "id=\"resumen-ejecuciones\">$journals<" "$page" ||
  fail "the report in the user's documents does not count the $journals runs journalled"
grep -q '<td>Aduana Norte</td>' "$page" || fail "the report does not name the profile"

say "5. install over the running robot, the host still open"
# The host still has Sentrel.dll and TARIFEX.OCX loaded: what cannot be
# replaced is moved aside, and goes with the next uninstall at the latest.
install "over the running robot"
expect_robot_closed "the installer"
expect_installed
echo "   installed: $(cd "$dir" && echo *)"

say "5b. a second upgrade, the first host holding what the first one moved aside"
# A second host, opened now and hooked by the robot, holds the hook library
# and the control the first upgrade installed; the first host still holds
# the files it moved aside.
host hold hold.dossa
sleep 1
start_robot
wait_report "$work/hold-host.report" 'control created' 60 ||
  fail "the second host did not create the control: $(cat "$work/hold-host.report" 2>/dev/null)"
echo "   the second host: $(grep -o '^hook [a-z]*' "$work/hold-host.report")," \
  "$(grep -o '^control created' "$work/hold-host.report")"
# Which file is which: the files the second host holds, by their inodes.
declare -A held
for file in Sentrel.dll TARIFEX.OCX; do held[$file]=$(stat -c %i "$dir/$file"); done
install "the second upgrade, files held by two hosts"
expect_robot_closed "the second upgrade"
expect_installed
echo "   installed: $(cd "$dir" && echo *)"
payload=$(dirname "$installer")/payload
for file in Sentrel.dll TARIFEX.OCX; do
  # The held file went aside under a name of its own, and the new one is in
  # its place, whole.
  if [[ "$(stat -c %i "$dir/$file")" == "${held[$file]}" ]]; then
    fail "the second upgrade left the held $file in place"
  else
    echo "   $file held by the second host: now $(find "$dir" -maxdepth 1 -inum "${held[$file]}" -printf '%f')"
  fi
  cmp -s "$dir/$file" "$payload/$file" || fail "the installed $file is not the installer's"
  [[ -e "$dir/$file.new" ]] && fail "the second upgrade left $file.new"
done
# The control works: a host opened now creates it by its ProgID.
wine_run 120 "$bin/Dossa.exe" --script "Z:$scripts/check.dossa" \
  --report "$work_win\\check-host.report" --max-seconds 100 >/dev/null
[[ $(lines "$work/check-host.report" 'control created') -eq 1 ]] ||
  fail "after the second upgrade a host cannot create the control: $(cat "$work/check-host.report")"
user "$scripts/quit-hosts.user"

say "6. uninstall with /PURGE"
uninstall "/PURGE" /PURGE
expect_uninstalled
reg_exists 'HKCU\Software\Norvane\KORVEX' && fail "/PURGE left the profiles and settings"
profiles=$(wine_run 60 "$kvxtool" list 2>&1)
[[ "$profiles" == *"Aduana Norte"* ]] && fail "/PURGE left the profile"

echo "figure: installer $(basename "$installer") $size bytes;" \
  "silent install ${install_ms[*]} ms; silent uninstall ${uninstall_ms[*]} ms (under Wine)"
if [[ $failures -ne 0 ]]; then
  echo "== $failures failure(s)"
  exit 1
fi
echo "== installed, used, uninstalled, reinstalled and purged"
