"""tools/release: the downloads of a release, built from a fresh copy of the tree into dist/.

An architecture is one row of ARCHITECTURES; each kind of file of dist/ is one step of STEPS.
The same tree gives the same files, byte for byte, in any folder and at any time.
"""
import argparse
import glob
import hashlib
import os
import re
import shutil
import subprocess
import sys
from collections import namedtuple

import archive
import guide
import installer
import manifests
import sourcetree

# One build of the three program files and its downloads. toolchain: the CMake toolchain file
# in the tree; msi: the installer's architecture (wixl's -a, winget's Architecture); scoop: the
# Scoop manifest's name for it; machine: the PE header's machine of its files.
Architecture = namedtuple('Architecture', 'name toolchain msi scoop machine')
ARCHITECTURES = [
    Architecture('win32', 'cmake/mingw-i686.cmake', 'x86', '32bit', 0x14C),
    Architecture('win64', 'cmake/mingw-x86_64.cmake', 'x64', '64bit', 0x8664),
]
PROGRAM_FILES = ('OrvelCmd.exe', 'OrvelCmd.plg', 'kelvor.dll')
TARGETS = ('OrvelCmd', 'kelvor', 'hostapp')

# The files' dates: fixed, so that the time of the build does not show. It is not handed to the
# build: the binaries are the same without it, which the tests check.
DEFAULT_DATE = 1577836800   # 2020-01-01 00:00:00 UTC


def log(text):
    print('tools/release: ' + text, file=sys.stderr, flush=True)


def fail(text):
    sys.exit('tools/release: ' + text)


class Release:
    """What the steps share: the tree's copy, its version, the builds, the files made so far."""

    def __init__(self, source, work, date):
        self.source = source
        self.work = work
        self.date = date
        self.version = read_version(source)
        self.links = read_links(source)
        self.readme = None      # README.html's bytes
        self.bins = {}          # architecture name -> {program file: bytes}
        self.made = {}          # file name in dist/ -> bytes, in the order made


def read_version(source):
    with open(os.path.join(source, 'res', 'version.h'), encoding='ascii', errors='replace') as f:
        found = re.search(r'^#define ORVEL_VERSION_TEXT "([0-9A-Za-z.-]*)"$', f.read(), re.M)
    if not found or not found.group(1):
        fail('no ORVEL_VERSION_TEXT in res/version.h')
    return found.group(1)


def read_links(source):
    """The maker and the addresses of res/version.h: publisher, homepage, downloads."""
    with open(os.path.join(source, 'res', 'version.h'), encoding='ascii', errors='replace') as f:
        text = f.read()
    links = {}
    for key, define in (('publisher', 'ORVEL_PUBLISHER'), ('homepage', 'ORVEL_HOMEPAGE'),
                        ('downloads', 'ORVEL_DOWNLOADS')):
        found = re.search(r'^#define %s "([^"\\]+)"$' % define, text, re.M)
        if not found:
            fail('no %s in res/version.h' % define)
        links[key] = found.group(1)
    return links


def zip_name(version, arch):
    return 'OrvelCmd-%s-%s.zip' % (version, arch.name)


def msi_name(version, arch):
    return 'OrvelCmd-%s-%s.msi' % (version, arch.name)


