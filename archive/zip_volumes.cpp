// Multi-volume archives and the self-extractor stub.
//
// A multi-volume archive is worked on as one file, the working file, which
// holds the whole archive as a single volume would. After each commit its
// records are laid out over volumes: a local header (with its name and extra
// field) and a central directory header never leave a volume, data may cross
// to the next one; each entry's disk number and offset are those of its
// volume. Split volumes (one folder) are written under temporary names and put
// in place once the whole set is written, so that a cancelled volume request
// loses nothing. Spanned volumes go on removable disks, one per disk: each
// takes its own name before the next disk is asked for (the earlier disks are
// gone by then), and the working file lives in the temporary folder, never on
// a disk being filled. Opening an existing set joins its volumes into a
// working file.
#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "archive/zip_forge.h"
#include "platform/codepage.h"
#include "platform/endian.h"
#include "platform/file_info.h"
#include "platform/strings.h"

namespace kvn::archive {

using platform::FileMode;
using platform::FileStream;
using platform::SeekOrigin;

uint64_t TZFSpanningOptions::VolumeLimit(int volume) const {
  if (volume == 0 && FirstVolumeSize > 0) return FirstVolumeSize;
  switch (VolumeSize) {
    case TZFVolumeSize::vsAutoDetect:
      return 0;
    case TZFVolumeSize::vsCustom:
      return m_customVolumeSize;
    case TZFVolumeSize::vs1_44MB:
      return 1457664;
    case TZFVolumeSize::vs100MB:
      return 104857600;
    case TZFVolumeSize::vs200MB:
      return 209715200;
    case TZFVolumeSize::vs600MB:
      return 629145600;
    case TZFVolumeSize::vs650MB:
      return 681574400;
    case TZFVolumeSize::vs700MB:
      return 734003200;
    case TZFVolumeSize::vs4700MB:
      return 4700000000ull;
  }
  return 0;
}

uint64_t TZFBaseArchiver::FreeSpace(const std::string& fileName) {
  std::string where = fileName;
  struct statvfs fs {};
  while (::statvfs(where.c_str(), &fs) != 0) {
    const std::string parent = platform::ExtractFilePath(where);
    if (parent.empty() || parent == where) return 0;
    where =
        parent.size() > 1 && parent.back() == '/' ? parent.substr(0, parent.size() - 1) : parent;
  }
  return static_cast<uint64_t>(fs.f_bavail) * static_cast<uint64_t>(fs.f_frsize);
}

bool TZFBaseArchiver::SelfExtracting() const {
  const std::string ext = platform::AsciiLowerCopy(platform::ExtractFileExt(FileName));
  return m_sfxSet || m_prefix > 0 || !SFXStub.empty() || ext.find(".exe") != std::string::npos;
}

namespace {

// The file at path, or one of the same folder whose name differs only in
// case (volumes named ".ZIP" beside ".zip" ones); empty when there is none.
std::string ExistingIgnoringCase(const std::string& path) {
  if (platform::FileExists(path)) return path;
  const std::string dir = platform::ExtractFilePath(path);
  const std::string want = platform::AsciiLowerCopy(platform::ExtractFileName(path));
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(dir.empty() ? "." : dir, error)) {
    const std::string name = entry.path().filename().string();
    if (platform::AsciiLowerCopy(name) == want && entry.is_regular_file(error)) return dir + name;
  }
  return {};
}

}  // namespace

void TZFBaseArchiver::FindArchiveToOpen() {
  m_sfxSet = false;
  if (m_inMemory) return;
  const std::string found = ExistingIgnoringCase(FileName);
  if (!found.empty()) FileName = found;
  if (platform::AsciiLowerCopy(platform::ExtractFileExt(FileName)) != ".exe" ||
      !platform::FileExists(FileName))
    return;
  // The first volume of a split self-extracting set has no end record: the
  // set is opened from its last volume, "<name>.ZIP".
  try {
    FileStream first(FileName, FileMode::OpenRead);
    if (EndRecordDisk(first) >= 0) return;
  } catch (const kvn::Error&) {
    return;
  }
  const std::string file = platform::ExtractFileName(FileName);
  const std::string base = platform::ExtractFilePath(FileName) +
                           file.substr(0, file.size() - platform::ExtractFileExt(file).size());
  const std::string last = ExistingIgnoringCase(base + ".ZIP");
  if (last.empty()) return;
  FileName = last;
  m_sfxSet = true;
}

