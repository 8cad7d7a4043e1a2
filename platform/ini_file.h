// Settings files with the behaviour of the Windows INI functions: names compared
// without regard to case (first match wins), values trimmed and unquoted, every
// write goes straight to the file and keeps all other content byte for byte.
// Reading is done by SimpleIni; writes edit the lines of the file in place.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/output_file.h"

namespace kvn::platform {

class IniFile {
 public:
  // Reads the file when it exists; a missing file reads as empty and is created
  // by the first write. Throws kvn::Error when an existing file cannot be read.
  // Writes go through an output file with the options given: only the
  // catalogue's own settings file may be a protected name.
  explicit IniFile(std::string path, OutputOptions writeOptions = {});
  ~IniFile();
  IniFile(const IniFile&) = delete;
  IniFile& operator=(const IniFile&) = delete;

  const std::string& FileName() const { return m_path; }

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;
  // Decimal or "$" hex; the default when unreadable.
  int64_t ReadInteger(std::string_view section, std::string_view key, int64_t defaultValue) const;
  // Read as an integer, true when not 0.
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
  // Read with the locale's conversion; the default when unreadable.
  double ReadFloat(std::string_view section, std::string_view key, double defaultValue) const;

  // Each write updates the file at once; throws kvn::Error when it cannot be written.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int64_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);
  void WriteFloat(std::string_view section, std::string_view key, double value,
                  std::string_view picture = {});

  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  // Key names of a section in file order; section names in file order.
  std::vector<std::string> ReadSection(std::string_view section) const;
  std::vector<std::string> ReadSections() const;

  void EraseSection(std::string_view section);
  void DeleteKey(std::string_view section, std::string_view key);

  // The whole text, as it would be written.
  const std::string& Text() const { return m_text; }
  // Whether the file read is text: UTF-8 without NUL bytes or other control
  // characters than tabs and line ends (a UTF-16 or binary file is not).
  bool IsText() const;

  // Between BeginUpdate and EndUpdate writes are kept and the file is written
  // once, at EndUpdate (many keys, one file written safely).
  void BeginUpdate() { ++m_updating; }
  void EndUpdate();

 private:
  struct Parsed;
  void Reparse();
  void Store();

  std::string m_path;
  OutputOptions m_writeOptions;
  std::string m_text;
  int m_updating = 0;
  bool m_pending = false;
  std::unique_ptr<Parsed> m_parsed;
};

}  // namespace kvn::platform
