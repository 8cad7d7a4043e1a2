// The exporter framework: the base class with the export loop, its counters,
// limits, events and abort protocol, and the file and memory destinations.
//
// Hook order (a format overrides some of them): GetWriterClass (CreateWriter),
// BeginExport, BeforeExport, AfterExport, EndExport, EndOfSource, GetCaptionRow,
// WriteCaptionRow, FillExportRow, GetDataRow, WriteDataRow, GetColCaption,
// GetColData, GetSpecialChars, SaveToIni, LoadFromIni, Execute, Abort,
// EscapeText. Every failure is thrown as kvn::Error to the caller.
#pragma once

#include <functional>
#include <memory>
#include <set>
#include <string>

#include "export/columns.h"
#include "export/helpers.h"
#include "export/source.h"
#include "export/types.h"
#include "export/writer.h"
#include "platform/error.h"
#include "platform/ini_file.h"
#include "platform/stream.h"

namespace kvn::exporting {

// Opening or printing a file after an export; the GUI can inject its own.
class Shell {
 public:
  virtual ~Shell() = default;
  virtual void Open(const std::string& path) = 0;
  virtual void Print(const std::string& path) = 0;
};
// xdg-open and lp, started without a shell.
Shell& DefaultShell();

// The clipboard's plain text (the text is Windows-1252). Throws kvn::Error
// "Impossible d'ouvrir le Presse-papiers" when it cannot be reached.
class Clipboard {
 public:
  virtual ~Clipboard() = default;
  virtual void SetText(const std::string& utf8) = 0;
};

// What Execute throws when the user stopped the export: the earlier file (or
// the clipboard) is left as it was, and the run is not a success.
class ExportAborted : public Error {
 public:
  explicit ExportAborted(const std::string& fileName);
};

class TQExport {
 public:
  TQExport();
  virtual ~TQExport();
  TQExport(const TQExport&) = delete;
  TQExport& operator=(const TQExport&) = delete;

  // Published properties.
  TQExportSource ExportSource = TQExportSource::esDataSet;
  db::DataSet* DataSet = nullptr;
  ListViewSource* ListView = nullptr;
  DBGridSource* DBGrid = nullptr;
  StringGridSource* StringGrid = nullptr;
  StringList ExportedFields;
  // With no field named, memo fields are exported too (other blobs never).
  bool MemoFields = false;
  bool CurrentRecordOnly = false;
  bool GoToFirstRecord = true;
  int ExportRecCount = 0;
  int SkipRecCount = 0;
  bool OnlyVisibleFields = false;
  bool AutoCalcStrType = false;
  int CaptionRow = -1;
  bool ExportEmpty = true;
  std::string About = "Composants d'export de Korvane";
  std::string _Version = "2.80";

  // Public, published by some formats.
  std::string Title;
  bool AutoCalcColWidth = false;
  bool AllowCaptions = true;
  StringList Header, Footer, Captions, UserFormats, ColumnsWidth, ColumnsAlign, ColumnsLength;
  TQExportFormats Formats;

  std::function<void(TQExport* sender)> OnBeginExport;
  std::function<void(TQExport* sender)> OnEndExport;
  std::function<void(TQExport* sender, int recNo)> OnSkippedRecord;
  std::function<void(TQExport* sender, int recNo)> OnExportedRecord;
  std::function<void(TQExport* sender, int recNo)> OnFetchedRecord;
  std::function<void(TQExport* sender, bool& canContinue)> OnStopExport;
  std::function<void(TQExport* sender, int colNo, std::string& text)> OnGetExportText;
  std::function<void(TQExport* sender, TQExportRow& row, bool& accept)> OnBeforeExportRow;
  std::function<void(TQExport* sender, int recNo, int colNo, const std::string& value,
                     TQExportColAlign& align, Font& font, platform::TColor& background)>
      OnGetCellParams;
  // Names the current record in messages (UTF-8, e.g. "Le film « … »"); when
  // it leaves the label empty, the record is named by its number.
  std::function<void(TQExport* sender, std::string& label)> OnGetRecordLabel;

  // Runs a complete export to the exporter's destination.
  virtual void Execute() {}
  // Runs the export loop on a stream (not owned).
  virtual void ExportToStream(platform::Stream& stream);
  virtual void Abort();
  virtual void SaveToIni(platform::IniFile& ini);
  virtual void LoadFromIni(const platform::IniFile& ini);

  // The current record as messages name it.
  std::string RecordLabel();
  // A linked source is being destroyed: the links to it are cleared.
  virtual void Notification(const void* removed);

  TQExportColumns& Columns() { return m_columns; }
  TQExportRow& Row() { return m_row; }
  TQExportWriter* Writer() { return m_writer.get(); }
  int RecordCounter() const { return m_recordCounter; }
  bool Aborted() const { return m_aborted; }

