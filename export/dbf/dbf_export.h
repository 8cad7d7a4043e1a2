// The rows as a dBASE III table: a 32-byte header, one 32-byte descriptor per
// column, 0x0D, fixed-length records (a deletion byte, then each field), 0x1A.
// Memo columns go to a companion ".dbt" file of 512-byte blocks.
//
//   header:     0x03 (0x83 with a memo file), YY MM DD, records (LE32),
//               header length (LE16), record length (LE16), 20 zeros
//   descriptor: name (11, zero-padded), type C N D L M, offset (LE32),
//               length, decimals, 14 zeros
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "export/exporter.h"
#include "platform/locale_settings.h"
#include "platform/output_set.h"

namespace kvn::exporting {

struct DbfField {
  std::array<uint8_t, 32> descriptor{};
  char type = 'C';
  int length = 0;
  int decimals = 0;
  int offset = 0;
};

class TQDBFWriter : public TQExportWriter {
 public:
  TQDBFWriter(TQExport* owner, platform::Stream& stream) : TQExportWriter(owner, stream) {}

  std::vector<DbfField>& Fields() { return m_fields; }
  std::array<uint8_t, 32>& Header() { return m_header; }

  // The memo file (not owned); block 0 is written at once, all zeros.
  void OpenMemo(platform::Stream& memo);
  bool HasMemo() const { return m_memo != nullptr; }
  // Writes a memo from the next free block on; returns its first block.
  uint32_t WriteMemo(std::string_view text);
  // Writes the next free block number at the start of the memo file.
  void CloseMemo();

 private:
  std::vector<DbfField> m_fields;
  std::array<uint8_t, 32> m_header{};
  platform::Stream* m_memo = nullptr;
  std::array<char, 512> m_block{};
  uint32_t m_nextBlock = 1;
};

class TQExportDBF : public TQExportText {
 public:
  void Execute() override;
  void SaveToIni(platform::IniFile& ini) override;
  void LoadFromIni(const platform::IniFile& ini) override;
  void GetColumnOptions(ColumnOptions& options) const override;
  // The memo file beside FileName.
  static std::string MemoFileName(const std::string& fileName);

 protected:
  std::unique_ptr<TQExportWriter> CreateWriter(platform::Stream& stream) override;
  // The file holds bytes of its own: texts are converted one by one.
  bool WriterEncodes() const override;
  void BeginExport() override;
  void BeforeExport() override;
  void AfterExport() override;
  void EndExport() override;
  void WriteDataRow() override;

 private:
  TQDBFWriter& Dbf() { return static_cast<TQDBFWriter&>(*Writer()); }
  // The field text of one value (exactly the field's length).
  void FieldText(const TQExportColumn& column, const DbfField& field, bool null, std::string value,
                 std::string& out);

  std::optional<platform::DecimalSeparatorScope> m_point;
  // While Execute runs: the memo file, made by BeginExport when a memo
  // column is exported.
  bool m_fileOutput = false;
  std::unique_ptr<platform::OutputSet> m_files;  // the table and its memo, while Execute runs
  uint32_t m_records = 0;
  bool m_ended = false;
  std::string m_record, m_value;
};

}  // namespace kvn::exporting
