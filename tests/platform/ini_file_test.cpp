#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "tests/support/temp_dir.h"

namespace kvn::platform {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(IniFile, MissingFileReadsDefaultsAndFirstWriteCreatesIt) {
  TempDir dir;
  IniFile ini(dir / "kvn.ini");
  EXPECT_EQ(ini.ReadString("BASEDB", "Id_Imp_Base", "0"), "0");
  EXPECT_FALSE(ini.SectionExists("BASEDB"));
  ini.WriteString("BASEDB", "Id_Imp_Base", "3");
  EXPECT_EQ(ReadFile(dir / "kvn.ini"), "[BASEDB]\nId_Imp_Base=3\n");
}

TEST(IniFile, ReadingRules) {
  TempDir dir;
  WriteFile(dir / "a.ini",
            "; a comment\n"
            "[Main]\n"
            "Plain = value  \n"
            "Quoted=\"  spaced  \"\n"
            "Single='one'\n"
            "Unmatched=\"half\n"
            "Dup=first\n"
            "dup=second\n"
            ";Hidden=1\n"
            "this line is garbage\n"
            "=no key\n"
            "Hex=$1F\n"
            "Bad=12x\n"
            "Flag=2\n"
            "Off=0\n"
            "Num=2,5\n"
            "[main]\n"
            "Later=x\n");
  IniFile ini(dir / "a.ini");
  struct {
    const char* section;
    const char* key;
    const char* expected;
  } cases[] = {
      {"MAIN", "plain", "value"},     {"Main", "Quoted", "  spaced  "},
      {"Main", "Single", "one"},      {"Main", "Unmatched", "\"half"},
      {"Main", "DUP", "first"},       {"Main", "Hidden", "default"},
      {"Main", "Missing", "default"}, {"Other", "Plain", "default"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ini.ReadString(c.section, c.key, "default"), c.expected) << c.section << "/" << c.key;
  EXPECT_EQ(ini.ReadInteger("Main", "Hex", 0), 31);
  EXPECT_EQ(ini.ReadInteger("Main", "Bad", -1), -1);
  EXPECT_TRUE(ini.ReadBool("Main", "Flag", false));
  EXPECT_FALSE(ini.ReadBool("Main", "Off", true));
  EXPECT_TRUE(ini.ReadBool("Main", "Plain", true));  // unreadable: the default
  EXPECT_DOUBLE_EQ(ini.ReadFloat("Main", "Num", 0), 2.5);
}

TEST(IniFile, WritesKeepOtherContentByteForByte) {
  TempDir dir;
  const std::string original =
      "; settings\r\n[A]\r\nx=1\r\ngarbage here\r\ny = 2\r\n\r\n[B]\r\nz=3\r\n";
  WriteFile(dir / "b.ini", original);
  IniFile ini(dir / "b.ini");
  ini.WriteString("a", "X", "9");
  EXPECT_EQ(ReadFile(dir / "b.ini"),
            "; settings\r\n[A]\r\nX=9\r\ngarbage here\r\ny = 2\r\n\r\n[B]\r\nz=3\r\n");
  ini.WriteString("A", "new", "n");
  EXPECT_EQ(ReadFile(dir / "b.ini"),
            "; settings\r\n[A]\r\nX=9\r\ngarbage here\r\ny = 2\r\nnew=n\r\n\r\n[B]\r\nz=3\r\n");
  ini.WriteInteger("C", "i", -4);
  ini.WriteBool("C", "b", true);
  EXPECT_EQ(ReadFile(dir / "b.ini"),
            "; settings\r\n[A]\r\nX=9\r\ngarbage here\r\ny = 2\r\nnew=n\r\n\r\n[B]\r\nz=3\r\n"
            "[C]\r\ni=-4\r\nb=1\r\n");
  EXPECT_EQ(ini.ReadString("A", "garbage here", "none"), "none");
  EXPECT_EQ(IniFile(dir / "b.ini").ReadInteger("c", "I", 0), -4);
}

// Files damaged by hand or by another program: what is written reads back,
// and the other keys read as before. The reader and the writer see the same
// lines (a carriage return alone ends a line, a byte order mark is no part
// of the first line, a "[" that is never closed opens no section).
TEST(IniFile, WritesReadBackInDamagedFiles) {
  struct Case {
    const char* text;
    const char* otherSection;
    const char* otherKey;
    const char* otherValue;
  };
  const Case cases[] = {
      {"[", nullptr, nullptr, nullptr},
      {"[BASEDB]\nId=1\r[\n\n", "BASEDB", "Id", "1"},
      {"\xEF\xBB\xBF[\r", nullptr, nullptr, nullptr},
      {"\xEF\xBB\xBF[Fuzz]\nClé=ancienne\nAutre=2\n", "Fuzz", "Autre", "2"},
      {"[A]\nx=1\n[B\ny=2\n", "A", "y", "2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TempDir dir;
    WriteFile(dir / "r.ini", c.text);
    IniFile(dir / "r.ini").WriteString("Fuzz", "Clé", "écrite");
    IniFile again(dir / "r.ini");
    EXPECT_EQ(again.ReadString("Fuzz", "Clé", ""), "écrite") << ReadFile(dir / "r.ini");
    if (c.otherSection) {
      EXPECT_EQ(again.ReadString(c.otherSection, c.otherKey, "absent"), c.otherValue);
    }
  }
}

TEST(IniFile, EraseSectionsAndKeys) {
  TempDir dir;
  WriteFile(dir / "c.ini", "[A]\nx=1\n[B]\ny=2\n[a]\nz=3\n");
  IniFile ini(dir / "c.ini");
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"A", "B"}));
  ini.EraseSection("a");
  EXPECT_EQ(ReadFile(dir / "c.ini"), "[B]\ny=2\n");
  ini.DeleteKey("B", "Y");
  EXPECT_EQ(ReadFile(dir / "c.ini"), "[B]\n");
  ini.EraseSection("B");
  EXPECT_EQ(ReadFile(dir / "c.ini"), "");
}

TEST(IniFile, SectionKeysInFileOrderAndFloats) {
  TempDir dir;
  IniFile ini(dir / "d.ini");
  ini.WriteString("L", "line0", "a");
  ini.WriteString("L", "line1", "b");
  ini.WriteString("L", "line2", "c");
  ini.WriteFloat("F", "v", 2.5);
  ini.WriteFloat("F", "w", 2.5, "0.000");
  EXPECT_EQ(ini.ReadSection("l"), (std::vector<std::string>{"line0", "line1", "line2"}));
  EXPECT_EQ(ini.ReadString("F", "v", ""), "2,5");
  EXPECT_EQ(ini.ReadString("F", "w", ""), "2,500");
  EXPECT_DOUBLE_EQ(ini.ReadFloat("F", "w", 0), 2.5);
}

TEST(IniFile, UnwritableFileGivesFrenchError) {
  TempDir dir;
  IniFile ini(dir / "missing-dir/e.ini");
  try {
    ini.WriteString("A", "b", "c");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("Impossible de créer le fichier"), std::string::npos)
        << e.what();
  }
}

}  // namespace
}  // namespace kvn::platform
