// The advance widths of the fourteen standard PDF fonts, in 1/1000 of the
// font size, for every byte of Windows-1252 (in the order of TPDFFontName).
#pragma once

#include <array>
#include <cstdint>

namespace kvn::exporting {

const std::array<std::array<uint16_t, 256>, 14>& StandardFontWidths();

}  // namespace kvn::exporting
