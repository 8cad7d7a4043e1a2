// Reading PDF files back with poppler's tools: the text of a page, the words
// with their positions, the page count, and a page as a picture.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kvn::test {

// The text of one page (1-based) or of all pages (0), in reading layout.
inline std::string PdfText(const std::string& pdf, int page = 0) {
  std::vector<std::string> argv = {"pdftotext", "-layout"};
  if (page > 0) {
    argv.insert(argv.end(), {"-f", std::to_string(page), "-l", std::to_string(page)});
  }
  argv.insert(argv.end(), {pdf, "-"});
  auto r = RunProgram(argv);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  return r.out;
}

inline int PdfPages(const std::string& pdf) {
  auto r = RunProgram({"pdfinfo", pdf});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  std::smatch m;
  if (std::regex_search(r.out, m, std::regex("Pages:\\s+(\\d+)"))) return std::stoi(m[1]);
  return 0;
}

struct PdfWord {
  int page = 0;
  double xMin = 0, yMin = 0, xMax = 0, yMax = 0;  // points from the top left
  std::string text;
};

// Every word with its box, in reading order.
inline std::vector<PdfWord> PdfWords(const std::string& pdf) {
  auto r = RunProgram({"pdftotext", "-bbox", pdf, "-"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  std::vector<PdfWord> words;
  int page = 0;
  const std::regex word(
      "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" "
      "yMax=\"([0-9.]+)\">([^<]*)</word>");
  size_t at = 0;
  while (at < r.out.size()) {
    size_t next = r.out.find('\n', at);
    if (next == std::string::npos) next = r.out.size();
    const std::string line = r.out.substr(at, next - at);
    at = next + 1;
    if (line.find("<page ") != std::string::npos) ++page;
    std::smatch m;
    if (std::regex_search(line, m, word))
      words.push_back(
          {page, std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4]), m[5]});
  }
  return words;
}

// A page drawn at a resolution, as a picture.
inline QImage PdfPicture(const std::string& pdf, int page, int dpi, const TempDir& dir) {
  const std::string prefix = dir / "page";
  auto r = RunProgram({"pdftoppm", "-r", std::to_string(dpi), "-f", std::to_string(page), "-l",
                       std::to_string(page), "-singlefile", "-png", pdf, prefix});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  return QImage(QString::fromStdString(prefix + ".png"));
}

}  // namespace kvn::test
