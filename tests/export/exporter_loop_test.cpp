// The export loop: counters, skip and limit, current record, the abort protocol,
// guards, failures and the file destination.
#include <gtest/gtest.h>

#include "export/text/ascii_export.h"
#include "platform/error.h"
#include "tests/export/export_fixture.h"
#include "tests/support/failing_stream.h"
#include "tests/support/message_of.h"

namespace kvn::exporting {
namespace {

using test::MessageOf;

std::vector<test::Film> TenFilms() {
  std::vector<test::Film> films;
  for (int i = 1; i <= 10; ++i) {
    test::Film f;
    f.reference = "R" + std::to_string(i);
    f.titre = "Film " + std::string(1, static_cast<char>('A' + i - 1));
    films.push_back(f);
  }
  return films;
}

class ExportLoopTest : public CatalogueTest {
 protected:
  void SetUp() override {
    OpenCatalogue(TenFilms());
    e.DataSet = table.get();
    e.ExportedFields = {"Reference"};
    e.OnSkippedRecord = [this](TQExport*, int n) { skipped.push_back(n); };
    e.OnExportedRecord = [this](TQExport*, int n) { exported.push_back(n); };
  }
  std::vector<std::string> Rows() {
    std::vector<std::string> rows;
    for (const auto& c : e.calls)
      if (c.rfind("row ", 0) == 0) rows.push_back(c.substr(4));
    return rows;
  }

  RecordingExport e;
  std::vector<int> skipped, exported;
};

TEST_F(ExportLoopTest, SkipThreeOfTen) {
  e.SkipRecCount = 3;
  Run(e);
  EXPECT_EQ(skipped, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(exported, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(Rows(), (std::vector<std::string>{"R4|", "R5|", "R6|", "R7|", "R8|", "R9|", "R10|"}));
  EXPECT_EQ(e.calls.front(), "BeginExport");
  EXPECT_EQ(e.calls[1], "captions Reference|");
  EXPECT_EQ(e.calls[2], "BeforeExport");
  EXPECT_EQ(e.calls[e.calls.size() - 2], "AfterExport");
  EXPECT_EQ(e.calls.back(), "EndExport");
}

// The largest skip count the options take ends with the source at once; the
// stop button works while skipping.
TEST_F(ExportLoopTest, SkippingEndsWithTheSourceAndCanBeStopped) {
  e.SkipRecCount = 2147483647;
  e.AutoCalcColWidth = true;
  Run(e);
  EXPECT_EQ(skipped.size(), 10u);
  EXPECT_TRUE(Rows().empty());
  EXPECT_EQ(e.calls.back(), "EndExport");

  RecordingExport stopped;
  stopped.DataSet = table.get();
  stopped.ExportedFields = {"Reference"};
  stopped.SkipRecCount = 2147483647;
  int skips = 0;
  stopped.OnSkippedRecord = [&skips](TQExport* s, int) {
    if (++skips == 4) s->Abort();
  };
  stopped.OnStopExport = [](TQExport*, bool& canContinue) { canContinue = false; };
  Run(stopped);
  EXPECT_EQ(skips, 4);
  EXPECT_TRUE(stopped.Aborted());
}

TEST_F(ExportLoopTest, LimitCountsReadRecordsNotWrittenRows) {
  e.ExportRecCount = 5;
  int seen = 0;
  e.OnBeforeExportRow = [&](TQExport*, TQExportRow& row, bool& accept) {
    EXPECT_EQ(row[0].Value, "R" + std::to_string(++seen));  // raw values, trimmed
    accept = seen != 2 && seen != 4;
  };
  Run(e);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"R1|", "R3|", "R5|"}));
  EXPECT_EQ(exported, (std::vector<int>{0, 2, 4}));
  e.calls.clear();
  e.ExportRecCount = -1;
  e.OnBeforeExportRow = nullptr;
  Run(e);
  EXPECT_TRUE(Rows().empty());
}

TEST_F(ExportLoopTest, CurrentRecordOnly) {
  e.CurrentRecordOnly = true;
  e.GoToFirstRecord = false;
  table->SetRecNo(7);
  Run(e);
  EXPECT_EQ(Rows(), std::vector<std::string>{"R7|"});
  e.calls.clear();
  e.GoToFirstRecord = true;
  Run(e);
  EXPECT_EQ(Rows(), std::vector<std::string>{"R1|"});
}

TEST_F(ExportLoopTest, AbortFromExportedRecordEndsAfterThatRow) {
  e.OnExportedRecord = [](TQExport* s, int n) {
    if (n == 1) s->Abort();
  };
  int stops = 0;
  e.OnStopExport = [&](TQExport*, bool& canContinue) {
    ++stops;
    EXPECT_FALSE(canContinue);
  };
  Run(e);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"R1|", "R2|"}));
  EXPECT_EQ(stops, 1);
  EXPECT_TRUE(e.Aborted());
  EXPECT_EQ(e.calls.back(), "EndExport");
  EXPECT_EQ(e.calls[e.calls.size() - 2], "AfterExport");
}