  // The text travels as UTF-8; the file's encoding is the format's. While an
  // export runs, Encoder() converts to it (the writer uses it unless the
  // format writes bytes of its own).
  virtual std::string TextEncoding() const { return "WINDOWS-1252"; }
  platform::TextEncoder* Encoder() { return m_encoder.get(); }
  // After an export: how many characters the file's encoding could not hold
  // and were written as "?", and the first records they were in.
  int64_t ReplacedCharacters() const { return m_replaced; }
  const std::vector<std::string>& ReplacedIn() const { return m_replacedIn; }
  // That count said in French for the end of the export ("" when none).
  std::string ReplacementNote() const;

  // The options the columns read, by published name: what this class offers.
  virtual void GetColumnOptions(ColumnOptions& options) const;

 protected:
  virtual std::unique_ptr<TQExportWriter> CreateWriter(platform::Stream& stream);
  // How what the encoding cannot hold is written; whether the writer converts
  // (false for formats whose files hold bytes of their own: they convert
  // their texts with Encoder()).
  virtual platform::TextEncoder::Unholdable UnholdableAs() const {
    return platform::TextEncoder::Unholdable::Question;
  }
  // Writes the rest of the file in another encoding (before anything is
  // written: a format that chooses its encoding from the texts it holds).
  void SwitchTextEncoding(const std::string& name);
  // Why a character became "?", as the note says it ("1 caractère <why>
  // remplacé par « ? »").
  virtual std::string UnholdableWhy() const {
    return "que l'encodage du fichier ne peut pas écrire";
  }
  virtual bool WriterEncodes() const { return true; }
  virtual void BeginExport();
  virtual void BeforeExport() {}
  virtual void AfterExport() {}
  virtual void EndExport();
  virtual bool EndOfSource();
  virtual std::string GetCaptionRow();
  virtual void WriteCaptionRow() {}
  virtual void FillExportRow();
  virtual std::string GetDataRow(bool formatted);
  virtual void WriteDataRow() {}
  virtual std::string GetColCaption(int index);
  virtual void GetColData(TQExportCol& col, std::string& text) { (void)col, (void)text; }
  // The characters EscapeText replaces.
  virtual std::set<char> GetSpecialChars() { return {}; }
  // Whether data cells go through EscapeText: every format that escapes text,
  // whether or not it lists its special characters.
  virtual bool EscapesText() { return !GetSpecialChars().empty(); }
  virtual std::string EscapeText(const std::string& text) { return text; }
  virtual void DoGetCellParams(int recNo, int colNo, const std::string& value,
                               TQExportColAlign& align, Font& font, platform::TColor& background);

  // The source operations of the loop.
  SourceAccess Source() const;
  bool CanContinue();
  void SourceFirst();
  void SourceNext();

  int m_recordCounter = 0;
  bool m_aborted = false;
  SourceAccess m_source;

 private:
  void Loop();

  TQExportColumns m_columns;
  TQExportRow m_row;
  std::unique_ptr<TQExportWriter> m_writer;
  std::unique_ptr<platform::TextEncoder> m_encoder;
  int64_t m_replaced = 0;
  std::vector<std::string> m_replacedIn;
  std::vector<TQExportCol*> m_cellOfColumn;
};

// Output to a named file, opened or printed afterwards.
class TQExportText : public TQExport {
 public:
  std::string FileName;  // UTF-8
  bool ShowFile = false;
  bool PrintFile = false;
  Shell* UseShell = nullptr;  // the default shell when null

  // Creates the directory when missing ("Répertoire non trouvé : …", naming
  // the folder and the cause, when that fails) and runs the loop into a temporary file that
  // replaces FileName once complete; on a failure FileName keeps its earlier content.
  void Execute() override;
  void SaveToIni(platform::IniFile& ini) override;
  void LoadFromIni(const platform::IniFile& ini) override;

 protected:
  // The directory of FileName (the program's own when it has none), created
  // with its parents when missing; "Répertoire non trouvé" when that fails.
  void MakeTargetDirectory() const;
  virtual void ShowResult();
  virtual std::string GetShowedFileName() { return FileName; }
  virtual std::string GetPrintedFileName() { return FileName; }
};

class TQExportAdvancedText : public TQExportText {
 public:
  void SaveToIni(platform::IniFile& ini) override;
  void LoadFromIni(const platform::IniFile& ini) override;
};

class TQExportFormatText : public TQExportAdvancedText {
 public:
  void SaveToIni(platform::IniFile& ini) override;
  void LoadFromIni(const platform::IniFile& ini) override;
  void GetColumnOptions(ColumnOptions& options) const override;
};

// Output to memory, then to the clipboard.
class TQExportMemory : public TQExport {
 public:
  Clipboard* UseClipboard = nullptr;
  void Execute() override;
};

// List sections of settings files: "field0", "line0", ... in order.
void WriteListSection(platform::IniFile& ini, std::string_view section, const StringList& list,
                      std::string_view keyPrefix);
void ReadListSection(const platform::IniFile& ini, std::string_view section, StringList& list);
// The same for name=value lists stored as name keys (captions, widths, ...).
void WriteNameValueSection(platform::IniFile& ini, std::string_view section,
                           const StringList& list);
void ReadNameValueSection(const platform::IniFile& ini, std::string_view section, StringList& list);

}  // namespace kvn::exporting
