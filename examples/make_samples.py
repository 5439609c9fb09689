#!/usr/bin/env python3
"""Writes the sample labels examples/waybill-full.cpcl and examples/waybill.tspl, and the
small labels examples/gbk-edges.cpcl and examples/gbk-edges.tspl.

The waybills are what a courier app sends: GBK text, CR LF line ends, a phone's status
queries, Code 128 tracking numbers drawn horizontally and vertically, a QR block and small
bitmaps (CG as raw bytes, EG as hexadecimal text). The gbk-edges labels carry the bytes where
GBK decoders part ways: user-defined and unassigned pairs (private-use characters on
Windows), a lead byte before a byte that cannot trail it or at the end of a line, 0x80 and
0xFF, in text and in QR data. Run it again after editing; the output is byte for byte the
same on every run.

    python3 examples/make_samples.py [OUTPUT_DIR]
"""
import os
import sys

TRACKING = "73510170295253"


def gbk(text):
    return text.encode("gbk")


def lines(*items):
    """Each item (str or bytes) becomes one line ended by CR LF; str is GBK-encoded."""
    out = b""
    for item in items:
        out += (item if isinstance(item, bytes) else gbk(item)) + b"\r\n"
    return out


# A 16 x 16 parcel icon, one row per string, '#' black. The last row's bytes are 0x0A 0x0D,
# which is why compressed graphics must not pass through the line framing.
ICON = [
    "................",
    "......####......",
    "....##....##....",
    "..##........##..",
    "################",
    "#......##......#",
    "#......##......#",
    "#......##......#",
    "#......##......#",
    "#......##......#",
    "#.............##",
    "#....#.#.....#.#",
    "#....#.#....#..#",
    "#............#.#",
    "################",
    "....#.#.....##.#",
]


