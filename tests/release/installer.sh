#!/usr/bin/env bash
# The installer as a Windows user runs it, in a new Wine prefix. An older version, installed
# with msiexec /i /qn, gives the archive's files, the Start-menu shortcut and one entry among
# the installed apps with its icon; the installed program starts its bar, which keeps its
# settings where the README says. The release's package, installed over it while the bar runs,
# ends the bar, leaves one entry and keeps settings, history and Start with Windows. msiexec /x
# /qn while the bar runs leaves no file of the program and no Run value, and keeps settings and
# history.
#   installer.sh SOURCE_FOLDER DRIVER DIST_FOLDER WORK_FOLDER
set -euo pipefail
source=$1
driver=$2
dist=$3
work=$4
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
windows() { local path=${1//\//\\}; echo "Z:$path"; }
programs="C:\\users\\$user\\AppData\\Local\\Programs\\OrvelCmd"
folder=$WINEPREFIX/drive_c/users/$user/AppData/Local/Programs/OrvelCmd
appdata=$WINEPREFIX/drive_c/users/$user/AppData/Roaming
shortcut="$appdata/Microsoft/Windows/Start Menu/Programs/OrvelCmd.lnk"
ini=$appdata/OrvelCmd/OrvelCmd.ini
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
history_key='HKCU\Software\Brandelmor\Orvel\Plugins\Addr'
start_value="\"$programs\\OrvelCmd.exe\""

msiexec() {
  wine msiexec "$1" "$(windows "$2")" /qn /l*v "$(windows "$work/msiexec-$3.log")" ||
    fail "msiexec $1 $2: exit code $?"
}
# A value's data as reg prints it, or nothing.
value() { wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^    $2    REG_[A-Z_]*    //p"; }
# The keys of the entries named OrvelCmd among the installed apps: Windows keeps a per-user
# product's under HKCU, Wine under HKLM.
entries() {
  for hive in HKCU HKLM; do
    wine reg query "$hive\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" /s 2>/dev/null
  done | tr -d '\r' | awk '/^HKEY/ {key = $0} /^    DisplayName    REG_SZ    OrvelCmd$/ {print key}'
}
# The program's folder holds the archive's program files and guide, byte for byte.
expect_installed() {
  [ "$(ls "$folder" 2>/dev/null | sort | tr '\n' ' ')" = "OrvelCmd.exe OrvelCmd.plg README.html kelvor.dll " ] ||
    fail "$1: the program's folder holds $(ls "$folder" 2>/dev/null | tr '\n' ' ')"
  for f in OrvelCmd.exe OrvelCmd.plg kelvor.dll README.html; do
    cmp -s "$folder/$f" "$work/archive/$f" || fail "$1: $f is not the archive's"
  done
  [ -f "$shortcut" ] && grep -qa "OrvelCmd.exe" "$shortcut" || fail "$1: no Start-menu shortcut"
  local keys
  keys=$(entries)
  [ "$(echo "$keys" | grep -c .)" = 1 ] || fail "$1: entries among the installed apps: $keys"
  [ "$(value "$keys" DisplayVersion)" = "$2" ] || fail "$1: version $(value "$keys" DisplayVersion)"
  [ "$(value "$keys" Publisher)" = Brandelmor ] || fail "$1: publisher $(value "$keys" Publisher)"
  [ "$(value "$keys" ReadMe)" = "$programs\\README.html" ] || fail "$1: read-me $(value "$keys" ReadMe)"
  [ "$(value "$keys" Size)" -gt 100 ] || fail "$1: size $(value "$keys" Size)"
  local icon
  icon=$(wine reg query 'HKCU\Software\Microsoft\Installer\Products' /s 2>/dev/null | tr -d '\r' |
         sed -n 's/^    ProductIcon    REG_SZ    //p')
  cmp -s "$(winepath -u "$icon" 2>/dev/null)" "$source/res/hostapp.ico" || fail "$1: icon $icon"
}
# The installed host, left running in the background until the installer ends it.
start_bar() {
  : >"$work/bar.log"
  wine "$programs\\OrvelCmd.exe" --log "$(windows "$work/bar.log")" &
  bar=$!
  for _ in $(seq 120); do grep -q "bar window" "$work/bar.log" && return; sleep 0.5; done
  fail "$1: the installed program shows no bar"
}
expect_bar_ended() {
  for _ in $(seq 60); do kill -0 "$bar" 2>/dev/null || return 0; sleep 0.5; done
  fail "$1: the bar still runs"
  kill "$bar" 2>/dev/null || true
}
# What the user made stays: the settings, the history, and (but after an uninstall) Start with
# Windows.
expect_kept() {
  grep -q '^Minimize=1' "$ini" || fail "$1: the settings are gone ($ini)"
  wine reg query "$history_key" 2>/dev/null | grep -qi "notepad" || fail "$1: the history is gone"
  [ "$(value "$run_key" OrvelCmd)" = "$2" ] || fail "$1: Start with Windows is $(value "$run_key" OrvelCmd)"
}

msiexec /i "$work/older/OrvelCmd.msi" older
elapsed "older version installed"
expect_installed "installed" 0.9.0
# The driver runs Notepad from the bar, collapses it (a save), and checks where the settings are.
if ! ORVEL_RELEASE_FOLDER="$programs" ORVEL_RELEASE_LOG="$(windows "$work/host.log")" \
     ORVEL_RELEASE_APPDATA="C:\\users\\$user\\AppData\\Roaming" wine "$driver"; then
  cat "$work/host.log" 2>/dev/null || true
  fail "the installed program"
fi
# Start with Windows, as the program writes it.
wine reg add "$run_key" /v OrvelCmd /t REG_SZ /d "$start_value" /f >/dev/null
elapsed "bar of the installed program used"

start_bar "before the upgrade"
msiexec /i "$msi" upgrade
expect_bar_ended "upgrade"
expect_installed "upgraded" "$version"
expect_kept "upgraded" "$start_value"
elapsed "upgraded"

start_bar "before the removal"
msiexec /x "$msi" removal
expect_bar_ended "removal"
[ ! -e "$folder" ] || fail "removal: left $(find "$folder" | tr '\n' ' ')"
[ ! -e "$shortcut" ] || fail "removal: left the Start-menu shortcut"
[ -z "$(entries)" ] || fail "removal: left $(entries) among the installed apps"
expect_kept "removed" ""
elapsed "removed"
[ -z "$failed" ] || exit 1
passed=1
