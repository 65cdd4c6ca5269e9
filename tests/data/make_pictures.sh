#!/usr/bin/env bash
# Makes the small test pictures of this folder: one 13 x 7 picture stored
# as BMP, PNG, lossless WebP and TIFF, each written by a different encoder
# than the Qt readers under test (Python's zlib for BMP and PNG, libwebp's
# cwebp, libtiff's raw2tiff), plus copies that carry an EXIF orientation,
# and the phones' formats: HEIC in full colour resolution, lossless but for
# the colour conversion's rounding (heif-enc), lossless AVIF (avifenc), and
# a HEIC with a transparent half; and a GIF whose first frame is smaller
# than its screen. Needs python3 and the Debian packages webp,
# libtiff-tools, libheif-examples, libavif-bin and gifsicle. The files
# are kept in the repository; run this only to remake them.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work" <<'PY'
import struct, sys, zlib
work = sys.argv[1]
W, H = 13, 7
def px(x, y): return ((19*x + 3*y) % 256, (37*y + 5*x) % 256, (11*x*y + 90) % 256)
rows = [[px(x, y) for x in range(W)] for y in range(H)]
pixels = bytes(c for r in rows for p in r for c in p)
open(f'{work}/picture.rgb', 'wb').write(pixels)
# BMP: 24 bits, rows bottom-up, padded to four bytes.
stride = (W*3 + 3)//4*4
data = b''.join(bytes(c for p in r for c in (p[2], p[1], p[0])) + b'\0'*(stride - W*3) for r in reversed(rows))
open('picture.bmp', 'wb').write(b'BM' + struct.pack('<IHHI', 54 + len(data), 0, 0, 54)
    + struct.pack('<IiiHHIIiiII', 40, W, H, 1, 24, 0, len(data), 2835, 2835, 0, 0) + data)
def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d))
def exif(orientation):  # a big-endian TIFF block with one entry: the orientation
    return b'MM\0*' + struct.pack('>IHHHIHHI', 8, 1, 0x0112, 3, 1, orientation, 0, 0)
def png(extra=b''):
    raw = b''.join(b'\0' + bytes(c for p in r for c in p) for r in rows)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', W, H, 8, 2, 0, 0, 0)) + extra
            + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))
open('picture.png', 'wb').write(png())
# The same picture with its left half fully transparent, its right half opaque.
raw = b''.join(b'\0' + bytes(c for x, p in enumerate(r) for c in p + ((0 if x < W // 2 else 255),)) for r in rows)
open(f'{work}/half-clear.png', 'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', W, H, 8, 6, 0, 0, 0))
    + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))
open('turned-6.png', 'wb').write(png(chunk(b'eXIf', exif(6))))
open(f'{work}/exif-5.bin', 'wb').write(exif(5))
# A baseline TIFF with its directory first and the pixels last, as some
# scanners write it: cutting it off loses pixels, not the directory.
entries = [(256, 3, W), (257, 3, H), (258, 3, None), (259, 3, 1), (262, 3, 2),
           (273, 4, None), (277, 3, 3), (278, 3, H), (279, 4, len(pixels))]
bits_at = 8 + 2 + 12*len(entries) + 4
counts = {258: 3}
tiff = b'II*\0' + struct.pack('<IH', 8, len(entries))
for tag, kind, value in entries:
    value = {258: bits_at, 273: bits_at + 6}.get(tag, value)
    packed = struct.pack('<HH', value, 0) if kind == 3 and tag != 258 else struct.pack('<I', value)
    tiff += struct.pack('<HHI', tag, kind, counts.get(tag, 1)) + packed
open('pixels-last.tif', 'wb').write(tiff + struct.pack('<I', 0) + struct.pack('<HHH', 8, 8, 8) + pixels)
PY

cwebp -quiet -lossless -exact picture.png -o picture.webp
webpmux -set exif "$work/exif-5.bin" picture.webp -o turned-5.webp
raw2tiff -w 13 -l 7 -b 3 -d byte -p rgb -c lzw "$work/picture.rgb" picture.tif
cp picture.tif turned-8.tif
tiffset -s 274 8 turned-8.tif
# The stripes as the first frame, 16 x 12, on a 2000 x 1000 screen.
gifsicle --logical-screen 2000x1000 stripes.gif -o small-frame.gif
heif-enc -L -p chroma=444 picture.png -o picture.heic >/dev/null
heif-enc -L -p chroma=444 "$work/half-clear.png" -o half-clear.heic >/dev/null
avifenc -l picture.png picture.avif >/dev/null
