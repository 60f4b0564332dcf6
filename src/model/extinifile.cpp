// SPDX-License-Identifier: MIT
#include "model/extinifile.h"

#include "model/textnumbers.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <system_error>
#include <unordered_map>

namespace quorvel::model {
namespace {

std::string_view Trim(std::string_view text) { return TrimBlanks(text); }

unsigned char FoldCase(unsigned char c) {
  // ASCII and Latin-1 upper-case letters (not the multiplication sign 0xD7).
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<unsigned char>(c + 32);
  return c;
}

TIniLine ClassifyLine(std::string_view text, std::size_t begin, std::size_t end, bool inSection) {
  TIniLine line;
  line.Begin = begin;
  line.End = end;
  const std::string_view content = text.substr(begin, end - begin);
  const std::string_view trimmed = Trim(content);
  if (trimmed.empty() || trimmed.front() == ';') return line;
  if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
    line.Kind = TIniLineKind::Section;
    line.Name = Trim(trimmed.substr(1, trimmed.size() - 2));
    return line;
  }
  const std::size_t equals = content.find('=');
  if (!inSection || equals == std::string_view::npos) return line;
  line.Kind = TIniLineKind::Key;
  line.Name = content.substr(0, equals);
  line.Value = content.substr(equals + 1);
  return line;
}

// The lines of one section: [First, Last) indices into the line list, First being the header.
struct TSectionSpan {
  std::size_t First = 0;
  std::size_t Last = 0;
};

std::vector<TSectionSpan> FindSections(const std::vector<TIniLine>& lines, std::string_view section,
                                       bool firstOnly) {
  std::vector<TSectionSpan> spans;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].Kind != TIniLineKind::Section || !SameIniName(lines[i].Name, section)) continue;
    TSectionSpan span{i, i + 1};
    while (span.Last < lines.size() && lines[span.Last].Kind != TIniLineKind::Section) ++span.Last;
    spans.push_back(span);
    if (firstOnly) break;
    i = span.Last - 1;
  }
  return spans;
}

std::optional<TSectionSpan> FindSection(const std::vector<TIniLine>& lines, std::string_view section) {
  auto spans = FindSections(lines, section, true);
  if (spans.empty()) return std::nullopt;
  return spans.front();
}

bool IsKey(const TIniLine& line, std::string_view key) {
  return line.Kind == TIniLineKind::Key && SameIniName(Trim(line.Name), key);
}

const TIniLine* FindKey(const std::vector<TIniLine>& lines, std::string_view section, std::string_view key) {
  const auto span = FindSection(lines, section);
  if (!span) return nullptr;
  for (std::size_t i = span->First + 1; i < span->Last; ++i) {
    if (IsKey(lines[i], key)) return &lines[i];
  }
  return nullptr;
}

// The first CR or LF at or after `from`, else npos. A plain loop: find_first_of
// with a two-character set costs a library call per byte of a large file.
std::size_t FindLineBreak(std::string_view text, std::size_t from) {
  for (std::size_t i = from; i < text.size(); ++i) {
    if (text[i] == '\n' || text[i] == '\r') return i;
  }
  return std::string_view::npos;
}

bool HasLineBreak(std::string_view text) { return FindLineBreak(text, 0) != std::string_view::npos; }

void CheckSectionName(std::string_view section) {
  if (section.empty() || HasLineBreak(section) || Trim(section) != section) {
    throw TIniError("Invalid section name \"" + std::string(section) + "\"");
  }
}

void CheckKeyName(std::string_view key) {
  if (key.empty() || HasLineBreak(key) || Trim(key) != key || key.find('=') != std::string_view::npos ||
      key.front() == ';' || key.front() == '[') {
    throw TIniError("Invalid key name \"" + std::string(key) + "\"");
  }
}

void CheckValue(std::string_view key, std::string_view value) {
  if (HasLineBreak(value)) throw TIniError("The value of key \"" + std::string(key) + "\" holds a line break");
}

std::string KeyLine(std::string_view key, std::string_view value) {
  std::string line(key);
  line += '=';
  line += value;
  return line;
}

bool EndsWithLineBreak(std::string_view text) {
  return !text.empty() && (text.back() == '\n' || text.back() == '\r');
}

