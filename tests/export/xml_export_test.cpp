// XML data packets byte for byte (declaration, metadata, rows, escaping), the
// text of each encoding, and xmllint reading every value back as it was.
#include "export/xml/xml_export.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "tests/export/export_fixture.h"
#include "tests/support/message_of.h"
#include "tests/support/run_program.h"

namespace kvn::exporting {
namespace {

class XmlExportTest : public CatalogueTest {
 protected:
  // xmllint reads the file without a word, and gives the value an XPath finds.
  std::string Read(const std::string& doc, const std::string& xpath) {
    const std::string path = dir / "lu.xml";
    test::WriteFile(path, doc);
    auto check = test::RunProgram({"xmllint", "--noout", path});
    EXPECT_EQ(check.exitCode, 0) << check.err;
    EXPECT_EQ(check.err, "");
    std::string value = test::RunProgram({"xmllint", "--xpath", xpath, path}).out;
    if (!value.empty() && value.back() == '\n') value.pop_back();  // xmllint's own line end
    return value;
  }
};

TEST_F(XmlExportTest, APacketByteForByte) {
  test::Film f;
  f.reference = "R&1";
  f.titre = "Le \"Grand\" <Bleu>";
  OpenCatalogue({f});
  TQExportXML e;
  Link(e, {"Reference", "Titre", "Nb_cd"});
  const std::string doc = Run(e);
  EXPECT_EQ(
      doc,
      "<?xml version=\"1.0\" standalone=\"yes\"?>\r\n"
      "<DATAPACKET Version=\"2.0\">\r\n"
      "<METADATA>\r\n"
      "<FIELDS>\r\n"
      "<FIELD FieldName=\"Reference\" DisplayLabel=\"Reference\" FieldType=\"String\" "
      "FieldClass=\"TField\"/>\r\n"
      "<FIELD FieldName=\"Titre\" DisplayLabel=\"Titre\" FieldType=\"String\" "
      "FieldClass=\"TField\"/>\r\n"
      "<FIELD FieldName=\"Nb_cd\" DisplayLabel=\"Nb_cd\" FieldType=\"Float\" "
      "FieldClass=\"TField\"/>\r\n"
      "</FIELDS>\r\n"
      "</METADATA>\r\n"
      "<ROWDATA>\r\n"
      "<ROW Reference=\"R&amp;1\" Titre=\"Le &quot;Grand&quot; &lt;Bleu&gt;\" Nb_cd=\"\"/>\r\n"
      "</ROWDATA>\r\n"
      "</DATAPACKET>\r\n");
  EXPECT_EQ(Read(doc, "string(//ROW/@Titre)"), "Le \"Grand\" <Bleu>");
}

// What the declaration names decides how accents are written; every form
// reads back as the same text.
TEST_F(XmlExportTest, EncodingsAndTheTextTheyReadBack) {
  test::Film f;
  f.reference = "R1";
  f.titre = "Œuvre à 5 €\r\nsuite";
  f.duree = "01:30:00";
  OpenCatalogue({f});
  struct Case {
    std::string encoding;
    bool standalone;
    std::string declaration;
    std::string title;
    std::string durationName;
  };
  const Case cases[] = {
      {"", true, "<?xml version=\"1.0\" standalone=\"yes\"?>",
       "&#338;uvre &#224; 5 &#8364;&#13;&#10;suite",
       "Dur\xC3\xA9"
       "e"},
      {"windows-1252", false, "<?xml version=\"1.0\" encoding=\"windows-1252\" standalone=\"no\"?>",
       "\x8Cuvre \xE0 5 \x80&#13;&#10;suite",
       "Dur\xE9"
       "e"},
      {"UTF-8", true, "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>",
       "\xC5\x92uvre \xC3\xA0 5 \xE2\x82\xAC&#13;&#10;suite",
       "Dur\xC3\xA9"
       "e"},
      {"ISO-8859-1", true, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" standalone=\"yes\"?>",
       "&#338;uvre \xE0 5 &#8364;&#13;&#10;suite",
       "Dur\xE9"
       "e"},
      // Its own bytes for the euro and the ligature, not Latin-1's.
      {"ISO-8859-15", true, "<?xml version=\"1.0\" encoding=\"ISO-8859-15\" standalone=\"yes\"?>",
       "\xBCuvre \xE0 5 \xA4&#13;&#10;suite",
       "Dur\xE9"
       "e"},
      // Nothing beyond ASCII: references, and "_" in names.
      {"US-ASCII", true, "<?xml version=\"1.0\" encoding=\"US-ASCII\" standalone=\"yes\"?>",
       "&#338;uvre &#224; 5 &#8364;&#13;&#10;suite", "Dur_e"},
  };
  for (const Case& c : cases) {
    TQExportXML e;
    Link(e, {"Titre", "Durée"});
    e.Options.Encoding = c.encoding;
    e.Options.StandAlone = c.standalone;
    const std::string doc = Run(e);
    EXPECT_EQ(doc.substr(0, doc.find("\r\n")), c.declaration);
    EXPECT_NE(doc.find("<ROW Titre=\"" + c.title + "\" " + c.durationName + "=\"01:30\"/>"),
              std::string::npos)
        << c.encoding << "\n"
        << doc;
    EXPECT_EQ(Read(doc, "string(//ROW/@Titre)"), "Œuvre à 5 €\r\nsuite") << c.encoding;
  }

  // Two bytes to a character, the order mark first: every byte of the file
  // is in the encoding, the declaration's too.
  TQExportXML wide;
  Link(wide, {"Titre", "Durée"});
  wide.Options.Encoding = "UTF-16";
  const std::string doc = Run(wide);
  ASSERT_GE(doc.size(), 4u);
  EXPECT_TRUE(doc.substr(0, 4) == std::string("\xFF\xFE<\0", 4) ||
              doc.substr(0, 4) == std::string("\xFE\xFF\0<", 4));
  EXPECT_EQ(doc.size() % 2, 0u);
  EXPECT_EQ(Read(doc, "string(//ROW/@Titre)"), "Œuvre à 5 €\r\nsuite");
  EXPECT_EQ(Read(doc, "string(//FIELD[2]/@FieldName)"), "Durée");

  // A name the system has no encoding for is refused before anything is written.
  TQExportXML unknown;
  Link(unknown, {"Titre"});
  unknown.Options.Encoding = "x-klingon";
  EXPECT_EQ(
      test::MessageOf([&] { Run(unknown); }),
      "Encodage inconnu : « x-klingon » (le système ne sait pas écrire ce jeu de caractères).");
}

TEST_F(XmlExportTest, NamesNoCaptionsNoRecords) {
  OpenCatalogue({});
  TQExportXML e;
  Link(e, {"Titre"});
  e.AllowCaptions = false;
  // The field descriptions stay: a packet without them is not one.
  EXPECT_EQ(Run(e),
            "<?xml version=\"1.0\" standalone=\"yes\"?>\r\n<DATAPACKET Version=\"2.0\">\r\n"
            "<METADATA>\r\n<FIELDS>\r\n"
            "<FIELD FieldName=\"Titre\" DisplayLabel=\"Titre\" FieldType=\"String\" "
            "FieldClass=\"TField\"/>\r\n"
            "</FIELDS>\r\n</METADATA>\r\n"
            "<ROWDATA>\r\n</ROWDATA>\r\n</DATAPACKET>\r\n");

  // A column name with a space has "_" in its place, in FIELD and in each
  // ROW; a name that cannot start an XML name gets one before it.
  EXPECT_EQ(e.AttributeName("Date de sortie"), "Date_de_sortie");
  EXPECT_EQ(e.AttributeName("2e titre"), "_2e_titre");
  EXPECT_EQ(e.AttributeName("a<b"), "a_b");

  TQExportXML version;
  Link(version, {"Titre"});
  version.Options.Version = "1.0\" x=\"";
  EXPECT_EQ(test::MessageOf([&] { Run(version); }),
            "Version XML refusée : « 1.0\" x=\" » (1.0 ou 1.1 attendu).");
  TQExportXML encoding;
  Link(encoding, {"Titre"});
  encoding.Options.Encoding = "utf 8";
  EXPECT_EQ(test::MessageOf([&] { Run(encoding); }), "Nom d'encodage XML refusé : « utf 8 ».");
}

}  // namespace
}  // namespace kvn::exporting
