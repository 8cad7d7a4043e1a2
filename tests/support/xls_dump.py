# Reads a workbook with the Debian readers and prints what the tests compare,
# one tab-separated line per item:
#   ole     <stream path>                       (every stream olefile finds)
#   sheet   <index> <name> <rows> <cols>
#   cell    <sheet> <row> <col> <type> <value> <xf>
#   xf      <index> <font> <format> <weight> <italic> <underline> <font colour>
#           <font height> <font name> <pattern> <pattern colour> <horizontal>
#           <vertical> <wrap> <top> <bottom> <left> <right> <top colour>
#           <bottom colour> <left colour> <right colour>
# Types are xlrd's: 1 text, 2 number, 3 date, 4 Boolean, 5 error, 6 blank.
# Texts are printed with backslash, tab, CR and LF escaped as \\ \t \r \n.
import sys

import olefile
import xlrd


def escape(text):
    return (text.replace("\\", "\\\\").replace("\t", "\\t").replace("\r", "\\r")
            .replace("\n", "\\n"))


path = sys.argv[1]
ole = olefile.OleFileIO(path)
for entry in ole.listdir(streams=True, storages=False):
    print("ole\t" + "/".join(entry))
ole.close()

book = xlrd.open_workbook(path, formatting_info=True)
for index, sheet in enumerate(book.sheets()):
    print("sheet\t%d\t%s\t%d\t%d" % (index, escape(sheet.name), sheet.nrows, sheet.ncols))
    for r in range(sheet.nrows):
        for c in range(sheet.row_len(r)):
            cell = sheet.cell(r, c)
            if cell.ctype == xlrd.XL_CELL_EMPTY:
                continue
            if cell.ctype in (xlrd.XL_CELL_TEXT, xlrd.XL_CELL_BLANK):
                value = escape(cell.value)
            else:
                value = repr(float(cell.value))
            print("cell\t%d\t%d\t%d\t%d\t%s\t%d" % (index, r, c, cell.ctype, value, cell.xf_index))
for index, xf in enumerate(book.xf_list):
    font = book.font_list[xf.font_index]
    fmt = book.format_map[xf.format_key].format_str if xf.format_key in book.format_map else "?"
    b = xf.border
    print("\t".join(str(v) for v in (
        "xf", index, xf.font_index, escape(fmt), font.weight, font.italic, font.underline_type,
        font.colour_index, font.height, font.name, xf.background.fill_pattern,
        xf.background.pattern_colour_index, xf.alignment.hor_align, xf.alignment.vert_align,
        xf.alignment.text_wrapped, b.top_line_style, b.bottom_line_style, b.left_line_style,
        b.right_line_style, b.top_colour_index, b.bottom_colour_index, b.left_colour_index,
        b.right_colour_index)))
