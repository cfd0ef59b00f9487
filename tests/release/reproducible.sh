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

python3 - "$one" "$two" "$work" <<'EOF'
import base64, hashlib, io, os, re, subprocess, sys, zipfile
one, two, work = sys.argv[1:]
failures = []
def check(ok, what):
    if not ok:
        failures.append(what)
    return ok

version = re.search(r'#define ORVEL_VERSION_TEXT "([^"]+)"',
                    open(os.path.join(one, 'res/version.h')).read()).group(1)
name = 'OrvelCmd-%s-win32.zip' % version
shipped = ['OrvelCmd.exe', 'OrvelCmd.plg', 'kelvor.dll']
runs = {}
for label, copy in (('one', one), ('two', two)):
    dist = os.path.join(copy, 'dist')
    check(sorted(os.listdir(dist)) == [name], '%s: dist/ holds %s, not only %s'
          % (label, sorted(os.listdir(dist)), name))
    archive = open(os.path.join(dist, name), 'rb').read()
    printed = open(os.path.join(work, label + '.out')).read().split()
    check(printed[:1] == [os.path.join(dist, name)], '%s: printed path %s' % (label, printed[:1]))
    check(hashlib.sha256(archive).hexdigest() in printed, '%s: printed SHA-256 is not the archive\'s' % label)
    bins = {b: open(os.path.join(copy, 'build/release/build/bin', b), 'rb').read() for b in shipped}
    runs[label] = (archive, bins)

archive, bins = runs['one']
check(archive == runs['two'][0], 'the two archives differ')
for b in shipped:
    check(bins[b] == runs['two'][1][b], '%s differs between the two builds' % b)

# Neither folder, nor the test's own folder names, in any binary, as ANSI or UTF-16 text.
markers = [one, two, 'first-Kq7vW', 'second-Zr4pX', 'release-tests']
for label in runs:
    for b, data in runs[label][1].items():
        for m in markers:
            for encoded in (m.encode(), m.encode('utf-16-le')):
                check(encoded not in data, '%s of build %s holds %r' % (b, label, m))

z = zipfile.ZipFile(io.BytesIO(archive))
members = {i.filename: z.read(i) for i in z.infolist()}
check(sorted(members) == sorted(shipped + ['README.html', 'SHA256SUMS']),
      'archive members: %s' % sorted(members))
check([n for n in members if n.lower().endswith('.exe')] == ['OrvelCmd.exe'], 'other programs in the archive')
for b in shipped:
    check(members.get(b) == bins[b], '%s in the archive is not the build\'s' % b)
readme = members.get('README.html', b'')
check(b'\r\n' in readme and readme.count(b'\n') == readme.count(b'\r\n') and b'\r\r' not in readme,
      'README.html does not have CR LF line ends throughout')
check(all(c < 128 for c in readme), 'README.html is not plain ASCII')
# Every picture of docs/guide.html is in the page itself, in its place, byte for byte.
readme = readme.decode('ascii', 'replace')
data = re.compile(r'data:image/png;base64,([A-Za-z0-9+/=]+)')
guide = open(os.path.join(one, 'docs/guide.html')).read()
pictures = re.findall(r'<img\b[^>]*\ssrc="pictures/([^"]+)"', guide)
inlined = [data.fullmatch(src) for src in re.findall(r'<img\b[^>]*\ssrc="([^"]*)"', readme)]
check(pictures and len(inlined) == len(pictures) and None not in inlined,
      'README.html has %d data URIs in %d <img> for the guide\'s %d pictures'
      % (len(inlined) - inlined.count(None), len(inlined), len(pictures)))
for picture, uri in zip(pictures, inlined):
    png = open(os.path.join(one, 'docs/pictures', picture), 'rb').read()
    check(uri and base64.b64decode(uri.group(1)) == png,
          'what README.html shows for pictures/%s is not that file' % picture)
check('pictures/' not in data.sub('', readme), 'README.html still names pictures/')
sums = dict(reversed(line.split('  ', 1)) for line in members.get('SHA256SUMS', b'').decode().splitlines())
check(sorted(sums) == sorted(n for n in members if n != 'SHA256SUMS'), 'SHA256SUMS names %s' % sorted(sums))
for n, digest in sums.items():
    check(hashlib.sha256(members.get(n, b'')).hexdigest() == digest, 'SHA256SUMS is wrong for %s' % n)
# No link time: the COFF header's time stamp is 0.
for b, data in bins.items():
    coff = int.from_bytes(data[0x3C:0x40], 'little') + 4
    check(data[coff + 4:coff + 8] == bytes(4), '%s carries a link time' % b)
# Both version resources carry the version of the archive's name.
for b in ('OrvelCmd.exe', 'OrvelCmd.plg'):
    check(version.encode('utf-16-le') in bins[b], '%s has no version %s' % (b, version))

for f in failures:
    print('FAIL:', f)
if failures:
    sys.exit(1)
print('same archive from both folders: %s, %d bytes, SHA-256 %s'
      % (name, len(archive), hashlib.sha256(archive).hexdigest()))
EOF

# A guide that names a picture the tree lacks is refused, before anything is built.
sed -i 's|src="pictures/menu.png"|src="pictures/absent.png"|' "$one/docs/guide.html"
if (cd "$one" && bash tools/release >"$work/refused.out" 2>&1) ||
   ! grep -q 'pictures/absent.png is missing' "$work/refused.out" || [ -e "$one/build/release/build" ]; then
  cat "$work/refused.out"
  echo "FAIL: tools/release did not refuse a guide that names a missing picture before building"
  exit 1
fi
rm -rf "$work"
