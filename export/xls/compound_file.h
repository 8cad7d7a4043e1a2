// The compound document (structured storage) container around the workbook
// stream, produced with libgsf: a header, the allocation tables, the directory
// with its root entry and one stream, and the stream's sectors.
#pragma once

#include <string_view>
#include <vector>

#include "platform/stream.h"

namespace kvn::exporting {

// Writes a compound file whose root storage holds one stream, `streamName`,
// with these bytes (given in pieces, written one after the other), to `out`
// from its current position. Throws kvn::Error when the container cannot be
// built or `out` refuses the bytes.
void WriteCompoundFile(platform::Stream& out, std::string_view streamName,
                       const std::vector<std::string_view>& pieces);

}  // namespace kvn::exporting
