#!/usr/bin/env python3
"""Writes src/base/cp936_table.inc, the code page 936 table of the Linux ANSI codec.

Windows code page 936 is GBK as Microsoft maps it. glibc's CP936 converter knows the same
characters except the pairs Microsoft maps to private-use code points, and the Windows
program (velin-cli.exe codec-dump under Wine, zh_CN locale) shows exactly which those are:

  - every pair of a lead byte 0x81-0xFE and a trail byte 0x40-0x7E or 0x80-0xFE is a
    character; none of the 23,940 is left unmapped;
  - the user-defined areas, row by row in byte order: AAA1-AFFE become U+E000-U+E233,
    F8A1-FEFE U+E234-U+E4C5, A140-A7A0 U+E4C6-U+E765;
  - the other 255 pairs glibc leaves unmapped (holes in the symbol rows A2-A9, D7FA-D7FE,
    FE50-FEA0) become U+E766-U+E864, one after another in byte order;
  - byte 0x80 alone is U+20AC (as in glibc); 0xFF alone is no character, yet U+F8F5 encodes
    to 0xFF;
  - encoding is otherwise the exact inverse of decoding (no best-fit substitutes).

The table is generated once and committed rather than built from iconv at run time: the
program then needs no gconv modules (absent from minimal and static installs), gives the same
result whatever glibc version the machine has, and a change to the mapping shows up as a
reviewable diff. Run it again with the same glibc and the output is byte for byte the same;
it stops with an error if glibc's converter no longer fits the rules above.

    python3 scripts/make-cp936-table.py [OUTPUT]
"""
import ctypes
import ctypes.util
import os
import sys

LEADS = range(0x81, 0xFF)
TRAILS = [t for t in range(0x40, 0xFF) if t != 0x7F]  # 190 a row
USER_DEFINED = [  # (first lead, last lead, first trail, last trail, first code point)
    (0xAA, 0xAF, 0xA1, 0xFE, 0xE000),
    (0xF8, 0xFE, 0xA1, 0xFE, 0xE234),
    (0xA1, 0xA7, 0x40, 0xA0, 0xE4C6),
]
HOLES_FIRST, HOLES_LAST = 0xE766, 0xE864
ENCODE_ONLY = {0xF8F5: 0xFF}


class Iconv:
    """glibc's iconv through ctypes: decodes one byte string to one BMP code point or None."""

    def __init__(self, charset):
        libc = ctypes.CDLL(ctypes.util.find_library("c"))
        self._open = libc.iconv_open
        self._open.restype = ctypes.c_void_p
        self._open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
        self._iconv = libc.iconv
        self._iconv.restype = ctypes.c_size_t
        p = ctypes.POINTER(ctypes.c_char_p)
        s = ctypes.POINTER(ctypes.c_size_t)
        self._iconv.argtypes = [ctypes.c_void_p, p, s, p, s]
        self._cd = self._open(b"UTF-32LE", charset.encode())
        if self._cd in (None, ctypes.c_void_p(-1).value):
            sys.exit(f"make-cp936-table: iconv has no {charset} converter")

    def decode(self, data):
        self._iconv(self._cd, None, None, None, None)
        src = ctypes.create_string_buffer(data, len(data))
        dst = ctypes.create_string_buffer(16)
        src_ptr = ctypes.cast(src, ctypes.c_char_p)
        dst_ptr = ctypes.cast(dst, ctypes.c_char_p)
        src_left = ctypes.c_size_t(len(data))
        dst_left = ctypes.c_size_t(16)
        r = self._iconv(self._cd, ctypes.byref(src_ptr), ctypes.byref(src_left),
                        ctypes.byref(dst_ptr), ctypes.byref(dst_left))
        if r == ctypes.c_size_t(-1).value or src_left.value != 0 or dst_left.value != 12:
            return None
        cp = int.from_bytes(dst.raw[:4], "little")
        return cp if cp < 0x10000 else None


