"""Checks two releases of the same tree, made in different folders (release_reproducible):
the same files, byte for byte, with neither folder's name in any binary, and an archive that
holds what a user needs and nothing more, its guide a page that carries its own pictures.
    compare_releases.py FIRST_COPY SECOND_COPY WORK_FOLDER
Each copy's dist/ and build/release/ are its release; WORK_FOLDER holds what each printed.
"""
import base64
import hashlib
import io
import os
import re
import sys
import zipfile

from release import ARCHITECTURES, PROGRAM_FILES, read_version

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
    return ok


def read(path):
    with open(path, 'rb') as f:
        return f.read()


def sums_of(text):
    return dict(reversed(line.split('  ', 1)) for line in text.decode().splitlines())


def load_run(label, copy, work, names):
    """dist/'s files and each architecture's binaries of one release."""
    dist = os.path.join(copy, 'dist')
    check(sorted(os.listdir(dist)) == sorted(names), '%s: dist/ holds %s, not %s'
          % (label, sorted(os.listdir(dist)), sorted(names)))
    files = {n: read(os.path.join(dist, n)) for n in names if os.path.isfile(os.path.join(dist, n))}
    printed = open(os.path.join(work, label + '.out')).read().split()
    zip_name = names[0]
    check(printed[:1] == [os.path.join(dist, zip_name)], '%s: printed path %s' % (label, printed[:1]))
    for n, data in files.items():
        check(hashlib.sha256(data).hexdigest() in printed,
              '%s: printed SHA-256 is not that of %s' % (label, n))
    bins = {arch.name: {b: read(os.path.join(copy, 'build/release/build-' + arch.name, 'bin', b))
                        for b in PROGRAM_FILES} for arch in ARCHITECTURES}
    return files, bins


def check_binaries(runs, one, two, version):
    for arch in ARCHITECTURES:
        for b in PROGRAM_FILES:
            check(runs['one'][1][arch.name][b] == runs['two'][1][arch.name][b],
                  '%s %s differs between the two builds' % (arch.name, b))
    # Neither folder, nor the test's own folder names, in any binary, as ANSI or UTF-16 text.
    markers = [one, two, 'first-Kq7vW', 'second-Zr4pX', 'release-tests']
    for label in runs:
        for arch_bins in runs[label][1].values():
            for b, data in arch_bins.items():
                for m in markers:
                    for encoded in (m.encode(), m.encode('utf-16-le')):
                        check(encoded not in data, '%s of build %s holds %r' % (b, label, m))
    for arch_bins in runs['one'][1].values():
        # No link time: the COFF header's time stamp is 0.
        for b, data in arch_bins.items():
            coff = int.from_bytes(data[0x3C:0x40], 'little') + 4
            check(data[coff + 4:coff + 8] == bytes(4), '%s carries a link time' % b)
        # Both version resources carry the version of the archive's name.
        for b in ('OrvelCmd.exe', 'OrvelCmd.plg'):
            check(version.encode('utf-16-le') in arch_bins[b], '%s has no version %s' % (b, version))


def check_archive(archive, bins, one):
    z = zipfile.ZipFile(io.BytesIO(archive))
    members = {i.filename: z.read(i) for i in z.infolist()}
    shipped = list(PROGRAM_FILES)
    check(sorted(members) == sorted(shipped + ['README.html', 'SHA256SUMS']),
          'archive members: %s' % sorted(members))
    check([n for n in members if n.lower().endswith('.exe')] == ['OrvelCmd.exe'],
          'other programs in the archive')
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
        png = read(os.path.join(one, 'docs/pictures', picture))
        check(uri and base64.b64decode(uri.group(1)) == png,
              'what README.html shows for pictures/%s is not that file' % picture)
    check('pictures/' not in data.sub('', readme), 'README.html still names pictures/')
    sums = sums_of(members.get('SHA256SUMS', b''))
    check(sorted(sums) == sorted(n for n in members if n != 'SHA256SUMS'),
          'SHA256SUMS names %s' % sorted(sums))
    for n, digest in sums.items():
        check(hashlib.sha256(members.get(n, b'')).hexdigest() == digest,
              'SHA256SUMS is wrong for %s' % n)


def main():
    one, two, work = sys.argv[1:]
    version = read_version(one)
    zips = ['OrvelCmd-%s-%s.zip' % (version, arch.name) for arch in ARCHITECTURES]
    names = zips
    runs = {'one': load_run('one', one, work, names), 'two': load_run('two', two, work, names)}
    for n in names:
        check(runs['one'][0].get(n) == runs['two'][0].get(n), '%s differs between the two' % n)
    check_binaries(runs, one, two, version)
    for arch, n in zip(ARCHITECTURES, zips):
        check_archive(runs['one'][0].get(n, b''), runs['one'][1][arch.name], one)

    for f in failures:
        print('FAIL:', f)
    if failures:
        sys.exit(1)
    for n in names:
        data = runs['one'][0][n]
        print('same from both folders: %s, %d bytes, SHA-256 %s'
              % (n, len(data), hashlib.sha256(data).hexdigest()))


if __name__ == '__main__':
    main()
