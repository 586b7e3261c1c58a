"""The program's pictures, drawn in code so that they can be changed and rebuilt.

Every icon is drawn once on a large canvas (SCALE times its size) and then
reduced: with an alpha channel for the 32-bit images, and to the standard
16-colour palette with a transparency mask for the 16-colour images. The menu
bitmaps are monochrome and drawn pixel by pixel.
"""
import struct

from PIL import Image, ImageDraw, ImageFont

SCALE = 8

# The standard 16-colour palette of Windows, in palette order.
VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
         (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
         (255, 0, 255), (0, 255, 255), (255, 255, 255)]

OUTLINE = (0, 0, 0, 255)
SILVER = (192, 192, 192, 255)
WHITE = (255, 255, 255, 255)
GREY = (128, 128, 128, 255)


def canvas(size):
    return Image.new('RGBA', (size * SCALE, size * SCALE), (0, 0, 0, 0))


def box(size, x0, y0, x1, y1):
    """Pixel coordinates of the final image, scaled to the canvas."""
    s = SCALE
    return [x0 * s, y0 * s, x1 * s - 1, y1 * s - 1]


def disc(draw, size, face, shine, inset=0):
    """An optical disc filling the picture: rim, face with a shine, hub, hole."""
    s = SCALE
    w = max(1, size // 16) * s
    draw.ellipse(box(size, inset, inset, size - inset, size - inset), fill=OUTLINE)
    draw.ellipse([inset * s + w, inset * s + w, (size - inset) * s - 1 - w, (size - inset) * s - 1 - w], fill=face)
    c = size * s / 2
    r = (size / 2 - inset) * s - w
    # A lighter band from the upper left, as light falls on a disc.
    draw.pieslice([c - r, c - r, c + r, c + r], 200, 250, fill=shine)
    draw.pieslice([c - r, c - r, c + r, c + r], 20, 70, fill=shine)
    hub = size * s * 0.19
    draw.ellipse([c - hub, c - hub, c + hub, c + hub], fill=OUTLINE)
    hub -= w
    draw.ellipse([c - hub, c - hub, c + hub, c + hub], fill=SILVER)
    hole = size * s * 0.07
    draw.ellipse([c - hole, c - hole, c + hole, c + hole], fill=(0, 0, 0, 0))


def tray_normal(size):
    img = canvas(size)
    disc(ImageDraw.Draw(img), size, (0, 128, 128, 255), (0, 255, 255, 255))
    return img


def tray_red(size):
    img = canvas(size)
    disc(ImageDraw.Draw(img), size, (255, 0, 0, 255), (255, 255, 0, 255))
    return img


def tray_green(size):
    img = canvas(size)
    disc(ImageDraw.Draw(img), size, (0, 128, 0, 255), (0, 255, 0, 255))
    return img


def glyph(draw, size, text, colour):
    """A bold character centred on the picture, with a white halo."""
    s = SCALE
    font = ImageFont.truetype('DejaVuSans-Bold.ttf', int(size * s * 0.95))
    x0, y0, x1, y1 = draw.textbbox((0, 0), text, font=font)
    at = ((size * s - (x1 - x0)) / 2 - x0, (size * s - (y1 - y0)) / 2 - y0)
    draw.text(at, text, font=font, fill=colour, stroke_width=int(1.3 * s), stroke_fill=WHITE)


def tray_question(size):
    """No drives: a grey disc behind a big blue question mark."""
    img = canvas(size)
    draw = ImageDraw.Draw(img)
    disc(draw, size, GREY, SILVER)
    glyph(draw, size, '?', (0, 0, 255, 255))
    return img


def tray_wait(size):
    """Busy: an hourglass with its sand running."""
    img = canvas(size)
    d = ImageDraw.Draw(img)
    s = SCALE
    m = size * s
    top, bottom, left, right = 0.06 * m, 0.94 * m, 0.18 * m, 0.82 * m
    mid = m / 2
    neck = 0.07 * m
    glass = [(left, top), (right, top), (mid + neck, mid), (right, bottom), (left, bottom), (mid - neck, mid)]
    d.polygon(glass, fill=WHITE, outline=OUTLINE)
    d.line(glass + [glass[0]], fill=OUTLINE, width=max(s, int(m / 16)))
    sand = (255, 255, 0, 255)
    d.polygon([(0.34 * m, 0.30 * m), (0.66 * m, 0.30 * m), (mid, mid)], fill=sand)
    d.polygon([(mid, 0.62 * m), (0.74 * m, 0.88 * m), (0.26 * m, 0.88 * m)], fill=sand)
    d.line([(mid, mid), (mid, 0.88 * m)], fill=sand, width=max(s, int(m / 16)))
    bar = (128, 0, 0, 255)
    d.rectangle([0.10 * m, 0, 0.90 * m, 0.12 * m], fill=bar, outline=OUTLINE)
    d.rectangle([0.10 * m, 0.88 * m, 0.90 * m, m - 1], fill=bar, outline=OUTLINE)
    return img


def tray_error(size):
    """Error: a grey disc struck out by a red cross."""
    img = canvas(size)
    d = ImageDraw.Draw(img)
    disc(d, size, GREY, SILVER)
    m = size * SCALE
    a, b = 0.12 * m, 0.88 * m
    for width, colour in ((int(m * 0.30), WHITE), (int(m * 0.18), (255, 0, 0, 255))):
        d.line([(a, a), (b, b)], fill=colour, width=width)
        d.line([(a, b), (b, a)], fill=colour, width=width)
    return img


def app(size):
    """The program: a disc with a speed needle."""
    img = canvas(size)
    d = ImageDraw.Draw(img)
    disc(d, size, (0, 128, 128, 255), (0, 255, 255, 255))
    m = size * SCALE
    w = max(2 * SCALE, int(m * 0.10))
    d.line([(0.5 * m, 0.5 * m), (0.90 * m, 0.16 * m)], fill=OUTLINE, width=w + 2 * SCALE)
    d.line([(0.5 * m, 0.5 * m), (0.90 * m, 0.16 * m)], fill=(255, 0, 0, 255), width=w)
    hub = 0.12 * m
    d.ellipse([0.5 * m - hub, 0.5 * m - hub, 0.5 * m + hub, 0.5 * m + hub], fill=(255, 0, 0, 255),
              outline=OUTLINE, width=SCALE)
    return img


def win_logo(size):
    """The Windows key: four coloured panes of a flag."""
    img = canvas(size)
    d = ImageDraw.Draw(img)
    panes = [((1, 2, 8, 8), (255, 0, 0, 255)), ((8, 1, 15, 7), (0, 255, 0, 255)),
             ((1, 8, 8, 14), (0, 0, 255, 255)), ((8, 7, 15, 13), (255, 255, 0, 255))]
    for (x0, y0, x1, y1), colour in panes:
        d.rectangle(box(size, x0 * size // 16, y0 * size // 16, x1 * size // 16, y1 * size // 16), fill=colour)
    return img


def reduce_alpha(img, size):
    return img.resize((size, size), Image.LANCZOS)


def reduce_16(img, size):
    """Nearest palette colour for each pixel; a pixel is opaque at half alpha."""
    small = img.resize((size, size), Image.BOX)
    indices, mask = [], []
    for r, g, b, a in small.getdata():
        opaque = a >= 128
        mask.append(0 if opaque else 1)
        if not opaque:
            indices.append(0)
            continue
        # A pixel of a mixed edge counts as if on its own, not as a blend
        # with the transparent outside.
        r, g, b = (min(255, c * 255 // a) for c in (r, g, b))
        indices.append(min(range(16), key=lambda i: sum((p - q) ** 2 for p, q in zip(VGA16[i], (r, g, b)))))
    return indices, mask


def mask_rows(mask, size):
    """The AND mask, bottom-up, rows padded to 32 bits."""
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for y in reversed(range(size)):
        row = bytearray(stride)
        for x in range(size):
            if mask[y * size + x]:
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def dib_16(indices, mask, size):
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in VGA16)
    stride = ((size * 4 + 31) // 32) * 4
    pixels = bytearray()
    for y in reversed(range(size)):
        row = bytearray(stride)
        for x in range(size):
            row[x // 2] |= indices[y * size + x] << (4 if x % 2 == 0 else 0)
        pixels += row
    return header + palette + bytes(pixels) + mask_rows(mask, size)


def dib_32(img, size):
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    data = list(img.getdata())
    for y in reversed(range(size)):
        for x in range(size):
            r, g, b, a = data[y * size + x]
            pixels += bytes((b, g, r, a))
    mask = [1 if a == 0 else 0 for (_, _, _, a) in data]
    return header + bytes(pixels) + mask_rows(mask, size)


def ico(images):
    """An .ico file of (width, colour count or 0, bit count, DIB) entries."""
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, colours, bits, dib in images:
        out += struct.pack('<BBBBHHII', size, size, colours, 0, 1, bits, len(dib), offset)
        offset += len(dib)
    return out + b''.join(dib for _, _, _, dib in images)


def image_16(draw, size):
    indices, mask = reduce_16(draw(size), size)
    return (size, 16, 4, dib_16(indices, mask, size))


def image_32(draw, size):
    return (size, 0, 32, dib_32(reduce_alpha(draw(size), size), size))


TRAY_SIZES_XP = (16, 20, 24, 32)

TRAY = [('Task', tray_normal), ('TaskRed', tray_red), ('TaskGreen', tray_green),
        ('Question', tray_question), ('Wait', tray_wait), ('Error', tray_error)]


def tray_name(stem, style):
    """IconTask16, IconTask16Red, IconQuestion16 ... and the XP twins."""
    if stem.startswith('Task') and stem != 'Task':
        return f'IconTask{style}{stem[4:]}'
    return f'Icon{stem}{style}'


def icons():
    """(resource name, [(kind, size, drawing)]) with kind '16' or '32bit'."""
    out = [('IconApp', [('16', 16, app), ('16', 32, app), ('32bit', 16, app), ('32bit', 32, app)])]
    out += [(tray_name(stem, '16'), [('16', 16, draw)]) for stem, draw in TRAY]
    # The XP style has an image for each small-icon size a screen density asks
    # for (96, 120, 144 and 192 DPI), each drawn at its size: Windows would
    # stretch the 16 px one blurry.
    out += [(tray_name(stem, 'XP'), [('32bit', size, draw) for size in TRAY_SIZES_XP]) for stem, draw in TRAY]
    out.append(('IconWinLogo', [('16', size, win_logo) for size in TRAY_SIZES_XP]))
    return out


def icon_files():
    for name, images in icons():
        entries = [image_16(draw, size) if kind == '16' else image_32(draw, size) for kind, size, draw in images]
        yield name, ico(entries)


# Monochrome menu pictures: '#' is ink (drawn in the menu text colour), '.'
# is background. The menu shows them as check marks, centred on the
# system's check-mark size; they fit the smallest one met (11 x 11 pixels).
BITMAPS = {
    'BitmapCSpeed': [
        '...........', '...........', '...........', '...#####...', '..##...##..', '.##.....##.',
        '.##.....##.', '..##...##..', '...#####...', '...........', '...........'],
    'BitmapEject': [
        '...........', '.....#.....', '....###....', '...#####...', '..#######..', '.#########.',
        '...........', '.#########.', '.#########.', '...........', '...........'],
    'BitmapClose': [
        '...........', '.#########.', '.#########.', '...........', '.#########.', '..#######..',
        '...#####...', '....###....', '.....#.....', '...........', '...........'],
}


def bmp_1bit(rows):
    height, width = len(rows), len(rows[0])
    stride = ((width + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, ch in enumerate(row):
            if ch == '.':  # background is the 1 bits (white), ink the 0 bits
                line[x // 8] |= 0x80 >> (x % 8)
        pixels += line
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 1, 0, len(pixels), 0, 0, 2, 0)
    palette = struct.pack('<BBBBBBBB', 0, 0, 0, 0, 255, 255, 255, 0)
    offset = 14 + len(info) + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    return header + info + palette + bytes(pixels)


def bitmap_files():
    for name, rows in BITMAPS.items():
        yield name, bmp_1bit(rows)


def tile_16(draw, size):
    indices, mask = reduce_16(draw(size), size)
    img = Image.new('RGBA', (size, size))
    img.putdata([(0, 0, 0, 0) if m else VGA16[i] + (255,) for i, m in zip(indices, mask)])
    return img


def tray_strip():
    """The six tray pictures side by side as a notification area shows them:
    16-colour style on the classic grey, XP style on the XP blue."""
    strip = Image.new('RGB', (6 * 22 + 4, 2 * 22 + 4), (192, 192, 192))
    ImageDraw.Draw(strip).rectangle([0, 24, strip.width, strip.height], fill=(16, 74, 200))
    for n, (_, draw) in enumerate(TRAY):
        classic = tile_16(draw, 16)
        xp = reduce_alpha(draw(16), 16)
        strip.paste(classic, (4 + 22 * n, 4), classic)
        strip.paste(xp, (4 + 22 * n, 28), xp)
    return strip


def contact_sheet(zoom=8):
    """Every image enlarged, each also at its real size, and the tray strip
    at the bottom, at real size and three times enlarged."""
    tiles = []
    for name, images in icons():
        for kind, size, draw in images:
            img = tile_16(draw, size) if kind == '16' else reduce_alpha(draw(size), size)
            tiles.append((f'{name} {size} {kind}', img))
    for name, rows in BITMAPS.items():
        img = Image.new('RGBA', (len(rows[0]), len(rows)))
        img.putdata([(0, 0, 0, 255) if ch == '#' else (255, 255, 255, 255) for row in rows for ch in row])
        tiles.append((name, img))
    cell_w, cell_h, columns = 32 * zoom + 16, 32 * zoom + 60, 6
    rows_needed = (len(tiles) + columns - 1) // columns
    strip = tray_strip()
    sheet = Image.new('RGB', (cell_w * columns, cell_h * rows_needed + strip.height * 4 + 24), (236, 233, 216))
    d = ImageDraw.Draw(sheet)
    font = ImageFont.truetype('DejaVuSans.ttf', 13)
    for n, (label, img) in enumerate(tiles):
        x, y = (n % columns) * cell_w + 8, (n // columns) * cell_h + 8
        big = img.resize((img.width * zoom, img.height * zoom), Image.NEAREST)
        sheet.paste(big, (x, y), big)
        sheet.paste(img, (x, y + 32 * zoom + 4), img)
        d.text((x, y + 32 * zoom + 24), label, fill=(0, 0, 0), font=font)
    y = cell_h * rows_needed + 8
    sheet.paste(strip, (8, y))
    sheet.paste(strip.resize((strip.width * 3, strip.height * 3), Image.NEAREST), (strip.width + 24, y))
    return sheet
