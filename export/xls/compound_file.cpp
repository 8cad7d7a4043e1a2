#include "export/xls/compound_file.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-output.h>

#include <memory>
#include <string>

#include "platform/error.h"
#include "platform/strings.h"

namespace kvn::exporting {

namespace {

struct Unref {
  void operator()(void* object) const {
    if (object) g_object_unref(object);
  }
};
template <class T>
using GsfPtr = std::unique_ptr<T, Unref>;

// The library's own reason, or a generic one.
[[noreturn]] void Fail(GsfOutput* output) {
  const GError* e = output ? gsf_output_error(output) : nullptr;
  std::string reason = e && e->message ? e->message : "erreur inconnue";
  throw Error(platform::Subst("Impossible de construire le classeur : %s", {reason}));
}

}  // namespace

void WriteCompoundFile(platform::Stream& out, std::string_view streamName, std::string_view bytes) {
  GsfPtr<GsfOutput> memory(gsf_output_memory_new());
  if (!memory) Fail(nullptr);
  GsfPtr<GsfOutfile> storage(gsf_outfile_msole_new(memory.get()));
  if (!storage) Fail(memory.get());
  const std::string name(streamName);
  GsfPtr<GsfOutput> stream(gsf_outfile_new_child(storage.get(), name.c_str(), FALSE));
  if (!stream) Fail(GSF_OUTPUT(storage.get()));
  if (!bytes.empty() &&
      !gsf_output_write(stream.get(), bytes.size(), reinterpret_cast<const guint8*>(bytes.data())))
    Fail(stream.get());
  if (!gsf_output_close(stream.get())) Fail(stream.get());
  if (!gsf_output_close(GSF_OUTPUT(storage.get()))) Fail(GSF_OUTPUT(storage.get()));
  // Closing the storage closes its sink too.
  if (!gsf_output_is_closed(memory.get()) && !gsf_output_close(memory.get())) Fail(memory.get());

  const gsf_off_t size = gsf_output_size(memory.get());
  const guint8* data = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory.get()));
  out.WriteBuffer(data, static_cast<size_t>(size));
}

}  // namespace kvn::exporting
