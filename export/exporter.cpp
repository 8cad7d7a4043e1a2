#include "export/exporter.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <mutex>
#include <thread>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/file_info.h"
#include "platform/output_file.h"
#include "platform/output_set.h"
#include "platform/strings.h"

extern char** environ;

namespace kvn::exporting {

namespace {
// Where a test may stop an export in the middle of its rows.
constexpr int kPauseRow = 1000;
// How many records the note on replaced characters names.
constexpr size_t kReplacedListed = 5;
}  // namespace

namespace {

class ProcessShell : public Shell {
 public:
  void Open(const std::string& path) override { Run("xdg-open", path); }
  void Print(const std::string& path) override { Run("lp", path); }

 private:
  // The program gets the path as an argument of its own: no shell is involved.
  static void Run(const char* program, const std::string& path) {
    pid_t pid;
    char* argv[] = {const_cast<char*>(program), const_cast<char*>(path.c_str()), nullptr};
    if (posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) == 0) {
      // The program runs on its own; a thread waits for its end, so that no
      // finished child is left behind.
      std::thread([pid] {
        int status;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
      }).detach();
    }
  }
};

}  // namespace

ExportAborted::ExportAborted(const std::string& fileName)
    : Error(fileName.empty()
                ? std::string("Export annulé : le Presse-papiers n'a pas été modifié.")
                : platform::Subst("Export annulé : le fichier \"%s\" n'a pas été modifié.",
                                  {fileName})) {}

Shell& DefaultShell() {
  static ProcessShell shell;
  return shell;
}

namespace {

// The exporters alive, told when a source they may link to is destroyed.
std::mutex g_liveMutex;
std::set<TQExport*>& Live() {
  static std::set<TQExport*> live;
  return live;
}

}  // namespace

void NotifySourceDestroyed(const void* source) {
  std::vector<TQExport*> live;
  {
    std::lock_guard<std::mutex> lock(g_liveMutex);
    live.assign(Live().begin(), Live().end());
  }
  for (TQExport* e : live) e->Notification(source);
}

void TQExport::Notification(const void* removed) {
  if (DataSet == removed) DataSet = nullptr;
  if (ListView == removed) ListView = nullptr;
  if (DBGrid == removed) DBGrid = nullptr;
  if (StringGrid == removed) StringGrid = nullptr;
}

TQExport::TQExport()
    : m_columns([this](ColumnOptions& o) { GetColumnOptions(o); },
                [this](const std::string& s) { return EscapeText(s); }),
      m_row(m_columns, Formats, [this](TQExportCol& c, std::string& t) { GetColData(c, t); }) {
  static const bool installed = [] {
    db::DataSet::SetDestroyedListener([](const db::DataSet* d) { NotifySourceDestroyed(d); });
    return true;
  }();
  (void)installed;
  std::lock_guard<std::mutex> lock(g_liveMutex);
  Live().insert(this);
}

TQExport::~TQExport() {
  std::lock_guard<std::mutex> lock(g_liveMutex);
  Live().erase(this);
}

void TQExport::GetColumnOptions(ColumnOptions& o) const {
  o.ExportedFields = &ExportedFields;
  o.MemoFields = MemoFields;
  o.Source = Source();
  o.OnlyVisibleFields = OnlyVisibleFields;
  o.AutoCalcStrType = AutoCalcStrType;
  o.CaptionRow = CaptionRow;
}

void TQExportFormatText::GetColumnOptions(ColumnOptions& o) const {
  TQExport::GetColumnOptions(o);
  o.Formats = &Formats;
  o.UserFormats = &UserFormats;
  o.Captions = &Captions;
}

SourceAccess TQExport::Source() const {
  return SourceOf(*this);
}

std::unique_ptr<TQExportWriter> TQExport::CreateWriter(platform::Stream& stream) {
  return std::make_unique<TQExportWriter>(this, stream);
}

void TQExport::BeginExport() {
  m_columns.SetEscapes(EscapesText());
  m_columns.Clear();
  m_columns.Fill(false);
  m_row.Clear();
  for (size_t i = 0; i < m_columns.Count(); ++i)
    m_row.AddCol(m_columns[i].Name, static_cast<int>(i));
  m_row.IndexNames();
  m_cellOfColumn.clear();
  for (size_t i = 0; i < m_columns.Count(); ++i)
    m_cellOfColumn.push_back(m_row.CellByName(m_columns[i].Name));
  m_aborted = false;
  LimitCountsToListView(*this);
  m_source = Source();
  if (OnBeginExport) OnBeginExport(this);
}

void TQExport::EndExport() {
  if (OnEndExport) OnEndExport(this);
}