std::string TZFBaseArchiver::VolumeName(int volume) const {
  const std::string dir = platform::ExtractFilePath(FileName);
  const std::string file = platform::ExtractFileName(FileName);
  const std::string ext = platform::ExtractFileExt(file);
  const std::string base = file.substr(0, file.size() - ext.size());
  const bool sfx = SelfExtracting();
  const TZFSpanningMode mode =
      m_volumeMode != TZFSpanningMode::smNone ? m_volumeMode : SpanningMode;
  const auto number = [](int v, const char* format) {
    char text[16];
    std::snprintf(text, sizeof text, format, v + 1);
    return std::string(text);
  };
  if (volume < 0)
    return mode == TZFSpanningMode::smSplitting && sfx ? dir + base + ".ZIP" : FileName;
  if (mode == TZFSpanningMode::smSpanning) {
    const std::string e = sfx ? ".exe" : ext;
    return SpanningOptions.AdvancedNaming ? dir + base + "_" + number(volume, "%03u") + e
                                          : dir + base + e;
  }
  if (volume == 0 && sfx) return dir + base + ".exe";
  return SpanningOptions.AdvancedNaming ? dir + base + "_" + number(volume, "%03u") + ext
                                        : dir + base + ".z" + number(volume, "%02d");
}

// ------------------------------------------------------------- the stub

void TZFBaseArchiver::PlaceStub() {
  std::unique_ptr<FileStream> stub;
  try {
    stub = std::make_unique<FileStream>(SFXStub, FileMode::OpenRead);
  } catch (const kvn::Error&) {
    Fail(33, {SFXStub});
  }
  const uint64_t size = static_cast<uint64_t>(stub->Size());
  // The stub goes whole on the first volume, before any entry.
  if (SpanningMode != TZFSpanningMode::smNone) {
    const uint64_t limit = SpanningOptions.VolumeLimit(0);
    if (limit > 0 && limit < size) Fail(47);
  }
  m_stream->SetSize(0);
  m_stream->Seek(0, SeekOrigin::Begin);
  m_stream->CopyFrom(*stub, 0);
  m_prefix = size;
}

// ------------------------------------------------------------- working file

void TZFBaseArchiver::OpenWorkingFile() {
  std::string folder = TempDir;
  if (folder.empty() && m_volumeMode == TZFSpanningMode::smSpanning) {
    // Never on the removable disk: it is taken out between volumes.
    const char* tmp = std::getenv("TMPDIR");
    folder = tmp && *tmp ? tmp : "/tmp";
  }
  if (folder.empty()) folder = platform::ExtractFilePath(FileName);
  if (folder.empty()) folder = "./";
  if (folder.back() != '/') folder += '/';
  std::string pattern = folder + "FC" + platform::ExtractFileName(FileName) + ".XXXXXX";
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) Fail(19, {pattern});
  ::close(fd);
  m_workingName = pattern;
  try {
    m_stream = std::make_unique<FileStream>(m_workingName, FileMode::Create);
  } catch (const kvn::Error&) {
    ::unlink(m_workingName.c_str());
    m_workingName.clear();
    Fail(19, {FileName});
  }
}

namespace {

constexpr size_t kChunk = 1000000;
// The first bytes of the first volume of a split archive without a stub.
constexpr char kSplitMarker[] = "PK\x07\x08";

// Writes the records of one archive over volumes.
class VolumeWriter {
 public:
  // completed: where the names of the spanned volumes finished so far go.
  VolumeWriter(std::function<std::string(int)> ask, std::function<uint64_t(int)> limit,
               bool spanning, std::vector<std::string>& completed)
      : m_ask(std::move(ask)),
        m_limit(std::move(limit)),
        m_spanning(spanning),
        m_completed(completed) {}
  ~VolumeWriter() {
    // Unless finished, the volumes still under temporary names go: a split
    // set leaves the earlier one as it was; a spanned one keeps the disks
    // finished before.
    m_file.reset();
    if (!m_finished)
      for (const auto& [temporary, final] : m_written) ::unlink(temporary.c_str());
  }

