"""The Windows Installer package of one architecture, built with wixl.

Per user, no administrator rights: the program goes to %LOCALAPPDATA%\\Programs\\OrvelCmd, a
shortcut "OrvelCmd" to the user's Start menu, the entry among the installed apps to the user's
own uninstall key. A newer version replaces an older one (one upgrade code for every version
and architecture, a major upgrade that removes the old product before it installs the new).
Removal ends a running bar first and takes the program out of Start with Windows; an upgrade
puts it back when the old version started with Windows. Settings and history are the user's
and stay.

The same inputs give the same bytes: the codes are name-based UUIDs (the product code from the
version and architecture, the package code from everything the package holds), the files carry
the release's date, and the summary's time stamps and package code are set after wixl, which
takes its own from the clock and the random source.
"""
import hashlib
import os
import re
import subprocess
import sys
import time
import uuid
from xml.sax.saxutils import quoteattr

# Every code below derives from this one; never change it, or upgrades stop finding old versions.
NAMESPACE = uuid.UUID('5d0c8a3e-7b2f-4c61-9e8a-0f4b6d2c9a17')
UPGRADE_CODE = str(uuid.uuid5(NAMESPACE, 'upgrade')).upper()

# What the package installs into the program's folder, in this order.
INSTALLED = ('OrvelCmd.exe', 'OrvelCmd.plg', 'kelvor.dll', 'README.html')
# The key of the per-user components: a profile's files cannot be one (they may roam).
STATE_KEY = r'Software\Brandelmor\OrvelCmd'

