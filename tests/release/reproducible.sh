#!/usr/bin/env bash
# The same tree, copied into two folders of different names and depths and released one after
# the other (so at different times) from different zones, locales and file masks, must give the
# same binaries and the same archive, byte for byte, with neither folder's name in any binary;
# and the archive must hold what a user needs and nothing more, its guide a page that carries its
# own pictures. A guide that names a picture the tree lacks must be refused.
#   reproducible.sh SOURCE_FOLDER WORK_FOLDER
set -euo pipefail
source=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
one=$work/first-Kq7vW/OrvelCmd
two=$work/second-Zr4pX/deeper/tree

# The tracked files as they are on disk, or outside git the tree without its build folders.
copy_tree() {
  mkdir -p "$1"
  local top
  top=$(git -C "$source" rev-parse --show-toplevel 2>/dev/null || true)
  if [ -n "$top" ] && [ "$(cd "$top" && pwd -P)" = "$(cd "$source" && pwd -P)" ]; then
    (cd "$source" && git ls-files -z | while IFS= read -r -d '' f; do
       [ -e "$f" ] && printf '%s\0' "$f"; done | tar --null -T - -cf -) | tar -xf - -C "$1"
  else
    tar -C "$source" --exclude=./build --exclude='./build-*' --exclude=./dist --exclude=./.git \
      -cf - . | tar -xf - -C "$1"
  fi
}

# Releases the copy in $1; its build folder and dist/ are the copy's own.
release() {
  local copy=$1 name=$2 start
  shift 2
  start=$(date +%s)
  if ! (cd "$copy" && env -u ORVEL_BUILD -u SOURCE_DATE_EPOCH "$@" bash tools/release >"$work/$name.out" 2>"$work/$name.log"); then
    tail -n 40 "$work/$name.log"
    echo "FAIL: tools/release in $copy"
    exit 1
  fi
  echo "$name release: $(( $(date +%s) - start )) s"
}

copy_tree "$one"
copy_tree "$two"
release "$one" one TZ=UTC LC_ALL=C
release "$two" two TZ=Pacific/Kiritimati LC_ALL=C.UTF-8 LANG=de_DE.UTF-8 bash -c 'umask 077; exec "$@"' umask

python3 -B "$source/tools/releasing/compare_releases.py" "$one" "$two" "$work"

# A guide that names a picture the tree lacks is refused, before anything is built.
sed -i 's|src="pictures/menu.png"|src="pictures/absent.png"|' "$one/docs/guide.html"
if (cd "$one" && bash tools/release >"$work/refused.out" 2>&1) ||
   ! grep -q 'pictures/absent.png is missing' "$work/refused.out" || [ -e "$one/build/release/build-win32" ]; then
  cat "$work/refused.out"
  echo "FAIL: tools/release did not refuse a guide that names a missing picture before building"
  exit 1
fi
rm -rf "$work"
