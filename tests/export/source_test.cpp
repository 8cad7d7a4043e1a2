// A walk of a data set reads one state of the catalogue: another program that
// commits while an export runs has each commit wholly in the file or wholly out.
#include "export/source.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <set>
#include <sstream>
#include <thread>

#include "export/text/ascii_export.h"
#include "tests/export/export_fixture.h"

namespace kvn::exporting {
namespace {

class SourceWalkTest : public CatalogueTest {};

TEST_F(SourceWalkTest, ACommitDuringAnExportIsWhollyInOrOut) {
  constexpr int kFilms = 20000;
  OpenCatalogue({});
  test::AddManyFilms(dir.Path(), kFilms);
  {
    sqlite3* db = nullptr;
    sqlite3_open((dir / "video.DB").c_str(), &db);
    sqlite3_exec(db, "UPDATE video SET Genre = 'g0'", nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
  table->Refresh();

  // Commit k gives every film the genre "gk", adds film Wk and removes the
  // film of smallest reference among the generated ones: the number of films
  // stays the same and the references tell which commit a state belongs to.
  std::atomic<bool> stop{false};
  std::atomic<int> commits{0};
  std::thread writer([&] {
    sqlite3* db = nullptr;
    sqlite3_open((dir / "video.DB").c_str(), &db);
    sqlite3_busy_timeout(db, 20000);
    for (int k = 1; !stop; ++k) {
      const std::string g = "g" + std::to_string(k);
      const std::string sql =
          "BEGIN IMMEDIATE; UPDATE video SET Genre = '" + g +
          "'; INSERT INTO video (Reference, Titre, Genre) VALUES (printf('W%06d', " +
          std::to_string(k) + "), 'Écrit pendant l''export', '" + g +
          "'); DELETE FROM video WHERE Reference = (SELECT min(Reference) FROM video "
          "WHERE Reference LIKE 'G%'); COMMIT;";
      if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        continue;
      }
      commits = k;
    }
    sqlite3_close(db);
  });

  std::set<int> seen;
  for (int run = 0; run < 6 || (seen.size() < 2 && run < 40); ++run) {
    TQExportASCII csv;
    csv.SetExportType(TQExportASCIIType::etCSV);
    csv.DataSet = table.get();
    csv.CSVComma = ';';
    csv.CSVQuoteStrings = false;
    csv.ExportedFields = {"Reference", "Genre"};
    csv.AllowCaptions = false;
    // The walk pauses after its first rows, long enough for commits to come.
    csv.OnExportedRecord = [](TQExport*, int recNo) {
      if (recNo == 1) std::this_thread::sleep_for(std::chrono::milliseconds(80));
    };
    std::istringstream lines(Run(csv));
    std::set<std::string> genres;
    std::set<std::string> references;
    std::string line;
    while (std::getline(lines, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const size_t semi = line.find(';');
      references.insert(line.substr(0, semi));
      genres.insert(line.substr(semi + 1));
    }
    SCOPED_TRACE("run " + std::to_string(run));
    ASSERT_EQ(genres.size(), 1u) << "rows of several commits: " << *genres.begin() << " / "
                                 << *genres.rbegin();
    const int k = std::stoi(genres.begin()->substr(1));
    seen.insert(k);
    // State k: W1..Wk and the generated films from G(k+1) on, nothing blank.
    EXPECT_EQ(references.size(), static_cast<size_t>(kFilms));
    EXPECT_EQ(references.count(""), 0u);
    char first[16], lastWritten[16];
    std::snprintf(first, sizeof first, "G%06d", k + 1);
    std::snprintf(lastWritten, sizeof lastWritten, "W%06d", k);
    EXPECT_EQ(*references.begin(), first);
    if (k > 0) {
      EXPECT_EQ(*references.rbegin(), lastWritten);
    }
  }
  stop = true;
  writer.join();
  EXPECT_GE(seen.size(), 2u) << "the writer committed between the exports";
  EXPECT_GT(commits.load(), 0);
}

}  // namespace
}  // namespace kvn::exporting
