// A small real catalogue opened in title order, an exporter that records which
// hooks ran, and helpers to run exports into memory.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "db/table.h"
#include "export/exporter.h"
#include "platform/codepage.h"
#include "platform/file_info.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kvn::exporting {

// Three films chosen for the formats: accents, quotes, separators, a null date.
inline std::vector<test::Film> ThreeFilms() {
  test::Film a, b, c;
  a.reference = "R1";
  a.titre = "Amélie";
  a.genre = "Comédie";
  a.support = "DVD";
  a.duree = "02:02:00";
  a.nbCd = 1;
  b.reference = "R2";
  b.titre = "Le \"Grand\" Bleu; suite";
  b.genre = "Drame";
  b.support = "VHS";
  b.duree = "02:48:00";
  b.nom = "Zoé";
  b.preteLe = "2024-03-15";
  b.nbCd = 2.5;
  c.reference = "R3";
  c.titre = "Zazie";
  c.genre = "Comédie";
  c.support = "DivX ;-)";
  c.duree = "01:33:00";
  c.nbCd = 1234;
  return {a, b, c};
}

class CatalogueTest : public ::testing::Test {
 protected:
  // Each call writes a catalogue of its own (a subdirectory after the first).
  void OpenCatalogue(const std::vector<test::Film>& films) {
    std::string where = catalogues++ ? dir / ("cat" + std::to_string(catalogues)) : dir.Path();
    test::MakeCatalogue(where, 3, films);
    table.reset();
    db = std::make_unique<db::Database>(where);
    table = std::make_unique<db::Table>(*db);
    table->SetTableName("Video");
    table->SetIndexName("idTitre");
    table->Open();
  }
  // Opens table "t" of a database of its own, made by the sqlite3 program
  // from SQL (columns of any declared type, rows in insertion order).
  void OpenTable(const std::string& sql) {
    const std::string where = dir / ("table" + std::to_string(++catalogues));
    platform::ForceDirectories(where);
    auto r = test::RunProgram({"sqlite3", "-bail", where + "/video.DB"}, sql);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    table.reset();
    db = std::make_unique<db::Database>(where);
    table = std::make_unique<db::Table>(*db);
    table->SetTableName("t");
    table->Open();
  }
  // Links an exporter to the open table, with these fields (UTF-8 names) to
  // export; all of them when none are given.
  void Link(TQExport& e, const std::vector<std::string>& fields = {}) {
    e.DataSet = table.get();
    for (const auto& f : fields) e.ExportedFields.Add(f);
  }
  // Runs an exporter on a memory stream and returns the bytes.
  static std::string Run(TQExport& e) {
    platform::MemoryStream m;
    e.ExportToStream(m);
    return m.Data();
  }

  test::TempDir dir;
  int catalogues = 0;
  std::unique_ptr<db::Database> db;
  std::unique_ptr<db::Table> table;
};

// Writes one line per hook and row, so tests can read what ran in what order.
class RecordingExport : public TQExportFormatText {
 public:
  std::vector<std::string> calls;

 protected:
  void BeginExport() override {
    TQExportFormatText::BeginExport();
    calls.push_back("BeginExport");
  }
  void BeforeExport() override { calls.push_back("BeforeExport"); }
  void AfterExport() override { calls.push_back("AfterExport"); }
  void EndExport() override {
    calls.push_back("EndExport");
    TQExportFormatText::EndExport();
  }
  void WriteCaptionRow() override { calls.push_back("captions " + Joined(true)); }
  void WriteDataRow() override {
    calls.push_back("row " + Joined(false));
    Writer()->WriteLn(GetDataRow(true));
  }
  std::string GetColCaption(int index) override {
    return TQExportFormatText::GetColCaption(index) + "|";
  }
  void GetColData(TQExportCol&, std::string& text) override { text += "|"; }

 private:
  std::string Joined(bool captions) { return captions ? GetCaptionRow() : GetDataRow(true); }
};

}  // namespace kvn::exporting
