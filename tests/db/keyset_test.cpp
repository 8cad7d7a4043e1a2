// The keyset cursor: its chunked id list against a plain vector, and a table's
// order after many writes against the order SQLite itself gives.
#include "db/keyset.h"

#include <gtest/gtest.h>

#include <random>

#include "db/table.h"
#include "db/title_key.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/temp_dir.h"

namespace kvn::db {
namespace {

TEST(Keyset, MatchesAPlainVectorUnderRandomEdits) {
  std::mt19937 rng(7);
  Keyset keys;
  std::vector<int64_t> model;
  for (int i = 0; i < 20000; ++i) keys.Append(i), model.push_back(i);
  for (int step = 0; step < 20000; ++step) {
    if (model.empty() || rng() % 3) {
      size_t pos = rng() % (model.size() + 1);
      keys.Insert(pos, 100000 + step);
      model.insert(model.begin() + static_cast<ptrdiff_t>(pos), 100000 + step);
    } else {
      size_t pos = rng() % model.size();
      keys.Erase(pos);
      model.erase(model.begin() + static_cast<ptrdiff_t>(pos));
    }
  }
  ASSERT_EQ(keys.Size(), model.size());
  for (size_t i = 0; i < model.size(); i += 7) ASSERT_EQ(keys.At(i), model[i]) << i;
  std::vector<int64_t> slice;
  keys.Slice(4000, 9000, slice);
  EXPECT_TRUE(std::equal(slice.begin(), slice.end(), model.begin() + 4000));
  EXPECT_EQ(keys.Find(model[12345], 0), 12345u);
  EXPECT_EQ(keys.Find(-1), std::nullopt);
}

TEST(Keyset, TableOrderAfterWritesIsTheEngineOrder) {
  test::TempDir dir;
  std::mt19937 rng(11);
  const char* words[] = {"amour", "Amour", "AMOUR", "été", "Été", "zèbre", "Zoo", "", "a", "b"};
  std::vector<test::Film> films;
  for (int i = 0; i < 3000; ++i) {
    test::Film f;
    f.titre = std::string(words[rng() % 10]) + (rng() % 2 ? std::to_string(rng() % 50) : "");
    films.push_back(f);
  }
  test::MakeCatalogue(dir.Path(), 3, films);
  Database db(dir.Path());
  Table t(db);
  t.SetTableName("Video");
  t.SetIndexName("idTitre");
  t.Open();
  for (int i = 0; i < 300; ++i) {
    t.SetRecNo(1 + static_cast<int64_t>(rng() % static_cast<uint32_t>(t.RecordCount())));
    switch (rng() % 3) {
      case 0:
        t.Insert();
        t.FieldByName("Titre").SetText(std::string(words[rng() % 10]) + "x");
        t.Post();
        break;
      case 1:
        t.Edit();
        if (rng() % 4 == 0)
          t.FieldByName("Titre").Clear();
        else
          t.FieldByName("Titre").SetText(words[rng() % 10]);
        t.Post();
        break;
      default:
        t.Delete();
        break;
    }
  }
  std::vector<std::string> ours;
  for (int64_t pos = 0; pos < t.RecordCount(); ++pos) ours.push_back(t.TextAt(pos, 0));
  // The engine's own order: the key table its triggers kept, by its index.
  std::vector<std::string> engine =
      test::SqlRows(dir.Path(), "SELECT id FROM video_cle ORDER BY cle, id");
  EXPECT_EQ(ours, engine);
  EXPECT_EQ(test::SqlRows(dir.Path(), "SELECT count(*) FROM video_cle"),
            test::SqlRows(dir.Path(), "SELECT count(*) FROM video"));
}

}  // namespace
}  // namespace kvn::db
