// Every archive a test writes goes through the independent readers: unzip -t,
// Python's zipfile (testzip and the contents), 7z t.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tests/support/run_program.h"

namespace kvn::archive {

// contents: stored name (as Python decodes it) → bytes; directories map to "".
inline void ExpectReadersAccept(const std::string& zip,
                                const std::map<std::string, std::string>& contents) {
  auto unzip = test::RunProgram({"unzip", "-tq", zip});
  // unzip warns (status 1) about an archive without entries.
  const bool emptyWarning = contents.empty() && unzip.exitCode == 1 &&
                            (unzip.out + unzip.err).find("zipfile is empty") != std::string::npos;
  EXPECT_TRUE(unzip.exitCode == 0 || emptyWarning) << unzip.out << unzip.err;
  auto sevenZip = test::RunProgram({"7z", "t", zip});
  EXPECT_EQ(sevenZip.exitCode, 0) << sevenZip.out << sevenZip.err;
  EXPECT_NE(sevenZip.out.find("Everything is Ok"), std::string::npos) << sevenZip.out;
  // The expected contents go through standard input: one "name<TAB>hex" line each.
  std::string expected;
  for (const auto& [name, bytes] : contents) {
    expected += name + "\t";
    for (unsigned char c : bytes) {
      char b[3];
      std::snprintf(b, sizeof b, "%02x", c);
      expected += b;
    }
    expected += "\n";
  }
  auto py = test::RunProgram(
      {"python3", "-c",
       "import sys, zipfile\n"
       "z = zipfile.ZipFile(sys.argv[1])\n"
       "bad = z.testzip()\n"
       "assert bad is None, 'bad entry ' + str(bad)\n"
       "got = {i.filename: (b'' if i.is_dir() else z.read(i)) for i in z.infolist()}\n"
       "want = {}\n"
       "for line in sys.stdin.buffer.read().decode('utf-8').splitlines():\n"
       "    name, hexa = line.split('\\t')\n"
       "    want[name] = bytes.fromhex(hexa)\n"
       "assert got == want, 'contents differ: ' + repr(sorted(got)) + ' / ' + repr(sorted(want))\n"
       "print('ok')\n",
       zip},
      expected);
  EXPECT_EQ(py.out, "ok\n") << py.err;
}

}  // namespace kvn::archive
