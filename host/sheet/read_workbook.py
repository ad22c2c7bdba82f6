#!/usr/bin/python3
"""Prints what an .xlsx file shows, as JSON, for the tests to compare.

Reads the file with the standard library only, the way a spreadsheet
program does: the sheets in workbook order, each cell's type and value
(a number shown with a date format is a date, given as YYYY-MM-DD HH:MM:SS),
its bold font, horizontal alignment and number format, and the column
widths in characters.
"""
import datetime
import json
import posixpath
import re
import sys
import zipfile
import xml.etree.ElementTree as ElementTree

MAIN = "{http://schemas.openxmlformats.org/spreadsheetml/2006/main}"
RELATIONSHIP = "{http://schemas.openxmlformats.org/officeDocument/2006/relationships}id"
PACKAGE_RELATIONSHIPS = "{http://schemas.openxmlformats.org/package/2006/relationships}"
BUILT_IN_DATE_FORMATS = {14: "m/d/yyyy", 15: "d-mmm-yy", 16: "d-mmm", 17: "mmm-yy", 22: "m/d/yyyy h:mm"}
# The width in pixels of the default font's widest digit, which column widths count in.
DIGIT_PIXELS = 7


def read_xml(archive, name):
    return ElementTree.fromstring(archive.read(name))


def styles_of(archive):
    """Each cell style index: (bold, alignment, number format or None)."""
    root = read_xml(archive, "xl/styles.xml")
    formats = {int(item.get("numFmtId")): item.get("formatCode")
               for item in root.iter(MAIN + "numFmt")}
    formats.update({key: value for key, value in BUILT_IN_DATE_FORMATS.items() if key not in formats})
    fonts = [font.find(MAIN + "b") is not None for font in root.find(MAIN + "fonts")]
    styles = []
    for xf in root.find(MAIN + "cellXfs"):
        alignment = xf.find(MAIN + "alignment")
        styles.append((fonts[int(xf.get("fontId", "0"))],
                       alignment.get("horizontal") if alignment is not None else None,
                       formats.get(int(xf.get("numFmtId", "0")))))
    return styles


def is_date_format(code):
    return code is not None and re.search(r"[ymdhs]", re.sub(r'"[^"]*"', "", code)) is not None


def text_of(element):
    return "".join(part.text or "" for part in element.iter(MAIN + "t"))


def cell_of(element, styles, shared):
    bold, alignment, number_format = styles[int(element.get("s", "0"))]
    kind = element.get("t", "n")
    value_element = element.find(MAIN + "v")
    value = value_element.text if value_element is not None else None
    cell = {"bold": bold, "align": alignment, "format": number_format}
    if kind == "inlineStr":
        cell.update(type="text", value=text_of(element.find(MAIN + "is")))
    elif kind == "s":
        cell.update(type="text", value=shared[int(value)])
    elif kind == "str":
        cell.update(type="text", value=value or "")
    elif kind == "b":
        cell.update(type="boolean", value=value == "1")
    elif value is None:
        cell.update(type="blank", value=None)
    elif is_date_format(number_format):
        when = datetime.datetime(1899, 12, 30) + datetime.timedelta(days=float(value))
        cell.update(type="date", value=when.strftime("%Y-%m-%d %H:%M:%S"))
    else:
        cell.update(type="number", value=float(value))
    return cell


def sheet_of(archive, name, path, styles, shared):
    root = read_xml(archive, path)
    widths = {}
    for column in root.iter(MAIN + "col"):
        characters = (round(float(column.get("width")) * DIGIT_PIXELS) - 5) / DIGIT_PIXELS
        for index in range(int(column.get("min")), int(column.get("max")) + 1):
            widths[str(index)] = round(characters, 2)
    cells = {element.get("r"): cell_of(element, styles, shared) for element in root.iter(MAIN + "c")}
    return {"name": name, "widths": widths, "cells": cells}


def main(path):
    with zipfile.ZipFile(path) as archive:
        workbook = read_xml(archive, "xl/workbook.xml")
        relationships = {item.get("Id"): item.get("Target") for item in
                         read_xml(archive, "xl/_rels/workbook.xml.rels").iter(PACKAGE_RELATIONSHIPS + "Relationship")}
        shared = []
        if "xl/sharedStrings.xml" in archive.namelist():
            shared = [text_of(item) for item in read_xml(archive, "xl/sharedStrings.xml").iter(MAIN + "si")]
        styles = styles_of(archive)
        sheets = [sheet_of(archive, sheet.get("name"),
                           posixpath.normpath(posixpath.join("xl", relationships[sheet.get(RELATIONSHIP)])),
                           styles, shared)
                  for sheet in workbook.iter(MAIN + "sheet")]
        view = workbook.find(MAIN + "bookViews/" + MAIN + "workbookView")
        active = int(view.get("activeTab", "0")) if view is not None else 0
        json.dump({"sheets": sheets, "active": sheets[active]["name"]}, sys.stdout)


if __name__ == "__main__":
    main(sys.argv[1])
