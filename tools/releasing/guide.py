"""README.html: docs/guide.html with its pictures (docs/pictures/) inlined as data URIs, so that
the one file shows them.

Internet Explorer 8, the oldest browser that shows such pictures, shows none whose URI is longer
than 32 KiB: such a picture is refused, as is one the tree does not have.
"""
import base64
import os
import re
import struct

URI_MAX = 32768


class GuideRefused(Exception):
    pass


def _refuse(why):
    raise GuideRefused('docs/guide.html: ' + why)


def _inline(docs, match):
    tag = match.group(0)
    source = re.search(r'\ssrc="pictures/([A-Za-z0-9_-]+\.png)"', tag)
    if not source:
        _refuse('%s...: a picture is given as src="pictures/NAME.png"' % tag[:60])
    name = source.group(1)
    path = os.path.join(docs, 'pictures', name)
    if not os.path.isfile(path):
        _refuse('pictures/%s is missing (or not tracked by git)' % name)
    with open(path, 'rb') as f:
        data = f.read()
    if len(data) < 24 or data[:8] != b'\x89PNG\r\n\x1a\n' or data[12:16] != b'IHDR':
        _refuse('pictures/%s is not a PNG file' % name)
    # Without its size the page jumps while it loads; with a wrong one the picture is distorted.
    width, height = struct.unpack('>II', data[16:24])
    given = [re.search(r'\s%s="(\d+)"' % a, tag) for a in ('width', 'height')]
    if not re.search(r'\salt="[^"]+"', tag) or None in given:
        _refuse('the <img> of pictures/%s needs alt, width and height' % name)
    if [int(g.group(1)) for g in given] != [width, height]:
        _refuse('pictures/%s is %dx%d, the page says %sx%s'
                % (name, width, height, given[0].group(1), given[1].group(1)))
    uri = 'data:image/png;base64,' + base64.b64encode(data).decode('ascii')
    if len(uri) > URI_MAX:
        _refuse('pictures/%s takes a data URI of %d characters; Internet Explorer 8 shows none '
                'over %d' % (name, len(uri), URI_MAX))
    return tag[:source.start()] + ' src="%s"' % uri + tag[source.end():]


def readme_page(docs):
    """The bytes of README.html made from the guide in the folder docs; GuideRefused says why
    the guide cannot be shipped."""
    guide = os.path.join(docs, 'guide.html')
    if not os.path.isfile(guide):
        raise GuideRefused('docs/guide.html is missing (or not tracked by git)')
    with open(guide, 'rb') as f:
        page = f.read()
    # Plain ASCII reads the same whatever encoding a browser guesses.
    try:
        page = page.decode('ascii')
    except UnicodeDecodeError as e:
        _refuse('not plain ASCII (byte %d)' % e.start)
    page = re.sub(r'<img\b[^>]*>', lambda m: _inline(docs, m), page, flags=re.IGNORECASE)
    if 'pictures/' in re.sub(r'data:image/png;base64,[A-Za-z0-9+/=]*', '', page):
        _refuse('names pictures/ elsewhere than in the src of an <img>')
    # CR LF, so that the page reads as lines in Notepad too.
    return page.replace('\r\n', '\n').replace('\n', '\r\n').encode('ascii')
