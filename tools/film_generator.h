// Catalogues of any size for benchmarks and manual checks: films as real
// collections hold them — French titles with accents, apostrophes, quotes and
// guillemets, titles of up to 250 characters, remakes under the same title,
// markup characters, borrowers' names in many scripts, EAN-13 references,
// running times, cover paths, loans — the same films for the same count and
// seed.
#pragma once

#include <cstdint>
#include <string>

namespace kvn::tools {

// Creates directory/video.DB (refused when one exists) with its settings
// file and n generated films.
void WriteGeneratedCatalogue(const std::string& directory, int64_t n, uint64_t seed = 20240611);

}  // namespace kvn::tools
