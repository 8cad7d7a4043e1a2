// SQL scripts byte for byte (statements, quoting, nulls, booleans, commits,
// the table statement, the terminator), and sqlite3 running the script of a
// catalogue and giving its rows back.
#include "export/sql/sql_export.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "tests/export/export_fixture.h"
#include "tests/support/run_program.h"

namespace kvn::exporting {
namespace {

class SqlExportTest : public CatalogueTest {
 protected:
  static size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }
};

TEST_F(SqlExportTest, StatementsByteForByte) {
  OpenTable(
      "CREATE TABLE t (A VARCHAR(20), B INTEGER, \"Index\" INTEGER, \"Prêté le\" DATE, C BOOLEAN, "
      "F FLOAT);"
      "INSERT INTO t VALUES ('L''ours', 95, 7, NULL, 1, 2.5);"
      "INSERT INTO t VALUES (NULL, NULL, NULL, '2003-12-25', 0, NULL);");
  TQExportSQL e;
  Link(e);
  e.TableName = "T";
  e.CreateTable = true;
  e.Header = {"-- Catalogue"};
  e.Footer = {"-- Fin"};
  e.CommitAfterScript = true;
  EXPECT_EQ(Run(e),
            "-- Catalogue\r\n"
            "CREATE TABLE T(\r\n"
            "  A  CHAR(20),\r\n"
            "  B  INTEGER,\r\n"
            "  \"Index\"  INTEGER,\r\n"
            "  \"Prêté le\"  DATE,\r\n"
            "  C  INTEGER,\r\n"
            "  F  DOUBLE PRECISION);\r\n"
            "\r\n"
            "INSERT INTO T\r\n"
            "  (A,B,\"Index\",\"Prêté le\",C,F)\r\n"
            "VALUES('L''ours',95,7,NULL,true,2.5);\r\n"
            "\r\n"
            "INSERT INTO T\r\n"
            "  (A,B,\"Index\",\"Prêté le\",C,F)\r\n"
            "VALUES(NULL,NULL,NULL,'2003-12-25',false,NULL);\r\n"
            "\r\n"
            "COMMIT WORK;\r\n"
            "-- Fin\r\n");

  // A null string of the user's stands for every null, unquoted; the
  // booleans are the formats' words.
  TQExportSQL words;
  Link(words, {"A", "C"});
  words.TableName = "T";
  words.Formats.SetNullString("NULL");
  words.Formats.SetBooleanTrue("1");
  words.Formats.SetBooleanFalse("0");
  const std::string script = Run(words);
  EXPECT_NE(script.find("VALUES('L''ours',1);"), std::string::npos) << script;
  EXPECT_NE(script.find("VALUES(NULL,0);"), std::string::npos) << script;
}

TEST_F(SqlExportTest, CommitsTableStatementAndTerminator) {
  std::string sql = "CREATE TABLE t (A VARCHAR(5));";
  for (int i = 0; i < 25; ++i) sql += "INSERT INTO t VALUES ('a" + std::to_string(i) + "');";
  OpenTable(sql);
  struct Case {
    int every;
    std::vector<int> after;  // the INSERTs (from 1) a commit follows
  };
  for (const Case& c : {Case{1, {}}, Case{10, {1, 11, 21}}}) {
    TQExportSQL e;
    Link(e);
    e.TableName = "T";
    e.CommitRecCount = c.every;
    const std::string script = Run(e);
    if (c.every == 1) {
      EXPECT_EQ(Count(script, "COMMIT WORK;\r\n\r\n"), 25u);
      continue;
    }
    EXPECT_EQ(Count(script, "COMMIT WORK;"), c.after.size());
    for (int n : c.after)
      EXPECT_NE(
          script.find("VALUES('a" + std::to_string(n - 1) + "');\r\n\r\nCOMMIT WORK;\r\n\r\n"),
          std::string::npos)
          << n;
  }

  // No table name: no table statement, and INSERT INTO alone on its line.
  TQExportSQL unnamed;
  Link(unnamed);
  unnamed.CreateTable = true;
  unnamed.StatementTerm = '/';
  unnamed.ExportRecCount = 1;
  EXPECT_EQ(Run(unnamed), "INSERT INTO \r\n  (A)\r\nVALUES('a0')/\r\n\r\n");

  TQExportSQL slash;
  Link(slash);
  slash.TableName = "T";
  slash.CreateTable = true;
  slash.StatementTerm = '/';
  slash.ExportRecCount = 1;
  EXPECT_EQ(
      Run(slash),
      "CREATE TABLE T(\r\n  A  CHAR(5));\r\n\r\nINSERT INTO T\r\n  (A)\r\nVALUES('a0')/\r\n\r\n");
}

TEST(SqlIdentifiers, QuotedWhenReservedOrNotPlain) {
  const std::pair<std::string, std::string> cases[] = {
      {"Titre", "Titre"},
      {"Nb_cd", "Nb_cd"},
      {"Index", "\"Index\""},
      {"order", "\"order\""},
      {"Date", "\"Date\""},
      {"Dur\xE9"
       "e",
       "\"Dur\xE9"
       "e\""},
      {"Deux mots", "\"Deux mots\""},
      {"2e", "\"2e\""},
      {"a\"b", "\"a\"\"b\""},
  };
  for (const auto& [name, written] : cases) EXPECT_EQ(SqlIdentifier(name), written) << name;
}

// The catalogue's script, with its table statement, runs in sqlite3 and the
// rows come back as the program shows them.
TEST_F(SqlExportTest, Sqlite3RunsTheCatalogueScript) {
  auto films = ThreeFilms();
  films[0].titre = "L'Atalante -- \"Vigo\"; DROP TABLE video;";
  films[2].nbCd.reset();
  OpenCatalogue(films);
  TQExportSQL e;
  Link(e);
  e.TableName = "video";
  e.CreateTable = true;
  e.FileName = dir / "video.sql";
  e.Execute();

  const std::string copy = dir / "copie";
  platform::ForceDirectories(copy);
  auto r = test::RunProgram({"sqlite3", "-bail", copy + "/video.DB"}, test::ReadFile(e.FileName));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  // The script is UTF-8 text, as the catalogue is: names and values come back as they were.
  const auto rows = test::SqlRows(copy,
                                  "SELECT \"Index\", Reference, Titre, Genre, Support, \"Durée\", "
                                  "Nom, \"Prêté_le\", Nb_cd, typeof(Nb_cd) FROM video "
                                  "ORDER BY \"Index\"");
  const std::vector<std::string> expected = {
      "1|R1|L'Atalante -- \"Vigo\"; DROP TABLE video;|Comédie|DVD|02:02:00|NULL|NULL|1.0|real",
      "2|R2|Le \"Grand\" Bleu; suite|Drame|VHS|02:48:00|Zoé|2024-03-15|2.5|real",
      "3|R3|Zazie|Comédie|DivX ;-)|01:33:00|NULL|NULL|NULL|null",
  };
  EXPECT_EQ(rows, expected);
}

}  // namespace
}  // namespace kvn::exporting