  int Volume() const { return m_volume; }
  uint64_t Position() const { return m_length; }
  // Starts volume 0.
  void Start() { Switch(0); }

  // mustFit 0: the bytes go whole on one volume (the next one when they do
  // not fit here); -1: they may cross volumes.
  void Write(const char* p, size_t n, int64_t mustFit) {
    size_t left = n;
    bool fresh = m_length == 0;
    while (left > 0) {
      const uint64_t room = Room();
      if (mustFit < 0 || room >= static_cast<uint64_t>(mustFit) + left || fresh) {
        const size_t k = static_cast<size_t>(std::min<uint64_t>(room, left));
        if (k > 0) {
          if (m_file->Write(p, k) != k) m_archiver_fail(46);
          if (m_spanning) m_file->Flush();
          p += k;
          left -= k;
          m_length += k;
          m_free = m_free > k ? m_free - k : 0;
        }
      }
      if (left > 0) {
        Switch(m_volume + 1);
        fresh = true;
      }
    }
  }
  void EnsureRoom(size_t n) {
    if (m_length > 0 && Room() < n) Switch(m_volume + 1);
  }

  // length bytes of source from offset, which may cross volumes, copied by
  // the kernel where it can.
  void Copy(FileStream& source, uint64_t offset, uint64_t length) {
    std::vector<char> buffer;
    while (length > 0) {
      uint64_t room = Room();
      if (room == 0) {
        Switch(m_volume + 1);
        continue;
      }
      uint64_t k = std::min(room, length);
      m_file->Flush();
      source.Flush();
      loff_t in = static_cast<loff_t>(offset),
             out = static_cast<loff_t>(m_file->Seek(0, SeekOrigin::End));
      uint64_t left = k;
      while (left > 0) {
        const ssize_t n = ::copy_file_range(source.Handle(), &in, m_file->Handle(), &out, left, 0);
        if (n <= 0) break;
        left -= static_cast<uint64_t>(n);
      }
      if (left > 0) {
        // No kernel copy here: through a buffer.
        buffer.resize(static_cast<size_t>(std::min<uint64_t>(left, kChunk)));
        source.Seek(in, SeekOrigin::Begin);
        m_file->Seek(out, SeekOrigin::Begin);
        uint64_t rest = left;
        while (rest > 0) {
          const size_t n = static_cast<size_t>(std::min<uint64_t>(rest, buffer.size()));
          if (source.Read(buffer.data(), n) != n || m_file->Write(buffer.data(), n) != n)
            m_archiver_fail(46);
          rest -= n;
        }
      }
      m_file->Seek(0, SeekOrigin::End);
      if (m_spanning) m_file->Flush();
      offset += k;
      length -= k;
      m_length += k;
      m_free = m_free > k ? m_free - k : 0;
    }
  }

  // The written volumes take their names; the last one the last volume's.
  std::vector<std::string> Finish(const std::string& lastName) {
    m_written.back().second = lastName;
    if (m_spanning) {
      Complete();
      m_finished = true;
      return m_completed;
    }
    m_file->Flush();
    m_file->Sync();
    m_file.reset();
    std::vector<std::string> names;
    for (const auto& [temporary, final] : m_written) {
      if (::rename(temporary.c_str(), final.c_str()) != 0) m_archiver_fail(46);
      names.push_back(final);
    }
    m_finished = true;
    return names;
  }

  std::function<void(int)> m_archiver_fail;

