#include "export/text/clipboard_export.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "tests/export/export_fixture.h"

namespace kvn::exporting {
namespace {

struct MemoryClipboard : Clipboard {
  std::string text;
  bool refuse = false;
  void SetText(const std::string& t) override {
    if (refuse) throw Error("Impossible d'ouvrir le Presse-papiers");
    text = t;
  }
};

class ClipboardExportTest : public CatalogueTest {
 protected:
  void SetUp() override {
    OpenCatalogue(ThreeFilms());
    e.DataSet = table.get();
    e.UseClipboard = &clipboard;
    e.ExportedFields = {"Reference", "Nb_cd"};
  }
  TQExportClipboard e;
  MemoryClipboard clipboard;
};

TEST_F(ClipboardExportTest, SeparatedLinesEndWithTheSeparator) {
  e.Separator = '\t';
  e.Title = "Films";
  e.Header = {"Début"};
  e.Footer = {"Fin"};
  e.Execute();
  EXPECT_EQ(clipboard.text,
            "Films\r\nDébut\r\n\r\n"
            "Reference\tNb_cd\t\r\nR1\t1,00\t\r\nR2\t2,50\t\r\nR3\t1\u00A0"
            "234,00\t\r\n"
            "Fin\r\n\r\n");
}

TEST_F(ClipboardExportTest, FixedCellsArePaddedInFront) {
  e.SetExportType(TQClipboardExportType::etFixed);
  EXPECT_TRUE(e.AutoCalcColWidth);
  e.Captions = {"Reference=Ref"};
  e.Execute();
  // Widths: the field's display widths raised by raw texts (255 for Reference).
  EXPECT_EQ(e.Columns()[1].Width, 10);
  EXPECT_EQ(clipboard.text.substr(0, 255), std::string(252, ' ') + "Ref");
  EXPECT_EQ(clipboard.text.substr(255, 12), "     Nb_cd\r\n");
  e.SetExportType(TQClipboardExportType::etSeparated);
  EXPECT_FALSE(e.AutoCalcColWidth);
}

TEST_F(ClipboardExportTest, CaptionRowEvenWhenEmptyAndRefusedClipboard) {
  e.ExportedFields.Clear();
  e.ExportEmpty = true;
  e.OnlyVisibleFields = true;
  for (int i = 0; i < table->FieldCount(); ++i) table->FieldByIndex(i).SetVisible(false);
  e.Execute();
  EXPECT_EQ(clipboard.text, "\r\n\r\n\r\n\r\n");  // an empty caption row, then three empty rows
  clipboard.refuse = true;
  try {
    e.Execute();
    FAIL();
  } catch (const Error& err) {
    EXPECT_STREQ(err.what(), "Impossible d'ouvrir le Presse-papiers");
  }
}

}  // namespace
}  // namespace kvn::exporting
