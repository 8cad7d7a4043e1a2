// Small text helpers shared by every library: message patterns, case-insensitive
// comparison of ASCII names, trimming.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace kvn::platform {

// Replaces each "%s" or "%d" of pattern, in order, by the next argument; "%%" gives "%".
std::string Subst(std::string_view pattern, std::initializer_list<std::string_view> args);

// ASCII case folding, the rule for section, key, field and option names.
char AsciiLower(char c);
char AsciiUpper(char c);
std::string AsciiLowerCopy(std::string_view text);
std::string AsciiUpperCopy(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
int CompareNoCase(std::string_view a, std::string_view b);

// Blanks and control characters (bytes <= 0x20) removed at both ends, as the
// platform's Trim does.
std::string_view Trim(std::string_view text);
std::string_view TrimLeft(std::string_view text);
std::string_view TrimRight(std::string_view text);

std::vector<std::string> Split(std::string_view text, char separator);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

}  // namespace kvn::platform