 private:
  // The free space is measured when a volume starts, then counted down.
  uint64_t Room() const {
    uint64_t room = m_free;
    const uint64_t limit = m_limit(m_volume);
    if (limit > 0) room = std::min(room, limit > m_length ? limit - m_length : 0);
    return room;
  }
  // A spanned volume is whole on its disk, under its own name.
  void Complete() {
    m_file->Flush();
    m_file->Sync();
    m_file.reset();
    const auto [temporary, final] = m_written.back();
    if (::rename(temporary.c_str(), final.c_str()) != 0) m_archiver_fail(46);
    m_written.pop_back();
    m_completed.push_back(final);
  }
  void Switch(int volume) {
    if (m_file && m_spanning) {
      Complete();
    } else if (m_file) {
      m_file->Flush();
      m_file.reset();
    }
    const std::string name = m_ask(volume);
    const std::string temporary = name + ".kvn-volume";
    try {
      m_file = std::make_unique<FileStream>(temporary, FileMode::Create);
    } catch (const kvn::Error&) {
      m_archiver_fail(19);
    }
    m_written.emplace_back(temporary, name);
    m_volume = volume;
    m_length = 0;
    m_free = TZFBaseArchiver::FreeSpace(temporary);
  }

  std::function<std::string(int)> m_ask;
  std::function<uint64_t(int)> m_limit;
  bool m_spanning;
  std::vector<std::string>& m_completed;
  std::unique_ptr<FileStream> m_file;
  // Volumes under their temporary names: {temporary, final}.
  std::vector<std::pair<std::string, std::string>> m_written;
  int m_volume = 0;
  uint64_t m_length = 0;
  uint64_t m_free = 0;
  bool m_finished = false;
};

std::string Subst(const char* format, int n) {
  char text[128];
  std::snprintf(text, sizeof text, format, n);
  return text;
}

}  // namespace