// ---- file device ----

std::string SystemReason(int err) { return std::system_category().message(err); }

const char* kTooLarge = "larger than 64 MiB";

// Why a path of this kind cannot be read as a terminal file; nullptr for a regular file.
const char* NotRegularReason(const struct stat& info) {
  if (S_ISREG(info.st_mode)) return nullptr;
  if (S_ISDIR(info.st_mode)) return "it is a folder";
  return "not a regular file";
}

// Reads to the end, at most `limit` bytes; fills reason and returns false on failure.
bool ReadAll(int fd, std::size_t sizeHint, std::size_t limit, std::string& bytes, std::string& reason) {
  bytes.clear();
  bytes.reserve(std::min(sizeHint, limit));
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EINTR) continue;
      reason = SystemReason(errno);
      return false;
    }
    if (bytes.size() + static_cast<std::size_t>(got) > limit) {  // it grew while we read
      reason = kTooLarge;
      return false;
    }
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(put);
  }
  return true;
}

// The file a store replaces: the target of a symbolic link, else the path itself.
std::string StoreTarget(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    if (char* resolved = realpath(path.c_str(), nullptr)) {
      std::string target(resolved);
      std::free(resolved);
      return target;
    }
  }
  return path;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// ".NAME.tmp": the start of the name of every temporary file that replaces NAME.
std::string TemporaryPrefix(const std::string& target) {
  const std::size_t slash = target.rfind('/');
  return "." + (slash == std::string::npos ? target : target.substr(slash + 1)) + ".tmp";
}

// The process id of a temporary file name "PREFIX<pid>-<n>", or 0 when the name is not one.
pid_t TemporaryOwner(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix)) return 0;
  name.remove_prefix(prefix.size());
  const std::size_t dash = name.find('-');
  if (dash == std::string_view::npos || dash == 0 || dash + 1 == name.size()) return 0;
  const std::string_view counter = name.substr(dash + 1);
  for (const char c : counter)
    if (c < '0' || c > '9') return 0;
  const std::optional<std::int32_t> pid = ParseDecimalInt32(name.substr(0, dash));
  if (!pid || *pid <= 0 || name[0] == '+' || name[0] == '-') return 0;
  return static_cast<pid_t>(*pid);
}

// Removes the temporary files of target whose writer died before it could rename or
// remove them. A process that exists (even one we may not signal) keeps its file.
void RemoveDeadTemporaries(const std::string& target) {
  const std::string prefix = TemporaryPrefix(target);
  DIR* folder = opendir(FolderOf(target).c_str());
  if (folder == nullptr) return;
  const std::string folderPath = FolderOf(target) + "/";
  while (const dirent* entry = readdir(folder)) {
    const pid_t owner = TemporaryOwner(entry->d_name, prefix);
    if (owner == 0 || owner == getpid()) continue;
    if (kill(owner, 0) == 0 || errno != ESRCH) continue;
    unlinkat(dirfd(folder), entry->d_name, 0);
  }
  closedir(folder);
}

