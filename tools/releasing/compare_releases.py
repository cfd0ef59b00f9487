"""Checks two releases of the same tree, made in different folders (release_reproducible):
the same files, byte for byte, with neither folder's name in any binary; archives that hold
what a user needs and nothing more, their guide a page that carries its own pictures, their
files programs of their architecture; manifests that their published schemas accept, naming
the files just built by their hashes; and a SHA256SUMS of every other file.
    compare_releases.py SCHEMA_FOLDER (SOURCE DIST BUILD PRINTED) (SOURCE DIST BUILD PRINTED)
For each release: the tree it was made from, its dist/, its build folder (ORVEL_BUILD/release)
and what it printed. SCHEMA_FOLDER holds the schemas (winget-1.10.0/, scoop/).
"""
import base64
import hashlib
import io
import json
import os
import re
import subprocess
import sys
import zipfile

import jsonschema
import yaml

import manifests
from release import ARCHITECTURES, PROGRAM_FILES, msi_name, read_links, read_version, zip_name

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
    return ok


def read(path):
    with open(path, 'rb') as f:
        return f.read()


def check_sums(files, label):
    """files' SHA256SUMS names every other file, by its hash."""
    sums = dict(reversed(line.split('  ', 1))
                for line in files.get('SHA256SUMS', b'').decode().splitlines())
    check(sorted(sums) == sorted(n for n in files if n != 'SHA256SUMS'),
          '%s names %s' % (label, sorted(sums)))
    for n, digest in sums.items():
        check(hashlib.sha256(files.get(n, b'')).hexdigest() == digest,
              '%s is wrong for %s' % (label, n))


def load_run(label, dist, build, printed, names):
    """dist/'s files and each architecture's binaries of one release."""
    check(sorted(os.listdir(dist)) == sorted(names), '%s: dist/ holds %s, not %s'
          % (label, sorted(os.listdir(dist)), sorted(names)))
    files = {n: read(os.path.join(dist, n)) for n in names if os.path.isfile(os.path.join(dist, n))}
    printed = open(printed).read().split()
    check(printed[:1] == [os.path.join(dist, names[0])], '%s: printed path %s'
          % (label, printed[:1]))
    for n, data in files.items():
        check(hashlib.sha256(data).hexdigest() in printed,
              '%s: printed SHA-256 is not that of %s' % (label, n))
    bins = {arch.name: {b: read(os.path.join(build, 'build-' + arch.name, 'bin', b))
                        for b in PROGRAM_FILES} for arch in ARCHITECTURES}
    return files, bins


def check_binaries(runs, folders, version):
    for arch in ARCHITECTURES:
        for b in PROGRAM_FILES:
            check(runs['one'][1][arch.name][b] == runs['two'][1][arch.name][b],
                  '%s %s differs between the two builds' % (arch.name, b))
    # Neither folder, nor the test's own folder names, in any binary, as ANSI or UTF-16 text.
    markers = folders + ['second-Zr4pX', 'release-tests']
    for label in runs:
        for arch_bins in runs[label][1].values():
            for b, data in arch_bins.items():
                for m in markers:
                    for encoded in (m.encode(), m.encode('utf-16-le')):
                        check(encoded not in data, '%s of build %s holds %r' % (b, label, m))
    for arch in ARCHITECTURES:
        arch_bins = runs['one'][1][arch.name]
        # The architecture's machine and optional header (PE32, or PE32+ for 64 bits); no link
        # time: the COFF header's time stamp is 0.
        for b, data in arch_bins.items():
            coff = int.from_bytes(data[0x3C:0x40], 'little') + 4
            magic = 0x20B if arch.machine == 0x8664 else 0x10B
            check(int.from_bytes(data[coff:coff + 2], 'little') == arch.machine and
                  int.from_bytes(data[coff + 20:coff + 22], 'little') == magic,
                  '%s %s is not a PE file of machine 0x%X' % (arch.name, b, arch.machine))
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
    check_sums(members, 'the archive\'s SHA256SUMS')