WXS = '''<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id={product} Name="OrvelCmd" Language="1033" Version={version}
           Manufacturer={publisher} UpgradeCode={upgrade}>
    <Package InstallerVersion="500" Compressed="yes" InstallScope="perUser"
             Description={description} Manufacturer={publisher}/>
    <!-- Any older version, and this one of the other architecture, is replaced; a newer one
         stays, and this one is not installed. wixl writes no inclusive maximum: the one above
         this version, exclusive, is the same. -->
    <Upgrade Id={upgrade}>
      <UpgradeVersion Minimum="0.0.0" IncludeMinimum="yes" Maximum={next_version}
                      Property="OLDER_VERSION_FOUND"/>
      <UpgradeVersion Minimum={version} IncludeMinimum="no" OnlyDetect="yes"
                      Property="NEWER_VERSION_FOUND"/>
    </Upgrade>
    <Condition Message="A newer version of OrvelCmd is installed already.">NOT NEWER_VERSION_FOUND</Condition>
    <Media Id="1" Cabinet="OrvelCmd.cab" EmbedCab="yes"/>
    <Icon Id="OrvelCmd.ico" SourceFile="OrvelCmd.ico"/>
    <Property Id="ARPPRODUCTICON" Value="OrvelCmd.ico"/>
    <Property Id="ARPHELPLINK" Value={homepage}/>
    <Property Id="ARPURLINFOABOUT" Value={homepage}/>
    <Property Id="ARPURLUPDATEINFO" Value={downloads}/>
    <Property Id="ARPNOMODIFY" Value="1"/>
    <Property Id="ARPSIZE" Value={size}/>
    <CustomAction Id="SetInstallLocation" Property="ARPINSTALLLOCATION" Value="[INSTALLDIR]"/>
    <CustomAction Id="SetReadme" Property="ARPREADME" Value="[INSTALLDIR]README.html"/>
    <!-- Start with Windows is the program's own value; the package finds whether it names this
         copy ("path", quoted) before an upgrade removes the old version, and has the program
         write it again afterwards. Contains, not equals: Wine's search drops the last quote. -->
    <Property Id="FOUNDSTARTWITHWINDOWS">
      <RegistrySearch Id="StartWithWindows" Root="HKCU" Type="raw" Name="OrvelCmd"
                      Key="Software\Microsoft\Windows\CurrentVersion\Run"/>
    </Property>
    <CustomAction Id="SetProgramPath" Property="PROGRAMPATH" Value="[INSTALLDIR]OrvelCmd.exe"/>
    <CustomAction Id="UninstallProgram" FileKey="OrvelCmd.exe" ExeCommand="--uninstall"
                  Impersonate="yes" Return="ignore"/>
    <CustomAction Id="StartWithWindowsAgain" FileKey="OrvelCmd.exe"
                  ExeCommand="--start-with-windows" Impersonate="yes" Return="ignore"/>
    <!-- Numbered, not placed by name: wixl orders actions placed by name differently from run
         to run. Any removal, an upgrade's of the old version too, ends the bar before the files
         are looked at (InstallValidate, 1400); the old version goes right after
         InstallInitialize (1500), before anything is installed. -->
    <InstallExecuteSequence>
      <Custom Action="SetInstallLocation" Sequence="1001"/>
      <Custom Action="SetReadme" Sequence="1002"/>
      <Custom Action="SetProgramPath" Sequence="1003"/>
      <Custom Action="UninstallProgram" Sequence="1399">REMOVE~="ALL"</Custom>
      <RemoveExistingProducts Sequence="1501"/>
      <Custom Action="StartWithWindowsAgain" Sequence="6601">OLDER_VERSION_FOUND AND NOT REMOVE~="ALL" AND FOUNDSTARTWITHWINDOWS~&gt;&lt;PROGRAMPATH</Custom>
    </InstallExecuteSequence>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="LocalAppDataFolder">
        <Directory Id="UserProgramsFolder" Name="Programs">
          <Directory Id="INSTALLDIR" Name="OrvelCmd">
            <Component Id="Program" Guid={program_component} Win64={win64}>
{files}
              <RegistryValue Root="HKCU" Key={state_key} Name="InstallFolder" Type="string"
                             Value="[INSTALLDIR]" KeyPath="yes"/>
              <RemoveFolder Id="RemoveInstallFolder" On="uninstall"/>
            </Component>
          </Directory>
        </Directory>
      </Directory>
      <Directory Id="ProgramMenuFolder">
        <Component Id="StartMenuShortcut" Guid={shortcut_component} Win64={win64}>
          <Shortcut Id="StartMenuShortcut" Name="OrvelCmd" Description="OrvelCmd command bar"
                    Target="[INSTALLDIR]OrvelCmd.exe" WorkingDirectory="INSTALLDIR"/>
          <RegistryValue Root="HKCU" Key={state_key} Name="StartMenuShortcut" Type="integer"
                         Value="1" KeyPath="yes"/>
        </Component>
      </Directory>
    </Directory>
    <Feature Id="OrvelCmd" Title="OrvelCmd" Level="1">
      <ComponentRef Id="Program"/>
      <ComponentRef Id="StartMenuShortcut"/>
    </Feature>
  </Product>
</Wix>
'''

FILE = '              <File Id={name} Name={name} Source={name}/>'


def _code(name):
    return quoteattr('{%s}' % str(uuid.uuid5(NAMESPACE, name)).upper())


def product_code(version, msi_arch):
    return '{%s}' % str(uuid.uuid5(NAMESPACE, 'product %s %s' % (version, msi_arch))).upper()


def msi_version(version):
    """The version Windows Installer compares: its first three numbers."""
    found = re.match(r'(\d+)\.(\d+)\.(\d+)', version)
    if not found:
        raise ValueError('version %s does not begin with three numbers' % version)
    return '.'.join(found.groups())


def next_version(version):
    major, minor, patch = msi_version(version).split('.')
    return '%s.%s.%d' % (major, minor, int(patch) + 1)


