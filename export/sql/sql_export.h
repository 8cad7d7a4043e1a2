// The rows as an SQL script: header lines, an optional CREATE TABLE statement,
// one INSERT statement per record, optional COMMIT statements, footer lines.
//
//   INSERT INTO video
//     (Reference,Titre,...)
//   VALUES('DVD-038','L''Atalante',...);
#pragma once

#include "export/exporter.h"

namespace kvn::exporting {

class TQExportSQL : public TQExportAdvancedText {
 public:
  std::string TableName;
  int CommitRecCount = 0;
  bool CommitAfterScript = false;
  std::string CommitStatement = "COMMIT WORK;";
  bool CreateTable = false;
  char StatementTerm = ';';
  // The script's encoding: UTF-8, the one the catalogue and every database
  // read; another on request.
  std::string Encoding = "UTF-8";
  std::string TextEncoding() const override { return Encoding; }

 protected:
  void BeginExport() override;
  void EndExport() override;
  std::string GetDataRow(bool formatted) override;
  void WriteDataRow() override;
  void GetColData(TQExportCol& col, std::string& text) override;

 private:
  std::string m_table;  // the table's name as the statements write it
  std::string m_columnList;
  std::string m_values;
  std::string m_value;
  std::string m_number;
};

// A column name as the script writes it: as it is when it is a plain
// identifier that no SQL dialect reserves, else in double quotes (a quote
// inside doubled).
std::string SqlIdentifier(const std::string& name);
// A value in single quotes, a quote inside doubled.
std::string SqlString(std::string_view text);

}  // namespace kvn::exporting
