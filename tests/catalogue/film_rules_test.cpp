// The rules of a film's values, as the windows and the import apply them.
#include "catalogue/film_rules.h"

#include <gtest/gtest.h>

namespace kvn::catalogue {
namespace {

TEST(FilmRules, NumbersInTheirRange) {
  struct {
    std::string_view text;
    bool year, note, discs;
  } cases[] = {
      {"", true, true, true},         {"1999", true, false, false},
      {" 2024 ", true, false, false}, {"1879", false, false, false},
      {"2101", false, false, false},  {"0", false, true, true},
      {"10", false, true, true},      {"11", false, false, true},
      {"99", false, false, true},     {"100", false, false, false},
      {"-1", false, false, false},    {"7.0", false, true, true},
      {"7,5", false, false, false},   {"sept", false, false, false},
      {"1e3", false, false, false},   {"99999999999", false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(YearProblem(c.text).empty(), c.year);
    EXPECT_EQ(NoteProblem(c.text).empty(), c.note);
    EXPECT_EQ(DiscsProblem(c.text).empty(), c.discs);
  }
  EXPECT_EQ(YearProblem("1789"), "L'année doit être un nombre de 1880 à 2100.");
  EXPECT_EQ(NoteProblem("12"), "La note doit être un nombre entier de 0 à 10.");
}

TEST(FilmRules, EanLengthDigitsAndCheckDigit) {
  EXPECT_EQ(EanProblem(""), "");
  EXPECT_EQ(EanProblem("3700259801034"), "");  // EAN-13
  EXPECT_EQ(EanProblem("96385074"), "");       // EAN-8
  EXPECT_EQ(EanProblem("4006381333931"), "");
  EXPECT_EQ(EanProblem("3700259801036"),
            "Le dernier chiffre du code EAN (la clé) devrait être 4 : vérifiez le code.");
  EXPECT_EQ(EanProblem("96385075"),
            "Le dernier chiffre du code EAN (la clé) devrait être 4 : vérifiez le code.");
  for (std::string_view wrong : {"370025980103", "37002598010360", "3700 259801036", "ABCDEFGH"})
    EXPECT_EQ(EanProblem(wrong), "Un code EAN compte 8 ou 13 chiffres, sans autre signe.") << wrong;
}

TEST(FilmRules, DurationsDatesAndYesNo) {
  struct {
    std::string_view text;
    std::optional<std::string> stored;
  } durations[] = {
      {"1:30:00", "01:30:00"},        {"01:30", "01:30:00"},   {"1h30", "01:30:00"},
      {"1 h 30 min", "01:30:00"},     {"95", "01:35:00"},      {"2h", "02:00:00"},
      {"95 min", "01:35:00"},         {"0:00:00", "00:00:00"}, {"1:75:00", std::nullopt},
      {"trois heures", std::nullopt}, {"", std::nullopt},      {"1:2:3:4", std::nullopt},
  };
  for (const auto& d : durations) EXPECT_EQ(StoredDuration(d.text), d.stored) << d.text;
  struct {
    std::string_view text;
    std::optional<std::string> stored;
  } dates[] = {
      {"2024-03-01", "2024-03-01"},
      {"01/03/2024", "2024-03-01"},
      {"1/3/24", "2024-03-01"},
      {"29/02/2024", "2024-02-29"},
      {"29/02/2023", std::nullopt},
      {"31/04/2024", std::nullopt},
      {"2024-03-01 00:00:00", "2024-03-01"},
      {"hier", std::nullopt},
      {"2024-03/01", std::nullopt},
  };
  for (const auto& d : dates) EXPECT_EQ(StoredDate(d.text), d.stored) << d.text;
  for (std::string_view yes : {"1", "X", "Oui", "vrai", "TRUE", "yes"}) EXPECT_EQ(YesNo(yes), true);
  for (std::string_view no : {"0", "non", "Faux", "false", ""}) EXPECT_EQ(YesNo(no), false);
  EXPECT_EQ(YesNo("peut-être"), std::nullopt);
}

}  // namespace
}  // namespace kvn::catalogue
