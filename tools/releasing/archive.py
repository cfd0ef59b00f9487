"""The zip a user unpacks: the program files, README.html and their SHA256SUMS at its top level."""
import hashlib
import io
import time
import zipfile

# Zip dates are local times from 1980 on, to two seconds.
ZIP_EPOCH = 315532800   # 1980-01-01 00:00:00 UTC


def sums_text(files):
    """SHA256SUMS for files (name -> bytes): a line per file, by name, as sha256sum writes it."""
    return ''.join('%s  %s\n' % (hashlib.sha256(files[n]).hexdigest(), n)
                   for n in sorted(files)).encode()


def zip_bytes(files, stamp):
    """The archive of files (name -> bytes), every entry dated stamp (seconds since 1970)."""
    date = time.gmtime(max(stamp, ZIP_EPOCH))[:6]
    buffer = io.BytesIO()
    # Entries in a fixed order, with the attributes Windows itself writes (archive bit, made on
    # MS-DOS/Windows).
    with zipfile.ZipFile(buffer, 'w') as z:
        for name in sorted(files):
            entry = zipfile.ZipInfo(name, date_time=date)
            entry.compress_type = zipfile.ZIP_DEFLATED
            entry.create_system = 0
            entry.external_attr = 0x20
            z.writestr(entry, files[name], compresslevel=9)
    return buffer.getvalue()
