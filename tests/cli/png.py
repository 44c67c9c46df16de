# A small PNG reader for the chart tests: `load(path)` gives the width, the height and the colour of a
# pixel; as a program, `png.py FILE size`, `png.py FILE at X Y` and `png.py FILE column X Y1 Y2` (the colours
# in column X between rows Y1 and Y2) print them.
import struct
import sys
import zlib


def load(path):
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat = 8, b""
    while pos < len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        if kind == b"IHDR":
            w, h, depth, ctype = struct.unpack(">IIBB", body[:10])
        elif kind == b"IDAT":
            idat += body
        pos += 12 + n
    bpp = {2: 3, 6: 4}[ctype]
    raw, rows, prev, i = zlib.decompress(idat), [], bytearray(w * bpp), 0
    for _ in range(h):
        f, line = raw[i], bytearray(raw[i + 1:i + 1 + w * bpp])
        i += 1 + w * bpp
        for x in range(len(line)):
            a = line[x - bpp] if x >= bpp else 0
            b, c = prev[x], prev[x - bpp] if x >= bpp else 0
            p = a + b - c
            pr = a if abs(p - a) <= abs(p - b) and abs(p - a) <= abs(p - c) else b if abs(p - b) <= abs(p - c) else c
            line[x] = (line[x] + [0, a, b, (a + b) // 2, pr][f]) & 255
        rows.append(line)
        prev = line
    return w, h, lambda x, y: tuple(rows[y][x * bpp:x * bpp + 3])


if __name__ == "__main__":
    w, h, px = load(sys.argv[1])
    cmd = sys.argv[2]
    if cmd == "size":
        print(f"{w}x{h}")
    elif cmd == "at":
        print("%d,%d,%d" % px(int(sys.argv[3]), int(sys.argv[4])))
    elif cmd == "column":
        x, y1, y2 = map(int, sys.argv[3:6])
        print(" ".join(sorted({"%d,%d,%d" % px(x, y) for y in range(y1, y2 + 1)})))
