// Reading workbooks back in tests: the raw Workbook stream and its records (for
// byte checks), and the cells and cell formats as the Debian readers see them
// (olefile and xlrd, through tests/support/xls_dump.py).
#pragma once

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/endian.h"
#include "platform/strings.h"
#include "tests/support/run_program.h"

namespace kvn::exporting::xlstest {

// The bytes of one stream of a compound file; fails the test when it is absent.
inline std::string CompoundStream(const std::string& compound, const char* name = "Workbook") {
  std::string bytes;
  GError* error = nullptr;
  GsfInput* input = gsf_input_memory_new(reinterpret_cast<const guint8*>(compound.data()),
                                         compound.size(), FALSE);
  GsfInfile* storage = gsf_infile_msole_new(input, &error);
  if (!storage) {
    ADD_FAILURE() << "not a compound file: " << (error ? error->message : "?");
    if (error) g_error_free(error);
    g_object_unref(input);
    return bytes;
  }
  if (GsfInput* stream = gsf_infile_child_by_name(storage, name)) {
    const gsf_off_t size = gsf_input_size(stream);
    bytes.resize(static_cast<size_t>(size));
    if (size > 0)
      gsf_input_read(stream, static_cast<size_t>(size), reinterpret_cast<guint8*>(bytes.data()));
    g_object_unref(stream);
  } else {
    ADD_FAILURE() << "no stream " << name;
  }
  g_object_unref(storage);
  g_object_unref(input);
  return bytes;
}

struct Record {
  size_t offset = 0;  // of the header in the stream
  uint16_t number = 0;
  std::string body;

  uint16_t U16(size_t at) const { return platform::GetLE16(Bytes() + at); }
  uint32_t U32(size_t at) const { return platform::GetLE32(Bytes() + at); }
  const uint8_t* Bytes() const { return reinterpret_cast<const uint8_t*>(body.data()); }
};

inline std::vector<Record> Records(const std::string& stream) {
  std::vector<Record> records;
  size_t at = 0;
  while (at + 4 <= stream.size()) {
    const auto* p = reinterpret_cast<const uint8_t*>(stream.data()) + at;
    Record r;
    r.offset = at;
    r.number = platform::GetLE16(p);
    const uint16_t length = platform::GetLE16(p + 2);
    if (at + 4 + length > stream.size()) {
      ADD_FAILURE() << "record at " << at << " runs past the end";
      break;
    }
    r.body = stream.substr(at + 4, length);
    records.push_back(std::move(r));
    at += 4 + length;
  }
  EXPECT_EQ(at, stream.size()) << "bytes after the last record";
  return records;
}

// The records with this number, in order.
inline std::vector<Record> Only(const std::vector<Record>& records, uint16_t number) {
  std::vector<Record> out;
  for (const auto& r : records)
    if (r.number == number) out.push_back(r);
  return out;
}

// Hexadecimal bytes, "0a 00 00 00", for readable failures.
inline std::string Hex(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    char b[4];
    std::snprintf(b, sizeof b, out.empty() ? "%02x" : " %02x", c);
    out += b;
  }
  return out;
}

struct Cell {
  int type = 0;  // 1 text, 2 number, 3 date, 4 Boolean, 5 error, 6 blank
  std::string value;
  int xf = 0;
  double Number() const { return std::stod(value); }
};

struct XF {
  int font = 0;
  std::string format;
  int weight = 0, italic = 0, underline = 0, fontColour = 0, height = 0;
  std::string fontName;
  int pattern = 0, patternColour = 0, horizontal = 0, vertical = 0, wrap = 0;
  int top = 0, bottom = 0, left = 0, right = 0;
  int topColour = 0, bottomColour = 0, leftColour = 0, rightColour = 0;
};

struct Sheet {
  std::string name;
  int rows = 0, cols = 0;
  std::map<std::pair<int, int>, Cell> cells;
};

struct Book {
  bool ok = false;
  std::string diagnostics;
  std::vector<std::string> streams;
  std::vector<Sheet> sheets;
  std::vector<XF> xfs;

  // The cell at (row, col) of a sheet; a default (type 0) cell when empty.
  Cell At(int sheet, int row, int col) const {
    auto it = sheets.at(static_cast<size_t>(sheet)).cells.find({row, col});
    return it == sheets.at(static_cast<size_t>(sheet)).cells.end() ? Cell() : it->second;
  }
  const XF& FormatOf(int sheet, int row, int col) const {
    return xfs.at(static_cast<size_t>(At(sheet, row, col).xf));
  }
};

// Opens the workbook with olefile and xlrd; a reader that refuses the file
// fails the test.
inline Book ReadWithXlrd(const std::string& path) {
  const char* source = std::getenv("KVN_SOURCE_DIR");
  const std::string script = std::string(source ? source : ".") + "/tests/support/xls_dump.py";
  // The Debian interpreter, whose packages hold the readers.
  auto run = test::RunProgram({"/usr/bin/python3", script, path});
  Book book;
  book.diagnostics = run.err;
  book.ok = run.exitCode == 0;
  EXPECT_TRUE(book.ok) << "xlrd refused " << path << ":\n" << run.err;
  std::istringstream lines(run.out);
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> f = platform::Split(line, '\t');
    auto unescape = [](const std::string& s) {
      std::string out;
      for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
          char n = s[++i];
          out += n == 't' ? '\t' : n == 'r' ? '\r' : n == 'n' ? '\n' : n;
        } else {
          out += s[i];
        }
      }
      return out;
    };
    auto i = [&](size_t k) { return std::stoi(f.at(k)); };
    if (f[0] == "ole") {
      book.streams.push_back(f.at(1));
    } else if (f[0] == "sheet") {
      book.sheets.push_back({unescape(f.at(2)), i(3), i(4), {}});
    } else if (f[0] == "cell") {
      book.sheets.at(static_cast<size_t>(i(1))).cells[{i(2), i(3)}] = {i(4), unescape(f.at(5)),
                                                                       i(6)};
    } else if (f[0] == "xf") {
      XF x;
      x.font = i(2);
      x.format = unescape(f.at(3));
      x.weight = i(4);
      x.italic = i(5);
      x.underline = i(6);
      x.fontColour = i(7);
      x.height = i(8);
      x.fontName = f.at(9);
      x.pattern = i(10);
      x.patternColour = i(11);
      x.horizontal = i(12);
      x.vertical = i(13);
      x.wrap = i(14);
      x.top = i(15);
      x.bottom = i(16);
      x.left = i(17);
      x.right = i(18);
      x.topColour = i(19);
      x.bottomColour = i(20);
      x.leftColour = i(21);
      x.rightColour = i(22);
      book.xfs.push_back(x);
    }
  }
  return book;
}

}  // namespace kvn::exporting::xlstest
