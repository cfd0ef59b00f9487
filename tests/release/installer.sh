#!/usr/bin/env bash
# The installer as a Windows user runs it, in a new Wine prefix. An older version, installed
# with msiexec /i /qn, gives the archive's files, the Start-menu shortcut and one entry among
# the installed apps with its icon; the installed program starts its bar, which keeps its
# settings where the README says. The release's package, installed over it while the bar runs,
# ends the bar, leaves one entry and keeps settings, history and Start with Windows. msiexec /x
# /qn while the bar runs leaves no file of the program and no Run value, and keeps the rest.
#   installer.sh SOURCE_FOLDER DRIVER DIST_FOLDER WORK_FOLDER
set -euo pipefail
source=$1 driver=$2 dist=$3 work=$4
export LC_ALL=C.UTF-8
. "$source/tools/env.sh"
. "$(dirname "$0")/prefix.sh"
rm -rf "$work"
mkdir -p "$work"
msi=$(ls "$dist"/OrvelCmd-*-win32.msi)
archive=$(ls "$dist"/OrvelCmd-*-win32.zip)
version=${archive##*/OrvelCmd-}
version=${version%-win32.zip}
python3 -B "$source/tools/releasing/installer.py" "$archive" 0.9.0 x86 "$source" "$work/older"
python3 -m zipfile -e "$archive" "$work/archive"
new_prefix "$work"
start_wineserver

failed=
fail() { echo "FAIL: $*"; failed=1; }
windows() { echo "Z:${1//\//\\}"; }
programs="C:\\users\\$user\\AppData\\Local\\Programs\\OrvelCmd"
folder=$WINEPREFIX/drive_c/users/$user/AppData/Local/Programs/OrvelCmd
appdata=$WINEPREFIX/drive_c/users/$user/AppData/Roaming
shortcut="$appdata/Microsoft/Windows/Start Menu/Programs/OrvelCmd.lnk"
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
started_value="\"$programs\\OrvelCmd.exe\""

msiexec() {
  wine msiexec "$1" "$(windows "$2")" /qn /l*v "$(windows "$work/msiexec-$3.log")" || fail "msiexec $1 $3"
}
value() { wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^    $2    REG_[A-Z_]*    //p"; }
# The entries named OrvelCmd among the installed apps: Windows keeps a per-user product's under
# HKCU, Wine under HKLM.
entries() {
  for hive in HKCU HKLM; do
    wine reg query "$hive\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" /s 2>/dev/null
  done | tr -d '\r' | awk '/^HKEY/ {key = $0} /^    DisplayName    REG_SZ    OrvelCmd$/ {print key}'
}
expect_installed() {
  [ "$(cd "$folder" && echo *)" = "OrvelCmd.exe OrvelCmd.plg README.html kelvor.dll" ] ||
    fail "$1: the program's folder holds $(ls "$folder")"
  for f in OrvelCmd.exe OrvelCmd.plg kelvor.dll README.html; do
    cmp -s "$folder/$f" "$work/archive/$f" || fail "$1: $f is not the archive's"
  done
  grep -qa "OrvelCmd.exe" "$shortcut" || fail "$1: no Start-menu shortcut"
  local key icon
  key=$(entries)
  [ "$(echo "$key" | grep -c .)" = 1 ] || fail "$1: entries among the installed apps: $key"
  [ "$(value "$key" DisplayVersion) $(value "$key" Publisher) $(value "$key" ReadMe)" = \
    "$2 Brandelmor $programs\\README.html" ] || fail "$1: the entry's version, publisher, guide"
  [ "$(value "$key" Size)" -gt 100 ] || fail "$1: size $(value "$key" Size)"
  icon=$(wine reg query 'HKCU\Software\Microsoft\Installer\Products' /s | tr -d '\r' |
         sed -n 's/^    ProductIcon    REG_SZ    //p') || true
  cmp -s "$(winepath -u "$icon")" "$source/res/hostapp.ico" || fail "$1: icon $icon"
}
# The installed host, running until the installer ends it.
with_bar_running() {
  : >"$work/bar.log"
  wine "$programs\\OrvelCmd.exe" --log "$(windows "$work/bar.log")" &
  local bar=$! i
  for i in $(seq 120); do grep -q "bar window" "$work/bar.log" && break; sleep 0.5; done
  msiexec "$@"
  for i in $(seq 60); do kill -0 "$bar" 2>/dev/null || return 0; sleep 0.5; done
  fail "$3: the bar still runs"
}
# The settings, the history, and but after a removal Start with Windows stay.
expect_kept() {
  grep -q '^Minimize=1' "$appdata/OrvelCmd/OrvelCmd.ini" || fail "$1: the settings are gone"
  wine reg query 'HKCU\Software\Brandelmor\Orvel\Plugins\Addr' | grep -qi notepad ||
    fail "$1: the history is gone"
  [ "$(value "$run_key" OrvelCmd)" = "$2" ] || fail "$1: Start with Windows is $(value "$run_key" OrvelCmd)"
}

msiexec /i "$work/older/OrvelCmd.msi" older
expect_installed installed 0.9.0
# The driver runs Notepad from the bar and collapses it (a save) where the settings belong.
ORVEL_RELEASE_FOLDER="$programs" ORVEL_RELEASE_LOG="$(windows "$work/host.log")" \
  ORVEL_RELEASE_APPDATA="C:\\users\\$user\\AppData\\Roaming" wine "$driver" ||
  { cat "$work/host.log"; fail "the installed program's bar"; }
wine reg add "$run_key" /v OrvelCmd /t REG_SZ /d "$started_value" /f >/dev/null
elapsed "older version installed and used"

with_bar_running /i "$msi" upgrade
expect_installed upgraded "$version"
expect_kept upgraded "$started_value"
elapsed "upgraded"

with_bar_running /x "$msi" removal
[ ! -e "$folder" ] || fail "removal: left $(find "$folder")"
[ ! -e "$shortcut" ] || fail "removal: left the Start-menu shortcut"
[ -z "$(entries)" ] || fail "removal: left $(entries) among the installed apps"
expect_kept removed ""
elapsed "removed"
[ -z "$failed" ] || exit 1
passed=1
