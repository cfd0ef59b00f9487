# Sourced by the tools: the build folder, a throwaway Wine prefix under it, a display.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${ORVEL_BUILD:-$root/build}
export WINEPREFIX=$build/wineprefix
export WINEARCH=win32
export WINEDEBUG=-all
# Wine names files through the Unix locale: with none set (a fresh minimal system) a name that
# leaves ASCII cannot be made. C.UTF-8 is part of every Debian's libc.
export LC_ALL=C.UTF-8
# A crash must end the program, not wait in the debugger until the test times out.
export WINEDLLOVERRIDES="mscoree=;mshtml=;winedbg.exe=d"

configure_and_build() {
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
  cmake --build "$build" -j"$(nproc)"
}

# The x64 tree of the same sources, in build/x64, its files in build/bin64: the targets named
# ($@), by default the module, the host program, the helper library and the tests that run for
# both builds (X64_TESTS of tests/CMakeLists.txt).
bin64=$build/bin64
build_x64() {
  cmake -S "$root" -B "$build/x64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" \
    -DORVEL_BIN="$bin64" >/dev/null
  cmake --build "$build/x64" -j"$(nproc)" --target "${@:-x64_tests}"
}

# Wine's 32-bit side is an i386 Linux program. A kernel without 32-bit support, or with it
# switched off (dmesg: "32-bit emulation disabled"), cannot start it: every test would fail with
# "Exec format error". There the tools run under qemu's i386 user emulation instead, in a mount
# and user namespace of their own whose binfmt_misc hands i386 programs to it; nothing changes
# for the rest of the machine. Debian 12's qemu 7.2 spends about a minute on each Wine start;
# the backported qemu 10 a fraction of a second, so tools/setup unpacks that one (setup_qemu).
qemu_folder=/opt/orvelcmd/qemu
qemu_i386=$qemu_folder/usr/bin/qemu-i386
native_32bit() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

# Runs the calling tool again inside the namespace unless 32-bit programs run or it is inside
# already. Usage, at the top of a tool: in_32bit_runtime "$0" "$@"
in_32bit_runtime() {
  [ -n "${ORVEL_EMULATED_32BIT:-}" ] && return 0
  [ -x /usr/lib/wine/wine ] || return 0
  native_32bit && return 0
  if [ ! -x "$qemu_i386" ]; then
    echo "tools: this machine cannot run 32-bit Linux programs, so Wine cannot run the 32-bit" \
      "module and its tests, and qemu's i386 emulation is missing ($qemu_i386): run tools/setup." >&2
    exit 1
  fi
  echo "tools: this machine cannot run 32-bit programs: Wine's 32-bit side runs under qemu" >&2
  export ORVEL_EMULATED_32BIT=$qemu_i386
  # i386 ELF executables, as the kernel's binfmt_misc reads escapes: magic, then mask.
  ORVEL_BINFMT=':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'$qemu_i386':F'
  export ORVEL_BINFMT
  exec unshare --user --map-root-user --mount --propagation private /bin/sh -c '
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc &&
      printf "%s" "$ORVEL_BINFMT" > /proc/sys/fs/binfmt_misc/register || exit 1
    exec "$@"' sh "$@"
}

# Where 32-bit programs cannot run, unpacks qemu's user emulation from the backports of Debian 12
# into $qemu_folder, without adding the suite to the machine's package sources.
setup_qemu() {
  [ -x /usr/lib/wine/wine ] || return 0
  native_32bit && return 0
  [ -x "$qemu_i386" ] && return 0
  local lists=/var/tmp/orvelcmd-apt options
  mkdir -p "$lists/lists/partial" "$lists/cache/archives/partial"
  echo "deb http://deb.debian.org/debian bookworm-backports main" > "$lists/sources.list"
  options=(-o Dir::Etc::SourceList="$lists/sources.list" -o Dir::Etc::SourceParts=/dev/null
           -o APT::Sandbox::User=root
           -o Dir::State::Lists="$lists/lists" -o Dir::Cache="$lists/cache")
  apt-get "${options[@]}" update -q
  (cd "$lists" && rm -f qemu-user_*.deb && apt-get "${options[@]}" download -t bookworm-backports qemu-user)
  mkdir -p "$qemu_folder"
  dpkg-deb -x "$(ls "$lists"/qemu-user_*.deb | head -n 1)" "$qemu_folder"
  "$qemu_i386" --version | head -n 1
}

# A prefix of the build's own; never the user's ~/.wine.
make_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
}

free_display_number() {
  local n=${1:-$((90 + RANDOM % 100))}
  while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  echo "$n"
}
wait_for_display() {
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$1" ] && break; sleep 0.1; done
}

# Starts Xvfb on a free display unless one is given; sets DISPLAY.
start_display() {
  if [ -n "${DISPLAY:-}" ] && [ -z "${ORVEL_OWN_DISPLAY:-}" ]; then return; fi
  local n
  n=$(free_display_number "${ORVEL_DISPLAY_NUMBER:-}")
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  wait_for_display "$n"
}