TEST_F(ExportLoopTest, CanContinueCancelsTheAbort) {
  e.OnExportedRecord = [](TQExport* s, int n) {
    if (n == 1) s->Abort();
  };
  e.OnStopExport = [](TQExport*, bool& canContinue) { canContinue = true; };
  Run(e);
  EXPECT_EQ(Rows().size(), 10u);
  EXPECT_FALSE(e.Aborted());
}

TEST_F(ExportLoopTest, AbortFromBeginExportLeavesNoEpilogue) {
  e.OnBeginExport = [](TQExport* s) { s->Abort(); };
  Run(e);
  EXPECT_EQ(e.calls, std::vector<std::string>{"BeginExport"});
}

TEST_F(ExportLoopTest, EmptySourceRunsEveryHookButDataRows) {
  test::TempDir other;
  test::MakeCatalogue(other.Path(), 3);
  db::Database db2(other.Path());
  db::Table empty(db2);
  empty.SetTableName("Video");
  empty.Open();
  e.DataSet = &empty;
  Run(e);
  EXPECT_EQ(e.calls, (std::vector<std::string>{"BeginExport", "captions Reference|", "BeforeExport",
                                               "AfterExport", "EndExport"}));
  e.ExportEmpty = false;
  EXPECT_EQ(MessageOf([&] { Run(e); }), "La source (DataSet) est vide");
}

TEST_F(ExportLoopTest, SourceFailuresAndControlsGuard) {
  RecordingExport unlinked;
  EXPECT_EQ(MessageOf([&] { Run(unlinked); }), "La source (DataSet) n'est pas liée");
  unlinked.ExportSource = TQExportSource::esStringGrid;
  EXPECT_EQ(MessageOf([&] { Run(unlinked); }), "La source (StringGrid) n'est pas liée");
  e.ExportedFields = {"Reference", "Annee"};
  EXPECT_EQ(MessageOf([&] { Run(e); }), "Champ 'Annee' non trouvé");
  EXPECT_FALSE(table->ControlsDisabled());
  table->Close();
  EXPECT_EQ(MessageOf([&] { Run(e); }), "La source (DataSet) est fermée");
}

TEST_F(ExportLoopTest, WriteFailureStillEndsTheExport) {
  TQExportASCII csv;
  csv.DataSet = table.get();
  csv.SetExportType(TQExportASCIIType::etCSV);
  bool ended = false;
  csv.OnEndExport = [&](TQExport*) { ended = true; };
  test::FailingStream failing(4);
  EXPECT_EQ(MessageOf([&] { csv.ExportToStream(failing); }), "Erreur d'écriture dans le flux");
  EXPECT_TRUE(ended);
  EXPECT_FALSE(table->ControlsDisabled());
  EXPECT_EQ(csv.Writer(), nullptr);
}

TEST(ExportListView, SkipBeyondTheItemsExportsNothing) {
  MemoryListView view;
  view.columns = {{"Titre", 80}, {"Genre", 40}};
  for (int i = 0; i < 4; ++i) view.items.push_back({"T" + std::to_string(i), "G"});
  RecordingExport e;
  e.ExportSource = TQExportSource::esListView;
  e.ListView = &view;
  e.SkipRecCount = 10;
  e.ExportRecCount = 6;
  platform::MemoryStream m;
  e.ExportToStream(m);
  EXPECT_EQ(e.SkipRecCount, 4);
  EXPECT_EQ(e.ExportRecCount, 4);
  EXPECT_EQ(e.calls, (std::vector<std::string>{"BeginExport", "captions Titre|Genre|",
                                               "BeforeExport", "AfterExport", "EndExport"}));
  EXPECT_EQ(view.updates, 0);  // begin and end update balanced
  e.calls.clear();
  e.SkipRecCount = 1;
  e.ExportRecCount = 2;
  e.ExportToStream(m);
  EXPECT_EQ(e.calls[3], "row T1|G|");
  EXPECT_EQ(e.calls[4], "row T2|G|");
  EXPECT_EQ(e.calls[5], "AfterExport");
}

