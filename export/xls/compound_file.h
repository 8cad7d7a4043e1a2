// The compound document (structured storage) container around the workbook
// stream, produced with libgsf: a header, the allocation tables, the directory
// with its root entry and one stream, and the stream's sectors.
#pragma once

#include <string_view>

#include "platform/stream.h"

namespace kvn::exporting {

// Writes a compound file whose root storage holds one stream, `streamName`,
// with these bytes, to `out` from its current position. Throws kvn::Error when
// the container cannot be built or `out` refuses the bytes.
void WriteCompoundFile(platform::Stream& out, std::string_view streamName, std::string_view bytes);

}  // namespace kvn::exporting
