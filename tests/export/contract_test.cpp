// What every exporter of the registry must do, whatever its format: empty
// source, one row, a character Windows-1252 cannot hold, an abort mid-run, and a
// stream that fails at each write in turn.
#include <gtest/gtest.h>

#include "export/registry.h"
#include "platform/error.h"
#include "tests/export/export_fixture.h"
#include "tests/support/failing_stream.h"
#include "tests/support/message_of.h"
#include "tests/support/temp_dir.h"

namespace kvn::exporting {
namespace {

class ContractTest : public CatalogueTest, public ::testing::WithParamInterface<std::string> {
 protected:
  std::unique_ptr<TQExportText> Make() {
    auto e = FindExportType(GetParam())->create();
    e->DataSet = table.get();
    e->ExportedFields = {"Reference", "Titre"};
    return e;
  }
  std::string Export(const std::vector<test::Film>& films) {
    OpenCatalogue(films);
    auto e = Make();
    return Run(*e);
  }
};

test::Film Titled(const char* ref, const char* title) {
  test::Film f;
  f.reference = ref;
  f.titre = title;
  return f;
}

TEST_P(ContractTest, EmptySourceAndOneRow) {
  std::string empty = Export({});
  // An SQL script of no rows has no statement at all.
  EXPECT_EQ(empty.empty(), GetParam() == "sql");
  EXPECT_EQ(empty.find("R1"), std::string::npos);
  std::string one = Export({Titled("R1", "Été 中")});
  EXPECT_NE(one.find("R1"), std::string::npos);
  // Each format keeps every character it can: RTF as \'xx and \uN?, XML
  // with no encoding named as references, HTML in Windows-1252 with a
  // reference for the rest, SQL in UTF-8, PDF in the standard font and an
  // embedded one, LaTeX in UTF-8 with "?" for what its fonts lack; the 8-bit
  // formats write Windows-1252 ("É" is 0xC9) and a question mark for the
  // Chinese character, which the export counts.
  const std::string& type = GetParam();
  std::string expected = "\xC9t\xE9 ?";
  if (type == "rtf" || type == "doc") expected = "\\'c9t\\'e9 \\u20013?";
  if (type == "xml") expected = "&#201;t&#233; &#20013;";
  if (type == "html") expected = "\xC9t\xE9 &#20013;";
  if (type == "sql") expected = "Été 中";
  if (type == "pdf") expected = "(\xC9t\xE9 ) Tj\r/KvnTT1 ";
  if (type == "tex") expected = "Été ?";
  EXPECT_NE(one.find(expected), std::string::npos) << one;
  if (type != "sql" && type != "tex" && type != "pdf") {
    EXPECT_EQ(one.find("\xC3"), std::string::npos);  // no UTF-8 left
  }
}

TEST_P(ContractTest, AbortMidRunStillCloses) {
  std::vector<test::Film> films;
  for (int i = 0; i < 20; ++i)
    films.push_back(Titled(("R" + std::to_string(100 + i)).c_str(), "Film"));
  OpenCatalogue(films);
  auto full = Make();
  std::string whole = Run(*full);
  auto e = Make();
  e->OnExportedRecord = [](TQExport* s, int n) {
    if (n == 4) s->Abort();
  };
  std::string part = Run(*e);
  EXPECT_LT(part.size(), whole.size());
  EXPECT_NE(part.find("R104"), std::string::npos);
  EXPECT_EQ(part.find("R105"), std::string::npos);
  // The same closing text as a complete export (a table's is its end mark,
  // right after the last record's last field).
  const size_t closing = GetParam() == "dbf" ? 1 : 6;
  EXPECT_EQ(part.substr(part.size() - closing), whole.substr(whole.size() - closing));
  // Into a file: a stopped export leaves the earlier file as it was and says so.
  test::WriteFile(dir / "sortie", "précédent");
  auto toFile = Make();
  toFile->FileName = dir / "sortie";
  toFile->OnExportedRecord = e->OnExportedRecord;
  EXPECT_EQ(test::MessageOf([&] { toFile->Execute(); }),
            "Export annulé : le fichier \"" + (dir / "sortie") + "\" n'a pas été modifié.");
  EXPECT_EQ(test::ReadFile(dir / "sortie"), "précédent");
  EXPECT_EQ(test::HiddenFiles(dir.Path()), std::vector<std::string>{});
}

TEST_P(ContractTest, EveryFailedWriteIsReported) {
  OpenCatalogue(ThreeFilms());
  for (int n = 1;; ++n) {
    auto e = Make();
    test::FailingStream stream(n);
    try {
      e->ExportToStream(stream);
      EXPECT_GT(n, 3);  // a complete run needs several writes
      break;
    } catch (const Error& err) {
      EXPECT_STREQ(err.what(), "Erreur d'écriture dans le flux") << "write " << n;
    }
    EXPECT_FALSE(table->ControlsDisabled()) << "write " << n;
    ASSERT_LT(n, 200);
  }
}

std::vector<std::string> TypeNames() {
  std::vector<std::string> names;
  // The workbook holds its texts as UTF-16 in a compound file: its own tests
  // cover the same ground with a reader of that format.
  for (const auto& t : ExportTypes())
    if (t.name != "xls") names.push_back(t.name);
  return names;
}

INSTANTIATE_TEST_SUITE_P(Formats, ContractTest, ::testing::ValuesIn(TypeNames()),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace kvn::exporting
