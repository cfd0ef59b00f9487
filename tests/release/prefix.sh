# Sourced by the release tests: a new Wine prefix under the test's work folder, on a display of
# its own, removed again at the end (the work folder too once the test set passed=1).
#   new_prefix WORK_FOLDER [win64]   sets WINEPREFIX, user (the prefix's user name) and wine (the
#                                    loader: a 64-bit prefix's runs 32-bit programs as well)
# The server of the boot has no display; a program started on a new display while it still runs
# gets no window at all, so it must end first.
started=$(date +%s)
elapsed() { echo "$1: $(( $(date +%s) - started )) s"; }

new_prefix() {
  prefix_work=$1
  export WINEPREFIX=$prefix_work/prefix
  wine=wine
  if [ "${2:-}" = win64 ]; then
    export WINEARCH=win64
    wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
  fi
  trap end_prefix EXIT
  mkdir -p "$WINEPREFIX"
  env -u DISPLAY "$wine" wineboot.exe -i >/dev/null 2>&1 || true
  wineserver -w
  elapsed "prefix made"
  ORVEL_OWN_DISPLAY=1 start_display
  user=$(cd "$WINEPREFIX/drive_c/users" && ls | grep -vx Public | head -n 1)
}

end_prefix() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  stop_display
  rm -rf "$WINEPREFIX"
  [ -z "${passed:-}" ] || rm -rf "$prefix_work"
}