def check_manifests(files, version, links, schemas):
    """Each manifest valid by its schema; each download it names is in dist/ with that hash."""
    kinds = dict(zip(manifests.winget_files(), ('version', 'installer', 'defaultLocale')))
    urls = {}
    for name, kind in kinds.items():
        document = yaml.safe_load(files.get(name, b'{}'))
        with open(os.path.join(schemas, 'winget-1.10.0', 'manifest.%s.1.10.0.json' % kind)) as f:
            schema = json.load(f)
        errors = sorted(e.message for e in jsonschema.Draft7Validator(schema).iter_errors(document))
        check(not errors, '%s: %s' % (name, errors))
        check(document.get('PackageVersion') == version, '%s: version %s'
              % (name, document.get('PackageVersion')))
        for entry in document.get('Installers', []):
            urls[entry.get('InstallerUrl')] = entry.get('InstallerSha256', '').lower()
    with open(os.path.join(schemas, 'scoop', 'schema.json')) as f:
        schema = json.load(f)
    scoop = json.loads(files.get(manifests.SCOOP_FILE, b'{}'))
    errors = sorted(e.message for e in jsonschema.Draft7Validator(schema).iter_errors(scoop))
    check(not errors, '%s: %s' % (manifests.SCOOP_FILE, errors))
    for entry in scoop.get('architecture', {}).values():
        urls[entry.get('url')] = entry.get('hash')
    expected = [n for n in files if n.endswith(('.msi', '.zip'))]
    named = set()
    for url, digest in urls.items():
        name = url.rsplit('/', 1)[-1] if url else ''
        named.add(name)
        check(url == '%s%s/%s' % (links['downloads'], version, name), 'download address %s' % url)
        check(name in files and hashlib.sha256(files[name]).hexdigest() == digest,
              'the manifests\' hash of %s is not that of the file built' % name)
    check(sorted(named) == sorted(expected), 'the manifests name %s, dist/ has %s'
          % (sorted(named), sorted(expected)))


def check_packages(dist, version):
    """Each package installs for the user alone: no ALLUSERS (the per-user context), and the
    summary's word count says that no elevated privileges are needed (bit 3)."""
    for arch in ARCHITECTURES:
        msi = os.path.join(dist, msi_name(version, arch))
        summary = subprocess.run(['msiinfo', 'suminfo', msi], capture_output=True, text=True).stdout
        words = re.search(r'^Source: (\d+)', summary, re.M)
        check(words and int(words.group(1)) & 8, '%s asks for elevated privileges' % msi)
        platform = 'x64' if arch.msi == 'x64' else 'Intel'
        check(re.search(r'^Template: %s;' % platform, summary, re.M),
              '%s is not a package for %s' % (msi, platform))
        properties = subprocess.run(['msiinfo', 'export', msi, 'Property'], capture_output=True,
                                    text=True).stdout
        check(re.search(r'^ALLUSERS\t', properties, re.M) is None, '%s sets ALLUSERS' % msi)


def main():
    schemas = sys.argv[1]
    one, two = sys.argv[2:6], sys.argv[6:10]
    version = read_version(one[0])
    zips = [zip_name(version, arch) for arch in ARCHITECTURES]
    names = (zips + [msi_name(version, arch) for arch in ARCHITECTURES] +
             manifests.winget_files() + [manifests.SCOOP_FILE, 'SHA256SUMS'])
    runs = {'one': load_run('one', *one[1:], names), 'two': load_run('two', *two[1:], names)}
    for n in names:
        check(runs['one'][0].get(n) == runs['two'][0].get(n), '%s differs between the two' % n)
    check_binaries(runs, [one[0], one[2], two[0], two[2]], version)
    files = runs['one'][0]
    for arch, n in zip(ARCHITECTURES, zips):
        check_archive(files.get(n, b''), runs['one'][1][arch.name], one[0])
    check_manifests(files, version, read_links(one[0]), schemas)
    check_packages(one[1], version)
    check_sums(files, 'dist/SHA256SUMS')

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