stop_display() { [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null; true; }

# The test environments, one row each in tests/environments (tests/CMakeLists.txt reads it too).
# use_environment NAME switches to one, making its prefix on first use; $wine is then the loader
# that runs its programs (Debian's `wine` is the 32-bit one; a 64-bit prefix needs the 64-bit).
environments_table=$root/tests/environments
environment_names() { awk '/^[a-z]/ { print $1 }' "$environments_table"; }
# Environment $1's row into env_prefix, env_arch, env_display and env_dpi; false if it has none.
read_environment() {
  local row
  row=$(awk -v name="$1" '$1 == name' "$environments_table")
  [ -n "$row" ] || return 1
  read -r _ env_prefix env_arch env_display env_dpi _ <<<"$row"
}
prefix_folder() { if [ "$1" = main ]; then echo "$build/wineprefix"; else echo "$build/wineprefix-$1"; fi; }
wine=wine
use_environment() {
  read_environment "$1" || { echo "unknown Wine environment: $1" >&2; return 1; }
  export WINEPREFIX WINEARCH=$env_arch
  WINEPREFIX=$(prefix_folder "$env_prefix")
  wine=wine
  [ "$env_arch" = win32 ] || wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
  if [ "$env_display" = two ]; then
    [ -n "${ORVEL_MONITORS_DISPLAY:-}" ] ||
      { echo "no display with two monitors: run the tests with tools/test" >&2; return 1; }
    export DISPLAY=$ORVEL_MONITORS_DISPLAY
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot.exe -i >/dev/null 2>&1 || true
    wineserver -w
    [ "$env_dpi" = 96 ] || write_prefix_dpi "$env_dpi"
  fi
}

# One wineserver for the whole run: each Wine program then starts in well under a second.
# Wine's own services start with the first program and outlive it; started here, away from
# ctest's output pipes, they do not hold a test's output open (ctest would wait for them).
start_wineserver() {
  wineserver -p
  "$wine" wineboot.exe </dev/null >/dev/null 2>&1 || true
}
stop_wineserver() { wineserver -k 2>/dev/null || true; }

# Gives the prefix $WINEPREFIX the DPI $1, as a user's display setting would; its server is
# started again, since it reads the setting when it starts.
set_prefix_dpi() {
  make_prefix
  write_prefix_dpi "$1"
  start_wineserver
}
write_prefix_dpi() {
  for key in 'HKCU\Control Panel\Desktop' \
             'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
    "$wine" reg add "$key" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 ||
      echo "tools/env.sh: LogPixels not set under $key" >&2
  done
  wineserver -k 2>/dev/null || true
  wineserver -w
}

# Starts a display of two monitors, the second right of the first: $monitor_screens, Xephyr
# nested in an Xvfb of its own; sets ORVEL_MONITORS_DISPLAY.
monitor_screens=(1024x768 800x600)
start_two_monitors() {
  local outer
  outer=$(free_display_number)
  Xvfb ":$outer" -screen 0 1900x800x24 -nolisten tcp >/dev/null 2>&1 &
  outer_pid=$!
  wait_for_display "$outer"
  ORVEL_MONITORS_DISPLAY=:$(free_display_number $((outer + 1)))
  export ORVEL_MONITORS_DISPLAY
  DISPLAY=:$outer Xephyr "$ORVEL_MONITORS_DISPLAY" +xinerama -screen "${monitor_screens[0]}" \
    -screen "${monitor_screens[1]}" -nolisten tcp >/dev/null 2>&1 &
  xephyr_pid=$!
  wait_for_display "${ORVEL_MONITORS_DISPLAY#:}"
}
stop_two_monitors() {
  [ -n "${xephyr_pid:-}" ] && kill "$xephyr_pid" 2>/dev/null
  [ -n "${outer_pid:-}" ] && kill "$outer_pid" 2>/dev/null
  true
}

# Every environment but the main prefix's, each prefix with a wineserver of its own on its
# display, for the whole run. The display with two monitors: Xvfb's own Xinerama puts every
# screen at 0,0; Xephyr nested in Xvfb places them, and Wine sees them with the 32-bit Xinerama
# library. Its prefix must be a 32-bit one: in a 64-bit prefix the desktop process is 64-bit,
# asks XRandR (whose 32-bit library is not installed) and finds one monitor.
start_environments() {
  local name started=" "
  if awk '/^[a-z]/ && $4 == "two" { found = 1 } END { exit !found }' "$environments_table"; then
    start_two_monitors
  fi
  for name in $(environment_names); do
    read_environment "$name"
    [ "$env_prefix" != main ] || continue
    case "$started" in *" $env_prefix "*) continue ;; esac
    started="$started$env_prefix "
    (use_environment "$name" && start_wineserver)
  done
}

stop_environments() {
  local name
  for name in $(environment_names); do
    read_environment "$name"
    [ "$env_prefix" = main ] || WINEPREFIX=$(prefix_folder "$env_prefix") stop_wineserver
  done
  stop_two_monitors
}
