#!/usr/bin/python3
"""Draws the library's embedded resources and writes them beside this script.

    button_face.bmp  bitmap 101: the face of the "View ZORMINT Options" button
    banner.htm       HTML page 102: the banner shown while the maker's server is out of reach
    banner.jpg       JPEG 103: the picture that page shows
    ribbon_zormint.bmp  bitmap 107: "Zormint" on the ribbon, 64 x 64, 32 bits with alpha
    ribbon_options.bmp  bitmap 108: the options on the ribbon (the landscape), the same kind

Needs Python 3 with Pillow (Debian: python3-pil) and the DejaVu fonts (fonts-dejavu-core).
Run it again after changing a drawing; the files it writes are committed. The web server's
host name is read from src/net/internet.h, so the page links where the probe looks.
"""

import io
import os
import re
import struct
import sys

from PIL import Image, ImageCms, ImageDraw, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
SRC = os.path.dirname(HERE)

# The 16 colours of the standard Windows palette.
BLACK = (0x00, 0x00, 0x00)
MAROON = (0x80, 0x00, 0x00)
GREEN = (0x00, 0x80, 0x00)
OLIVE = (0x80, 0x80, 0x00)
NAVY = (0x00, 0x00, 0x80)
PURPLE = (0x80, 0x00, 0x80)
TEAL = (0x00, 0x80, 0x80)
SILVER = (0xC0, 0xC0, 0xC0)
GRAY = (0x80, 0x80, 0x80)
RED = (0xFF, 0x00, 0x00)
LIME = (0x00, 0xFF, 0x00)
YELLOW = (0xFF, 0xFF, 0x00)
BLUE = (0x00, 0x00, 0xFF)
FUCHSIA = (0xFF, 0x00, 0xFF)
AQUA = (0x00, 0xFF, 0xFF)
WHITE = (0xFF, 0xFF, 0xFF)

# The button face as pixel art, one character per pixel, top row first.
#   K black  M maroon  O olive  A aqua (sky)  R red (sun)  Y yellow (sun's glint)
#   W white  S silver  G grey (cloud)  L lime  N green (hills)
FACE_PALETTE = {
    "K": BLACK, "M": MAROON, "O": OLIVE, "A": AQUA, "R": RED, "Y": YELLOW,
    "W": WHITE, "S": SILVER, "G": GRAY, "L": LIME, "N": GREEN,
}
FACE = """
KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKK
MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM
MOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOM
MOAAAAAAAAAAAAAAAAAAAAAAAAAAAAOM
MOAAAAAAAAAAAAAAAAAAAARRRRAAAAOM
MOAAAAAAAAAAAAAAAAAAARRRRRRAAAOM
MOAAAAAWWWAAAAAAAAAARRRRRRRRAAOM
MOAAAAWWWWWAWWAAAAAARRRRRRRRAAOM
MOAAAWWWWWWWWWWAAAAARRRRRRRRAAOM
MOAAWWWWWWWWWWWWAAAARRRRRRRRAAOM
MOAWWWWWWWWWWWWWWAAAARRRRRRAAAOM
MOASSSSSSSSSSSSSSAAAAARRRRAAAAOM
MOAAGGGGGGGGGGGGAAAAAAAAAAAAAAOM
MOAAAAAAAAAAAAAAAAAAAAAAAAAAAAOM
MOAAAAAAAAAAAAAAAAAAAAAAAAAAAAOM
MOAAAAAAAAAAAAAAAAAAAAAAAAAAAAOM
MOAAAAAAAAAAAAAAAAAAAAAAAAAAAAOM
MOAAAAAAAAAAAAAAAAAALLLLLAAAAAOM
MOAAAAAAAAAAAAAAAALLLLLLLLLAAAOM
MOLLLAAAAAAAAAAALLLLLLLLLLLLLAOM
MOLLLLLNNNNNAAALLLLLLLLLLLLLLLOM
MOLLLNNNNNNNNNLLLLLLLLLLLLLLLLOM
MOLLNNNNNNNNNNNNLLLLLLLLLLLLLLOM
MONNNNNNNNNNNNNNNNLLLLLLLLLLLLOM
MONNNNNNNNNNNNNNNNNNLLLLLLLLLLOM
MONNNNNNNNNNNNNNNNNNNNLLLLLLNNOM
MONNNNNNNNNNNNNNNNNNNNNNNLLNNNOM
MONNNNNNNNNNNNNNNNNNNNNNNNNNNNOM
MONNNNNNNNNNNNNNNNNNNNNNNNNNNNOM
MOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOM
MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM
KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKK
"""