def icon_bytes(rows):
    out = bytearray()
    for row in rows:
        bits = int(row.replace("#", "1").replace(".", "0"), 2)
        out += bits.to_bytes(len(row) // 8, "big")
    return bytes(out)


def cpcl():
    icon = icon_bytes(ICON)
    assert b"\n" in icon[1:] and b"\r" in icon, "the icon should carry CR and LF bytes"
    body = b"\x10\x04\x01"  # DLE EOT: the phone asks for the printer status
    body += b"\x1bv"  # ESC v: paper status
    body += lines(
        "! 0 200 200 1040 1",
        "PAGE-WIDTH 576",
        "BOX 0 0 576 1032 2",
        "SETBOLD 1",
        "T 8 0 24 24 顺丰速运  标准快递",
        "SETBOLD 0",
        "T 55 0 24 64 Express waybill",
        "B QR 380 20 M 2 U 6",
        "MA,WB20231019001",
        "ENDQR",
    )
    # Compressed graphics: the header is handed on at its fifth space, the raw bytes follow.
    body += b"CG 2 16 496 44 " + icon + b"\r\n"
    body += lines(
        "LINE 0 110 576 110 1",
        "T 55 0 24 122 运单号 Tracking: " + TRACKING,
        "B 128 3 25 80 68 156 " + TRACKING,
        "LINE 0 260 576 260 1",
        "T 24 0 24 276 收: 张三 13800138000",
        "T 55 0 24 316 广东省深圳市南山区科技园南路 88 号",
        "LINE 0 372 576 372 1",
        "T 24 0 24 388 寄: 李四 13900139000",
        "T 55 0 24 428 上海市浦东新区世纪大道 100 号",
        "LINE 0 484 420 484 1",
        "SETMAG 2 2",
        "T 55 0 24 500 755-A 南山",
        "SETMAG 1 1",
        "VB 128 1 25 56 452 660 " + TRACKING,
        "BOX 24 600 420 780 1",
        "T 55 0 40 620 件数: 1  重量: 0.5kg",
        "T 55 0 40 660 Order SF1234567890",
        "B 128 1 1 40 60 700 SF1234567890",
        # The same icon as hexadecimal text, twice: EG and its other name ET.
        "EG 2 16 40 820 " + icon.hex().upper(),
        "ET 2 16 80 820 " + icon.hex(),
        "T 55 0 120 822 易碎 Fragile",
        "LINE 0 880 576 880 1",
        "T 55 0 24 900 签收人 Signature:",
        "BOX 200 940 540 1000 1",
        "FORM",
        "PRINT",
    )
    return body


def tspl():
    return lines(
        "SIZE 76 mm, 130 mm",
        "GAP 2 mm, 0 mm",
        "DIRECTION 1",
        "DENSITY 8",
        "CLS",
        'TEXT 24,24,"TSS24.BF2",0,2,2,"顺丰速运 标准快递"',
        'TEXT 24,72,"1",0,1,1,"Express waybill"',
        "BAR 0,104,608,3",
        'TEXT 24,120,"TSS24.BF2",0,1,1,"运单号 Tracking: SF1234567890"',
        'BARCODE 40,150,"128",100,0,0,3,6,"SF1234567890"',
        "BAR 0,280,608,3",
        'TEXT 24,296,"TSS24.BF2",0,1,1,"收: 张三 13800138000"',
        'TEXT 24,330,"TSS24.BF2",0,1,1,"广东省深圳市南山区科技园南路 88 号"',
        "BAR 0,380,608,3",
        'TEXT 24,396,"TSS24.BF2",0,1,1,"寄: 李四 13900139000"',
        'TEXT 24,430,"TSS24.BF2",0,1,1,"上海市浦东新区世纪大道 100 号"',
        "BAR 0,480,608,3",
        'QRCODE 40,520,L,4,A,0,"https://velin.example/t/SF1234567890"',
        'QRCODE 260,560,M,3,A,0,"顺丰 SF1234567890"',
        'BARCODE 520,920,"128",48,0,90,2,4,"' + TRACKING + '"',
        'TEXT 40,720,"TSS24.BF2",0,1,1,"件数: 1  重量: 0.5kg"',
        "BAR 24,770,3,200",
        "BAR 24,770,440,3",
        "BAR 24,967,440,3",
        "BAR 461,770,3,200",
        'TEXT 40,790,"TSS24.BF2",0,1,1,"签收人 Signature:"',
        "PRINT 1,1",
    )


PARCEL_URL = "https://velin.example/t/SF1234567890cn?lang=zh&ref=a-b"


def parcel_cpcl():
    """A parcel label written for a 203-dpi CPCL printer: header offset, decimal coordinates,
    justification, magnification on both axes, spacing, underline, inverse lines, units, a
    human-readable barcode line, a Code 39, and a QR block with its level and unit size."""
    icon = icon_bytes(ICON)
    body = lines(
        "! 10 200 200 800 1",
        "PAGE-WIDTH 576",
        "CONTRAST 0",
        "TONE 0",
        "SPEED 3",
        "JOURNAL",
        "CENTER",
        "T 24 0 0 10 顺丰速运 标准快递",
        "SETMAG 2 2",
        "T 24 0 0 40 深圳转运中心",
        "SETMAG 0 0",
        "LEFT",
        "BOX 0 100 555 790 2",
        "T 8 0 13.6 110.4 寄件人: 张三 13800138000",
        "T 55 0 12.5 140.2 Shenzhen Nanshan",
        "LINE 0 170 555 170 2",
        "SETSP 2",
        "T 24 0 12 180 收件人: 李四",
        "SETSP 0",
        "UNDERLINE ON",
        "T 7 0 300 180 Order ab-1234/x",
        "UNDERLINE OFF",
        "SETBOLD 1",
        "T 4 0 300 210 A",
        "SETBOLD 0",
        "BT 7 0 4",
        "CENTER",
        "B 128 2 1 60 0 260 SF1234567890cn",
        "BT OFF",
        "RIGHT 545",
        "B 39 1 1 40 0 370 ABC-123",
        "LEFT",
        "IN-MILLIMETERS",
        "L 1.5 55 68 55 0.25",
        "IN-DOTS",
        "B QR 20 450 M 2 U 4",
        "QA," + PARCEL_URL,
        "ENDQR",
        "VT 24 0 530 760 Vertical 竖排",
        "T 24 0 200 470 第1/1件",
        "T 24 1 200 520 Fragile",
        "INVERSE-LINE 190 515 400 515 60",
        "EG 2 16 200 600 " + icon.hex().upper(),
    )
    body += b"CG 2 16 240 600 " + icon + b"\r\n"
    body += lines("RIGHT", "T 55 0 0 760 Velin printer dialect", "FORM", "PRINT")
    return body


def parcel_tspl():
    """The parcel label for a 203-dpi TSPL printer: SIZE in inches, settings, BOX, resident
    fonts 1 to 5 with multipliers and alignment, barcodes with their readable lines, QR codes
    with level, mask, model and rotation, REVERSE and ERASE."""
    body = lines(
        "SIZE 3,4",
        "GAP 2 mm,0",
        "DIRECTION 1",
        "REFERENCE 0,0",
        "SPEED 4",
        "DENSITY 8",
        "SET TEAR ON",
        "CODEPAGE 936",
        "CLS",
        "BOX 10,10,600,800,3",
        'TEXT 24,24,"TSS24.BF2",0,1,1,"顺丰速运 标准快递"',
        'TEXT 24,60,"3",0,1,1,"From: Zhang San"',
        'TEXT 24,90,"4",0,2,2,"SZX-01"',
        'TEXT 590,170,"2",0,1,1,3,"right aligned"',
        'TEXT 24,170,"1",0,1,1,"font 1"',
        'TEXT 480,90,"5",0,1,1,"5"',
        'BARCODE 24,200,"128",80,2,0,2,4,"SF1234567890cn"',
        'BARCODE 24,330,"EAN13",60,2,0,2,4,"400638133393"',
        'QRCODE 400,330,H,4,A,0,M2,S3,"' + PARCEL_URL + '"',
        'QRCODE 170,470,L,4,A,90,"ROTATED 90"',
        'BARCODE 590,450,"39",60,0,90,2,4,"TSPL-39"',
        'TEXT 30,708,"3",0,1,1,"FRAGILE"',
        "REVERSE 20,700,200,40",
        "BAR 300,700,200,40",
        "ERASE 350,710,100,20",
    )
    body += lines("PRINT 1,1")
    return body


# Bytes on which GBK decoders differ, each run followed by ASCII that must survive it.
HOLE = b"\xa2\xab"  # unassigned in GBK; Windows gives it a private-use character
USER_DEFINED = b"\xaa\xa1\xaf\xfe \xf8\xa1\xfe\xfe \xa1\x40\xa7\xa0"  # first, last of each
BAD_TRAILS = b"\x81\x7fA \x81 B \x81\xffC \x81\x30D"  # a lead byte, then no trail byte
SINGLES = b"\x80 \xff \x80\x80\xff\xff"


def gbk_edges_cpcl():
    return lines(
        "! 0 200 200 400 1",
        b"T 55 0 10 20 " + HOLE + b"AB",
        b"T 55 0 10 60 " + USER_DEFINED + b" end",
        b"T 55 0 10 100 " + BAD_TRAILS,
        b"T 55 0 10 140 " + SINGLES + b" " + gbk("中文"),
        b"T 55 0 10 180 lead at the end \x81",
        b"\xff",
        # A tab is dropped by the line framing, so the lead byte pairs with the "A" after it.
        b"T 55 0 10 220 \x81\tA",
        "B QR 300 20 M 2 U 6",
        b"MA," + HOLE + b"AB" + USER_DEFINED + b"\x80\xff\x81",
        "ENDQR",
        "FORM",
        "PRINT",
    )


def gbk_edges_tspl():
    return lines(
        "SIZE 60 mm, 40 mm",
        "CLS",
        b'TEXT 10,10,"3",0,1,1,"' + HOLE + b"AB " + SINGLES + b'"',
        b'TEXT 10,40,"3",0,1,1,"' + BAD_TRAILS + b' \x81"',  # a lead byte before the quote
        b'QRCODE 10,80,L,4,A,0,"' + HOLE + b"AB" + USER_DEFINED + b"\x80\x81\x7fX"
        + gbk("中文") + b'"',
        b'QRCODE 240,80,L,4,A,0,"' + SINGLES + b"\xa1\x40\x81\xff" + b'"',
        "PRINT 1,1",
    )


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for name, data in (
        ("waybill-full.cpcl", cpcl()),
        ("waybill.tspl", tspl()),
        ("gbk-edges.cpcl", gbk_edges_cpcl()),
        ("gbk-edges.tspl", gbk_edges_tspl()),
        ("parcel-printer.cpcl", parcel_cpcl()),
        ("parcel-printer.tspl", parcel_tspl()),
    ):
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
