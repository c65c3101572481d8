#!/usr/bin/env python3
"""Writes the generated table of the list-report comparison as an XML data packet (for zvreport)
and as CSV (for the ReportLab peer): the same rows for both, deterministic for a given count.

    gen_data.py RECORDS OUT.xml OUT.csv
"""
import csv
import random
import sys
from xml.sax.saxutils import quoteattr

SURNAMES = ["Rossi", "Russo", "Ferrari", "Esposito", "Bianchi", "Romano", "Colombo", "Ricci",
            "Marino", "Greco", "Bruno", "Gallo", "Conti", "De Luca", "Mancini", "Costa"]
NAMES = ["Mario", "Sara", "Stefano", "Giulia", "Giuseppe", "Valentina", "Luca", "Elena",
         "Davide", "Francesca", "Federica", "Marco", "Martina", "Paolo", "Anna", "Andrea"]
LETTERS = "ABCDEFGHILMNOPRSTUVZ"


def rows(count):
    rnd = random.Random(20261209)
    for i in range(count):
        surname = rnd.choice(SURNAMES)
        name = rnd.choice(NAMES)
        code = "".join(rnd.choice(LETTERS) for _ in range(6)) + "%02d" % rnd.randrange(100) + \
            rnd.choice(LETTERS) + "%02d" % rnd.randrange(1, 32) + rnd.choice(LETTERS) + \
            "%03d" % rnd.randrange(1000) + rnd.choice(LETTERS)
        barcode = "80%010d" % rnd.randrange(10**10)
        yield surname, name, code, barcode


def main():
    count, xml_path, csv_path = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    with open(xml_path, "w", encoding="utf-8") as x, open(csv_path, "w", newline="", encoding="utf-8") as c:
        x.write('<?xml version="1.0" standalone="yes"?>\n<DATAPACKET Version="2.0"><METADATA><FIELDS>'
                '<FIELD attrname="Cognome" fieldtype="string" WIDTH="50"/>'
                '<FIELD attrname="Nome" fieldtype="string" WIDTH="50"/>'
                '<FIELD attrname="CS" fieldtype="string" WIDTH="16"/>'
                '<FIELD attrname="BarCode" fieldtype="string" WIDTH="12"/>'
                '</FIELDS><PARAMS/></METADATA><ROWDATA>')
        w = csv.writer(c)
        w.writerow(["Cognome", "Nome", "CS", "BarCode"])
        for r in rows(count):
            x.write("<ROW Cognome=%s Nome=%s CS=%s BarCode=%s/>" % tuple(quoteattr(v) for v in r))
            w.writerow(r)
        x.write("</ROWDATA></DATAPACKET>\n")


if __name__ == "__main__":
    main()
