#include "catalogue/catalogue_export.h"

#include "catalogue/catalogue_files.h"
#include "db/table.h"
#include "export/html/html_export.h"
#include "export/options_file.h"
#include "export/pdf/pdf_export.h"
#include "export/registry.h"
#include "export/rtf/rtf_export.h"
#include "export/sql/sql_export.h"
#include "export/text/ascii_export.h"
#include "export/xls/xls_export.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/file_info.h"
#include "platform/ini_file.h"
#include "platform/strings.h"

namespace kvn::catalogue {

std::string ExportTypeNames() {
  std::string names;
  for (const auto& t : exporting::ExportTypes()) names += (names.empty() ? "" : " ") + t.name;
  return names;
}

exporting::ExportDialogSettings MainWindowExportSettings(db::DataSet& table,
                                                         const std::string& directory) {
  exporting::ExportDialogSettings s;
  s.DataSet = &table;
  s.FileName = directory + "video.xls";
  s.CSVOptions.Comma = ';';
  exporting::TQExportPDFPageOptions& page = s.PDFOptions.PageOptions;
  page.SetMarginLeft(1.17);
  page.SetMarginRight(0.57);
  page.SetMarginTop(0.78);
  page.SetMarginBottom(0.78);
  s.XLSOptions.Options.PageFooter = "Page &P of &N";
  s.XLSOptions.Options.SetSheetTitle("Films");
  // Durations keep their seconds; whole numbers (the index, the discs) are
  // plain digits a spreadsheet reads as numbers.
  s.Formats.SetTimeFormat("hh:nn:ss");
  s.Formats.SetIntegerFormat("0");
  s.UserFormats.Add("Nb_cd=0");
  exporting::TQExportHTMLNavigation& nav = s.HTMLMultiFileOptions.Navigation;
  nav.IndexLinkTitle = "Sommaire";
  nav.FirstLinkTitle = "Première";
  nav.PriorLinkTitle = "Précédente";
  nav.NextLinkTitle = "Suivante";
  nav.LastLinkTitle = "Dernière";
  s.XLSOptions.Options.CaptionsFormat.Font.Style.Include(exporting::xfsBold);
  exporting::Font font;
  font.name = "MS Sans Serif";
  font.size = 8;
  font.color = platform::clWindowText;
  s.RTFOptions.DefaultFont = font;
  s.RTFOptions.HeaderFont = font;
  s.HTMLPageOptions.Options.TextFont.name = "Arial";
  s.HTMLPageOptions.Options.TextFont.size = 8;
  s.HTMLPageOptions.Options.TextFont.color = platform::clWhite;
  // The film's summary is part of the film: exported with the other fields.
  s.MemoFields = true;
  return s;
}

std::string RunCatalogueExport(const ExportRequest& request, int& films, std::string* note) {
  const exporting::ExportType* type = exporting::FindExportType(request.type);
  if (!type)
    throw Error(platform::Subst("Type d'export inconnu : %s (types : %s)",
                                {request.type, ExportTypeNames()}));
  std::string dir = request.directory.empty() ? "." : request.directory;
  if (dir.back() != '/') dir += '/';

  ProtectCatalogueFiles(dir);
  db::Database database(dir);
  // One state of the catalogue for the whole run: the rows are listed and read
  // within one read transaction.
  db::ReadTransaction snapshot(database);
  db::Table table(database);
  table.SetTableName("Video");
  // The window's title order, whatever index the catalogue holds (one made
  // by another program may have a plain one).
  table.SetSortField("Titre");
  table.Open();

  // The dialog's choices, as the main window opens it, with the command's type;
  // an options file saved by the dialog sets the rest, read as the dialog reads it.
  exporting::ExportChoices choices(MainWindowExportSettings(table, dir));
  choices.SetType(type->number);
  if (!request.optionsFile.empty()) {
    if (!platform::FileExists(request.optionsFile))
      throw Error(platform::Subst("Fichier d'options introuvable : \"%s\"", {request.optionsFile}));
    platform::IniFile ini(request.optionsFile);
    choices.LoadOptions(ini, false);
  }
  if (!request.output.empty()) choices.FileName = request.output;
  if (!request.encoding.empty()) {
    // Only the types whose files can be written in another encoding take one;
    // a name the system does not know is refused before anything is written.
    if (!platform::IsKnownEncoding(request.encoding) && !exporting::IsUtf8WithBom(request.encoding))
      throw Error(platform::Subst(
          "Encodage inconnu : « %s » (le système ne sait pas écrire ce jeu de caractères).",
          {request.encoding}));
    switch (type->number) {
      case exporting::aeTXT:
      case exporting::aeCSV:
        choices.ASCIIExp.Encoding = request.encoding;
        break;
      case exporting::aeHTML:
        choices.HTMLExp.Encoding = request.encoding;
        break;
      case exporting::aeXML:
        choices.XMLExp.Options.Encoding = request.encoding;
        break;
      case exporting::aeSQL:
        choices.SQLExp.Encoding = request.encoding;
        break;
      default:
        throw Error(platform::Subst(
            "L'export %s n'a qu'un encodage : --encoding vaut pour txt, csv, html, xml et sql.",
            {request.type}));
    }
  }
  // A name given with -o is taken as it is; the options file's name gets the
  // extension of the type asked for (a CSV options file used for a PDF export
  // writes mes_films.pdf, never over mes_films.csv).
  auto& exporter =
      dynamic_cast<exporting::TQExportText&>(choices.PrepareExport(request.output.empty()));
  exporter.ShowFile = false;
  exporter.PrintFile = false;

  exporter.OnGetRecordLabel = [&table](exporting::TQExport*, std::string& label) {
    label = FilmLabel(table);
  };
  int exported = 0;
  exporter.OnExportedRecord = [&exported](exporting::TQExport*, int) { ++exported; };
  exporter.Execute();
  films = exported;
  if (note) *note = exporter.ReplacementNote();
  return exporter.FileName;
}

}  // namespace kvn::catalogue
