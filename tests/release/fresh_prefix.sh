#!/usr/bin/env bash
# The archive as a Windows user gets it: unpacked into %LOCALAPPDATA%\Programs\OrvelCmd of a
# new Wine prefix, the host started from there on a display of its own. The driver, run in that
# prefix, must see the bar and start Notepad by typing into it. The prefix is removed afterwards.
# FOLDER_NAME, if given, replaces the folder's last name "OrvelCmd" (a name in any script) and
# names the profile that holds the user's application data. With RELEASE_ARCH=win64 the 64-bit
# archive is unpacked into a 64-bit prefix (that its files are x64, PE32+ of machine 0x8664, the
# release test checks with every architecture's).
#   fresh_prefix.sh SOURCE_FOLDER DRIVER DIST_FOLDER WORK_FOLDER [FOLDER_NAME]
set -euo pipefail
source=$1
driver=$2
dist=$3
work=$4
name=${5:-OrvelCmd}
# Names outside ASCII reach Wine, and through it the driver, as UTF-8.
export LC_ALL=C.UTF-8
. "$source/tools/env.sh"
. "$(dirname "$0")/prefix.sh"
rm -rf "$work"
mkdir -p "$work"
arch=${RELEASE_ARCH:-win32}
archive=$(ls "$dist"/OrvelCmd-*-"$arch".zip)
new_prefix "$work" "$arch"

folder=$WINEPREFIX/drive_c/users/$user/AppData/Local/Programs/$name
python3 -m zipfile -e "$archive" "$folder"

# Wine shows the Unix root as drive Z:; the log stays outside the prefix for a failure report.
log=$work/host.log
if [ $# -ge 5 ]; then
  # The user's application data in a profile of that name, as Windows keeps it for a user so named.
  export ORVEL_RELEASE_APPDATA="C:\\users\\$name\\AppData\\Roaming"
  "$wine" reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders' \
    /v AppData /t REG_EXPAND_SZ /d "$ORVEL_RELEASE_APPDATA" /f >/dev/null
fi
if ! ORVEL_RELEASE_FOLDER="C:\\users\\$user\\AppData\\Local\\Programs\\$name" \
     ORVEL_RELEASE_LOG="Z:${log//\//\\}" "$wine" "$driver"; then
  echo "host log:"
  cat "$log" 2>/dev/null || echo "(none)"
  exit 1
fi
elapsed "bar shown and Notepad started"
passed=1