BANNER_PAGE_SIZE = 454
BANNER_IMAGE_TARGET_SIZE = 16879


def read_banner_host():
    with open(os.path.join(SRC, "net", "internet.h"), encoding="utf-8") as header:
        match = re.search(r'kBannerHost\s*=\s*"([^"]+)"', header.read())
    if not match:
        sys.exit("kBannerHost not found in src/net/internet.h")
    return match.group(1)


def make_button_face():
    rows = FACE.strip().splitlines()
    assert len(rows) == 32 and all(len(row) == 32 for row in rows), "the face must be 32x32"
    image = Image.new("RGB", (32, 32))
    image.putdata([FACE_PALETTE[c] for row in rows for c in row])
    # Pillow writes an RGB image as a 24-bit, uncompressed (BI_RGB), bottom-up bitmap.
    image.save(os.path.join(HERE, "button_face.bmp"), format="BMP")


def make_banner_page(host):
    # The picture fills the strip from its top-left corner; a click opens the web site in a
    # new browser window. The image source is relative to the page's own res:// address
    # (.../%2323/%23102), so "../JPEG/%23103" names resource 103 of type "JPEG".
    lines = [
        '<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01 Transitional//EN">',
        "<html>",
        "<head>",
        '\t<meta http-equiv="Content-Type" content="text/html; charset=ISO-8859-1">',
        "\t<title>zormint</title>",
        "</head>",
        '<body scroll="no">',
        '\t<a href="http://%s/" target="_blank"' % host
        + ' style="position: absolute; top: 0px; left: 0px;">',
        '\t\t<img style="border: 0px solid; position: absolute; top: 0px; left: 0px;"'
        + ' alt="%s" src="../JPEG/%%23103"></a>' % host,
        "</body>",
        "</html>",
    ]
    page = "".join(line + "\r\n" for line in lines).encode("iso-8859-1")
    if len(page) != BANNER_PAGE_SIZE:
        sys.exit("banner.htm is %d bytes, not %d" % (len(page), BANNER_PAGE_SIZE))
    with open(os.path.join(HERE, "banner.htm"), "wb") as out:
        out.write(page)


