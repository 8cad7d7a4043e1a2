// Reading the files films come from: delimited texts of every usual shape,
// spreadsheets written by LibreOffice, the collection files of GCstar and
// Tellico (small files written by hand from their documented formats).
#include "import/import_reader.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kvn::importing {
namespace {

using Cells = std::vector<std::string>;

std::vector<Cells> CellsOf(const ImportTable& t) {
  std::vector<Cells> rows;
  for (const ImportRow& r : t.rows) rows.push_back(r.cells);
  return rows;
}

TEST(ImportReader, DelimitedTextsAreCutAsWritten) {
  struct Case {
    const char* name;
    std::string bytes;
    char delimiter;
    char quote;
    const char* encoding;
  } cases[] = {
      {"semicolons, Windows-1252",
       "Titre;Ann\xe9"
       "e\r\nAm\xe9lie;2001\r\nLe \"Grand\" bleu;1988\r\n",
       ';', '"', "Windows-1252"},
      {"commas, UTF-8 with BOM, quoted",
       "\xEF\xBB\xBFTitre,Année\n\"Amélie\",2001\n\"Le \"\"Grand\"\" bleu\",1988\n", ',', '"',
       "UTF-8"},
      {"tabs, UTF-8", "Titre\tAnnée\nAmélie\t2001\nLe \"Grand\" bleu\t1988\n", '\t', '"', "UTF-8"},
      {"bars, single quotes", "'Titre'|'Année'\n'Amélie'|2001\n'Le \"Grand\" bleu'|1988\n", '|',
       '\'', "UTF-8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TextOptions options = DetectTextOptions(c.bytes);
    EXPECT_EQ(options.delimiter, c.delimiter);
    EXPECT_EQ(options.quote, c.quote);
    EXPECT_EQ(options.encoding, c.encoding);
    const ImportTable t = ReadDelimitedText(c.bytes, options);
    EXPECT_EQ(t.columns, (Cells{"Titre", "Année"}));
    EXPECT_EQ(CellsOf(t), (std::vector<Cells>{{"Amélie", "2001"}, {"Le \"Grand\" bleu", "1988"}}));
  }
}

TEST(ImportReader, QuotedValuesKeepTheirLinesAndLineNumbersFollowTheFile) {
  const std::string text =
      "Titre;Résumé;Note\r\n"
      "\"Zazie\";\"Paris ; 1960\r\nune gamine\";8\r\n"
      "\r\n"
      "  Casino  ;;\r\n"
      "\"Fin\";\"\";\r\n";
  const ImportTable t = ReadDelimitedText(text, {';', '"', "UTF-8"});
  ASSERT_EQ(t.rows.size(), 3u);
  EXPECT_EQ(t.rows[0].cells, (Cells{"Zazie", "Paris ; 1960\nune gamine", "8"}));
  EXPECT_EQ(t.rows[0].line, 2);
  // A blank line is no film; the next row says where it is in the file.
  EXPECT_EQ(t.rows[1].cells, (Cells{"Casino", "", ""}));
  EXPECT_EQ(t.rows[1].line, 5);
  EXPECT_EQ(t.rows[2].line, 6);
  // UTF-16 with its mark is decoded; text that is not the encoding named is refused.
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("Titre\nA\n")) utf16 += std::string{c, '\0'};
  EXPECT_EQ(DetectTextOptions(utf16).encoding, "UTF-16LE");
  EXPECT_EQ(ReadDelimitedText(utf16, DetectTextOptions(utf16)).rows.at(0).cells, Cells{"A"});
  try {
    ReadDelimitedText("Titre\nAm\xe9lie\n", {';', '"', "UTF-8"});
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Le fichier n'est pas écrit en UTF-8 : choisissez son encodage (Windows-1252 par "
              "exemple).");
  }
}

