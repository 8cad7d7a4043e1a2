// dBASE III tables byte for byte (header, descriptors, records, the value of
// each field type), memo files, failures that keep the earlier table, and
// dbfread reading the table and its memos back.
#include "export/dbf/dbf_export.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/locale_settings.h"
#include "platform/tdatetime.h"
#include "tests/export/export_fixture.h"
#include "tests/support/dbf_reader.h"
#include "tests/support/message_of.h"
#include "tests/support/run_program.h"

namespace kvn::exporting {
namespace {

class DbfExportTest : public CatalogueTest {
 protected:
  void SetUp() override { platform::SetNowForTesting(platform::EncodeDate(2026, 12, 10) + 0.5); }
  void TearDown() override { platform::SetNowForTesting(std::nullopt); }
  static std::string Descriptor(const std::string& name, char type, int offset, int length,
                                int decimals = 0) {
    std::string d(32, '\0');
    d.replace(0, name.size(), name);
    d[11] = type;
    d[12] = static_cast<char>(offset & 0xFF);
    d[13] = static_cast<char>(offset >> 8);
    d[16] = static_cast<char>(length);
    d[17] = static_cast<char>(decimals);
    return d;
  }
};

TEST_F(DbfExportTest, ATableByteForByte) {
  OpenTable(
      "CREATE TABLE t (A VARCHAR(20), B INTEGER);"
      "INSERT INTO t VALUES ('Le Havre', 42);"
      "INSERT INTO t VALUES ('Un titre bien plus long que vingt', -7);"
      "INSERT INTO t VALUES (NULL, NULL);");
  TQExportDBF e;
  Link(e);
  const std::string table = Run(e);
  // The text field is as wide as its longest value, 33; header length
  // 32 x 2 + 33 = 97, record length 1 + 33 + 11 = 45; Windows ANSI texts.
  std::string expected("\x03\x7E\x0C\x0A\x03\x00\x00\x00\x61\x00\x2D\x00", 12);
  expected += std::string(17, '\0') + "\x03" + std::string(2, '\0');
  expected += Descriptor("A", 'C', 0, 33) + Descriptor("B", 'N', 33, 11) + "\x0D";
  const auto left = [](std::string t, size_t n) { return t + std::string(n - t.size(), ' '); };
  const auto right = [](std::string t, size_t n) { return std::string(n - t.size(), ' ') + t; };
  expected += " " + left("Le Havre", 33) + right("42", 11);
  expected += " " + left("Un titre bien plus long que vingt", 33) + right("-7", 11);
  expected += std::string(45, ' ');
  expected += "\x1A";
  EXPECT_EQ(table, expected);

  // A length the user typed is kept; a longer text is never cut: the export
  // stops and names the column.
  TQExportDBF typed;
  Link(typed);
  typed.ColumnsLength.Add("A=20");
  EXPECT_NE(test::MessageOf([&] { Run(typed); })
                .find("la valeur Un titre bien plus long que vingt ne tient pas dans "
                      "les 20 caractères du champ DBF"),
            std::string::npos);
}

// The value of each field type, as it sits in its record.
TEST_F(DbfExportTest, FieldsOfEachType) {
  OpenTable(
      "CREATE TABLE t (F FLOAT, L BOOLEAN, D DATE, H TIME, \"Durée du film\" VARCHAR(4));"
      "INSERT INTO t VALUES (3.5, 'True', '2003-12-25', '01:45:00', 'éèêë');"
      "INSERT INTO t VALUES (NULL, NULL, NULL, NULL, NULL);"
      "INSERT INTO t VALUES (-1234.56789, 'no', NULL, NULL, 'x');"
      "INSERT INTO t VALUES (0, 'false', NULL, NULL, NULL);");
  TQExportDBF e;
  Link(e);
  const std::string table = Run(e);
  const size_t header = 32 + 5 * 32 + 1;
  ASSERT_GE(table.size(), header);
  EXPECT_EQ(table.substr(32, 32), Descriptor("F", 'N', 0, 15, 4));
  EXPECT_EQ(table.substr(64, 32), Descriptor("L", 'L', 15, 1));
  EXPECT_EQ(table.substr(96, 32), Descriptor("D", 'D', 16, 8));
  // A duration is its text: dBASE has no time of day.
  EXPECT_EQ(table.substr(128, 32), Descriptor("H", 'C', 24, 8));
  // Names in ASCII, accents dropped.
  EXPECT_EQ(table.substr(160, 32), Descriptor("DUREE_DU_F", 'C', 32, 4));
  const std::string records = table.substr(header);
  // F: "%15.4f"; L: T, F or a space; D: yyyymmdd; H: hh:nn:ss; then 4 bytes.
  const std::string expected[] = {
      "         3.5000"
      "T"
      "20031225"
      "01:45:00"
      "\xE9\xE8\xEA\xEB",
      "         0.0000"
      " "
      "        "
      "        "
      "    ",
      "     -1234.5679"
      " "
      "        "
      "        "
      "x   ",
      "         0.0000"
      "F"
      "        "
      "        "
      "    ",
  };
  ASSERT_EQ(records.size(), 4 * 37 + 1);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(records.substr(i * 37, 37), " " + expected[i]) << i;
  // Four records counted; the decimal separator is the user's again.
  EXPECT_EQ(table.substr(4, 4), std::string("\x04\x00\x00\x00", 4));
  EXPECT_EQ(platform::LocaleSettings::Current().decimalSeparator, ',');
}

// A memo column: its texts go to the .dbt file in 512-byte blocks, and
// dbfread reads the table and the memos back.
TEST_F(DbfExportTest, MemoFileAndDbfread) {
  const std::string longText(600, 'm');
  OpenTable(
      "CREATE TABLE t (Titre VARCHAR(30), Resume TEXT, Nb NUMERIC(2));"
      "INSERT INTO t VALUES ('Null', '" +
      longText +
      "', 2);"
      "INSERT INTO t VALUES ('Deuxième', NULL, 1.5);"
      "INSERT INTO t VALUES ('Troisième', 'Court : « résumé »', NULL);");
  TQExportDBF e;
  Link(e, {"Titre", "Resume", "Nb"});
  e.FileName = dir / "films.dbf";
  e.Execute();

  const std::string table = test::ReadFile(dir / "films.dbf");
  const std::string memo = test::ReadFile(dir / "films.dbt");
  EXPECT_EQ(static_cast<unsigned char>(table[0]), 0x83);
  // Titre takes its longest value, "Troisième": the memo pointers follow.
  EXPECT_EQ(table.substr(32 + 32, 32), Descriptor("RESUME", 'M', 9, 10));
  const size_t first = 32 + 3 * 32 + 1, record = 1 + 9 + 10 + 15;
  EXPECT_EQ(table.substr(first + 10, 10), "         1");
  EXPECT_EQ(table.substr(first + record + 10, 10), std::string(10, ' '));
  EXPECT_EQ(table.substr(first + 2 * record + 10, 10), "         3");
  // 600 + 2 bytes take blocks 1 and 2; the short text block 3; next free 4.
  ASSERT_EQ(memo.size(), 4u * 512);
  EXPECT_EQ(memo.substr(0, 4), std::string("\x04\x00\x00\x00", 4));
  EXPECT_EQ(memo.substr(512, 602), longText + "\x1A\x1A");
  EXPECT_EQ(memo.substr(512 + 602, 1024 - 602), std::string(1024 - 602, '\0'));

  // Read without being told the encoding; an empty memo reads as None, a
  // title "Null" as itself.
  EXPECT_EQ(test::ReadDbf(dir / "films.dbf").rows,
            (std::vector<std::vector<std::string>>{{"Null", longText, "2.0"},
                                                   {"Deuxième", "None", "1.5"},
                                                   {"Troisième", "Court : « résumé »", "0.0"}}));
}

// A value that does not fit or does not convert stops the export, names the
// film and keeps the earlier table and memo file.
TEST_F(DbfExportTest, FailuresKeepTheEarlierFiles) {
  OpenTable(
      "CREATE TABLE t (Titre VARCHAR(10), F FLOAT, Resume TEXT);"
      "INSERT INTO t VALUES ('Bon', 1, 'texte');"
      "INSERT INTO t VALUES ('Trop grand', 12345678901, 'texte');"
      "INSERT INTO t VALUES ('Illisible', 'abc', 'texte');");
  test::WriteFile(dir / "t.dbf", "ancienne table");
  test::WriteFile(dir / "t.dbt", "ancien mémo");
  TQExportDBF e;
  Link(e, {"Titre", "F", "Resume"});
  e.FileName = dir / "t.dbf";
  EXPECT_EQ(test::MessageOf([&] { e.Execute(); }),
            "L'enregistrement n° 2 ne peut pas être exporté : dans la colonne « F », la valeur "
            "12345678901 ne "
            "tient pas dans les 15 caractères du champ DBF.");
  e.SkipRecCount = 2;
  EXPECT_EQ(
      test::MessageOf([&] { e.Execute(); }),
      "L'enregistrement n° 1 ne peut pas être exporté : dans la colonne « F », 'abc' n'est pas une "
      "valeur en virgule flottante correcte.");
  EXPECT_EQ(test::ReadFile(dir / "t.dbf"), "ancienne table");
  EXPECT_EQ(test::ReadFile(dir / "t.dbt"), "ancien mémo");
  EXPECT_EQ(platform::LocaleSettings::Current().decimalSeparator, ',');
  EXPECT_TRUE(test::HiddenFiles(dir.Path()).empty());
}

}  // namespace
}  // namespace kvn::exporting