def font(name, size):
    return ImageFont.truetype(os.path.join("/usr/share/fonts/truetype/dejavu", name), size)


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def draw_banner(host):
    scale = 4  # drawn large and scaled down, for smooth edges
    w, h = 500 * scale, 110 * scale
    image = Image.new("RGB", (w, h))
    draw = ImageDraw.Draw(image)

    # Night-blue to teal, left to right, with a soft light from the top.
    left, right = (12, 34, 66), (18, 96, 112)
    for x in range(w):
        draw.line([(x, 0), (x, h)], fill=mix(left, right, x / (w - 1)))
    glow = Image.new("L", (w, h), 0)
    ImageDraw.Draw(glow).ellipse([w * 0.25, -h * 0.9, w * 1.1, h * 0.55], fill=70)
    glow = glow.filter(ImageFilter.GaussianBlur(30 * scale))
    image = Image.composite(Image.new("RGB", (w, h), (120, 190, 210)), image, glow)
    draw = ImageDraw.Draw(image)

    # Two photo prints, the back one tilted, the front one showing the landscape of the
    # button face: sky, sun, cloud and hills.
    def print_card(angle, origin, landscape):
        cw, ch = 92 * scale, 72 * scale
        border = 5 * scale
        card = Image.new("RGBA", (cw, ch), (250, 250, 246, 255))
        cd = ImageDraw.Draw(card)
        inner = [border, border, cw - border, ch - border * 2]
        if landscape:
            sky = Image.new("RGB", (inner[2] - inner[0], inner[3] - inner[1]))
            sd = ImageDraw.Draw(sky)
            sh = sky.size[1]
            for y in range(sh):
                sd.line([(0, y), (sky.size[0], y)], fill=mix((70, 170, 235), (185, 230, 250), y / sh))
            sx = sky.size[0]
            sd.ellipse([sx * 0.66, sh * 0.12, sx * 0.66 + 17 * scale, sh * 0.12 + 17 * scale],
                       fill=(230, 50, 40))
            for cx, cy, r in [(0.22, 0.30, 7), (0.32, 0.24, 9), (0.42, 0.31, 7), (0.30, 0.36, 7)]:
                sd.ellipse([sx * cx - r * scale, sh * cy - r * scale,
                            sx * cx + r * scale, sh * cy + r * scale], fill=(255, 255, 255))
            sd.rounded_rectangle([sx * 0.17, sh * 0.36, sx * 0.47, sh * 0.43], radius=3 * scale,
                                 fill=(205, 210, 215))
            sd.ellipse([sx * 0.35, sh * 0.55, sx * 1.35, sh * 1.6], fill=(70, 190, 70))
            sd.ellipse([-sx * 0.4, sh * 0.65, sx * 0.75, sh * 1.7], fill=(30, 120, 45))
            card.paste(sky, inner[:2])
        else:
            cd.rectangle(inner, fill=(150, 175, 190))
        card = card.rotate(angle, resample=Image.BICUBIC, expand=True)
        shadow = Image.new("L", card.size, 0)
        shadow.paste(card.getchannel("A").point(lambda a: a * 0.55), (0, 0))
        shadow = shadow.filter(ImageFilter.GaussianBlur(4 * scale))
        image.paste((0, 10, 25), (origin[0] + 3 * scale, origin[1] + 4 * scale), shadow)
        image.paste(card, origin, card)

    print_card(12, (16 * scale, 6 * scale), False)
    print_card(-6, (24 * scale, 14 * scale), True)
    draw = ImageDraw.Draw(image)

    # The name, a rule, and what the product does.
    x0 = 148 * scale
    title = font("DejaVuSans-Bold.ttf", 46 * scale)
    tx = x0
    for letter in "ZORMINT":
        draw.text((tx + 2 * scale, 14 * scale + 2 * scale), letter, font=title, fill=(5, 20, 40))
        draw.text((tx, 14 * scale), letter, font=title, fill=(255, 255, 255))
        tx += draw.textlength(letter, font=title) + 5 * scale
    draw.rectangle([x0, 70 * scale, tx - 5 * scale, 72 * scale], fill=(250, 190, 60))
    subtitle = font("DejaVuSans.ttf", 17 * scale)
    draw.text((x0, 80 * scale), "Picture Attachments Viewer", font=subtitle, fill=(205, 235, 245))
    small = font("DejaVuSans.ttf", 11 * scale)
    draw.text((w - 8 * scale, h - 8 * scale), host, font=small, fill=(160, 205, 220), anchor="rd")
    return image.resize((500, 110), Image.LANCZOS)


def srgb_profile():
    profile = bytearray(ImageCms.ImageCmsProfile(ImageCms.createProfile("sRGB")).tobytes())
    # The profile header carries the time it was made; a fixed date keeps the output the same
    # from one run to the next.
    profile[24:36] = bytes.fromhex("07d6000c0009000e00050007")
    return bytes(profile)


def make_banner_image(host):
    image = draw_banner(host)
    profile = srgb_profile()
    best = None
    for quality in range(40, 99):
        out = io.BytesIO()
        image.save(out, format="JPEG", quality=quality, icc_profile=profile,
                   progressive=False, optimize=False)
        size = out.tell()
        if best is None or abs(size - BANNER_IMAGE_TARGET_SIZE) < abs(best[1] - BANNER_IMAGE_TARGET_SIZE):
            best = (quality, size, out.getvalue())
    quality, size, data = best
    with open(os.path.join(HERE, "banner.jpg"), "wb") as out:
        out.write(data)
    print("banner.jpg: quality %d, %d bytes" % (quality, size))


RIBBON_SIZE = 64  # a large ribbon button is 32 x 32 at 100 %: this stays sharp up to 200 %


