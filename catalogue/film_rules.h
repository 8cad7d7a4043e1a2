// The rules a film's values follow, the same for the record windows and for
// the import: each check gives the French sentence that says what is wrong,
// or an empty text when the value is right (an empty value is always right:
// the field stays empty).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kvn::catalogue {

// The year a film came out: a whole number from 1880 to 2100.
std::string YearProblem(std::string_view text);
// The collector's note: a whole number from 0 to 10.
std::string NoteProblem(std::string_view text);
// The number of discs: a whole number from 0 to 99.
std::string DiscsProblem(std::string_view text);
// An EAN-8 or EAN-13 bar code: only digits, 8 or 13 of them, the last one
// the check digit of the others.
std::string EanProblem(std::string_view text);
// The check digit of an EAN's first digits (7 or 12 of them).
int EanCheckDigit(std::string_view digits);

// A duration as the catalogue stores it ("HH:MM:SS"), from "1:30:00",
// "01:30", "1h30", "1 h 30 min" or a number of minutes ("95"); nullopt when
// the text is none of these.
std::optional<std::string> StoredDuration(std::string_view text);
// A date as the catalogue stores it ("YYYY-MM-DD"), from "2024-03-01",
// "01/03/2024" or "1/3/24"; nullopt when the text is no real date.
std::optional<std::string> StoredDate(std::string_view text);
// "1"/"0" from the ways a yes or no is written (Vrai, True, Oui, X, 1…);
// nullopt when the text says neither.
std::optional<bool> YesNo(std::string_view text);

}  // namespace kvn::catalogue