bool TQExport::EndOfSource() {
  return m_source.End(m_recordCounter);
}

std::string TQExport::GetColCaption(int index) {
  return EscapeText(m_columns[static_cast<size_t>(index)].Caption);
}

std::string TQExport::GetCaptionRow() {
  std::string row;
  for (size_t i = 0; i < m_columns.Count(); ++i) row += GetColCaption(static_cast<int>(i));
  return row;
}

void TQExport::FillExportRow() {
  FillRowFromSource(m_source, m_columns, m_cellOfColumn, m_recordCounter);
}

std::string TQExport::GetDataRow(bool formatted) {
  std::string row;
  for (size_t i = 0; i < m_row.Count(); ++i) row += m_row[i].GetExportedValue(formatted);
  return row;
}

void TQExport::DoGetCellParams(int recNo, int colNo, const std::string& value,
                               TQExportColAlign& align, Font& font, platform::TColor& background) {
  if (OnGetCellParams) OnGetCellParams(this, recNo, colNo, value, align, font, background);
}

void TQExport::Abort() {
  m_aborted = true;
}

std::string TQExport::RecordLabel() {
  std::string label;
  if (OnGetRecordLabel) OnGetRecordLabel(this, label);
  if (label.empty())
    label = platform::Subst("L'enregistrement n° %s", {std::to_string(m_recordCounter + 1)});
  return label;
}

bool TQExport::CanContinue() {
  bool flag = !m_aborted;
  if (OnStopExport) OnStopExport(this, flag);
  m_aborted = !flag;
  return flag;
}

void TQExport::SourceFirst() {
  m_source.First();
  m_recordCounter = 0;
}

void TQExport::SourceNext() {
  m_source.Next(m_recordCounter);
}

void TQExport::ExportToStream(platform::Stream& stream) {
  m_replaced = 0;
  m_replacedIn.clear();
  // An encoding the system does not know stops the export before anything is written.
  m_encoder = std::make_unique<platform::TextEncoder>(TextEncoding(), UnholdableAs());
  m_writer = CreateWriter(stream);
  if (WriterEncodes()) m_writer->SetEncoder(m_encoder.get());
  struct Release {
    TQExport& e;
    ~Release() {
      if (e.m_encoder) e.m_replaced = e.m_encoder->Replaced();
      e.m_writer.reset();
      e.m_encoder.reset();
    }
  } release{*this};
  Loop();
}

void TQExport::SwitchTextEncoding(const std::string& name) {
  m_encoder = std::make_unique<platform::TextEncoder>(name, UnholdableAs());
  if (m_writer && WriterEncodes()) m_writer->SetEncoder(m_encoder.get());
}

std::string TQExport::ReplacementNote() const {
  if (m_replaced == 0) return {};
  std::string where;
  for (const std::string& label : m_replacedIn) where += (where.empty() ? "" : ", ") + label;
  if (m_replacedIn.size() == kReplacedListed) where += "…";
  return platform::Subst(
      "%s caractère%s %s remplacé%s par « ? » (%s).",
      {std::to_string(m_replaced), m_replaced > 1 ? "s" : "", UnholdableWhy(),
       m_replaced > 1 ? "s" : "", where.empty() ? "en-têtes ou légendes" : where});
}

void TQExport::Loop() {
  m_recordCounter = 0;
  m_source = Source();
  const std::string name = SourceName(ExportSource);
  if (!m_source.Linked()) throw Error(platform::Subst("La source (%s) n'est pas liée", {name}));
  if (!m_source.Active()) throw Error(platform::Subst("La source (%s) est fermée", {name}));

  SourceWalk walk(m_source);
  if (!ExportEmpty && m_source.Empty())
    throw Error(platform::Subst("La source (%s) est vide", {name}));

  BeginExport();
  if (m_aborted) return;
  if (AutoCalcColWidth) {
    m_columns.AutoCalcColWidth();
    if (m_aborted) return;
  }

  // From here EndExport runs on every way out.
  try {
    [&] {
      if (AllowCaptions) {
        WriteCaptionRow();
        if (m_aborted) return;
      }
      if (GoToFirstRecord) SourceFirst();
      BeforeExport();
      if (m_aborted) return;
      // Skipping ends with the source, and the stop button works here too.
      for (int i = 0; i < SkipRecCount && !EndOfSource(); ++i) {
        if (m_aborted && !CanContinue()) break;
        SourceNext();
        if (OnSkippedRecord) OnSkippedRecord(this, m_recordCounter);
      }
      if (m_aborted) return;
      m_recordCounter = 0;
      while (!EndOfSource() && (ExportRecCount == 0 || m_recordCounter < ExportRecCount)) {
        if (m_aborted && !CanContinue()) break;
        bool accept = true;
        try {
          FillExportRow();
          if (OnBeforeExportRow) OnBeforeExportRow(this, m_row, accept);
          const int64_t before = m_encoder ? m_encoder->Replaced() : 0;
          if (accept) WriteDataRow();
          if (m_encoder && m_encoder->Replaced() > before && m_replacedIn.size() < kReplacedListed)
            m_replacedIn.push_back(RecordLabel());
        } catch (const ValueError& e) {
          throw Error(ValueErrorMessage(RecordLabel(), e));
        }
        if (accept && OnExportedRecord) OnExportedRecord(this, m_recordCounter);
        if (m_recordCounter == kPauseRow) platform::PausePointForTests("export-rows");
        if (CurrentRecordOnly) break;
        SourceNext();
      }
      AfterExport();
    }();
  } catch (...) {
    try {
      EndExport();
    } catch (...) {
    }
    throw;
  }
  EndExport();
}