def package_source(version, msi_arch, files, links):
    """The package's description for wixl; files maps the installed names to their bytes."""
    size_kb = (sum(len(files[n]) for n in INSTALLED) + 1023) // 1024
    # 64-bit components are other components than the 32-bit ones of the same files.
    return WXS.format(
        product=quoteattr(product_code(version, msi_arch)), version=quoteattr(msi_version(version)),
        next_version=quoteattr(next_version(version)), publisher=quoteattr(links['publisher']), upgrade=quoteattr('{%s}' % UPGRADE_CODE),
        description=quoteattr('OrvelCmd %s (%s)' % (version, msi_arch)),
        homepage=quoteattr(links['homepage']),
        downloads=quoteattr(links['downloads']), size=quoteattr(str(size_kb)),
        program_component=_code('component program ' + msi_arch),
        shortcut_component=_code('component shortcut ' + msi_arch),
        state_key=quoteattr(STATE_KEY), win64=quoteattr('yes' if msi_arch == 'x64' else 'no'),
        files='\n'.join(FILE.format(name=quoteattr(n)) for n in INSTALLED))


def run(command, folder, env):
    """Runs one of the package tools; what it printed, or its complaint and the end."""
    done = subprocess.run(command, cwd=folder, env=env, capture_output=True)
    if done.returncode != 0:
        sys.stderr.write(done.stderr.decode(errors='replace'))
        sys.exit('tools/release: %s failed (exit code %d)' % (command[0], done.returncode))
    return done.stdout.decode('utf-8', errors='replace')


def build_package(folder, version, msi_arch, files, icon, links, date):
    """Builds the package in folder (made afresh by the caller) and returns its bytes."""
    source = package_source(version, msi_arch, files, links)
    staged = dict(files, **{'OrvelCmd.ico': icon})
    for name, data in staged.items():
        path = os.path.join(folder, name)
        with open(path, 'wb') as f:
            f.write(data)
        # The cabinet keeps each file's modification time.
        os.utime(path, (date, date))
    with open(os.path.join(folder, 'OrvelCmd.wxs'), 'w', encoding='utf-8') as f:
        f.write(source)
    digest = hashlib.sha256(source.encode())
    for name in sorted(staged):
        digest.update(name.encode() + b'\0' + staged[name])
    package = '{%s}' % str(uuid.uuid5(NAMESPACE, 'package ' + digest.hexdigest())).upper()
    msi = os.path.join(folder, 'OrvelCmd.msi')
    # The time zone shapes the dates the tools write; UTC names the same moment everywhere.
    env = dict(os.environ, TZ='UTC')
    run(['wixl', '-a', msi_arch, '-o', msi, 'OrvelCmd.wxs'], folder, env)
    # The summary as a table: the package code (9) and the times of creation and of the last
    # save (12, 13) replaced, the rest as wixl wrote it.
    summary = run(['msiinfo', 'export', msi, '_SummaryInformation'], folder, env).splitlines()
    stamp = '%04d/%02d/%02d %02d:%02d:%02d' % time.gmtime(date)[:6]
    fixed = {'9': package, '12': stamp, '13': stamp}
    rows = [r.split('\t', 1) for r in summary[3:]]
    if sorted(set(fixed) & {r[0] for r in rows}) != sorted(fixed):
        sys.exit('tools/release: wixl wrote a summary without %s' % sorted(fixed))
    summary[3:] = ['%s\t%s' % (r[0], fixed.get(r[0], r[-1])) for r in rows]
    with open(os.path.join(folder, '_SummaryInformation.idt'), 'w', encoding='utf-8') as f:
        f.write('\r\n'.join(summary) + '\r\n')
    run(['msibuild', msi, '-i', '_SummaryInformation.idt'], folder, env)
    with open(msi, 'rb') as f:
        return f.read()


def main():
    """The package of another version made from a release's archive: the tests' older release.
        installer.py ARCHIVE VERSION ARCHITECTURE SOURCE_FOLDER WORK_FOLDER
    Writes WORK_FOLDER/OrvelCmd.msi (WORK_FOLDER is made afresh)."""
    import shutil
    import zipfile
    import release
    archive, version, msi_arch, source, folder = sys.argv[1:]
    with zipfile.ZipFile(archive) as z:
        files = {n: z.read(n) for n in INSTALLED}
    with open(os.path.join(source, 'res', 'hostapp.ico'), 'rb') as f:
        icon = f.read()
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    build_package(folder, version, msi_arch, files, icon, release.read_links(source),
                  release.DEFAULT_DATE)


if __name__ == '__main__':
    main()
