#!/usr/bin/python3
"""Draws the sample mailbox's small pictures and writes its other attachments.

Run with Debian's Python and Pillow (python3-pil): /usr/bin/python3 samples/make_samples.py
The files are committed; run it again only to change them.
"""
from pathlib import Path

from PIL import Image, ImageDraw

HERE = Path(__file__).resolve().parent
PICTURES = HERE / "pictures"
DOCUMENTS = HERE / "documents"


def beach():
    image = Image.new("RGB", (160, 100), (120, 180, 235))
    draw = ImageDraw.Draw(image)
    draw.rectangle([0, 60, 160, 100], fill=(230, 210, 150))
    draw.polygon([(0, 60), (160, 52), (160, 66), (0, 70)], fill=(40, 110, 190))
    draw.ellipse([118, 10, 144, 36], fill=(255, 220, 60))
    draw.line([(30, 90), (38, 55)], fill=(110, 70, 30), width=3)
    draw.ellipse([22, 44, 54, 62], fill=(40, 140, 60))
    return image


def harbour():
    image = Image.new("RGB", (160, 100), (200, 220, 240))
    draw = ImageDraw.Draw(image)
    draw.rectangle([0, 55, 160, 100], fill=(30, 80, 140))
    for x, colour in ((20, (200, 40, 40)), (70, (240, 240, 240)), (115, (240, 180, 40))):
        draw.polygon([(x, 60), (x + 30, 60), (x + 24, 70), (x + 6, 70)], fill=colour)
        draw.line([(x + 15, 60), (x + 15, 30)], fill=(60, 60, 60), width=2)
        draw.polygon([(x + 16, 32), (x + 16, 56), (x + 30, 56)], fill=(250, 250, 250))
    return image


def route_map():
    image = Image.new("P", (120, 120), 0)
    image.putpalette([245, 240, 225, 70, 150, 70, 200, 50, 50, 60, 90, 200] + [0] * 756)
    draw = ImageDraw.Draw(image)
    draw.rectangle([10, 10, 60, 50], fill=1)
    draw.rectangle([70, 60, 110, 110], fill=1)
    draw.line([(15, 100), (40, 70), (80, 40), (105, 20)], fill=2, width=3)
    draw.ellipse([100, 15, 110, 25], fill=3)
    return image


def sketch():
    image = Image.new("RGB", (96, 96), (255, 255, 255))
    draw = ImageDraw.Draw(image)
    draw.rectangle([16, 40, 80, 88], outline=(0, 0, 0), width=2)
    draw.polygon([(10, 42), (48, 10), (86, 42)], outline=(0, 0, 0))
    draw.rectangle([40, 60, 56, 88], outline=(0, 0, 0))
    return image


def scan():
    image = Image.new("L", (100, 140), 235)
    draw = ImageDraw.Draw(image)
    for y in range(20, 130, 12):
        draw.line([(12, y), (88, y)], fill=90, width=2)
    return image


def logo():
    image = Image.new("RGBA", (64, 64), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    draw.ellipse([4, 4, 60, 60], fill=(30, 120, 200, 255))
    draw.text((22, 24), "Z", fill=(255, 255, 255, 255))
    return image


def screenshot():
    image = Image.new("RGB", (200, 120), (236, 236, 236))
    draw = ImageDraw.Draw(image)
    draw.rectangle([0, 0, 200, 16], fill=(40, 90, 170))
    draw.text((6, 3), "Report - Quarterly", fill=(255, 255, 255))
    for i, height in enumerate((40, 70, 55, 90)):
        draw.rectangle([20 + i * 40, 110 - height, 45 + i * 40, 110], fill=(60, 150, 90))
    return image


def heic_photo():
    """The start of a phone's HEIC photo: its file-type box, as phones write it. Nothing here
    decodes it; the viewer only needs a file of that name and type."""
    brands = b"heic" + b"\0\0\0\0" + b"mif1heic"
    box = (8 + len(brands)).to_bytes(4, "big") + b"ftyp" + brands
    return box + b"\0" * 32


def signature_logo():
    image = Image.new("RGB", (48, 16), (255, 255, 255))
    ImageDraw.Draw(image).text((2, 2), "HOS", fill=(200, 40, 40))
    return image


def more_pictures():
    screenshot().save(PICTURES / "screenshot.png")
    (PICTURES / "IMG_2041.HEIC").write_bytes(heic_photo())
    signature_logo().save(PICTURES / "signature-logo.png")


def main():
    PICTURES.mkdir(exist_ok=True)
    DOCUMENTS.mkdir(exist_ok=True)
    beach().save(PICTURES / "beach.jpg", quality=85)
    harbour().save(PICTURES / "harbour.jpeg", quality=85)
    route_map().save(PICTURES / "route-map.gif")
    sketch().save(PICTURES / "sketch.bmp")
    scan().save(PICTURES / "scan.tif", compression="tiff_deflate")
    logo().save(PICTURES / "logo.png")
    more_pictures()
    invoice = Image.new("RGB", (120, 170), (255, 255, 255))
    ImageDraw.Draw(invoice).text((10, 10), "Invoice 2031", fill=(0, 0, 0))
    invoice.save(DOCUMENTS / "invoice.pdf")
    (DOCUMENTS / "itinerary.txt").write_bytes(
        b"Day 1: arrive at the harbour, walk to the beach.\r\n"
        b"Day 2: boat trip along the coast.\r\n"
        b"Day 3: home.\r\n")
    (DOCUMENTS / "budget.csv").write_bytes(
        b"item,amount\r\nferry,42.50\r\nhotel,310.00\r\nmeals,120.00\r\n")


if __name__ == "__main__":
    main()