void TZFBaseArchiver::SplitToVolumes() {
  platform::Stream& logical = *m_stream;
  logical.Flush();
  const bool spanning = m_volumeMode == TZFSpanningMode::smSpanning;
  const auto ask = [this, spanning](int volume) {
    std::string name = VolumeName(volume);
    bool cancel = false;
    for (;;) {
      try {
        if (OnRequestBlankVolume)
          OnRequestBlankVolume(this, volume + 1, name, cancel);
        else if (spanning)
          cancel = !(Questions &&
                     Questions->VolumeRequest(Subst("Please insert a blank disk #%d", volume + 1)));
        if (cancel) break;
        const uint64_t free = FreeSpace(name);
        const uint64_t limit = SpanningOptions.VolumeLimit(volume);
        if (free > 65536 && (limit == 0 || free >= limit)) break;
        if (OnDiskFull)
          OnDiskFull(this, volume + 1, name, cancel);
        else if (spanning)
          cancel = !(Questions && Questions->VolumeRequest(
                                      "Disk is full. Clean the disk or find another blank disk"));
        else
          cancel = true;
      } catch (...) {
        cancel = true;
      }
      if (cancel) break;
    }
    if (cancel) Fail(45);
    return name;
  };
  m_spannedDisks.clear();
  VolumeWriter out(
      ask, [this](int v) { return SpanningOptions.VolumeLimit(v); }, spanning, m_spannedDisks);
  out.m_archiver_fail = [this](int code) { Fail(code, {FileName}); };
  out.Start();

  std::vector<char> buffer(kChunk);
  const auto copy = [&](uint64_t from, uint64_t length, int64_t mustFit) {
    logical.Seek(static_cast<int64_t>(from), SeekOrigin::Begin);
    while (length > 0) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(length, kChunk));
      if (logical.Read(buffer.data(), n) != n) Fail(8);
      out.Write(buffer.data(), n, mustFit);
      length -= n;
    }
  };
  // The stub, whole, at the start of the first volume; without one, the
  // marker of a split archive that readers look for there.
  if (m_prefix > 0)
    copy(0, m_prefix, 0);
  else
    out.Write(kSplitMarker, 4, 0);

  std::vector<TDirItem> entries = m_current;
  std::vector<size_t> order(entries.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return entries[a].LocalHeaderOffset() < entries[b].LocalHeaderOffset();
  });
  const uint64_t directoryStart = m_directoryStart;
  for (size_t k = 0; k < order.size(); ++k) {
    TDirItem& e = entries[order[k]];
    const uint64_t at = e.LocalHeaderOffset();
    const uint64_t next =
        k + 1 < order.size() ? entries[order[k + 1]].LocalHeaderOffset() : directoryStart;
    unsigned char local[kLocalHeaderSize];
    logical.Seek(static_cast<int64_t>(at), SeekOrigin::Begin);
    if (logical.Read(local, sizeof local) != sizeof local) Fail(8);
    const uint64_t header =
        kLocalHeaderSize + platform::GetLE16(local + 26) + platform::GetLE16(local + 28);
    if (next < at + header) Fail(8);
    // The header with its name and extra field never leaves a volume.
    out.EnsureRoom(static_cast<size_t>(header));
    e.diskNumberStart = static_cast<uint16_t>(out.Volume());
    e.diskNumberStart32 = static_cast<uint32_t>(out.Volume());
    e.localHeaderOffset64 = out.Position();
    e.localHeaderOffset = static_cast<uint32_t>(out.Position());
    copy(at, header, 0);
    if (auto* file = dynamic_cast<FileStream*>(&logical))
      out.Copy(*file, at + header, next - at - header);
    else
      copy(at + header, next - at - header, -1);
  }
  // The directory: each header whole on one volume.
  int directoryDisk = -1;
  uint64_t directoryOffset = 0, directorySize = 0;
  std::vector<int> headerVolumes;
  for (const TDirItem& e : entries) {
    const std::string h = CentralHeaderBytes(e);
    out.EnsureRoom(h.size());
    if (directoryDisk < 0) {
      directoryDisk = out.Volume();
      directoryOffset = out.Position();
    }
    headerVolumes.push_back(out.Volume());
    out.Write(h.data(), h.size(), 0);
    directorySize += h.size();
  }
  std::string end;
  platform::AppendLE32(end, kEndRecordSignature);
  out.EnsureRoom(22 + m_comment.size());
  if (directoryDisk < 0) {
    directoryDisk = out.Volume();
    directoryOffset = out.Position();
  }
  const auto onLastDisk = std::count(headerVolumes.begin(), headerVolumes.end(), out.Volume());
  platform::AppendLE16(end, static_cast<uint16_t>(out.Volume()));
  platform::AppendLE16(end, static_cast<uint16_t>(directoryDisk));
  platform::AppendLE16(end, static_cast<uint16_t>(onLastDisk));
  platform::AppendLE16(end, static_cast<uint16_t>(entries.size()));
  platform::AppendLE32(end, static_cast<uint32_t>(directorySize));
  platform::AppendLE32(end, static_cast<uint32_t>(directoryOffset));
  platform::AppendLE16(end, static_cast<uint16_t>(m_comment.size()));
  end += m_comment;
  out.Write(end.data(), end.size(), 0);

  // The set is complete: it replaces the earlier one, whose extra volumes go.
  const std::vector<std::string> names = out.Finish(VolumeName(-1));
  for (const std::string& old : m_volumeFiles)
    if (std::find(names.begin(), names.end(), old) == names.end()) ::unlink(old.c_str());
  m_volumeFiles = names;
  RemoveStaleVolumes(names);
}

void TZFBaseArchiver::RemoveStaleVolumes(const std::vector<std::string>& keep) {
  if (m_inMemory) return;
  const std::string dir = platform::ExtractFilePath(FileName);
  const std::string file = platform::ExtractFileName(FileName);
  const std::string ext = platform::ExtractFileExt(file);
  const std::string base = dir + file.substr(0, file.size() - ext.size());
  // Each naming's volumes run from 1 without a gap.
  const auto numbered = [](int v, const char* format) {
    char text[16];
    std::snprintf(text, sizeof text, format, v);
    return std::string(text);
  };
  for (const auto& name : {std::function<std::string(int)>(
                               [&](int v) { return base + "_" + numbered(v, "%03d") + ext; }),
                           std::function<std::string(int)>(
                               [&](int v) { return base + ".z" + numbered(v, "%02d"); })}) {
    for (int v = 1; v < 1000; ++v) {
      const std::string volume = name(v);
      if (!platform::FileExists(volume)) break;
      if (std::find(keep.begin(), keep.end(), volume) == keep.end()) ::unlink(volume.c_str());
    }
  }
  m_staleRemoved = true;
}

