// The rows as an XML data packet: a metadata section describing each column
// and a row section with one empty ROW element per record, whose attributes
// hold the values.
//
//   <?xml version="1.0" standalone="yes"?>
//   <DATAPACKET Version="2.0">
//   <METADATA> <FIELDS> <FIELD FieldName=… DisplayLabel=… FieldType=… FieldClass="TField"/> …
//   </FIELDS> </METADATA> <ROWDATA> <ROW Titre="…" …/> … </ROWDATA>
//   </DATAPACKET>
#pragma once

#include <memory>

#include "export/exporter.h"
#include "platform/text_encoder.h"

namespace kvn::exporting {

struct TXMLOptions {
  std::string Version = "1.0";
  // The encoding the declaration names, and the file's. Empty: none is named,
  // so readers take UTF-8, and every character beyond ASCII in a value is a
  // character reference (&#233;). Any other name iconv knows: the file is
  // written in it, and what it cannot hold is a character reference.
  std::string Encoding;
  bool StandAlone = true;

  void Assign(const TXMLOptions& other) { *this = other; }
};

class TQExportXML : public TQExportText {
 public:
  TXMLOptions Options;

  void GetColumnOptions(ColumnOptions& options) const override;
  // Only a flag: the open elements are closed by the end of the export.
  void Abort() override { TQExport::Abort(); }

  // How the text of the file is encoded for an Encoding value.
  enum class Charset { References, Utf8, Encoded };
  static Charset CharsetOf(std::string_view encoding);
  // An attribute name: the column name with spaces (and what a name cannot
  // hold) as "_", in the file's encoding.
  std::string AttributeName(const std::string& columnName) const;

 protected:
  void BeginExport() override;
  void BeforeExport() override;
  void AfterExport() override;
  void EndExport() override;
  void WriteCaptionRow() override;
  std::string GetDataRow(bool formatted) override;
  void WriteDataRow() override;
  std::string GetColCaption(int index) override;
  std::set<char> GetSpecialChars() override { return {'"', '&', '<', '>'}; }
  std::string EscapeText(const std::string& text) override;
  // The file's encoding: the one named, or UTF-8 (with references or not).
  std::string TextEncoding() const override;
  platform::TextEncoder::Unholdable UnholdableAs() const override {
    return platform::TextEncoder::Unholdable::Reference;
  }

 private:
  void ClosePacket();

  Charset m_charset = Charset::References;
  std::vector<std::string> m_names;
  bool m_packetOpen = false;
  bool m_rowDataOpen = false;
  std::string m_value;
};

}  // namespace kvn::exporting
