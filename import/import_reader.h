// Reading a list of films made elsewhere into a table of texts: delimited
// text (CSV, TXT), spreadsheets (XLS, XLSX, ODS), the XML packet this
// program exports, and the collection files of two free film-collection
// programs (GCstar's .gcs and Tellico's .tc or .xml). Every value is UTF-8
// text; checking and converting it is the import's work.
#pragma once

#include <string>
#include <vector>

namespace kvn::importing {

// How a delimited text is cut and decoded.
struct TextOptions {
  char delimiter = ';';
  char quote = '"';      // 0: no quoting
  std::string encoding;  // "UTF-8", "Windows-1252", ... (iconv's names)
};

enum class SourceFormat { Text, Xls, Xlsx, Ods, Packet, GCstar, Tellico };

// The French name of a format, for the windows and messages.
const char* FormatName(SourceFormat format);

struct ImportRow {
  int line = 0;  // where the row starts in the file (line or sheet row), from 1
  std::vector<std::string> cells;
};

struct ImportTable {
  SourceFormat format = SourceFormat::Text;
  TextOptions text;                  // what was used, for a delimited text
  std::vector<std::string> columns;  // the file's column names
  std::vector<ImportRow> rows;       // as many cells as columns
};

// The format of a file, from its first bytes and its name.
SourceFormat DetectFormat(const std::string& path, const std::string& head);

// The delimiter, quote and encoding that read the text best.
TextOptions DetectTextOptions(const std::string& bytes);

// Reads the file; for a text, the options given (nullptr: detected). Throws
// kvn::Error with a French message when the file cannot be read.
ImportTable ReadImportFile(const std::string& path, const TextOptions* text = nullptr);

// A delimited text's table (the first row gives the column names).
ImportTable ReadDelimitedText(const std::string& bytes, const TextOptions& options);

}  // namespace kvn::importing