// ------------------------------------------------------------- opening a set

int EndRecordDisk(platform::Stream& s) {
  const int64_t size = s.Size();
  const int64_t window = std::min<int64_t>(size, 65535 + 22);
  if (window < 22) return -1;
  std::string tail(static_cast<size_t>(window), '\0');
  s.Seek(size - window, SeekOrigin::Begin);
  if (s.Read(tail.data(), tail.size()) != tail.size()) return -1;
  for (size_t i = tail.size() - 22;; --i) {
    if (platform::GetLE32(reinterpret_cast<const uint8_t*>(tail.data() + i)) == kEndRecordSignature)
      return platform::GetLE16(reinterpret_cast<const uint8_t*>(tail.data() + i + 4));
    if (i == 0) return -1;
  }
}

void TZFBaseArchiver::JoinVolumes() {
  // The end record of the last volume, read from its tail.
  std::unique_ptr<FileStream> last;
  try {
    last = std::make_unique<FileStream>(FileName, FileMode::OpenRead);
  } catch (const kvn::Error&) {
    Fail(33, {FileName});
  }
  const int64_t size = last->Size();
  const int64_t window = std::min<int64_t>(size, 65535 + 22);
  std::string tail(static_cast<size_t>(window), '\0');
  last->Seek(size - window, SeekOrigin::Begin);
  if (last->Read(tail.data(), tail.size()) != tail.size()) Fail(44);
  size_t at = std::string::npos;
  for (size_t i = tail.size() >= 22 ? tail.size() - 22 : std::string::npos; i != std::string::npos;
       --i) {
    if (platform::GetLE32(reinterpret_cast<const uint8_t*>(tail.data() + i)) ==
        kEndRecordSignature) {
      at = i;
      break;
    }
    if (i == 0) break;
  }
  if (at == std::string::npos) Fail(44);
  const auto* end = reinterpret_cast<const uint8_t*>(tail.data() + at);
  const int lastDisk = platform::GetLE16(end + 4);
  const int directoryDisk = platform::GetLE16(end + 6);
  const uint32_t directorySize = platform::GetLE32(end + 12);
  const uint32_t directoryOffset = platform::GetLE32(end + 16);
  const std::string comment = tail.substr(at + 22, platform::GetLE16(end + 20));
  last.reset();

  // The volumes: under the archive's naming, else the other naming; a missing
  // one is asked for.
  if (m_volumeMode == TZFSpanningMode::smNone) {
    m_volumeMode = TZFSpanningMode::smSplitting;
    if (lastDisk > 0 && ExistingIgnoringCase(VolumeName(0)).empty()) {
      SpanningOptions.AdvancedNaming = !SpanningOptions.AdvancedNaming;
      if (ExistingIgnoringCase(VolumeName(0)).empty()) {
        SpanningOptions.AdvancedNaming = !SpanningOptions.AdvancedNaming;
        // A split self-extracting set: its first volume is "<name>.exe".
        m_sfxSet = true;
        if (ExistingIgnoringCase(VolumeName(0)).empty()) {
          m_sfxSet = false;
          m_volumeMode = TZFSpanningMode::smSpanning;
        }
      }
    }
  }
  const bool spanning = m_volumeMode == TZFSpanningMode::smSpanning;
  std::vector<std::string> names;
  for (int v = 0; v <= lastDisk; ++v) {
    std::string name = v == lastDisk ? FileName : VolumeName(v);
    if (!spanning)
      if (const std::string found = ExistingIgnoringCase(name); !found.empty()) name = found;
    std::string previous;
    while (!platform::FileExists(name) || spanning) {
      bool cancel = false;
      previous = name;
      if (v == 0 && OnRequestFirstVolume)
        OnRequestFirstVolume(this, name, cancel);
      else if (v == lastDisk && OnRequestLastVolume)
        OnRequestLastVolume(this, name, cancel);
      else if (v > 0 && v < lastDisk && OnRequestMiddleVolume)
        OnRequestMiddleVolume(this, v + 1, name, cancel);
      else if (spanning)
        cancel = !(Questions && Questions->VolumeRequest(
                                    v == 0          ? std::string("Please insert the first disk")
                                    : v == lastDisk ? std::string("Please insert the last disk")
                                                    : Subst("Please insert disk #%d", v + 1)));
      else
        cancel = true;
      if (cancel) Fail(45);
      if (platform::FileExists(name) && (spanning || name != previous)) break;
      if (!spanning && name == previous) Fail(45);
    }
    names.push_back(name);
  }

  // One working file holding the volumes end to end, then a directory of
  // offsets in it.
  OpenWorkingFile();
  // start[v]: where volume v's offset 0 lies in the working file (the marker
  // of the first volume is left out).
  std::vector<int64_t> start;
  for (size_t v = 0; v < names.size(); ++v) {
    try {
      FileStream volume(names[v], FileMode::OpenRead);
      int64_t skip = 0;
      if (v == 0) {
        char marker[4] = {};
        if (volume.Read(marker, 4) == 4 && std::equal(marker, marker + 4, kSplitMarker)) skip = 4;
        volume.Seek(skip, SeekOrigin::Begin);
      }
      start.push_back(m_stream->Size() - skip);
      m_stream->Seek(0, SeekOrigin::End);
      const int64_t length = volume.Size() - skip;
      volume.Seek(skip, SeekOrigin::Begin);
      if (length > 0) m_stream->CopyFrom(volume, length);
    } catch (const kvn::Error&) {
      Fail(33, {names[v]});
    }
  }
  if (directoryDisk > lastDisk) Fail(44);
  const uint64_t directoryAt =
      static_cast<uint64_t>(start[static_cast<size_t>(directoryDisk)] + directoryOffset);
  std::string directory(directorySize, '\0');
  m_stream->Seek(static_cast<int64_t>(directoryAt), SeekOrigin::Begin);
  if (m_stream->Read(directory.data(), directory.size()) != directory.size()) Fail(44);
  uint32_t count = 0;
  for (size_t i = 0; i + 46 <= directory.size(); ++count) {
    auto* h = reinterpret_cast<uint8_t*>(directory.data() + i);
    if (platform::GetLE32(h) != kCentralHeaderSignature) Fail(44);
    const uint16_t disk = platform::GetLE16(h + 34);
    if (disk > lastDisk) Fail(44);
    platform::PutLE16(h + 34, 0);
    platform::PutLE32(h + 42, static_cast<uint32_t>(
                                  start[disk] + static_cast<int64_t>(platform::GetLE32(h + 42))));
    i += 46 + platform::GetLE16(h + 28) + platform::GetLE16(h + 30) + platform::GetLE16(h + 32);
  }
  m_stream->SetSize(static_cast<int64_t>(directoryAt));
  m_stream->Seek(static_cast<int64_t>(directoryAt), SeekOrigin::Begin);
  std::string record = directory;
  platform::AppendLE32(record, kEndRecordSignature);
  platform::AppendLE16(record, 0);
  platform::AppendLE16(record, 0);
  platform::AppendLE16(record, static_cast<uint16_t>(count));
  platform::AppendLE16(record, static_cast<uint16_t>(count));
  platform::AppendLE32(record, directorySize);
  platform::AppendLE32(record, static_cast<uint32_t>(directoryAt));
  platform::AppendLE16(record, static_cast<uint16_t>(comment.size()));
  record += comment;
  m_stream->WriteString(record);
  m_stream->Flush();
  m_volumeFiles = names;
  // Opened with its own naming and mode from now on.
}

}  // namespace kvn::archive