def build(release, arch):
    """The program files of one architecture, built from the tree's copy."""
    folder = os.path.join(release.work, 'build-' + arch.name)
    subprocess.run(['cmake', '-S', release.source, '-B', folder,
                    '-DCMAKE_TOOLCHAIN_FILE=' + os.path.join(release.source, arch.toolchain),
                    '-DCMAKE_BUILD_TYPE=MinSizeRel', '-DORVEL_TESTS=OFF'],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(['cmake', '--build', folder, '--target', *TARGETS, '-j%d' % os.cpu_count()],
                   check=True, stdout=sys.stderr)
    bin_folder = os.path.join(folder, 'bin')
    programs = sorted(os.path.basename(p) for p in glob.glob(os.path.join(bin_folder, '*.exe')))
    if programs != ['OrvelCmd.exe']:
        fail('the build made other programs than OrvelCmd.exe: %s' % programs)
    files = {}
    for name in PROGRAM_FILES:
        with open(os.path.join(bin_folder, name), 'rb') as f:
            files[name] = f.read()
    return files


# The steps: each makes one kind of file of dist/, for each architecture or once.
def zip_step(release):
    for arch in ARCHITECTURES:
        files = dict(release.bins[arch.name], **{'README.html': release.readme})
        files['SHA256SUMS'] = archive.sums_text(files)
        release.made[zip_name(release.version, arch)] = archive.zip_bytes(files, release.date)


def msi_step(release):
    with open(os.path.join(release.source, 'res', 'hostapp.ico'), 'rb') as f:
        icon = f.read()
    for arch in ARCHITECTURES:
        folder = os.path.join(release.work, 'msi-' + arch.name)
        os.makedirs(folder)
        files = dict(release.bins[arch.name], **{'README.html': release.readme})
        release.made[msi_name(release.version, arch)] = installer.build_package(
            folder, release.version, arch.msi, files, icon, release.links, release.date)


def manifests_step(release):
    downloads = []
    for arch in ARCHITECTURES:
        for kind, name in (('msi', msi_name(release.version, arch)),
                           ('zip', zip_name(release.version, arch))):
            downloads.append({
                'kind': kind, 'name': name, 'winget': arch.msi, 'scoop': arch.scoop,
                'sha256': hashlib.sha256(release.made[name]).hexdigest(),
                'product_code': installer.product_code(release.version, arch.msi),
                'upgrade_code': '{%s}' % installer.UPGRADE_CODE})
    release.made.update(manifests.manifests(release.version, release.links, downloads))


def sums_step(release):
    release.made['SHA256SUMS'] = archive.sums_text(release.made)


STEPS = [zip_step, msi_step, manifests_step, sums_step]


def main():
    parser = argparse.ArgumentParser(prog='tools/release', add_help=False)
    parser.add_argument('--out')
    parser.add_argument('-h', '--help', action='store_true')
    args, unknown = parser.parse_known_args()
    if unknown:
        print('tools/release: unknown argument %s (see --help)' % unknown[0], file=sys.stderr)
        sys.exit(2)
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    if args.help:
        with open(os.path.join(root, 'tools', 'release')) as f:
            lines = f.read().splitlines()
        print('\n'.join(line[2:] for line in lines[1:lines.index('set -euo pipefail')]))
        return
    out = os.path.abspath(args.out) if args.out else os.path.join(root, 'dist')
    build_folder = os.path.abspath(os.environ.get('ORVEL_BUILD') or os.path.join(root, 'build'))
    os.makedirs(build_folder, exist_ok=True)
    os.makedirs(out, exist_ok=True)
    work = os.path.join(build_folder, 'release')
    shutil.rmtree(work, ignore_errors=True)
    source = os.path.join(work, 'source')
    os.makedirs(source)
    sourcetree.copy_tree(root, source, (build_folder, out), log)

    release = Release(source, work, int(os.environ.get('SOURCE_DATE_EPOCH') or DEFAULT_DATE))
    # The guide is checked before anything is built.
    try:
        release.readme = guide.readme_page(os.path.join(source, 'docs'))
    except guide.GuideRefused as refused:
        fail(str(refused))
    for arch in ARCHITECTURES:
        release.bins[arch.name] = build(release, arch)
    for step in STEPS:
        step(release)

    # Only an output folder of its own is emptied first.
    if not args.out:
        for entry in os.listdir(out):
            path = os.path.join(out, entry)
            if os.path.isdir(path) and not os.path.islink(path):
                shutil.rmtree(path)
            else:
                os.remove(path)
    # The archives first: the first line printed is the 32-bit archive's path.
    for name, data in release.made.items():
        path = os.path.join(out, name)
        with open(path + '.part', 'wb') as f:
            f.write(data)
        os.replace(path + '.part', path)
        print(path)
        print('SHA-256: ' + hashlib.sha256(data).hexdigest())


if __name__ == '__main__':
    main()
