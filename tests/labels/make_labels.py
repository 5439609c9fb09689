#!/usr/bin/env python3
"""Writes the text-free test labels beside this script (symbols.cpcl, symbols.tspl): every
barcode, QR, bitmap, bar and box form the label commands draw, at the positions the tests
check; and printer.cpcl, printer.tspl, which use the commands of the printer dialect. Their
pages are compared pixel for pixel with the golden PNGs next to them."""
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


ICON = bytes.fromhex("0000 07E0 1818 6006 FFFF 8181 8181 8181 8181 8181 8003 8505 8509 8005 FFFF 0A0D".replace(" ", ""))


def printer_cpcl():
    """Every CPCL command of the printer dialect that draws no text, in dots and millimetres."""
    body = lines(
        "! 8 200 200 1000 1",
        "PW 600",
        "CONTRAST 0",
        "TONE 10",
        "SPEED 4",
        "JOURNAL",
        "PREFEED 0",
        "BEEP 1",
        "BOX 0 0 583 990 2",
        "LINE 10 12 570 12 3",
        "L 10 20 10 60 4",
        "LINE 20 20 120 60 2",
        "CENTER",
        "B 128 1 1 50 0 80 Code-128 mixed ab12cd",
        "B QR 0 140 M 2 U 3",
        "LA,centred QR level L",
        "ENDQR",
        "RIGHT 570",
        "B 39 1 2 40 0 260 CODE-39",
        "LEFT",
        "B 39C 1 2 40 20 320 C39-CHECK",
        "B F39 1 2 40 300 320 Full 39",
        "B 93 2 1 40 20 380 CODE93",
        "B I2OF5 2 2 40 300 380 1234567",
        "B EAN13 2 1 50 20 440 400638133393",
        "B EAN8 2 1 50 300 440 9638507",
        "B UPCA 2 1 50 20 510 03600029145",
        "B CODABAR 2 2 40 300 510 A40156B",
        "B UCCEAN128 2 1 40 20 580 0101234567890128",
        "B MSI 2 1 40 300 580 1234",
        "B POSTNET 2 1 20 300 640 12345",
        "B UPCE 2 1 40 20 640 01234565",
        "VB 128 2 1 40 540 900 VERTICAL-1",
        "B QR 20 700 M 2 U 4",
        "H4A,level H mask 4",
        "ENDQR",
        "B QR 160 700 M 1 U 3",
        b"QM,N0123456789,AHELLO WORLD,B0006a,b\xffc",  # a byte count covers the comma
        "ENDQR",
        "IN-MILLIMETERS",
        "B QR 37.5 87.5 U 3",
        "MA,millimetres and OFFICE",
        "ENDQR",
        "LINE 2.5 120 70 120 0.5",
        "INVERSE-LINE 2 115 72 115 3",
        "IN-DOTS",
        "ENCODING UTF-8",
        "B QR 420 700 M 2 U 3",
        "MA,UTF-8 顺丰".encode("utf-8"),
        "ENDQR",
        "ENCODING GB18030",
        "EG 2 16 450 850 " + ICON.hex().upper(),
    )
    body += b"CG 2 16 500 850 " + ICON + b"\r\n"
    body += lines("INVERSE-LINE 440 845 540 845 26", "FORM", "PRINT")
    return body


def printer_tspl():
    """Every TSPL command of the printer dialect that draws no text."""
    inverted = bytes(b ^ 0xFF for b in ICON)  # 0 bits print black
    body = lines(
        "SIZE 3,4",
        "GAP 2 mm,0",
        "SPEED 4",
        "DENSITY 8",
        "SET TEAR ON",
        "SET CUTTER OFF",
        "OFFSET 0 mm",
        "SHIFT 0",
        "SOUND 2,100",
        "DIRECTION 0",
        "CODEPAGE 936",
        "CLS",
        "BOX 0,0,600,800,4",
        "BOX 20,20,120,80,2,10",
        "REFERENCE 10,0",
        'BARCODE 150,20,"128",60,0,0,2,4,"Code128 ab-12"',
        'BARCODE 150,100,"EAN128",50,0,0,2,4,"0101234567890128"',
        'BARCODE 20,170,"39S",50,0,0,1,3,"TSPL-39S"',
        'BARCODE 300,170,"39",50,0,0,1,3,"full 39"',
        'BARCODE 20,240,"93",50,0,0,2,4,"CODE 93"',
        'BARCODE 300,240,"25",50,0,0,2,5,"12345670"',
        'BARCODE 20,310,"EAN13",50,0,0,2,4,"590123412345"',
        'BARCODE 300,310,"EAN8",50,0,0,2,4,"5512345"',
        'BARCODE 20,380,"UPCA",50,0,0,2,4,"04210000526"',
        'BARCODE 300,380,"CODA",50,0,0,2,5,"A1234B"',
        'BARCODE 580,460,"128",40,0,90,2,4,2,"TURNED"',
        'BARCODE 200,760,"128",30,0,180,1,2,"R180"',
        'BARCODE 300,450,"MSIC",30,0,0,2,4,"1234"',
        'BARCODE 300,500,"PLESSEY",30,0,0,2,4,"1234"',
        'QRCODE 20,460,Q,3,A,0,"level Q"',
        'QRCODE 120,460,M,3,A,90,M2,"turned 90"',
        'QRCODE 220,460,L,3,M,180,M2,S2,"NABC123!B0003a,b!Ax"',
        'QRCODE 20,560,H,3,A,270,S5,"turned 270"',
        "CODEPAGE UTF-8",
        'QRCODE 120,560,M,3,A,0,"UTF-8 顺丰"'.encode("utf-8"),
        "CODEPAGE 936",
        "REFERENCE 0,0",
        "BAR 300,560,120,60",
        "REVERSE 280,550,100,40",
        "ERASE 400,600,40,40",
    )
    body += b"BITMAP 300,660,2,16,0," + inverted + b"\r\n"
    body += b"BITMAP 340,660,2,16,1," + inverted + b"\r\n"
    body += b"BAR 380,660,16,16\r\nBITMAP 380,660,2,16,2," + inverted + b"\r\n"
    body += lines("PRINT 1,1", "SIZE 400 dot,240 dot", "DIRECTION 1,1", "CLS",
                  'BARCODE 20,20,"128",60,0,0,2,4,"MIRROR"', "BAR 0,200,50,20", "PRINT 1",
                  "DIRECTION 1,0")
    return body


for name, data in (
    ("symbols.cpcl", cpcl()),
    ("symbols.tspl", tspl()),
    ("printer.cpcl", printer_cpcl()),
    ("printer.tspl", printer_tspl()),
):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)
