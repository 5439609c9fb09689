#!/usr/bin/env python3
"""Writes the text-free test labels beside this script (symbols.cpcl, symbols.tspl): every
barcode, QR, bitmap, bar and box form the label commands draw, at the positions the tests
check. Their pages are compared pixel for pixel with the golden PNGs next to them."""
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def lines(*items):
    return b"".join((i if isinstance(i, bytes) else i.encode("gbk")) + b"\r\n" for i in items)


def cpcl():
    body = lines(
        "! 0 200 200 700 1",
        "PAGE-WIDTH 576",
        "BOX 10 10 566 690 2",
        "B QR 380 20 M 2 U 6",
        "MA,WB20231019001",
        "ENDQR",
        # A received byte 0xE9 (Latin-1 e acute) reaches the symbol in GBK: A8 A6.
        b"B QR 200 20 M 2 U 6",
        b"MA,caf\xe9",
        b"ENDQR",
        "B 128 3 25 80 68 156 73510170295253",
        "B 128 1 1 40 40 280 AB12CD",
        "BARCODE 128 1 1 40 300 280 #12",
        "B EAN13 1 1 40 40 360 1234567",
        "VB 128 1 25 56 452 660 73510170295253",
        "LINE 20 420 420 420 3",
    )
    body += b"CG 2 2 40 440 \x0a\x80\x01\x0a\xff"
    body += b"COMPRESSED-GRAPHICS 1 1 40 460 \xff\r\n"
    body += lines("EG 1 2 40 480 F00F", "ET 2 1 40 500 FFF", "FORM", "PRINT")
    return body


def tspl():
    return lines(
        "SIZE 60 mm, 80 mm",
        "CLS",
        "BAR 10,20,3,2",
        'BARCODE 10,40,"128",80,1,0,2,4,"SF1234567890"',
        'BARCODE 400,460,"EAN13",80,0,90,2,4,"12345678"',
        'QRCODE 10,200,L,4,A,0,"ABC"',
        'QRCODE 200,200,M,3,A,0,"中文 GBK"',
        "BAR 470,-100000,2147483647,2147483647",
        "PRINT 1,1",
        "SIZE 50.8 mm, 25.4 mm",
        "BAR 1,1,10,10",
        "PRINT 2,3",
    )


for name, data in (("symbols.cpcl", cpcl()), ("symbols.tspl", tspl())):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)
