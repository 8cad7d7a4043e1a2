#include "export/column_fit.h"

#include <algorithm>
#include <functional>

namespace kvn::exporting {

std::vector<double> FitColumns(const std::vector<ColumnFit>& columns, double room, double floor) {
  const size_t n = columns.size();
  std::vector<double> width(n), least(n);
  double natural = 0, fixed = 0, leastSum = 0;
  for (size_t i = 0; i < n; ++i) {
    const ColumnFit& c = columns[i];
    natural += c.natural;
    if (c.given) {
      fixed += c.natural;
    } else {
      least[i] = std::min(c.natural, c.least);
      leastSum += least[i];
    }
  }
  if (natural <= room) {
    for (size_t i = 0; i < n; ++i) width[i] = columns[i].natural;
    return width;
  }
  // Texts give up their words first, the longest words first: every cut
  // word is cut to the same length, so short words (captions, genres)
  // stay whole while long paths and titles wrap.
  if (fixed + leastSum > room) {
    std::vector<double> cuttable;
    for (size_t i = 0; i < n; ++i)
      if (!columns[i].given && !columns[i].whole && least[i] > floor) cuttable.push_back(least[i]);
    std::sort(cuttable.begin(), cuttable.end(), std::greater<>());
    const double excess = fixed + leastSum - room;
    // The level every longer word is cut to: the k longest words are cut to
    // it; it stays above the (k+1)-th and not below the floor.
    double level = floor;
    double above = 0;
    for (size_t k = 0; k < cuttable.size(); ++k) {
      above += cuttable[k];
      const double next = k + 1 < cuttable.size() ? std::max(cuttable[k + 1], floor) : floor;
      const double candidate = (above - excess) / static_cast<double>(k + 1);
      if (candidate >= next) {
        level = candidate;
        break;
      }
    }
    level = std::max(level, floor);
    for (size_t i = 0; i < n; ++i)
      if (!columns[i].given && !columns[i].whole && least[i] > level) {
        leastSum -= least[i] - level;
        least[i] = level;
      }
  }
  if (fixed + leastSum > room) {
    // Typed widths give way next, down to what the others need; past that
    // every column shrinks in proportion.
    const double forFixed = std::max(0.0, room - leastSum);
    const double fixedScale = fixed > 0 ? std::min(1.0, forFixed / fixed) : 1.0;
    double total = 0;
    for (size_t i = 0; i < n; ++i)
      total += width[i] = columns[i].given ? columns[i].natural * fixedScale : least[i];
    if (total > room)
      for (size_t i = 0; i < n; ++i) width[i] *= room / total;
    return width;
  }
  const double extra = room - fixed - leastSum;
  double wanted = 0;
  for (size_t i = 0; i < n; ++i)
    if (!columns[i].given) wanted += columns[i].natural - least[i];
  for (size_t i = 0; i < n; ++i)
    width[i] = columns[i].given
                   ? columns[i].natural
                   : least[i] + (wanted > 0 ? extra * (columns[i].natural - least[i]) / wanted : 0);
  return width;
}

}  // namespace kvn::exporting
