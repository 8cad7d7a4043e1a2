// The characters a LaTeX document written in UTF-8 can set with its T1 and
// TS1 fonts: ASCII, the Latin letters of Western and Central Europe, their
// accents, quotes, dashes and common signs. Greek, Cyrillic, Vietnamese
// letters with two accents and East Asian scripts are not among them.
#pragma once

namespace kvn::exporting {

bool LatexCanSet(char32_t cp);

}  // namespace kvn::exporting
