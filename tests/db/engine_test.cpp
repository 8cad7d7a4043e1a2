// The catalogue file as other programs see it: the sqlite3 command-line reader,
// a second writer, a writer killed mid-burst, missing and broken files.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <thread>

#include "catalogue/catalogue_files.h"
#include "db/table.h"
#include "db/title_key.h"
#include "platform/error.h"
#include "tests/support/catalogue_fixture.h"
#include "tests/support/message_of.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kvn::db {
namespace {

using test::MakeCatalogue;
using test::RunProgram;
using test::SqlRows;
using test::TempDir;
using test::WriteFile;

using test::MessageOf;

TEST(Engine, Sqlite3ReadsWhatTheTableWrote) {
  TempDir dir;
  catalogue::CreateCatalogueFile(dir.Path());
  {
    Database db(dir.Path());
    Table t(db);
    t.SetTableName("video.DB");
    t.Open();
    const char* rows[][4] = {{"Les Quatre Cents Coups", "01:39:00", "2", "12/01/2025"},
                             {"À bout de souffle", "1:30", "1,5", ""}};
    for (const auto& r : rows) {
      t.Insert();
      t.FieldByName("Titre").SetText(r[0]);
      t.FieldByName("Durée").SetText(r[1]);
      t.FieldByName("Nb_cd").SetText(r[2]);
      t.FieldByName("Prêté_le").SetText(r[3]);
      t.Post();
    }
  }
  auto r = RunProgram({"sqlite3", "-separator", "|", dir / "video.DB",
                       "PRAGMA integrity_check; SELECT \"Index\", Titre, \"Durée\", Nb_cd, "
                       "coalesce(\"Prêté_le\", 'NULL'), typeof(Nb_cd) FROM video ORDER BY 1;"
                       "PRAGMA journal_mode;"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "ok\n"
            "1|Les Quatre Cents Coups|01:39:00|2|2025-01-12|integer\n"
            "2|À bout de souffle|01:30:00|1.5|NULL|real\n"
            "delete\n");
  EXPECT_FALSE(test::ReadFile(dir / "video.DB").empty());
  EXPECT_EQ(access((dir / "video.DB-journal").c_str(), F_OK), -1);  // no write left open
}

TEST(Engine, MissingOrBrokenCatalogueNamesTheFile) {
  TempDir dir;
  Database missing(dir.Path());
  Table t(missing);
  t.SetTableName("Video");
  EXPECT_EQ(MessageOf([&] { t.Open(); }),
            "La table \"" + (dir / "video.DB") + "\" est introuvable : le fichier n'existe pas.");
  WriteFile(dir / "video.DB", std::string(4096, 'x'));
  Database broken(dir.Path());
  Table b(broken);
  b.SetTableName("Video");
  std::string message = MessageOf([&] { b.Open(); });
  EXPECT_NE(message.find("Le fichier \"" + (dir / "video.DB") + "\" est endommagé"),
            std::string::npos)
      << message;
  EXPECT_FALSE(b.Active());
}

TEST(Engine, UnknownTableAndIndex) {
  TempDir dir;
  MakeCatalogue(dir.Path(), 3);
  Database db(dir.Path());
  Table t(db);
  t.SetTableName("films");
  EXPECT_EQ(MessageOf([&] { t.Open(); }),
            "La table \"films\" n'existe pas dans le fichier \"" + (dir / "video.DB") + "\".");
  t.SetTableName("Video");
  t.SetIndexName("idAnnee");
  EXPECT_EQ(MessageOf([&] { t.Open(); }),
            "L'index 'idAnnee' de la table \"Video\" est introuvable.");
}

TEST(Engine, InitRefusesToReplaceACatalogue) {
  TempDir dir;
  catalogue::CreateCatalogueFile(dir.Path());
  EXPECT_EQ(MessageOf([&] { catalogue::CreateCatalogueFile(dir.Path()); }),
            "Le catalogue \"" + (dir / "video.DB") + "\" existe déjà : il n'est pas remplacé.");
}

TEST(Engine, SecondWriterWaitsForTheLock) {
  TempDir dir;
  MakeCatalogue(dir.Path(), 3);
  Database first(dir.Path());
  first.ExecSQL("BEGIN IMMEDIATE");
  first.ExecSQL("INSERT INTO video (Titre) VALUES ('Premier')");
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    first.ExecSQL("COMMIT");
  });
  Database second(dir.Path());
  Table t(second);
  t.SetTableName("Video");
  t.Open();
  t.Insert();
  t.FieldByName("Titre").SetText("Second");
  t.Post();  // waits for the first writer instead of failing
  release.join();
  EXPECT_EQ(SqlRows(dir.Path(), "SELECT Titre FROM video ORDER BY rowid"),
            (std::vector<std::string>{"Premier", "Second"}));
}

TEST(Engine, WriterKilledMidBurstLeavesEveryCommittedRow) {
  TempDir dir;
  MakeCatalogue(dir.Path(), 3);
  int pipeFd[2];
  ASSERT_EQ(pipe(pipeFd), 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    close(pipeFd[0]);
    Database db(dir.Path());
    Table t(db);
    t.SetTableName("Video");
    t.SetIndexName("idTitre");
    t.Open();
    for (int i = 0;; ++i) {
      t.Insert();
      t.FieldByName("Titre").SetText("Film " + std::to_string(i));
      t.FieldByName("Durée").SetText("01:00:00");
      t.Post();
      int64_t id = t.FieldByName("Index").RawValue().i;
      if (write(pipeFd[1], &id, sizeof id) != sizeof id) _exit(1);
    }
  }
  close(pipeFd[1]);
  std::set<int64_t> committed;
  int64_t id;
  while (committed.size() < 150 && read(pipeFd[0], &id, sizeof id) == sizeof id)
    committed.insert(id);
  kill(pid, SIGKILL);
  while (read(pipeFd[0], &id, sizeof id) == sizeof id) committed.insert(id);
  close(pipeFd[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));

  auto r = RunProgram({"sqlite3", dir / "video.DB", "PRAGMA integrity_check;"});
  EXPECT_EQ(r.out, "ok\n") << r.err;
  std::set<int64_t> present;
  for (const auto& row : SqlRows(dir.Path(), "SELECT \"Index\" FROM video"))
    present.insert(std::stoll(row));
  for (int64_t c : committed) EXPECT_TRUE(present.count(c)) << "row " << c << " lost";
  EXPECT_GE(committed.size(), 150u);
  // The catalogue still opens and takes new rows.
  Database db(dir.Path());
  Table t(db);
  t.SetTableName("Video");
  t.Open();
  EXPECT_EQ(t.RecordCount(), static_cast<int64_t>(present.size()));
}

}  // namespace
}  // namespace kvn::db