// Creates an unused temporary file next to target; new files get 0666 less the umask.
int CreateTemporary(const std::string& target, std::string& temporaryPath) {
  static std::atomic<unsigned> counter{0};
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string prefix = TemporaryPrefix(target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporaryPath = folder + prefix + std::to_string(getpid()) + "-" + std::to_string(counter++);
    const int fd = open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

void SyncFolder(const std::string& path) {
  const int fd = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

// ---- edits of the file's bytes ----

namespace {

void CheckNames(std::string_view section, const TIniFile::TKeyValues& keys) {
  CheckSectionName(section);
  for (const auto& [key, value] : keys) {
    CheckKeyName(key);
    CheckValue(key, value);
  }
}

// Replaces the key's line in place, else appends it after the section's last key
// line, else appends the section at the end of the file.
void WriteKeyInto(std::string& bytes, std::string_view section, std::string_view key, std::string_view value) {
  const auto lines = SplitIniLines(bytes);
  const std::string newLine = KeyLine(key, value);
  const auto span = FindSection(lines, section);
  if (!span) {
    const bool onlyMark = bytes == kUtf8ByteOrderMark;
    if (!bytes.empty() && !onlyMark && !EndsWithLineBreak(bytes)) bytes += "\r\n";
    bytes += "[" + std::string(section) + "]\r\n" + newLine + "\r\n";
    return;
  }
  std::size_t after = span->First;  // the line the new key follows: the last key, else the header
  for (std::size_t i = span->First + 1; i < span->Last; ++i) {
    if (IsKey(lines[i], key)) {
      bytes.replace(lines[i].Begin, lines[i].End - lines[i].Begin, newLine);
      return;
    }
    if (lines[i].Kind == TIniLineKind::Key) after = i;
  }
  const TIniLine& previous = lines[after];
  std::string insertion = newLine + "\r\n";
  if (previous.Next == previous.End) insertion.insert(0, "\r\n");  // last line of the file, unterminated
  bytes.insert(previous.Next, insertion);
}

// Removes every section of that name with all its lines; false when there is none.
bool EraseSectionIn(std::string& bytes, std::string_view section) {
  const auto lines = SplitIniLines(bytes);
  const auto spans = FindSections(lines, section, false);
  for (auto span = spans.rbegin(); span != spans.rend(); ++span) {
    const std::size_t begin = lines[span->First].Begin;
    const std::size_t end = span->Last < lines.size() ? lines[span->Last].Begin : bytes.size();
    bytes.erase(begin, end - begin);
  }
  return !spans.empty();
}

}  // namespace

// ---- lines and names ----

void ForEachIniLine(std::string_view text, const std::function<void(const TIniLine&)>& visit) {
  bool inSection = false;
  std::size_t begin = text.starts_with(kUtf8ByteOrderMark) ? kUtf8ByteOrderMark.size() : 0;
  while (begin < text.size()) {
    std::size_t end = FindLineBreak(text, begin);
    std::size_t next;
    if (end == std::string_view::npos) {
      end = next = text.size();
    } else {
      next = end + 1;
      if (text[end] == '\r' && next < text.size() && text[next] == '\n') ++next;
    }
    TIniLine line = ClassifyLine(text, begin, end, inSection);
    line.Next = next;
    if (line.Kind == TIniLineKind::Section) inSection = true;
    visit(line);
    begin = next;
  }
}

std::vector<TIniLine> SplitIniLines(std::string_view text) {
  std::vector<TIniLine> lines;
  ForEachIniLine(text, [&lines](const TIniLine& line) { lines.push_back(line); });
  return lines;
}

std::string_view StripEnclosingQuotes(std::string_view value) {
  if (value.size() >= 2 && value.front() == value.back() && (value.front() == '"' || value.front() == '\'')) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

bool SameIniName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(static_cast<unsigned char>(a[i])) != FoldCase(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

std::string FoldIniName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) c = static_cast<char>(FoldCase(static_cast<unsigned char>(c)));
  return folded;
}

bool ParseIniInteger(std::string_view text, int& value) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    const std::optional<std::uint32_t> number = ParseHexDigits(text.substr(2), UINT32_MAX);
    if (!number) return false;
    // Eight hex digits give the full 32 bits: 0xFFFFFFFF is -1.
    value = static_cast<int>(static_cast<std::int32_t>(*number));
    return true;
  }
  const std::optional<std::int32_t> number = ParseDecimalInt32(text);
  if (!number) return false;
  value = *number;
  return true;
}

// ---- devices ----

TFileDevice::TFileDevice(std::string path) : Path_(std::move(path)) {}

bool TFileDevice::Load(std::string& bytes) const {
  bytes.clear();
  Failure_.clear();
  const auto fail = [this](std::string reason) {
    Failure_ = std::move(reason);
    return false;
  };
  // Looked at before opening: opening a FIFO or a device may block or act on it.
  struct stat info {};
  // A path that names no file (or that cannot: a part of it is no folder) reads as empty.
  if (stat(Path_.c_str(), &info) != 0) return errno == ENOENT || errno == ENOTDIR || fail(SystemReason(errno));
  if (const char* why = NotRegularReason(info)) return fail(why);
  if (static_cast<std::uintmax_t>(info.st_size) > kMaxIniFileBytes) return fail(kTooLarge);
  const int fd = open(Path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT || fail(SystemReason(errno));
  std::string reason;
  // The path may have been replaced between the look and the open.
  bool ok = fstat(fd, &info) == 0;
  if (!ok) reason = SystemReason(errno);
  else if (const char* why = NotRegularReason(info)) ok = false, reason = why;
  ok = ok && ReadAll(fd, static_cast<std::size_t>(info.st_size), kMaxIniFileBytes, bytes, reason);
  close(fd);
  if (!ok) {
    bytes.clear();
    bytes.shrink_to_fit();
    return fail(reason);
  }
  return true;
}

bool TFileDevice::Store(const std::string& bytes) {
  Failure_.clear();
  const auto fail = [this](std::string reason) {
    Failure_ = std::move(reason);
    return false;
  };
  if (Path_.empty()) return fail("no file name");
  const std::string target = StoreTarget(Path_);
  struct stat existing {};
  const bool exists = stat(target.c_str(), &existing) == 0;
  if (exists) {
    if (const char* why = NotRegularReason(existing)) return fail(why);
    if (access(target.c_str(), W_OK) != 0) return fail(SystemReason(errno));
  }

  RemoveDeadTemporaries(target);
  std::string temporaryPath;
  const int fd = CreateTemporary(target, temporaryPath);
  if (fd < 0) return fail(SystemReason(errno));
  int err = 0;
  const auto step = [&err](bool done) {
    if (!done && err == 0) err = errno != 0 ? errno : EIO;
    return done;
  };
  bool ok = true;
  if (exists) {
    ok = step(fchmod(fd, existing.st_mode & 07777) == 0);
    if (ok && fchown(fd, existing.st_uid, existing.st_gid) != 0) {
      // Only the owner's group may not be ours to give; the permissions still hold.
    }
  }
  ok = ok && step(WriteAll(fd, bytes)) && step(fsync(fd) == 0);
  ok = step(close(fd) == 0) && ok;
  ok = ok && step(rename(temporaryPath.c_str(), target.c_str()) == 0);
  if (!ok) {
    unlink(temporaryPath.c_str());
    return fail(SystemReason(err));
  }
  SyncFolder(target);
  return true;
}

bool TMemoryDevice::Load(std::string& bytes) const {
  if (RefuseLoad) {
    bytes.clear();
    return false;
  }
  bytes = Bytes;
  return true;
}

bool TMemoryDevice::Store(const std::string& bytes) {
  if (RefuseStore) return false;
  Bytes = bytes;
  ++StoreCount;
  return true;
}

std::string LoadWhole(const TIniDevice& device) {
  std::string bytes;
  if (!device.Load(bytes)) throw TIniError::UnableToRead(device.Name(), device.FailureReason());
  return bytes;
}

// ---- the INI layer ----

TIniFile::TIniFile(std::string fileName) : TIniFile(std::make_shared<TFileDevice>(std::move(fileName))) {}

TIniFile::TIniFile(std::shared_ptr<TIniDevice> device) : TIniFile(std::move(device), kValueLimit) {}

TIniFile::TIniFile(std::shared_ptr<TIniDevice> device, std::size_t valueLimit)
    : Device_(std::move(device)), ValueLimit_(valueLimit) {}

std::string TIniFile::LoadForReading() const {
  std::string bytes;
  if (!Device_->Load(bytes)) bytes.clear();
  return bytes;
}

std::string TIniFile::LoadForWriting() const {
  // A file that exists but cannot be read must not be replaced by the few lines we know.
  std::string bytes;
  if (!Device_->Load(bytes)) throw TIniError::UnableToWrite(FileName(), Device_->FailureReason());
  return bytes;
}

void TIniFile::Store(const std::string& bytes) {
  if (!Device_->Store(bytes)) throw TIniError::UnableToWrite(FileName(), Device_->FailureReason());
}

std::string TIniFile::ReadValue(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
  const std::string bytes = LoadForReading();
  const auto lines = SplitIniLines(bytes);
  const TIniLine* line = FindKey(lines, section, key);
  if (line == nullptr) return std::string(defaultValue);
  const std::string_view value = StripEnclosingQuotes(Trim(line->Value));
  return std::string(value.substr(0, ValueLimit_));
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int defaultValue) const {
  int value = 0;
  return ParseIniInteger(ReadValue(section, key, ""), value) ? value : defaultValue;
}

std::vector<std::string> TIniFile::ReadSectionKeys(std::string_view section) const {
  const std::string bytes = LoadForReading();
  const auto lines = SplitIniLines(bytes);
  std::vector<std::string> keys;
  if (const auto span = FindSection(lines, section)) {
    for (std::size_t i = span->First + 1; i < span->Last; ++i) {
      if (lines[i].Kind == TIniLineKind::Key) keys.emplace_back(Trim(lines[i].Name));
    }
  }
  return keys;
}

std::vector<std::string> TIniFile::ReadSectionLines(std::string_view section) const {
  const std::string bytes = LoadForReading();
  const auto lines = SplitIniLines(bytes);
  std::vector<std::string> result;
  if (const auto span = FindSection(lines, section)) {
    for (std::size_t i = span->First + 1; i < span->Last; ++i) {
      if (lines[i].Kind == TIniLineKind::Key) result.push_back(KeyLine(Trim(lines[i].Name), Trim(lines[i].Value)));
    }
  }
  return result;
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
  const std::string bytes = LoadForReading();
  return FindKey(SplitIniLines(bytes), section, key) != nullptr;
}

void TIniFile::WriteKey(std::string_view section, std::string_view key, std::string_view value) {
  WriteKeys(section, {{std::string(key), std::string(value)}});
}

void TIniFile::WriteKeys(std::string_view section, const TKeyValues& keys) {
  CheckNames(section, keys);
  std::string bytes = LoadForWriting();
  for (const auto& [key, value] : keys) WriteKeyInto(bytes, section, key, value);
  Store(bytes);
}

void TIniFile::ReplaceSection(std::string_view section, const TKeyValues& keys) {
  CheckNames(section, keys);
  std::string bytes = LoadForWriting();
  EraseSectionIn(bytes, section);
  // The section is gone, so every key goes into one new section at the end of the
  // file: composed once instead of searching the whole file for each key. A key
  // given twice keeps its first place with the later spelling and value, as
  // writing the keys one by one would.
  std::vector<std::string> lines;
  std::unordered_map<std::string, std::size_t> placeOf;
  for (const auto& [key, value] : keys) {
    const auto [place, added] = placeOf.try_emplace(FoldIniName(key), lines.size());
    if (added)
      lines.push_back(KeyLine(key, value));
    else
      lines[place->second] = KeyLine(key, value);
  }
  if (!lines.empty()) {
    if (!bytes.empty() && !EndsWithLineBreak(bytes)) bytes += "\r\n";
    bytes += "[" + std::string(section) + "]\r\n";
    for (const std::string& line : lines) bytes += line + "\r\n";
  }
  Store(bytes);
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  WriteKey(section, key, std::to_string(value));
}

void TIniFile::DeleteKey(std::string_view section, std::string_view key) noexcept {
  try {
    std::string bytes;
    if (!Device_->Load(bytes)) return;
    const auto lines = SplitIniLines(bytes);
    const auto span = FindSection(lines, section);
    if (!span) return;
    bool found = false;
    // Back to front, so the offsets of earlier lines stay valid.
    for (std::size_t i = span->Last; i-- > span->First + 1;) {
      if (!IsKey(lines[i], key)) continue;
      bytes.erase(lines[i].Begin, lines[i].Next - lines[i].Begin);
      found = true;
    }
    if (found) Device_->Store(bytes);
  } catch (...) {
    // A refused deletion passes silently.
  }
}

void TIniFile::EraseSection(std::string_view section) {
  std::string bytes = LoadForWriting();
  if (EraseSectionIn(bytes, section)) Store(bytes);
}

TExtIniFile::TExtIniFile(std::string fileName)
    : TExtIniFile(std::make_shared<TFileDevice>(std::move(fileName))) {}

TExtIniFile::TExtIniFile(std::shared_ptr<TIniDevice> device) : TIniFile(std::move(device), kValueLimit) {}

}  // namespace quorvel::model