TEST(ExportStringGrid, RowsAfterTheFixedOnes) {
  MemoryStringGrid grid;
  grid.rows = {{"Titre", "Nb"}, {"A", "1"}, {"B", "2"}, {"C", "3"}};
  grid.fixedRows = 1;
  RecordingExport e;
  e.ExportSource = TQExportSource::esStringGrid;
  e.StringGrid = &grid;
  e.CaptionRow = 0;
  platform::MemoryStream m;
  e.ExportToStream(m);
  EXPECT_EQ(e.calls[1], "captions Titre|Nb|");
  EXPECT_EQ(e.calls[3], "row A|1|");
  EXPECT_EQ(e.calls[5], "row C|3|");
  EXPECT_EQ(e.calls[6], "AfterExport");
}

TEST_F(ExportLoopTest, FileDestinationCreatesItsDirectory) {
  TQExportASCII txt;
  txt.DataSet = table.get();
  txt.FileName = dir / "deep/er/video.txt";
  txt.ExportedFields = {"Reference"};
  txt.ColumnsWidth = {"Reference=1"};
  txt.Execute();
  std::string out = test::ReadFile(dir / "deep/er/video.txt");
  EXPECT_EQ(out.substr(0, 22), "Reference \r\nR1        ");
  // An impossible path is found before any folder is made; the message
  // names the folder and the cause.
  test::WriteFile(dir / "fichier", "x");
  struct Case {
    std::string folder;
    std::string cause;
  };
  std::string deep = dir / "";
  for (int i = 0; i < 2500; ++i) deep += "n/";
  const Case cases[] = {
      {dir / "fichier/sous/", "\"" + dir / "fichier\" est un fichier, pas un répertoire"},
      {deep, "le chemin compte " + std::to_string(deep.size()) +
                 " caractères, plus que les 4095 que le système accepte"},
      {dir / (std::string(300, 'x') + "/"), "octets, plus que les 255 que le système accepte"},
      {"/proc/kvn-no/such/dir/", "\"/proc/kvn-no/\" :"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder.substr(0, 80));
    txt.FileName = c.folder + "video.txt";
    const std::string message = MessageOf([&] { txt.Execute(); });
    EXPECT_EQ(
        message.rfind("Répertoire non trouvé : \"" + c.folder + "\" ne peut pas être créé : ", 0),
        0u)
        << message;
    EXPECT_NE(message.find(c.cause), std::string::npos) << message;
  }
  EXPECT_FALSE(platform::DirectoryExists(dir / "n"));
}

TEST_F(ExportLoopTest, ShowFileOnlyWhenNotAborted) {
  struct RecordingShell : Shell {
    std::vector<std::string> opened, printed;
    void Open(const std::string& p) override { opened.push_back(p); }
    void Print(const std::string& p) override { printed.push_back(p); }
  } shell;
  TQExportASCII csv;
  csv.DataSet = table.get();
  csv.SetExportType(TQExportASCIIType::etCSV);
  csv.FileName = dir / "v.csv";
  csv.ShowFile = csv.PrintFile = true;
  csv.UseShell = &shell;
  csv.Execute();
  EXPECT_EQ(shell.opened, std::vector<std::string>{dir / "v.csv"});
  EXPECT_EQ(shell.printed, std::vector<std::string>{dir / "v.csv"});
  csv.OnExportedRecord = [](TQExport* s, int) { s->Abort(); };
  EXPECT_NE(MessageOf([&] { csv.Execute(); }).find("Export annulé"), std::string::npos);
  EXPECT_EQ(shell.opened.size(), 1u);
}

}  // namespace
}  // namespace kvn::exporting

namespace kvn::exporting {
namespace {

// An exporter forgets a data set, list view or grid as it is destroyed, and
// never reaches it afterwards.
TEST_F(ExportLoopTest, LinksToDestroyedSourcesAreCleared) {
  auto grid = std::make_unique<MemoryStringGrid>();
  auto view = std::make_unique<MemoryListView>();
  RecordingExport e;
  e.DataSet = table.get();
  e.StringGrid = grid.get();
  e.ListView = view.get();
  grid.reset();
  EXPECT_EQ(e.StringGrid, nullptr);
  EXPECT_EQ(e.ListView, view.get());
  view.reset();
  EXPECT_EQ(e.ListView, nullptr);
  EXPECT_EQ(e.DataSet, table.get());
  table.reset();
  EXPECT_EQ(e.DataSet, nullptr);
  EXPECT_EQ(test::MessageOf([&] { Run(e); }), "La source (DataSet) n'est pas liée");
}

}  // namespace
}  // namespace kvn::exporting