def landscape(size):
    """The landscape of the button face, drawn smooth: sky, sun, cloud and hills."""
    sky = Image.new("RGBA", (size, size))
    sd = ImageDraw.Draw(sky)
    for y in range(size):
        sd.line([(0, y), (size, y)], fill=mix((60, 160, 230), (190, 232, 252), y / size) + (255,))
    sd.ellipse([size * 0.62, size * 0.10, size * 0.86, size * 0.34], fill=(232, 52, 40, 255))
    for cx, cy, r in [(0.22, 0.32, 0.08), (0.33, 0.26, 0.10), (0.44, 0.33, 0.08)]:
        sd.ellipse([size * (cx - r), size * (cy - r), size * (cx + r), size * (cy + r)],
                   fill=(255, 255, 255, 255))
    sd.rectangle([size * 0.15, size * 0.33, size * 0.51, size * 0.40], fill=(255, 255, 255, 255))
    sd.ellipse([size * 0.35, size * 0.58, size * 1.35, size * 1.6], fill=(80, 196, 72, 255))
    sd.ellipse([-size * 0.4, size * 0.66, size * 0.75, size * 1.7], fill=(28, 120, 46, 255))
    return sky


def framed(picture, size, border):
    """A photo print: the picture inside a light border with rounded corners."""
    card = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    mask = Image.new("L", (size, size), 0)
    ImageDraw.Draw(mask).rounded_rectangle([0, 0, size - 1, size - 1], radius=border, fill=255)
    card.paste((250, 250, 246, 255), (0, 0), mask)
    inner = size - 2 * border
    card.paste(picture.resize((inner, inner), Image.LANCZOS), (border, border))
    ImageDraw.Draw(card).rounded_rectangle([0, 0, size - 1, size - 1], radius=border,
                                           outline=(90, 100, 110, 255), width=max(1, border // 3))
    return card


def with_shadow(card, canvas, origin, angle, offset):
    card = card.rotate(angle, resample=Image.BICUBIC, expand=True)
    shadow = Image.new("RGBA", card.size, (0, 0, 0, 0))
    shadow.putalpha(card.getchannel("A").point(lambda a: a * 0.45))
    shadow = shadow.filter(ImageFilter.GaussianBlur(offset))
    canvas.alpha_composite(shadow, (origin[0] + offset, origin[1] + offset))
    canvas.alpha_composite(card, origin)


def draw_ribbon_options():
    scale = 4
    size = RIBBON_SIZE * scale
    canvas = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    card = framed(landscape(size), int(size * 0.86), 5 * scale)
    with_shadow(card, canvas, (int(size * 0.04), int(size * 0.04)), 0, 2 * scale)
    return canvas.resize((RIBBON_SIZE, RIBBON_SIZE), Image.LANCZOS)


def draw_ribbon_zormint():
    """Three prints fanned out: all the pictures of a message at once."""
    scale = 4
    size = RIBBON_SIZE * scale
    canvas = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    plain = Image.new("RGBA", (size, size), (150, 176, 192, 255))
    side = int(size * 0.64)
    with_shadow(framed(plain, side, 4 * scale), canvas, (int(size * 0.02), int(size * 0.06)), 16,
                scale)
    with_shadow(framed(plain, side, 4 * scale), canvas, (int(size * 0.26), int(size * 0.02)), -12,
                scale)
    with_shadow(framed(landscape(size), side, 4 * scale), canvas,
                (int(size * 0.16), int(size * 0.30)), 0, 2 * scale)
    return canvas.resize((RIBBON_SIZE, RIBBON_SIZE), Image.LANCZOS)


def write_alpha_bitmap(image, name):
    """A 32-bit BI_RGB bitmap, bottom-up, blue-green-red-alpha with the colours premultiplied by
    alpha, as GDI's AlphaBlend and Office's ribbon take it."""
    width, height = image.size
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b, a = image.getpixel((x, y))
            row += bytes((b * a // 255, g * a // 255, r * a // 255, a))
        rows.append(bytes(row))
    pixels = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 32, 0, len(pixels), 3780, 3780, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(os.path.join(HERE, name), "wb") as out:
        out.write(header + info + pixels)


def main():
    host = read_banner_host()
    make_button_face()
    make_banner_page(host)
    make_banner_image(host)
    write_alpha_bitmap(draw_ribbon_zormint(), "ribbon_zormint.bmp")
    write_alpha_bitmap(draw_ribbon_options(), "ribbon_options.bmp")


if __name__ == "__main__":
    main()
