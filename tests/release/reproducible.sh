#!/usr/bin/env bash
# The same tree, released in its own folder (by build.sh, into RELEASE_FOLDER) and in a copy of
# another name and depth, one after the other (so at different times), from different zones,
# locales and file masks, must give the same binaries and the same downloads, byte for byte,
# with neither folder's name in any binary; the archives must hold what a user needs and nothing
# more, their guide a page that carries its own pictures; the manifests must pass their schemas
# (in SCHEMA_FOLDER) and name the files built by their hashes (tools/releasing/compare_releases.py).
# A guide that names a picture the tree lacks must be refused.
#   reproducible.sh SOURCE_FOLDER RELEASE_FOLDER WORK_FOLDER SCHEMA_FOLDER
set -euo pipefail
source=$1
first=$2
work=$3
schemas=$4
rm -rf "$work"
mkdir -p "$work"
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

# Releases the copy in $1; its build folder and dist/ are the copy's own (dist/ holds nothing else).
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

copy_tree "$two"
release "$two" two TZ=Pacific/Kiritimati LC_ALL=C.UTF-8 LANG=de_DE.UTF-8 bash -c 'umask 077; exec "$@"' umask

python3 -B "$source/tools/releasing/compare_releases.py" "$schemas" \
  "$source" "$first/dist" "$first/build/release" "$first/release.out" \
  "$two" "$two/dist" "$two/build/release" "$work/two.out"

# A guide that names a picture the tree lacks is refused, before anything is built.
sed -i 's|src="pictures/menu.png"|src="pictures/absent.png"|' "$two/docs/guide.html"
if (cd "$two" && bash tools/release >"$work/refused.out" 2>&1) ||
   ! grep -q 'pictures/absent.png is missing' "$work/refused.out" || [ -e "$two/build/release/build-win32" ]; then
  cat "$work/refused.out"
  echo "FAIL: tools/release did not refuse a guide that names a missing picture before building"
  exit 1
fi
rm -rf "$work"
