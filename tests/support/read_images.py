#!/usr/bin/env python3
"""An independent reader for the tests: opens bitmaps with Pillow and walks sonar recordings
with nothing but the standard library, so that a fault shared by our writer and our reader
cannot hide.

  read_images.py bmp FILE...   one line per file: "WIDTH HEIGHT MODE NUMBER"
  read_images.py vqs FILE      one line per record ("record FLAGS FRAMELEN LENGTH") and per
                               video frame block ("frame WIDTH HEIGHT MODE NUMBER LENGTH")

NUMBER is the test pattern's frame number read from the 32 cells along the top edge, or -1.
Exit status 3 when Pillow is missing (the caller skips), 1 on a malformed file.
"""
import io
import struct
import sys

try:
    from PIL import Image
except ImportError:
    print("Pillow (python3-pil) is not installed", file=sys.stderr)
    sys.exit(3)


def pattern_number(img):
    rgb = img.convert("RGB")
    w, h = rgb.size
    if w < 32 or h < 8:
        return -1
    code = 0
    for b in range(32):
        x = (b * w // 32 + (b + 1) * w // 32) // 2
        r, g, bl = rgb.getpixel((x, 4))
        if min(r, g, bl) > 200:
            bit = 1
        elif max(r, g, bl) < 56:
            bit = 0
        else:
            return -1
        code = code << 1 | bit
    return code


def describe(data):
    img = Image.open(io.BytesIO(data))
    if img.format != "BMP":
        raise ValueError("not a BMP: %s" % img.format)
    img.load()
    return "%d %d %s %d" % (img.size[0], img.size[1], img.mode, pattern_number(img))


def walk_recording(path):
    data = open(path, "rb").read()
    pos = 0
    while pos < len(data):
        if data[pos:pos + 2] == b"BM":
            size = struct.unpack_from("<I", data, pos + 2)[0]
            block = data[pos:pos + size]
            if len(block) != size:
                raise ValueError("truncated frame block at %d" % pos)
            print("frame %s %d" % (describe(block), size))
            pos += size
        elif data[pos:pos + 3] == b"VQS":
            length = struct.unpack_from("<I", data, pos + 4)[0]
            flags = data[pos + 63]
            frame_len = struct.unpack_from("<I", data, pos + 71)[0]
            print("record %d %d %d" % (flags, frame_len, length))
            pos += length
        else:
            raise ValueError("neither a record nor a frame at %d" % pos)


def main():
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        if sys.argv[1] == "bmp":
            for name in sys.argv[2:]:
                print(describe(open(name, "rb").read()))
        elif sys.argv[1] == "vqs":
            walk_recording(sys.argv[2])
        else:
            return 2
    except Exception as e:  # any failure to read is the finding
        print("error: %s" % e, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