// ----------------------------------------------------------------- settings

void WriteListSection(platform::IniFile& ini, std::string_view section, const StringList& list,
                      std::string_view keyPrefix) {
  ini.EraseSection(section);
  for (size_t i = 0; i < list.Count(); ++i)
    ini.WriteString(section, std::string(keyPrefix) + std::to_string(i), list[i]);
}

void ReadListSection(const platform::IniFile& ini, std::string_view section, StringList& list) {
  list.Clear();
  for (const auto& key : ini.ReadSection(section)) list.Add(ini.ReadString(section, key, ""));
}

void WriteNameValueSection(platform::IniFile& ini, std::string_view section,
                           const StringList& list) {
  ini.EraseSection(section);
  for (const auto& line : list)
    ini.WriteString(section, StringList::NameOf(line), StringList::ValueOf(line));
}

void ReadNameValueSection(const platform::IniFile& ini, std::string_view section,
                          StringList& list) {
  list.Clear();
  for (const auto& key : ini.ReadSection(section))
    list.Add(key + "=" + ini.ReadString(section, key, ""));
}

void TQExport::SaveToIni(platform::IniFile& ini) {
  ini.WriteBool("GENERAL", "GoToFirstRecord", GoToFirstRecord);
  ini.WriteBool("GENERAL", "ExportEmpty", ExportEmpty);
  ini.WriteBool("GENERAL", "CurrentRecordOnly", CurrentRecordOnly);
  ini.WriteInteger("GENERAL", "ExportRecCount", ExportRecCount);
  ini.WriteInteger("GENERAL", "SkipRecCount", SkipRecCount);
  ini.WriteBool("GENERAL", "OnlyVisibleFields", OnlyVisibleFields);
  ini.WriteBool("GENERAL", "AutocalcStrType", AutoCalcStrType);
  ini.WriteInteger("GENERAL", "CaptionRow", CaptionRow);
  WriteListSection(ini, "FIELDS", ExportedFields, "field");
}

void TQExport::LoadFromIni(const platform::IniFile& ini) {
  GoToFirstRecord = ini.ReadBool("GENERAL", "GoToFirstRecord", GoToFirstRecord);
  ExportEmpty = ini.ReadBool("GENERAL", "ExportEmpty", ExportEmpty);
  CurrentRecordOnly = ini.ReadBool("GENERAL", "CurrentRecordOnly", CurrentRecordOnly);
  ExportRecCount = static_cast<int>(ini.ReadInteger("GENERAL", "ExportRecCount", ExportRecCount));
  SkipRecCount = static_cast<int>(ini.ReadInteger("GENERAL", "SkipRecCount", SkipRecCount));
  OnlyVisibleFields = ini.ReadBool("GENERAL", "OnlyVisibleFields", OnlyVisibleFields);
  AutoCalcStrType = ini.ReadBool("GENERAL", "AutocalcStrType", AutoCalcStrType);
  CaptionRow = static_cast<int>(ini.ReadInteger("GENERAL", "CaptionRow", CaptionRow));
  ReadListSection(ini, "FIELDS", ExportedFields);
}

void TQExportText::SaveToIni(platform::IniFile& ini) {
  TQExport::SaveToIni(ini);
  ini.WriteString("GENERAL", "FileName", FileName);
  ini.WriteBool("GENERAL", "ShowFile", ShowFile);
  ini.WriteBool("GENERAL", "PrintFile", PrintFile);
}

