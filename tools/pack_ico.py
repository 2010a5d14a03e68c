"""Packs the icon images into one .ico: 16/24/32/48 px in 16 colours, 256 colours and 32-bit, and 128 px 32-bit."""
import struct
import subprocess
import sys
import zlib

IM = "/usr/bin/convert"


def rgba_pixels(png_path):
    """Returns (width, height, bytes RGBA top-down) of a PNG, decoded with ImageMagick."""
    raw = subprocess.run([IM, png_path, "-depth", "8", "RGBA:-"], check=True,
                         capture_output=True).stdout
    size = int(round((len(raw) // 4) ** 0.5))
    return size, size, raw


def and_mask(size, alpha_of):
    """1-bit mask, bottom-up, rows padded to 32 bits: set where the pixel is transparent."""
    row_bytes = ((size + 31) // 32) * 4
    out = bytearray()
    for y in reversed(range(size)):
        row = bytearray(row_bytes)
        for x in range(size):
            if alpha_of(x, y) < 128:
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def entry_32bit(png_path):
    size, _, raw = rgba_pixels(png_path)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for y in reversed(range(size)):
        for x in range(size):
            r, g, b, a = raw[(y * size + x) * 4:(y * size + x) * 4 + 4]
            pixels += bytes((b, g, r, a))
    mask = and_mask(size, lambda x, y: raw[(y * size + x) * 4 + 3])
    return size, 0, 32, header + bytes(pixels) + mask


def entry_palette(bmp_path, png_path, colours):
    data = open(bmp_path, "rb").read()
    dib = bytearray(data[14:])
    size = struct.unpack_from("<i", dib, 4)[0]
    bits = struct.unpack_from("<H", dib, 14)[0]
    struct.pack_into("<i", dib, 8, size * 2)  # icon images count the mask in their height
    struct.pack_into("<I", dib, 16, 0)        # uncompressed
    _, _, raw = rgba_pixels(png_path)
    mask = and_mask(size, lambda x, y: raw[(y * size + x) * 4 + 3])
    return size, colours if colours < 256 else 0, bits, bytes(dib) + mask


def main():
    target, work = sys.argv[1], sys.argv[2]
    entries = []
    for size in (16, 24, 32, 48):
        png = f"{work}/globe-{size}.png"
        entries.append(entry_palette(f"{work}/icon-{size}-4.bmp", png, 16))
        entries.append(entry_palette(f"{work}/icon-{size}-8.bmp", png, 256))
        entries.append(entry_32bit(png))
    entries.append(entry_32bit(f"{work}/globe-128.png"))
    offset = 6 + 16 * len(entries)
    directory, images = b"", b""
    for size, colours, bits, blob in entries:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bits,
                                 len(blob), offset + len(images))
        images += blob
    with open(target, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(entries)) + directory + images)


if __name__ == "__main__":
    main()
