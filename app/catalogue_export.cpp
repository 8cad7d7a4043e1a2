#include "app/catalogue_export.h"

#include "app/catalogue_files.h"
#include "db/table.h"
#include "export/options_file.h"
#include "export/html/html_export.h"
#include "export/registry.h"
#include "export/pdf/pdf_export.h"
#include "export/rtf/rtf_export.h"
#include "export/sql/sql_export.h"
#include "export/text/ascii_export.h"
#include "export/xls/xls_export.h"
#include "platform/error.h"
#include "platform/file_info.h"
#include "platform/ini_file.h"
#include "platform/strings.h"

namespace kvn::app {

std::string ExportTypeNames() {
  std::string names;
  for (const auto& t : exporting::ExportTypes()) names += (names.empty() ? "" : " ") + t.name;
  return names;
}

namespace {

// The main window's presets of the export dialog.
void ApplyMainWindowPresets(exporting::TQExport& e) {
  if (auto* ascii = dynamic_cast<exporting::TQExportASCII*>(&e)) ascii->CSVComma = ';';
  if (auto* rtf = dynamic_cast<exporting::TQExportRTF*>(&e)) {
    exporting::Font font;
    font.name = "MS Sans Serif";
    font.size = 8;
    font.color = platform::clWindowText;
    rtf->Options.DefaultFont = font;
    rtf->Options.HeaderFont = font;
  }
  if (auto* html = dynamic_cast<exporting::TQExportHTML*>(&e)) {
    html->HTMLOptions.TextFont.name = "Arial";
    html->HTMLOptions.TextFont.size = 8;
    html->HTMLOptions.TextFont.color = platform::clWhite;
  }
  if (auto* pdf = dynamic_cast<exporting::TQExportPDF*>(&e)) {
    exporting::TQExportPDFPageOptions& page = pdf->Options.PageOptions;
    page.SetMarginLeft(1.17);
    page.SetMarginRight(0.57);
    page.SetMarginTop(0.78);
    page.SetMarginBottom(0.78);
  }
  // The script inserts into a table of the catalogue's name, so that it runs
  // as it is.
  if (auto* sql = dynamic_cast<exporting::TQExportSQL*>(&e)) sql->TableName = "video";
}

}  // namespace

std::string RunCatalogueExport(const ExportRequest& request, int& films) {
  const exporting::ExportType* type = exporting::FindExportType(request.type);
  if (!type)
    throw Error(platform::Subst("Type d'export inconnu : %s (types : %s)", {request.type, ExportTypeNames()}));
  std::string dir = request.directory.empty() ? "." : request.directory;
  if (dir.back() != '/') dir += '/';

  ProtectCatalogueFiles(dir);
  db::Database database(dir);
  // One state of the catalogue for the whole run: the rows are listed and read
  // within one read transaction.
  db::ReadTransaction snapshot(database);
  db::Table table(database);
  table.SetTableName("Video");
  table.SetIndexName("idTitre");
  table.Open();

  std::unique_ptr<exporting::TQExportText> exporter = type->create();
  exporter->DataSet = &table;
  ApplyMainWindowPresets(*exporter);
  exporter->FileName = dir + "video." + type->extension;
  if (!request.optionsFile.empty()) {
    if (!platform::FileExists(request.optionsFile))
      throw Error(platform::Subst("Fichier d'options introuvable : \"%s\"", {request.optionsFile}));
    platform::IniFile ini(request.optionsFile);
    exporting::ApplyOptionsFile(ini, type->number, table, *exporter);
    std::string fromFile = ini.ReadString("GENERAL", "FileName", "");
    if (!fromFile.empty()) exporter->FileName = fromFile;
  } else if (auto* xls = dynamic_cast<exporting::TQExportXLS*>(exporter.get())) {
    exporting::ApplyXlsPage(nullptr, table, *xls);
  }
  if (!request.output.empty()) exporter->FileName = request.output;
  exporter->ShowFile = false;
  exporter->PrintFile = false;

  exporter->OnGetRecordLabel = [&table](exporting::TQExport*, std::string& label) { label = FilmLabel(table); };
  int exported = 0;
  exporter->OnExportedRecord = [&exported](exporting::TQExport*, int) { ++exported; };
  exporter->Execute();
  films = exported;
  return exporter->FileName;
}

}  // namespace kvn::app
