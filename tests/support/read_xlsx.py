#!/usr/bin/env python3
"""Reads an .xlsx file with nothing but zipfile and ElementTree and prints what a spreadsheet
program would show, one fact per line (tab-separated; tabs, newlines and backslashes escaped):

  sheet  INDEX  NAME
  cell   SHEET  REF  TYPE(s|n)  VALUE  BORDERS(t,b,l,r letters or -)  NUMFMT
  width  SHEET  COLUMN(1-based)  WIDTH
"""
import sys
import zipfile
import xml.etree.ElementTree as ET

NS = {
    "m": "http://schemas.openxmlformats.org/spreadsheetml/2006/main",
    "r": "http://schemas.openxmlformats.org/officeDocument/2006/relationships",
    "rel": "http://schemas.openxmlformats.org/package/2006/relationships",
}
BUILTIN_FORMATS = {0: "General", 1: "0", 2: "0.00", 49: "@"}


def esc(text):
    return text.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n").replace("\r", "\\r")


def text_of(node):
    # A string item is either one <t> or rich-text runs <r><t>; phonetic runs are not content.
    parts = []
    for child in node:
        tag = child.tag.split("}")[1]
        if tag == "t":
            parts.append(child.text or "")
        elif tag == "r":
            t = child.find("m:t", NS)
            parts.append(t.text or "" if t is not None else "")
    return "".join(parts)


def main(path):
    z = zipfile.ZipFile(path)
    bad = z.testzip()
    if bad is not None:
        raise SystemExit("corrupt member " + bad)
    workbook = ET.fromstring(z.read("xl/workbook.xml"))
    rels = ET.fromstring(z.read("xl/_rels/workbook.xml.rels"))
    targets = {r.get("Id"): r.get("Target") for r in rels.findall("rel:Relationship", NS)}

    shared = []
    if "xl/sharedStrings.xml" in z.namelist():
        sst = ET.fromstring(z.read("xl/sharedStrings.xml"))
        shared = [text_of(si) for si in sst.findall("m:si", NS)]

    styles = ET.fromstring(z.read("xl/styles.xml"))
    custom = {int(f.get("numFmtId")): f.get("formatCode")
              for f in styles.findall("m:numFmts/m:numFmt", NS)}
    borders = []
    for b in styles.findall("m:borders/m:border", NS):
        edges = ""
        for edge, letter in (("top", "t"), ("bottom", "b"), ("left", "l"), ("right", "r")):
            e = b.find("m:" + edge, NS)
            if e is not None and e.get("style"):
                edges += letter
        borders.append(edges or "-")
    xfs = []
    for xf in styles.findall("m:cellXfs/m:xf", NS):
        fmt_id = int(xf.get("numFmtId", "0"))
        fmt = custom.get(fmt_id, BUILTIN_FORMATS.get(fmt_id, str(fmt_id)))
        xfs.append((borders[int(xf.get("borderId", "0"))], fmt))

    for index, sheet in enumerate(workbook.findall("m:sheets/m:sheet", NS)):
        print("sheet\t%d\t%s" % (index, esc(sheet.get("name"))))
        target = targets[sheet.get("{%s}id" % NS["r"])]
        member = target.lstrip("/") if target.startswith("/") else "xl/" + target
        data = ET.fromstring(z.read(member))
        for col in data.findall("m:cols/m:col", NS):
            for c in range(int(col.get("min")), int(col.get("max")) + 1):
                print("width\t%d\t%d\t%s" % (index, c, col.get("width")))
        for cell in data.findall("m:sheetData/m:row/m:c", NS):
            kind = cell.get("t", "n")
            border, fmt = xfs[int(cell.get("s", "0"))]
            if kind == "s":
                value, shown = shared[int(cell.find("m:v", NS).text)], "s"
            elif kind == "inlineStr":
                value, shown = text_of(cell.find("m:is", NS)), "s"
            elif kind == "str":
                value, shown = cell.find("m:v", NS).text or "", "s"
            else:
                v = cell.find("m:v", NS)
                value, shown = (v.text if v is not None else ""), ("n" if v is not None else "blank")
            print("cell\t%d\t%s\t%s\t%s\t%s\t%s" % (index, cell.get("r"), shown, esc(value), border, esc(fmt)))


if __name__ == "__main__":
    main(sys.argv[1])