def build_pairs():
    glibc = Iconv("CP936")
    pairs = {}
    for lead in LEADS:
        for trail in TRAILS:
            pairs[lead << 8 | trail] = glibc.decode(bytes([lead, trail]))
    for lead0, lead1, trail0, trail1, cp in USER_DEFINED:
        for lead in range(lead0, lead1 + 1):
            for trail in TRAILS:
                if trail0 <= trail <= trail1:
                    code = lead << 8 | trail
                    if pairs[code] is not None:
                        sys.exit(f"make-cp936-table: glibc maps user-defined {code:04X}")
                    pairs[code] = cp
                    cp += 1
    hole = HOLES_FIRST
    for code in sorted(pairs):
        if pairs[code] is None:
            pairs[code] = hole
            hole += 1
    if hole != HOLES_LAST + 1:
        sys.exit(f"make-cp936-table: {hole - HOLES_FIRST} unmapped pairs, expected "
                 f"{HOLES_LAST - HOLES_FIRST + 1}")
    if len(set(pairs.values())) != len(pairs) or any(cp < 0x80 for cp in pairs.values()):
        sys.exit("make-cp936-table: two pairs share a character, or a pair decodes to ASCII")
    byte80 = glibc.decode(b"\x80")
    if byte80 is None or glibc.decode(b"\xff") is not None:
        sys.exit("make-cp936-table: glibc's single bytes 0x80 and 0xFF changed")
    return pairs, byte80


def literal_char(cp):
    # CJK ideographs as they are, so that a reader recognises the rows; the rest escaped.
    if 0x4E00 <= cp <= 0x9FFF or 0xF900 <= cp <= 0xFAFF:
        return chr(cp)
    return f"\\u{cp:04X}"


def render(pairs, byte80):
    out = [
        "// Code page 936 as Windows maps it. Generated by scripts/make-cp936-table.py from",
        "// glibc's CP936 converter and the private-use rules written there; do not edit.",
        "// clang-format off",
        "#pragma once",
        "",
        "namespace velin::cp936 {",
        "",
        "// Byte 0x80 alone. (0x00-0x7F are ASCII, 0x81-0xFE lead bytes, 0xFF no character.)",
        f"inline constexpr char16_t kByte80 = u'\\u{byte80:04X}';",
        "",
        "// The character of every pair: lead byte 0x81 to 0xFE, then trail byte 0x40 to 0x7E and",
        "// 0x80 to 0xFE, 190 to a lead byte. Each line starts at the pair named in its comment.",
        "inline constexpr char16_t kPairs[] =",
    ]
    for lead in LEADS:
        for high in (0x40, 0x60, 0x80, 0xA0, 0xC0, 0xE0):
            chunk = [t for t in TRAILS if t & 0xE0 == high]
            text = "".join(literal_char(pairs[lead << 8 | t]) for t in chunk)
            out.append(f'    /* {lead:02X}{chunk[0]:02X} */ u"{text}"')
    out[-1] += ";"
    out += [
        f"static_assert(sizeof kPairs / sizeof kPairs[0] == {len(pairs)} + 1);",
        "",
        "// Characters that encode without decoding back: {character, byte}.",
        "struct EncodeOnly {",
        "  char16_t character;",
        "  unsigned char byte;",
        "};",
        "inline constexpr EncodeOnly kEncodeOnly[] = {",
    ]
    out += [f"    {{u'\\u{cp:04X}', 0x{b:02X}}}," for cp, b in sorted(ENCODE_ONLY.items())]
    out += ["};", "", "}  // namespace velin::cp936", ""]
    return "\n".join(out)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        root, "src", "base", "cp936_table.inc")
    pairs, byte80 = build_pairs()
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(render(pairs, byte80))
    print(f"make-cp936-table: wrote {path} ({len(pairs)} pairs)")


if __name__ == "__main__":
    main()
