// Reading dBASE tables back in tests with Debian's dbfread, as a user's
// program would: the field names and every record's values as Python prints
// them (None for a null or empty memo, 2.0 for a float).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/strings.h"
#include "tests/support/run_program.h"

namespace kvn::test {

struct DbfTable {
  std::vector<std::string> fields;
  std::vector<std::vector<std::string>> rows;
};

// encoding: empty lets dbfread take it from the table's language driver.
// A table dbfread cannot read fails the test and gives no rows.
inline DbfTable ReadDbf(const std::string& path, const std::string& encoding = {}) {
  // Unit separator between values, record separator after each line.
  const std::string script =
      "import dbfread, sys\n"
      "kw = {'encoding': sys.argv[2]} if sys.argv[2] else {}\n"
      "t = dbfread.DBF(sys.argv[1], **kw)\n"
      "out = ['\\x1f'.join(t.field_names)]\n"
      "out += ['\\x1f'.join(str(v) for v in r.values()) for r in t]\n"
      "sys.stdout.write(''.join(line + '\\x1e' for line in out))\n";
  const ProgramResult r = RunProgram({"/usr/bin/python3", "-c", script, path, encoding});
  EXPECT_EQ(r.exitCode, 0) << path << ": " << r.err;
  DbfTable table;
  if (r.exitCode != 0) return table;
  std::vector<std::string> lines = platform::Split(r.out, '\x1e');
  if (!lines.empty() && lines.back().empty()) lines.pop_back();  // after the last line
  for (size_t i = 0; i < lines.size(); ++i) {
    std::vector<std::string> values = platform::Split(lines[i], '\x1f');
    if (i == 0)
      table.fields = std::move(values);
    else
      table.rows.push_back(std::move(values));
  }
  return table;
}

}  // namespace kvn::test
