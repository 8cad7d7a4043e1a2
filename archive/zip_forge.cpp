#include "archive/zip_forge.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "archive/deflate_stream.h"
#include "archive/scan.h"
#include "platform/codepage.h"
#include "platform/endian.h"
#include "platform/file_info.h"
#include "platform/strings.h"

namespace kvn::archive {

using platform::FileMode;
using platform::FileStream;
using platform::SeekOrigin;

namespace {

std::string CurrentWorkingDirectory() {
  char buf[4096];
  return getcwd(buf, sizeof buf) ? std::string(buf) : std::string(".");
}

std::string Absolute(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  return CurrentWorkingDirectory() + "/" + path;
}

uint32_t NowDosDateTime() { return platform::DosDateTimeFromUnix(std::time(nullptr)); }

}  // namespace

TZFBaseArchiver::TZFBaseArchiver() { UpdateCompressionMethod(); }

TZFBaseArchiver::~TZFBaseArchiver() { Close(); }

TZipForge::TZipForge() {
  Zip64Mode = TZip64Mode::zmDisabled;
  UpdateCompressionMethod();
}

void TZFBaseArchiver::Fail(int nativeCode, const std::vector<std::string>& args) const {
  ThrowArchiverError(Name, nativeCode, args);
}

void TZFBaseArchiver::SetCompressionLevel(TZFCompressionLevel level) {
  m_level = level;
  switch (level) {
    case TZFCompressionLevel::clNone: m_mode = 0; break;
    case TZFCompressionLevel::clFastest: m_mode = 1; break;
    case TZFCompressionLevel::clNormal: m_mode = 6; break;
    case TZFCompressionLevel::clMax: m_mode = 9; break;
  }
  UpdateCompressionMethod();
}

void TZFBaseArchiver::SetCompressionMode(int mode) {
  if (mode < 0 || mode > 9) Fail(5);
  m_mode = mode;
  m_level = mode == 0 ? TZFCompressionLevel::clNone
            : mode <= 3 ? TZFCompressionLevel::clFastest
            : mode <= 6 ? TZFCompressionLevel::clNormal
                        : TZFCompressionLevel::clMax;
  UpdateCompressionMethod();
}

std::string TZFBaseArchiver::CurrentVersion() const { return "2.03 "; }

const std::vector<TDirItem>& TZFBaseArchiver::Entries() const { return m_current; }

std::string TZFBaseArchiver::MemoryBytes() const {
  auto* m = dynamic_cast<platform::MemoryStream*>(m_stream.get());
  return m ? m->Data() : std::string();
}

std::string TZFBaseArchiver::CurrentDirectory() const {
  return CanonicalDirectory(BaseDir.empty() ? CurrentWorkingDirectory() : Absolute(BaseDir));
}

// ------------------------------------------------------------- open and close

void TZFBaseArchiver::Open(uint16_t mode) {
  if (!m_inMemory && FilePart(FileName).empty()) Fail(10);
  if (mode != kCreateMode) {
    if (!m_inMemory && !platform::FileExists(FileName)) Fail(12, {FileName});
    if (m_inMemory) Fail(28);
  }
  Close();
  if (SpanningMode != TZFSpanningMode::smNone || !SFXStub.empty())
    throw Error("Les archives en plusieurs volumes et les exécutables auto-extractibles ne sont "
                "pas disponibles dans cette version.");
  m_openMode = mode;
  m_current.clear();
  m_snapshot.clear();
  m_comment.clear();
  m_prefix = 0;
  m_directoryStart = 0;
  if (mode == kCreateMode || m_inMemory) {
    if (m_inMemory) {
      m_stream = std::make_unique<platform::MemoryStream>();
    } else {
      try {
        auto file = std::make_unique<FileStream>(FileName, FileMode::Create);
        if (!ShownFileName.empty()) file->SetDisplayName(ShownFileName);
        m_stream = std::move(file);
      } catch (const kvn::Error&) {
        Fail(19, {FileName});
      }
    }
  } else {
    const int access = mode & 3;
    try {
      auto file = std::make_unique<FileStream>(FileName, access == 0 ? FileMode::OpenRead : FileMode::OpenReadWrite);
      if (!ShownFileName.empty()) file->SetDisplayName(ShownFileName);
      m_stream = std::move(file);
    } catch (const kvn::Error&) {
      Fail(33, {FileName});
    }
    try {
      ReadDirectory dir = ReadArchiveDirectory(*m_stream, Name, OpenCorruptedArchives);
      m_current = std::move(dir.entries);
      m_comment = dir.comment;
      m_prefix = dir.prefix;
      m_directoryStart = dir.directoryStart;
    } catch (...) {
      m_stream.reset();
      throw;
    }
  }
  m_active = true;
  if (AfterOpen) AfterOpen(this);
}

void TZFBaseArchiver::OpenDefault() {
  if (!m_inMemory && FilePart(FileName).empty()) Fail(9);
  if (m_inMemory || !platform::FileExists(FileName)) {
    Open(kCreateMode);
    return;
  }
  int fd = ::open(FileName.c_str(), O_RDWR);
  if (fd >= 0) {
    ::close(fd);
    Open(0x22);
  } else {
    Open(0x40);
  }
}

void TZFBaseArchiver::Close() {
  if (!m_active) return;
  try {
    if (m_nesting > 0) {
      m_nesting = 1;
      EndUpdate();
    }
    if (m_stream && m_stream->Size() == 0 && (m_openMode & 3) != 0) WriteDirectory();
    if (m_stream) m_stream->Flush();
  } catch (...) {
    // Closing never fails: the archive keeps what the last commit left.
  }
  m_stream.reset();
  m_current.clear();
  m_snapshot.clear();
  m_nesting = 0;
  m_active = false;
}

void TZFBaseArchiver::SetInMemory(bool inMemory) {
  if (inMemory == m_inMemory) return;
  if (!m_active) {
    m_inMemory = inMemory;
    return;
  }
  if (!inMemory) {
    if (FilePart(FileName).empty()) Fail(29);
    std::string bytes = MemoryBytes();
    Close();
    m_inMemory = false;
    try {
      FileStream f(FileName, FileMode::Create);
      f.WriteString(bytes);
      f.Close();
    } catch (const kvn::Error&) {
      Fail(19, {FileName});
    }
    OpenDefault();
  } else {
    Close();
    m_inMemory = true;
    Open(kCreateMode);
  }
}

// ------------------------------------------------------------- updates

void TZFBaseArchiver::BeginUpdate() {
  if (m_nesting == 0) {
    if (!m_active) OpenDefault();
    if ((m_openMode & 3) == 0 && m_openMode != kCreateMode && !m_inMemory) Fail(32);
    for (auto& e : m_current) e.modified = false;
    m_snapshot = m_current;
  }
  ++m_nesting;
}

void TZFBaseArchiver::EndUpdate() {
  if (m_nesting == 1)
    CommitUpdate();
  else if (m_nesting > 1)
    --m_nesting;
}

void TZFBaseArchiver::AbandonUpdate() {
  // Nothing was written: the directory goes back to what the archive holds.
  if (m_nesting > 0) m_current = m_snapshot;
  m_nesting = 0;
}

void TZFBaseArchiver::AddMatching(const std::string& fileMask, int searchAttr, const std::string& exclusionMask) {
  if (!m_active) Fail(13);
  ScanRequest request;
  request.baseDirectory = CurrentDirectory();
  request.masks = {fileMask};
  if (!exclusionMask.empty()) request.exclusions.push_back(exclusionMask);
  if (!m_inMemory) request.exclusions.push_back(Absolute(FileName));
  request.searchAttributes = static_cast<uint32_t>(searchAttr);
  request.recurse = Options.Recurse;
  BeginUpdate();
  try {
    // Entries by folded name: looking up each found file costs the same
    // whatever the number of entries.
    std::unordered_map<std::string, size_t> index;
    for (size_t i = 0; i < m_current.size(); ++i) index.emplace(NameKey(m_current[i].name), i);
    ScanMasks(request, [&](const std::string& path, bool isDirectory) {
      bool confirm = true;
      if (OnConfirmProcessFile) OnConfirmProcessFile(this, path, TZFProcessOperation::poAdd, confirm);
      if (!confirm) return;
      AddEntryForFile(path, isDirectory, request.baseDirectory, index);
    });
  } catch (...) {
    AbandonUpdate();
    throw;
  }
  EndUpdate();
}

void TZFBaseArchiver::AddEntryForFile(const std::string& path, bool isDirectory, const std::string& currentDir,
                                      std::unordered_map<std::string, size_t>& names) {
  if (!Password.empty())
    throw Error("Le chiffrement des entrées d'archive n'est pas disponible dans cette version.");
  std::string stored = MakeStoredName(path, currentDir, Options.StorePath);
  if (stored.empty()) return;
  if (isDirectory) stored += '/';
  stored = platform::Utf8ToCp1252(stored);

  const auto dosTime = platform::FileDosDateTime(path);
  const uint32_t dateTime = dosTime ? *dosTime : NowDosDateTime();
  const std::string key = NameKey(stored);
  auto known = names.find(key);
  const int index = known == names.end() ? -1 : static_cast<int>(known->second);
  if (index >= 0) {
    const TDirItem& existing = m_current[static_cast<size_t>(index)];
    bool replace = false;
    switch (Options.OverwriteMode) {
      case TZFOverwriteMode::omAlways: replace = true; break;
      case TZFOverwriteMode::omNever: replace = false; break;
      case TZFOverwriteMode::omPrompt:
        if (OnConfirmOverwrite) {
          std::string dest = FilePart(existing.name);
          bool confirm = true;
          OnConfirmOverwrite(this, path, dest, confirm);
          replace = confirm;
        } else if (Questions) {
          switch (Questions->ConfirmOverwrite(FilePart(existing.name), path)) {
            case ArchiverQuestions::Overwrite::Yes: replace = true; break;
            case ArchiverQuestions::Overwrite::No: replace = false; break;
            case ArchiverQuestions::Overwrite::YesToAll:
              replace = true;
              Options.OverwriteMode = TZFOverwriteMode::omAlways;
              break;
            case ArchiverQuestions::Overwrite::NoToAll:
              replace = false;
              Options.OverwriteMode = TZFOverwriteMode::omNever;
              break;
          }
        } else {
          replace = true;
        }
        break;
      case TZFOverwriteMode::omIfNewer:
      case TZFOverwriteMode::omIfOlder: {
        const int32_t mine = static_cast<int32_t>(dateTime);
        const int32_t theirs = static_cast<int32_t>((static_cast<uint32_t>(existing.date) << 16) | existing.time);
        replace = Options.OverwriteMode == TZFOverwriteMode::omIfNewer ? mine > theirs : mine < theirs;
        break;
      }
    }
    if (!replace) return;
  }

  TDirItem e;
  e.versionMadeBy = 20;
  e.versionNeeded = 20;
  e.method = static_cast<uint16_t>(m_method < 0 ? 0 : m_method);
  e.time = static_cast<uint16_t>(dateTime & 0xFFFF);
  e.date = static_cast<uint16_t>(dateTime >> 16);
  e.crc = kEscape32;
  auto attributes = platform::DosAttributes(path);
  e.externalAttributes = attributes ? *attributes : 0x20;
  e.name = stored;
  e.nameLength = static_cast<uint16_t>(std::min<size_t>(NameToArchive(stored).size(), 0xFFFF));
  e.sourceFileName = isDirectory ? std::string() : path;
  if (!isDirectory && DataSourceOf) e.dataFileName = DataSourceOf(path);
  e.compressionMode = static_cast<uint8_t>(m_mode);
  e.modified = true;
  e.operation = index >= 0 ? TZFProcessOperation::poUpdate : TZFProcessOperation::poAdd;
  for (const auto& mask : NoCompressionMasks) {
    if (MaskCoversPath(path, mask, isDirectory, currentDir)) {
      e.compressionMode = 0;
      e.method = 0;
      break;
    }
  }
  if (index >= 0) {
    m_current[static_cast<size_t>(index)] = std::move(e);
  } else {
    names.emplace(key, m_current.size());
    m_current.push_back(std::move(e));
  }
}

bool TZFBaseArchiver::FindEntry(const std::string& storedName, TZFArchiveItem& item) const {
  for (const TDirItem& e : m_current) {
    if (!EqualNames(e.name, storedName)) continue;
    item.FileName = FilePart(e.name);
    item.StoredPath = DirectoryPart(e.name);
    item.CompressedSize = e.CompressedSize();
    item.UncompressedSize = e.UncompressedSize();
    item.CompressionRate = item.UncompressedSize == 0
                               ? 100
                               : std::max(0.0, (1.0 - static_cast<double>(item.CompressedSize) /
                                                          static_cast<double>(item.UncompressedSize)) * 100);
    item.Encrypted = (e.flags & 1) != 0;
    item.FileModificationTime = e.time;
    item.FileModificationDate = e.date;
    item.CRC = e.crc;
    item.ExternalFileAttributes = e.externalAttributes;
    item.Comment = e.comment;
    return true;
  }
  return false;
}

// ------------------------------------------------------------- commit

bool TZFBaseArchiver::FileProgress(TZFProgressPhase phase, const std::string& file, double progress) {
  bool cancel = false;
  if (OnFileProgress) OnFileProgress(this, file, progress, TZFProcessOperation::poAdd, phase, cancel);
  if (cancel) m_cancel = true;
  return !cancel;
}

bool TZFBaseArchiver::OverallProgress(TZFProgressPhase phase, double progress) {
  bool cancel = false;
  if (OnOverallProgress) OnOverallProgress(this, progress, TZFProcessOperation::poAdd, phase, cancel);
  if (cancel) m_cancel = true;
  return !cancel;
}

void TZFBaseArchiver::WriteDirectory() {
  platform::Stream& s = *m_stream;
  const uint64_t start = FindDirectoryStart(s);
  s.SetSize(static_cast<int64_t>(start));
  s.Seek(static_cast<int64_t>(start), SeekOrigin::Begin);
  try {
    WriteCentralDirectory(s, m_current, m_comment);
    s.Flush();
  } catch (const EZFException&) {
    Fail(46);
  } catch (const kvn::Error&) {
    Fail(46);
  }
  m_directoryStart = start;
}

void TZFBaseArchiver::WriteEntry(TDirItem& e, uint64_t offset) {
  platform::Stream& archive = *m_stream;
  const bool isDirectory = e.IsDirectory();
  std::unique_ptr<FileStream> source;
  int64_t sourceSize = 0;
  if (!isDirectory) {
    try {
      source = std::make_unique<FileStream>(e.dataFileName.empty() ? e.sourceFileName : e.dataFileName,
                                            FileMode::OpenRead);
      sourceSize = source->Size();
    } catch (const kvn::Error&) {
      Fail(33, {e.sourceFileName});
    }
  }
  const bool zip64 = Zip64Mode == TZip64Mode::zmAlways || static_cast<uint64_t>(sourceSize) >= kEscape32 ||
                     offset >= kEscape32;
  if (zip64 && Zip64Mode == TZip64Mode::zmDisabled)
    Fail(offset >= kEscape32 ? 43 : 41, {e.sourceFileName});

  e.localHeaderOffset64 = offset;
  e.localHeaderOffset = offset >= kEscape32 || Zip64Mode == TZip64Mode::zmAlways ? kEscape32 : static_cast<uint32_t>(offset);
  e.versionNeeded = zip64 ? 45 : 20;
  e.versionMadeBy = e.versionNeeded;
  if (isDirectory) e.method = kMethodStored;
  archive.Seek(static_cast<int64_t>(offset), SeekOrigin::Begin);
  WriteLocalHeader(archive, e, zip64, static_cast<uint64_t>(sourceSize));

  const std::string label = isDirectory ? e.name : e.sourceFileName;
  FileProgress(TZFProgressPhase::ppStart, label, 0);
  EntryData data;
  if (!isDirectory && !m_cancel) {
    data = WriteEntryData(*source, sourceSize, archive, e.method, e.compressionMode, Name, [&](int64_t read) {
      const double part = sourceSize ? static_cast<double>(read) / static_cast<double>(sourceSize) : 1;
      const bool go = FileProgress(TZFProgressPhase::ppProcess, label, 100.0 * part);
      return OverallProgress(TZFProgressPhase::ppProcess, 100.0 * (part + m_finished) / std::max(1, m_toProcess)) && go;
    });
    if (data.cancelled) m_cancel = true;
  }
  if (m_cancel) return;
  if (isDirectory) {
    // No data: stored with the CRC of nothing, which readers check.
    e.crc = 0;
    e.method = kMethodStored;
    e.compressedSize = e.uncompressedSize = 0;
    e.compressedSize64 = e.uncompressedSize64 = 0;
  } else {
    e.crc = data.crc;
    e.method = static_cast<uint16_t>(data.method);
    e.compressedSize64 = data.compressedSize;
    e.uncompressedSize64 = data.uncompressedSize;
    const bool big = zip64 || data.compressedSize >= kEscape32;
    if (big && Zip64Mode == TZip64Mode::zmDisabled) Fail(41, {e.sourceFileName});
    e.compressedSize = big ? kEscape32 : static_cast<uint32_t>(data.compressedSize);
    e.uncompressedSize = zip64 ? kEscape32 : static_cast<uint32_t>(data.uncompressedSize);
  }
  e.zip64 = zip64;
  PatchLocalHeader(archive, offset, e, zip64);
  FileProgress(TZFProgressPhase::ppEnd, label, 100);
}

void TZFBaseArchiver::CopyEntry(TDirItem& e, platform::Stream& temp, uint64_t tempBase, uint64_t offset) {
  const TDirItem* old = nullptr;
  for (const TDirItem& s : m_snapshot)
    if (s.name == e.name) old = &s;
  if (!old) Fail(7);
  const uint64_t from = old->LocalHeaderOffset();
  if (from < tempBase) Fail(8);
  uint8_t header[kLocalHeaderSize];
  temp.Seek(static_cast<int64_t>(from - tempBase), SeekOrigin::Begin);
  if (temp.Read(header, kLocalHeaderSize) != kLocalHeaderSize) Fail(8);
  const uint64_t length = kLocalHeaderSize + platform::GetLE16(header + 26) + platform::GetLE16(header + 28) +
                          old->CompressedSize();
  temp.Seek(static_cast<int64_t>(from - tempBase), SeekOrigin::Begin);
  platform::Stream& archive = *m_stream;
  archive.Seek(static_cast<int64_t>(offset), SeekOrigin::Begin);
  std::vector<char> buf(static_cast<size_t>(std::min<uint64_t>(length, 1 << 20)));
  uint64_t left = length;
  while (left > 0) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(left, buf.size()));
    if (temp.Read(buf.data(), n) != n) Fail(8);
    if (archive.Write(buf.data(), n) != n) Fail(46);
    left -= n;
  }
  e = *old;
  e.localHeaderOffset64 = offset;
  if (e.localHeaderOffset != kEscape32) {
    if (offset >= kEscape32 && Zip64Mode == TZip64Mode::zmDisabled) Fail(43, {e.name});
    e.localHeaderOffset = offset >= kEscape32 ? kEscape32 : static_cast<uint32_t>(offset);
  }
}

