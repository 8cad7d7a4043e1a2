#include "platform/file_info.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <utility>

#include "platform/strings.h"
#include "platform/sys_error.h"

namespace kvn::platform {

std::optional<uint32_t> DosAttributes(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  uint32_t attr = 0;
  if (!(st.st_mode & S_IWUSR)) attr |= kFaReadOnly;
  std::string name = ExtractFileName(
      path.size() > 1 && path.back() == '/' ? path.substr(0, path.size() - 1) : path);
  if (!name.empty() && name[0] == '.' && name != "." && name != "..") attr |= kFaHidden;
  if (S_ISDIR(st.st_mode))
    attr |= kFaDirectory;
  else if (S_ISREG(st.st_mode))
    attr |= kFaArchive;
  return attr;
}

uint32_t DosDateTimeFromUnix(time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  int year = tm.tm_year + 1900;
  if (year < 1980) return (0u << 25) | (1u << 21) | (1u << 16);
  if (year > 2107) return (127u << 25) | (12u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u;
  uint32_t date = static_cast<uint32_t>(((year - 1980) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
  int sec = tm.tm_sec > 59 ? 59 : tm.tm_sec;
  uint32_t time = static_cast<uint32_t>((tm.tm_hour << 11) | (tm.tm_min << 5) | (sec / 2));
  return (date << 16) | time;
}

time_t UnixFromDosDateTime(uint32_t dos) {
  std::tm tm{};
  uint32_t date = dos >> 16, time = dos & 0xFFFF;
  tm.tm_year = static_cast<int>((date >> 9) & 0x7F) + 80;
  tm.tm_mon = static_cast<int>((date >> 5) & 0x0F) - 1;
  tm.tm_mday = static_cast<int>(date & 0x1F);
  tm.tm_hour = static_cast<int>((time >> 11) & 0x1F);
  tm.tm_min = static_cast<int>((time >> 5) & 0x3F);
  tm.tm_sec = static_cast<int>(time & 0x1F) * 2;
  tm.tm_isdst = -1;
  return mktime(&tm);
}

std::optional<uint32_t> FileDosDateTime(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return DosDateTimeFromUnix(st.st_mtime);
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const std::string& path) {
  if (path.empty()) return false;
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  if (DirectoryExists(p)) return true;
  size_t slash = p.rfind('/');
  if (slash != std::string::npos && slash > 0) {
    if (!ForceDirectories(p.substr(0, slash))) return false;
  }
  if (::mkdir(p.c_str(), 0777) != 0 && errno != EEXIST) return false;
  return DirectoryExists(p);
}

std::string WhyFolderCannotBeMade(const std::string& path) {
  if (path.size() >= PATH_MAX)
    return Subst("le chemin compte %s caractères, plus que les %s que le système accepte.",
                 {std::to_string(path.size()), std::to_string(PATH_MAX - 1)});
  std::string prefix = path[0] == '/' ? "/" : "";
  std::string existing = prefix.empty() ? "." : prefix;
  bool missing = false;
  for (const std::string& word : Split(path, '/')) {
    if (word.empty()) continue;
    if (word.size() > NAME_MAX) {
      size_t cut = 40;
      while (cut > 0 && (static_cast<unsigned char>(word[cut]) & 0xC0) == 0x80) --cut;
      return Subst("le nom « %s… » compte %s octets, plus que les %s que le système accepte.",
                   {word.substr(0, cut), std::to_string(word.size()), std::to_string(NAME_MAX)});
    }
    prefix += word + "/";
    if (missing) continue;
    struct stat st {};
    const std::string part = prefix.substr(0, prefix.size() - 1);
    if (::stat(part.c_str(), &st) != 0) {
      if (errno != ENOENT) return Subst("\"%s\" : %s", {part, SystemErrorMessage(errno)});
      missing = true;
      continue;
    }
    if (!S_ISDIR(st.st_mode)) return Subst("\"%s\" est un fichier, pas un répertoire.", {part});
    existing = prefix;
  }
  if (missing && ::access(existing.c_str(), W_OK | X_OK) != 0)
    return Subst("\"%s\" : %s", {existing, SystemErrorMessage(errno)});
  return {};
}

std::string MakeFolders(const std::string& path) {
  if (const std::string why = WhyFolderCannotBeMade(path); !why.empty()) return why;
  std::vector<std::string> made;
  std::string prefix = path[0] == '/' ? "/" : "";
  for (const std::string& word : Split(path, '/')) {
    if (word.empty()) continue;
    prefix += word + "/";
    if (DirectoryExists(prefix)) continue;
    if (::mkdir(prefix.c_str(), 0777) != 0 && !(errno == EEXIST && DirectoryExists(prefix))) {
      const std::string why = Subst("\"%s\" : %s", {prefix, SystemErrorMessage(errno)});
      for (auto it = made.rbegin(); it != made.rend(); ++it) ::rmdir(it->c_str());
      return why;
    }
    made.push_back(prefix);
  }
  return {};
}

std::string ExtractFilePath(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ExtractFileName(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ExtractFileExt(const std::string& path) {
  std::string name = ExtractFileName(path);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string ExecutableDirectory() {
  char buf[PATH_MAX + 1];
  ssize_t n = ::readlink("/proc/self/exe", buf, PATH_MAX);
  if (n <= 0) return "./";
  buf[n] = '\0';
  return ExtractFilePath(buf);
}

std::string ProgramFilesDirectory(const std::string& name, const std::string& installed,
                                  const std::string& executableDirectory) {
  if (::access((executableDirectory + name).c_str(), F_OK) == 0) return executableDirectory;
  std::string folder;
  for (const std::string& word : PathWords(executableDirectory + installed)) folder += "/" + word;
  return folder + "/";
}

std::vector<std::string> PathWords(const std::string& absolute) {
  std::vector<std::string> words;
  size_t at = 0;
  while (at <= absolute.size()) {
    size_t slash = absolute.find('/', at);
    if (slash == std::string::npos) slash = absolute.size();
    std::string word = absolute.substr(at, slash - at);
    at = slash + 1;
    if (word.empty() || word == ".") continue;
    if (word == "..") {
      if (!words.empty()) words.pop_back();
    } else {
      words.push_back(std::move(word));
    }
  }
  return words;
}

std::string RealPath(const std::string& path) {
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) return path;
  std::string result(real);
  ::free(real);
  return result;
}

}  // namespace kvn::platform
