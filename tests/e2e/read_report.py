#!/usr/bin/python3
"""Prints a workbook as JSON, read with openpyxl: for each sheet in order its
name, column widths and cells (value, type, bold, alignment, number format).
Dates are written as ISO text. Used by the end-to-end report tests as a
reader independent of the program's own."""
import datetime
import json
import sys

import openpyxl


def cell_of(cell):
    value = cell.value
    if isinstance(value, datetime.datetime):
        value = value.isoformat(sep=" ")
    return {
        "value": value,
        "type": {"s": "text", "n": "number", "b": "boolean", "d": "date"}.get(cell.data_type, cell.data_type),
        "bold": bool(cell.font.b),
        "align": cell.alignment.horizontal,
        "format": cell.number_format,
    }


def main(path):
    book = openpyxl.load_workbook(path)
    sheets = []
    for sheet in book.worksheets:
        widths = {key: dimension.width for key, dimension in sheet.column_dimensions.items()
                  if dimension.customWidth}
        cells = {cell.coordinate: cell_of(cell) for row in sheet.iter_rows() for cell in row
                 if cell.value is not None}
        sheets.append({"name": sheet.title, "widths": widths, "cells": cells})
    json.dump({"active": book.active.title, "sheets": sheets}, sys.stdout)


if __name__ == "__main__":
    main(sys.argv[1])
