"""The fresh copy of the tree that a release is built from.

In a git work tree: the tracked files as they are on disk (uncommitted edits count, untracked
files do not, a deleted file is left out). Outside git: the whole tree without its build folders.
"""
import os
import shutil
import subprocess


def tracked_files(root):
    """The tracked files' names, or None when root is not the top of a git work tree."""
    try:
        top = subprocess.run(['git', '-C', root, 'rev-parse', '--show-toplevel'],
                             capture_output=True, check=True).stdout.decode().strip()
    except (OSError, subprocess.CalledProcessError):
        return None
    if not top or os.path.realpath(top) != os.path.realpath(root):
        return None
    listing = subprocess.run(['git', '-C', root, 'ls-files', '-z'], capture_output=True,
                             check=True).stdout
    return [n for n in listing.decode().split('\0') if n]


def _walked_files(root, leave_out):
    def skipped(folder, name):
        path = os.path.join(folder, name)
        if name in ('.git', '__pycache__') or path in leave_out:
            return True
        if folder == root and (name in ('build', 'dist') or name.startswith('build-')):
            return True
        return os.path.isfile(os.path.join(path, 'CMakeCache.txt'))   # a build folder elsewhere

    names = []
    for folder, subfolders, files in os.walk(root):
        subfolders[:] = sorted(s for s in subfolders if not skipped(folder, s))
        names += [os.path.relpath(os.path.join(folder, f), root) for f in files]
    return names


def copy_tree(root, dest, leave_out, log):
    """Copies the tree at root into dest; leave_out are folders (the build, the output) that a
    walk of a tree outside git must not take."""
    names = tracked_files(root)
    if names is not None:
        log('building the tracked files of %s' % root)
    else:
        log('no git work tree; building %s without its build folders' % root)
        names = _walked_files(root, leave_out)
    for name in names:
        source = os.path.join(root, name)
        if not os.path.lexists(source):   # deleted, not yet committed
            continue
        target = os.path.join(dest, name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy(source, target, follow_symlinks=False)
