#!/usr/bin/env python3
"""The demo list built with ReportLab, as a user of it would write it: per record the surname,
the name, the code and an EAN-13 barcode of the 12-digit number (with its digits), a page header
and a page footer "Pagina N di M". The rows per page are fixed, so the total is known up front
(the cheapest way to print "di M" with the canvas API; a two-pass platypus build costs more).

    reportlab_list.py IN.csv OUT.pdf
"""
import csv
import sys

from reportlab.graphics import renderPDF
from reportlab.graphics.barcode import createBarcodeDrawing
from reportlab.lib.pagesizes import A4
from reportlab.lib.units import mm
from reportlab.pdfgen import canvas

ROWS_PER_PAGE = 11
ROW_HEIGHT = 22 * mm


def main():
    src, out = sys.argv[1], sys.argv[2]
    with open(src, newline="", encoding="utf-8") as f:
        rows = list(csv.DictReader(f))
    pages = max(1, (len(rows) + ROWS_PER_PAGE - 1) // ROWS_PER_PAGE)
    width, height = A4
    c = canvas.Canvas(out, pagesize=A4)
    c.setTitle("Demo BarCode")
    for page in range(pages):
        c.setFont("Helvetica-Bold", 16)
        c.drawCentredString(width / 2, height - 20 * mm, "Demo BarCode")
        c.line(10 * mm, height - 22 * mm, width - 10 * mm, height - 22 * mm)
        y = height - 30 * mm
        for r in rows[page * ROWS_PER_PAGE:(page + 1) * ROWS_PER_PAGE]:
            c.setFont("Helvetica", 10)
            c.drawString(10 * mm, y, r["Cognome"])
            c.drawString(10 * mm, y - 6 * mm, r["Nome"])
            c.setFont("Courier", 10)
            c.drawString(10 * mm, y - 12 * mm, r["CS"])
            bar = createBarcodeDrawing("EAN13", value=r["BarCode"], barHeight=14 * mm, barWidth=0.53 * mm,
                                       humanReadable=True)
            renderPDF.draw(bar, c, 130 * mm, y - 16 * mm)
            y -= ROW_HEIGHT
        c.setFont("Helvetica", 8)
        c.drawRightString(width - 10 * mm, 12 * mm, "Pagina %d di %d" % (page + 1, pages))
        c.showPage()
    c.save()
    print("pages=%d" % pages)


if __name__ == "__main__":
    main()