void TQExportText::LoadFromIni(const platform::IniFile& ini) {
  TQExport::LoadFromIni(ini);
  FileName = ini.ReadString("GENERAL", "FileName", FileName);
  ShowFile = ini.ReadBool("GENERAL", "ShowFile", ShowFile);
  PrintFile = ini.ReadBool("GENERAL", "PrintFile", PrintFile);
}

void TQExportAdvancedText::SaveToIni(platform::IniFile& ini) {
  TQExportText::SaveToIni(ini);
  WriteListSection(ini, "HEADER", Header, "line");
  WriteListSection(ini, "FOOTER", Footer, "line");
}

void TQExportAdvancedText::LoadFromIni(const platform::IniFile& ini) {
  TQExportText::LoadFromIni(ini);
  ReadListSection(ini, "HEADER", Header);
  ReadListSection(ini, "FOOTER", Footer);
}

void TQExportFormatText::SaveToIni(platform::IniFile& ini) {
  TQExportAdvancedText::SaveToIni(ini);
  ini.WriteBool("GENERAL", "AllowCaptions", AllowCaptions);
  WriteListSection(ini, "CAPTIONS", Captions, "line");
  auto w = [&](const char* key, const std::string& v) { ini.WriteString("FORMATS", key, v); };
  w("Integer", Formats.IntegerFormat());
  w("Float", Formats.FloatFormat());
  w("Date", Formats.DateFormat());
  w("Time", Formats.TimeFormat());
  w("DateTime", Formats.DateTimeFormat());
  w("Currency", Formats.CurrencyFormat());
  w("BooleanTrue", Formats.BooleanTrue());
  w("BooleanFalse", Formats.BooleanFalse());
  w("NullString", Formats.NullString());
  WriteListSection(ini, "USER_FORMATS", UserFormats, "line");
}

void TQExportFormatText::LoadFromIni(const platform::IniFile& ini) {
  TQExportAdvancedText::LoadFromIni(ini);
  AllowCaptions = ini.ReadBool("GENERAL", "AllowCaptions", AllowCaptions);
  ReadListSection(ini, "CAPTIONS", Captions);
  auto r = [&](const char* key, const std::string& current) {
    return ini.ReadString("FORMATS", key, current);
  };
  Formats.SetIntegerFormat(r("Integer", Formats.IntegerFormat()));
  Formats.SetFloatFormat(r("Float", Formats.FloatFormat()));
  Formats.SetDateFormat(r("Date", Formats.DateFormat()));
  Formats.SetTimeFormat(r("Time", Formats.TimeFormat()));
  Formats.SetDateTimeFormat(r("DateTime", Formats.DateTimeFormat()));
  Formats.SetCurrencyFormat(r("Currency", Formats.CurrencyFormat()));
  Formats.SetBooleanTrue(r("BooleanTrue", Formats.BooleanTrue()));
  Formats.SetBooleanFalse(r("BooleanFalse", Formats.BooleanFalse()));
  Formats.SetNullString(r("NullString", Formats.NullString()));
  ReadListSection(ini, "USER_FORMATS", UserFormats);
}

// ----------------------------------------------------------------- destinations

void TQExportText::MakeTargetDirectory() const {
  // A catalogue file is refused before anything, a folder included, is made.
  platform::CheckOutputTarget(FileName);
  std::string dir = platform::ExtractFilePath(FileName);
  if (dir.empty()) dir = platform::ExecutableDirectory();
  if (!platform::DirectoryExists(dir)) {
    // The whole path is checked before the first folder is made, and a
    // failure on the way leaves no folder behind.
    if (const std::string why = platform::MakeFolders(dir); !why.empty())
      throw Error(
          platform::Subst("Répertoire non trouvé : \"%s\" ne peut pas être créé : %s", {dir, why}));
  }
}

void TQExportText::Execute() {
  MakeTargetDirectory();
  {
    // The earlier file is replaced only by a complete export: a failure or
    // an export the user stops leaves it as it was.
    platform::OutputFile file(FileName);
    ExportToStream(file.Stream());
    if (m_aborted) throw ExportAborted(FileName);
    file.Commit();
  }
  ShowResult();
}

void TQExportText::ShowResult() {
  if (m_aborted) return;
  Shell& shell = UseShell ? *UseShell : DefaultShell();
  if (ShowFile) shell.Open(GetShowedFileName());
  if (PrintFile) shell.Print(GetPrintedFileName());
}

void TQExportMemory::Execute() {
  platform::MemoryStream memory;
  ExportToStream(memory);
  if (m_aborted) throw ExportAborted(std::string());
  if (!UseClipboard) throw Error("Impossible d'ouvrir le Presse-papiers");
  UseClipboard->SetText(memory.Data());
}

}  // namespace kvn::exporting
