// Sharing a page's width among the columns of a table that is wider than the
// page (PDF, RTF and LaTeX tables): the texts wrap inside their cells and
// nothing is lost beyond the page's edge.
#pragma once

#include <vector>

namespace kvn::exporting {

struct ColumnFit {
  double natural = 0;  // the width the column would take with no wrapping
  double least = 0;    // its longest word, or what it cannot go below
  bool given = false;  // a width the user typed: kept unless those alone pass the page
  bool whole = false;  // numbers and dates: never cut while texts can give way
};

// The widths of the columns, summing to at most room. Columns that fit keep
// their natural widths. Otherwise: typed widths are kept and the others start
// at their least width and share what is left by how much more they would
// take; when that is still too wide, texts give up their longest words (cut
// to one length, not below `floor`), then typed widths shrink, then every
// column in proportion.
std::vector<double> FitColumns(const std::vector<ColumnFit>& columns, double room, double floor);

}  // namespace kvn::exporting
