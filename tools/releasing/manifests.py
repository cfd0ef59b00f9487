"""The package managers' manifests of a release: winget's multi-file manifest (version,
installer and default locale) and a Scoop manifest for the Extras bucket.

Each download is named by its URL under the project's download address and by the SHA-256 of
the file just built. winget gets an installer per MSI (per user) and each zip as a portable
program whose folder goes on the PATH, so that the program finds its DLLs beside it. Scoop
gets the zips, a Start-menu shortcut, and the settings file kept across updates: an empty
OrvelCmd.ini beside the program is what makes the program keep its settings there.
"""
import json

import yaml

PACKAGE_IDENTIFIER = 'Brandelmor.OrvelCmd'
MANIFEST_VERSION = '1.10.0'
LOCALE = 'en-US'
# Until the project publishes a licence of its own, none is granted.
LICENSE = 'Proprietary'
SHORT_DESCRIPTION = ('A command bar for Windows: type a program, document, folder or web '
                     'address and press Enter.')
SCOOP_FILE = 'orvelcmd.json'
SETTINGS_FILE = 'OrvelCmd.ini'


def winget_files():
    """The names of winget's three files, in the order they are written."""
    return [PACKAGE_IDENTIFIER + '.yaml', PACKAGE_IDENTIFIER + '.installer.yaml',
            '%s.locale.%s.yaml' % (PACKAGE_IDENTIFIER, LOCALE)]


def _yaml(kind, fields):
    header = ('# yaml-language-server: $schema=https://aka.ms/winget-manifest.%s.%s.schema.json\n'
              % (kind, MANIFEST_VERSION))
    fields = dict(fields, ManifestType=kind, ManifestVersion=MANIFEST_VERSION)
    return (header + yaml.safe_dump(fields, sort_keys=False, default_flow_style=False,
                                    width=100)).encode('ascii')


def manifests(version, links, downloads):
    """The manifests' files (name -> bytes). downloads: a row per file a user downloads:
    dict(kind='msi' or 'zip', name=, sha256=, winget=architecture, scoop=architecture,
    product_code= for an MSI, upgrade_code= for an MSI)."""
    def url(name):
        return '%s%s/%s' % (links['downloads'], version, name)

    identity = {'PackageIdentifier': PACKAGE_IDENTIFIER, 'PackageVersion': version}
    installers = []
    for d in downloads:
        entry = {'Architecture': d['winget'], 'InstallerType': d['kind'], 'Scope': 'user',
                 'InstallerUrl': url(d['name']), 'InstallerSha256': d['sha256'].upper()}
        if d['kind'] == 'msi':
            entry.update(ProductCode=d['product_code'],
                         AppsAndFeaturesEntries=[{'UpgradeCode': d['upgrade_code']}])
        else:
            entry.update(NestedInstallerType='portable',
                         NestedInstallerFiles=[{'RelativeFilePath': 'OrvelCmd.exe',
                                                'PortableCommandAlias': 'orvelcmd'}],
                         ArchiveBinariesDependOnPath=True)
        installers.append(entry)
    files = dict(zip(winget_files(), [
        _yaml('version', dict(identity, DefaultLocale=LOCALE)),
        _yaml('installer', dict(identity, UpgradeBehavior='install', Installers=installers)),
        _yaml('defaultLocale', dict(identity, PackageLocale=LOCALE, Publisher=links['publisher'],
                                    PublisherUrl=links['homepage'], PackageName='OrvelCmd',
                                    PackageUrl=links['homepage'], License=LICENSE,
                                    ShortDescription=SHORT_DESCRIPTION, Moniker='orvelcmd',
                                    Tags=['launcher', 'command-bar', 'run-dialog'])),
    ]))

    scoop = {
        'version': version,
        'description': SHORT_DESCRIPTION,
        'homepage': links['homepage'],
        'license': LICENSE,
        'architecture': {d['scoop']: {'url': url(d['name']), 'hash': d['sha256']}
                         for d in downloads if d['kind'] == 'zip'},
        # The file must be there before it is kept: Scoop keeps what it finds.
        'pre_install': 'if (!(Test-Path "$persist_dir\\%s")) { New-Item "$dir\\%s" '
                       '-ItemType File | Out-Null }' % (SETTINGS_FILE, SETTINGS_FILE),
        'persist': SETTINGS_FILE,
        'shortcuts': [['OrvelCmd.exe', 'OrvelCmd']],
    }
    files[SCOOP_FILE] = (json.dumps(scoop, indent=4) + '\n').encode('ascii')
    return files
