#include "export/xls/compound_file.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-output.h>
#include <sys/stat.h>

#include <exception>
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

// A libgsf output that writes to one of our streams: the compound file goes
// to the file as it is built, not through a copy in memory, and a failed
// write keeps the stream's own French message.
struct StreamOutput {
  GsfOutput base;
  platform::Stream* out;
  int64_t start;  // where the compound file begins in `out`
  std::exception_ptr* failure;
};
struct StreamOutputClass {
  GsfOutputClass base;
};

G_DEFINE_TYPE(StreamOutput, kvn_stream_output, GSF_OUTPUT_TYPE)

StreamOutput* Own(GsfOutput* output) {
  return reinterpret_cast<StreamOutput*>(output);
}

gboolean StreamWrite(GsfOutput* output, size_t count, const guint8* data) {
  StreamOutput* self = Own(output);
  try {
    self->out->WriteBuffer(data, count);
    return TRUE;
  } catch (...) {
    *self->failure = std::current_exception();
    return FALSE;
  }
}

gboolean StreamSeek(GsfOutput* output, gsf_off_t offset, GSeekType whence) {
  StreamOutput* self = Own(output);
  const gsf_off_t from = whence == G_SEEK_SET   ? 0
                         : whence == G_SEEK_CUR ? output->cur_offset
                                                : output->cur_size;
  try {
    self->out->Seek(self->start + from + offset, platform::SeekOrigin::Begin);
    return TRUE;
  } catch (...) {
    *self->failure = std::current_exception();
    return FALSE;
  }
}

gboolean StreamClose(GsfOutput*) {
  return TRUE;
}

void kvn_stream_output_init(StreamOutput*) {}

void kvn_stream_output_class_init(StreamOutputClass* klass) {
  GsfOutputClass* output = &klass->base;
  output->Write = StreamWrite;
  output->Seek = StreamSeek;
  output->Close = StreamClose;
}

}  // namespace

void WriteCompoundFile(platform::Stream& out, std::string_view streamName,
                       const std::vector<std::string_view>& pieces) {
  std::exception_ptr failure;
  // What the library stops on is our stream's error, told as the stream tells it.
  auto fail = [&failure](GsfOutput* output) {
    if (failure) std::rethrow_exception(failure);
    Fail(output);
  };
  // A pipe or a device cannot go back to write the header at the end: the
  // file is then built in memory and written out at once.
  int64_t start = out.Position();
  if (auto* file = dynamic_cast<platform::FileStream*>(&out)) {
    struct stat st {};
    if (::fstat(file->Handle(), &st) != 0 || !S_ISREG(st.st_mode)) start = -1;
  }
  GsfPtr<GsfOutput> sink(start >= 0
                             ? GSF_OUTPUT(g_object_new(kvn_stream_output_get_type(), nullptr))
                             : gsf_output_memory_new());
  if (!sink) Fail(nullptr);
  if (start >= 0) {
    Own(sink.get())->out = &out;
    Own(sink.get())->start = start;
    Own(sink.get())->failure = &failure;
  }
  GsfPtr<GsfOutfile> storage(gsf_outfile_msole_new(sink.get()));
  if (!storage) fail(sink.get());
  const std::string name(streamName);
  GsfPtr<GsfOutput> stream(gsf_outfile_new_child(storage.get(), name.c_str(), FALSE));
  if (!stream) fail(GSF_OUTPUT(storage.get()));
  for (std::string_view bytes : pieces)
    if (!bytes.empty() && !gsf_output_write(stream.get(), bytes.size(),
                                            reinterpret_cast<const guint8*>(bytes.data())))
      fail(stream.get());
  if (!gsf_output_close(stream.get())) fail(stream.get());
  if (!gsf_output_close(GSF_OUTPUT(storage.get()))) fail(GSF_OUTPUT(storage.get()));
  // Closing the storage closes its sink too.
  if (!gsf_output_is_closed(sink.get()) && !gsf_output_close(sink.get())) fail(sink.get());
  if (failure) std::rethrow_exception(failure);
  if (start >= 0) {
    out.Seek(0, platform::SeekOrigin::End);
    return;
  }
  const gsf_off_t size = gsf_output_size(sink.get());
  const guint8* data = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink.get()));
  out.WriteBuffer(data, static_cast<size_t>(size));
}

}  // namespace kvn::exporting