// One sheet written as a flat OpenDocument file with every kind of cell,
// converted by LibreOffice into the three workbook formats.
TEST(ImportReader, SpreadsheetsWrittenByLibreOffice) {
  test::TempDir dir;
  const std::string fods = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:automatic-styles>
 <number:date-style style:name="D"><number:day number:style="long"/><number:text>/</number:text><number:month number:style="long"/><number:text>/</number:text><number:year number:style="long"/></number:date-style>
 <number:time-style style:name="T"><number:hours number:style="long"/><number:text>:</number:text><number:minutes number:style="long"/><number:text>:</number:text><number:seconds number:style="long"/></number:time-style>
 <style:style style:name="cd" style:family="table-cell" style:data-style-name="D"/>
 <style:style style:name="ct" style:family="table-cell" style:data-style-name="T"/>
</office:automatic-styles>
<office:body><office:spreadsheet><table:table table:name="Films">
<table:table-row>
 <table:table-cell office:value-type="string"><text:p>Titre</text:p></table:table-cell>
 <table:table-cell office:value-type="string"><text:p>Année</text:p></table:table-cell>
 <table:table-cell office:value-type="string"><text:p>Durée</text:p></table:table-cell>
 <table:table-cell office:value-type="string"><text:p>Prêté le</text:p></table:table-cell>
 <table:table-cell office:value-type="string"><text:p>Résumé</text:p></table:table-cell>
 <table:table-cell office:value-type="string"><text:p>EAN</text:p></table:table-cell>
</table:table-row>
<table:table-row>
 <table:table-cell office:value-type="string"><text:p>Le Fabuleux Destin d'Amélie Poulain</text:p></table:table-cell>
 <table:table-cell office:value-type="float" office:value="2001"><text:p>2001</text:p></table:table-cell>
 <table:table-cell table:style-name="ct" office:value-type="time" office:time-value="PT02H02M30S"><text:p>02:02:30</text:p></table:table-cell>
 <table:table-cell table:style-name="cd" office:value-type="date" office:date-value="2024-03-01"><text:p>01/03/2024</text:p></table:table-cell>
 <table:table-cell office:value-type="string"><text:p>Montmartre,</text:p><text:p>1997.</text:p></table:table-cell>
 <table:table-cell office:value-type="string"><text:p>3700259801034</text:p></table:table-cell>
</table:table-row>
<table:table-row table:number-rows-repeated="3"><table:table-cell table:number-columns-repeated="6"/></table:table-row>
<table:table-row>
 <table:table-cell office:value-type="string"><text:p>Солярис</text:p></table:table-cell>
 <table:table-cell office:value-type="float" office:value="1972"><text:p>1972</text:p></table:table-cell>
</table:table-row>
</table:table></office:spreadsheet></office:body></office:document>
)";
  const std::string source = dir / "films.fods";
  test::WriteFile(source, fods);
  for (const char* format : {"xls", "ods", "xlsx", "csv"}) {
    SCOPED_TRACE(format);
    const bool csv = std::string(format) == "csv";
    // The CSV in UTF-8 with commas and double quotes, as LibreOffice offers it.
    const std::string filter = csv ? "csv:Text - txt - csv (StarCalc):44,34,76" : format;
    const test::ProgramResult r =
        test::RunProgram({"soffice", "-env:UserInstallation=file://" + dir.Path() + "/profil",
                          "--headless", "--convert-to", filter, "--outdir", dir.Path(), source});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const ImportTable t = ReadImportFile(dir / (std::string("films.") + format));
    EXPECT_EQ(t.columns, (Cells{"Titre", "Année", "Durée", "Prêté le", "Résumé", "EAN"}));
    ASSERT_EQ(t.rows.size(), 2u);
    Cells first = t.rows[0].cells;
    // A CSV holds dates and times as the sheet shows them (in the system's
    // locale): they are the import's to read.
    if (csv && first.size() == 6) first[2] = first[3] = "-";
    EXPECT_EQ(first, (Cells{"Le Fabuleux Destin d'Amélie Poulain", "2001", csv ? "-" : "02:02:30",
                            csv ? "-" : "2024-03-01", "Montmartre,\n1997.", "3700259801034"}));
    EXPECT_EQ(t.rows[1].cells.at(0), "Солярис");
    EXPECT_EQ(t.rows[1].cells.at(1), "1972");
    // A text counts the summary's second line.
    EXPECT_EQ(t.rows[1].line, csv ? 7 : 6);
  }
}

