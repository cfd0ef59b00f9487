#!/usr/bin/env bash
# The archive as a Windows user gets it: unpacked into %LOCALAPPDATA%\Programs\OrvelCmd of a
# new Wine prefix, the host started from there on a display of its own. The driver, run in that
# prefix, must see the bar and start Notepad by typing into it. The prefix is removed afterwards.
# FOLDER_NAME, if given, replaces the folder's last name "OrvelCmd" (a name in any script) and
# names the profile that holds the user's application data.
#   fresh_prefix.sh SOURCE_FOLDER DRIVER WORK_FOLDER [FOLDER_NAME]
set -euo pipefail
source=$1
driver=$2
work=$3
name=${4:-OrvelCmd}
# Names outside ASCII reach Wine, and through it the driver, as UTF-8.
export LC_ALL=C.UTF-8
. "$source/tools/env.sh"
rm -rf "$work"
mkdir -p "$work"
started=$(date +%s)
elapsed() { echo "$1: $(( $(date +%s) - started )) s"; }

if ! ORVEL_BUILD=$work "$source/tools/release" --out "$work/dist" >"$work/release.out" 2>"$work/release.log"; then
  tail -n 40 "$work/release.log"
  echo "FAIL: tools/release"
  exit 1
fi
archive=$(head -n 1 "$work/release.out")
elapsed "archive built"

export WINEPREFIX=$work/prefix
cleanup() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  stop_display
  rm -rf "$WINEPREFIX"
  [ -z "${passed:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$WINEPREFIX"
# The server of the boot has no display; a program started on a new display while it still runs
# gets no window at all, so it must end first.
env -u DISPLAY wineboot -i >/dev/null 2>&1 || true
wineserver -w
elapsed "prefix made"
ORVEL_OWN_DISPLAY=1 start_display

user=$(cd "$WINEPREFIX/drive_c/users" && ls | grep -vx Public | head -n 1)
folder=$WINEPREFIX/drive_c/users/$user/AppData/Local/Programs/$name
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' \
  "$archive" "$folder"

# Wine shows the Unix root as drive Z:; the log stays outside the prefix for a failure report.
log=$work/host.log
if [ $# -ge 4 ]; then
  # The user's application data in a profile of that name, as Windows keeps it for a user so named.
  export ORVEL_RELEASE_APPDATA="C:\\users\\$name\\AppData\\Roaming"
  wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders' \
    /v AppData /t REG_EXPAND_SZ /d "$ORVEL_RELEASE_APPDATA" /f >/dev/null
fi
if ! ORVEL_RELEASE_FOLDER="C:\\users\\$user\\AppData\\Local\\Programs\\$name" \
     ORVEL_RELEASE_LOG="Z:${log//\//\\}" wine "$driver"; then
  echo "host log:"
  cat "$log" 2>/dev/null || echo "(none)"
  exit 1
fi
elapsed "bar shown and Notepad started"
passed=1