void TZFBaseArchiver::Rollback() {
  m_current = m_snapshot;
  platform::Stream& s = *m_stream;
  s.SetSize(static_cast<int64_t>(m_writePosition));
  s.Seek(static_cast<int64_t>(m_writePosition), SeekOrigin::Begin);
  if (!m_tempName.empty()) {
    {
      FileStream temp(m_tempName, FileMode::OpenRead);
      s.CopyFrom(temp, 0);
    }
    ::unlink(m_tempName.c_str());
    m_tempName.clear();
  }
  WriteDirectory();
}

void TZFBaseArchiver::CommitUpdate() {
  m_nesting = 0;
  m_finished = 0;
  m_cancel = false;
  m_toProcess = static_cast<int>(std::count_if(m_current.begin(), m_current.end(), [](const TDirItem& e) { return e.modified; }));

  size_t k = 0;
  const size_t common = std::min(m_current.size(), m_snapshot.size());
  while (k < common && m_current[k].name == m_snapshot[k].name && !m_current[k].modified) ++k;

  if (!OverallProgress(TZFProgressPhase::ppStart, 0)) {
    m_current = m_snapshot;
    return;
  }

  platform::Stream& archive = *m_stream;
  archive.Flush();
  // What follows the first changed entry is kept aside while the rest is written.
  uint64_t tempBase = 0;
  std::unique_ptr<FileStream> temp;
  m_tempName.clear();
  if (k < m_snapshot.size()) {
    tempBase = m_snapshot[k].LocalHeaderOffset();
    std::string dir = TempDir.empty() ? (getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp") : TempDir;
    std::string pattern = dir + "/FCXXXXXX";
    int fd = mkstemp(pattern.data());
    if (fd < 0) Fail(19, {pattern});
    ::close(fd);
    m_tempName = pattern;
    temp = std::make_unique<FileStream>(m_tempName, FileMode::OpenReadWrite);
    archive.Seek(static_cast<int64_t>(tempBase), SeekOrigin::Begin);
    temp->CopyFrom(archive, archive.Size() - static_cast<int64_t>(tempBase));
    temp->Flush();
  }
  m_writePosition = k < m_snapshot.size() ? m_snapshot[k].LocalHeaderOffset()
                    : m_snapshot.empty()  ? m_prefix
                                          : m_directoryStart;
  archive.SetSize(static_cast<int64_t>(m_writePosition));
  archive.Seek(static_cast<int64_t>(m_writePosition), SeekOrigin::Begin);

  bool aborted = false;
  try {
    uint64_t position = m_writePosition;
    for (size_t i = k; i < m_current.size() && !m_cancel && !aborted;) {
      TDirItem& e = m_current[i];
      const bool write = e.modified && e.operation != TZFProcessOperation::poRename &&
                         e.operation != TZFProcessOperation::poChangeAttr &&
                         e.operation != TZFProcessOperation::poChangeComment;
      if (!write) {
        CopyEntry(e, *temp, tempBase, position);
        position = static_cast<uint64_t>(archive.Seek(0, SeekOrigin::End));
        ++i;
        continue;
      }
      try {
        WriteEntry(e, position);
        if (m_cancel) break;
        e.modified = false;
        position = static_cast<uint64_t>(archive.Seek(0, SeekOrigin::End));
        ++m_finished;
        ++i;
      } catch (const EZFException& failure) {
        TZFAction action = TZFAction::fxaAbort;
        const std::string label = e.IsDirectory() ? e.name : e.sourceFileName;
        if (OnProcessFileFailure)
          OnProcessFileFailure(this, label, e.operation, failure.NativeCode(), failure.MessageNumber(),
                               failure.what(), action);
        else if (Questions)
          action = Questions->FileFailure(std::string(failure.what()) + ". File processing error, possibly disk is full");
        archive.SetSize(static_cast<int64_t>(position));
        archive.Seek(static_cast<int64_t>(position), SeekOrigin::Begin);
        if (action == TZFAction::fxaRetry) continue;
        if (action == TZFAction::fxaAbort) {
          aborted = true;
          break;
        }
        // Ignore: a replaced entry keeps its old form, a new one is left out.
        if (e.operation == TZFProcessOperation::poUpdate) {
          e.modified = false;
          CopyEntry(e, *temp, tempBase, position);
          position = static_cast<uint64_t>(archive.Seek(0, SeekOrigin::End));
          ++i;
        } else {
          m_current.erase(m_current.begin() + static_cast<ptrdiff_t>(i));
        }
        ++m_finished;
      }
    }
    if (!m_cancel && !aborted) {
      archive.SetSize(static_cast<int64_t>(position));
      archive.Seek(static_cast<int64_t>(position), SeekOrigin::Begin);
      WriteCentralDirectory(archive, m_current, m_comment);
      archive.Flush();
      m_directoryStart = position;
      temp.reset();
      if (!m_tempName.empty()) ::unlink(m_tempName.c_str());
      m_tempName.clear();
    }
  } catch (...) {
    temp.reset();
    try {
      Rollback();
    } catch (...) {
    }
    throw;
  }
  OverallProgress(TZFProgressPhase::ppEnd, 100);
  if (m_cancel || aborted) {
    temp.reset();
    Rollback();
    return;
  }
  if (Options.FlushBuffers)
    if (auto* file = dynamic_cast<FileStream*>(m_stream.get())) file->Sync();
}

}  // namespace kvn::archive
