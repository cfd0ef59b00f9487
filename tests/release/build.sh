#!/usr/bin/env bash
# The release of the tree itself, which the release tests share: RELEASE_FOLDER/dist holds the
# downloads, RELEASE_FOLDER/build the build, RELEASE_FOLDER/release.out what tools/release printed.
#   build.sh SOURCE_FOLDER RELEASE_FOLDER
set -euo pipefail
rm -rf "$2"
mkdir -p "$2"
if ! (cd "$1" && env -u SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C ORVEL_BUILD="$2/build" \
        bash tools/release --out "$2/dist" >"$2/release.out" 2>"$2/release.log"); then
  tail -n 40 "$2/release.log"
  echo "FAIL: tools/release"
  exit 1
fi
cat "$2/release.out"