TEST(ImportReader, CollectionsOfOtherPrograms) {
  test::TempDir dir;
  // GCstar 1.2 and later: simple values as attributes, lists as lines of
  // columns; an item of an earlier version gives them as elements.
  test::WriteFile(dir / "films.gcs", R"(<?xml version="1.0" encoding="UTF-8"?>
<collection type="GCfilms" items="2" version="1.7.3">
 <information><maxId>2</maxId></information>
 <item id="1" title="Les Enfants du paradis" date="15/03/1945" time="190 min"
  director="Marcel Carné" country="France" original="" rating="9" seen="1"
  format="DVD" number="2" borrower="none" lendDate="" added="01/01/2020">
  <synopsis>Paris, 1828.
Garance.</synopsis>
  <actors><line><col>Arletty</col><col>Garance</col></line>
   <line><col>Jean-Louis Barrault</col><col>Baptiste</col></line></actors>
  <genre><line><col>Drame</col></line></genre>
 </item>
 <item>
  <id>2</id><title>Stalker</title><date>1979</date><director>Andreï Tarkovski</director>
  <borrower>Zoé</borrower><lendDate>02/11/2026</lendDate><seen>0</seen>
 </item>
</collection>
)");
  const ImportTable g = ReadImportFile(dir / "films.gcs");
  EXPECT_EQ(g.format, SourceFormat::GCstar);
  auto value = [](const ImportTable& t, size_t row, const std::string& column) {
    for (size_t c = 0; c < t.columns.size(); ++c)
      if (t.columns[c] == column) return t.rows.at(row).cells.at(c);
    return std::string("<absent>");
  };
  ASSERT_EQ(g.rows.size(), 2u);
  EXPECT_EQ(value(g, 0, "title"), "Les Enfants du paradis");
  EXPECT_EQ(value(g, 0, "actors"), "Arletty, Jean-Louis Barrault");
  EXPECT_EQ(value(g, 0, "genre"), "Drame");
  EXPECT_EQ(value(g, 0, "synopsis"), "Paris, 1828.\nGarance.");
  EXPECT_EQ(value(g, 1, "director"), "Andreï Tarkovski");
  EXPECT_EQ(value(g, 1, "borrower"), "Zoé");

  // Tellico: one element per field, plural containers for lists, the cast
  // as rows of columns; the same collection zipped as a .tc file.
  const std::string tellico = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE tellico PUBLIC "-//Robby Stephenson/DTD Tellico V11.0//EN" "http://periapsis.org/tellico/dtd/v11/tellico.dtd">
<tellico xmlns="http://periapsis.org/tellico/" syntaxVersion="11">
 <collection title="Mes films" type="3">
  <fields><field name="_default"/></fields>
  <entry id="1">
   <title>Le Samouraï</title>
   <medium>DVD</medium>
   <format>PAL</format>
   <year>1967</year>
   <nationalitys><nationality>France</nationality><nationality>Italie</nationality></nationalitys>
   <directors><director>Jean-Pierre Melville</director></directors>
   <casts><cast><column>Alain Delon</column><column>Jef Costello</column></cast>
    <cast><column>Nathalie Delon</column><column>Jane</column></cast></casts>
   <genres><genre>Policier</genre></genres>
   <running-time>105</running-time>
   <plot>Un tueur à gages.</plot>
   <rating>4</rating>
   <seen>true</seen>
  </entry>
 </collection>
</tellico>
)";
  test::WriteFile(dir / "films.xml", tellico);
  test::WriteFile(dir / "tellico.xml", tellico);
  ASSERT_EQ(test::RunProgram({"zip", "-j", "-q", dir / "films.tc", dir / "tellico.xml"}).exitCode,
            0);
  for (const char* file : {"films.xml", "films.tc"}) {
    SCOPED_TRACE(file);
    const ImportTable t = ReadImportFile(dir / file);
    EXPECT_EQ(t.format, SourceFormat::Tellico);
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(value(t, 0, "title"), "Le Samouraï");
    EXPECT_EQ(value(t, 0, "nationality"), "France, Italie");
    EXPECT_EQ(value(t, 0, "director"), "Jean-Pierre Melville");
    EXPECT_EQ(value(t, 0, "cast"), "Alain Delon, Nathalie Delon");
    EXPECT_EQ(value(t, 0, "running-time"), "105");
    EXPECT_EQ(value(t, 0, "medium"), "DVD");
  }

  // What is no list of films is said so.
  test::WriteFile(dir / "autre.xml", "<?xml version=\"1.0\"?><html><body/></html>");
  test::WriteFile(dir / "casse.xml", "<?xml version=\"1.0\"?><tellico><collection><entry>");
  for (auto [file, message] : std::vector<std::pair<std::string, std::string>>{
           {"autre.xml", "n'est pas une liste de films connue (élément racine « html »)."},
           {"casse.xml", "n'est pas un XML correct"},
           {"absent.csv", "est introuvable."}}) {
    try {
      ReadImportFile(dir / file);
      ADD_FAILURE() << file;
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace kvn::importing
