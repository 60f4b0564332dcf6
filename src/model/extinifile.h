// SPDX-License-Identifier: MIT
#pragma once
// The INI layer: every read and write of a terminal file goes through it.
//
// Every operation loads the file, reads or changes it and stores it back; nothing is
// cached between operations. Section and key names are compared without regard to
// letter case. A write replaces a key in place, appends a new key after the last key
// of its section, or appends a new section at the end of the file. Lines that an
// operation does not touch keep their bytes exactly; new lines end with CR LF.
// A changed file is replaced atomically, so a refused write leaves the old content.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/errors.h"

namespace quorvel::model {

// The largest terminal file read: a larger one is refused before it is read, so that
// no file can exhaust the memory.
inline constexpr std::size_t kMaxIniFileBytes = std::size_t{64} << 20;

// Where the INI layer gets a file's bytes from and where it puts them back.
class TIniDevice {
 public:
  virtual ~TIniDevice() = default;
  // The file name used in error messages.
  virtual std::string Name() const = 0;
  // Fills bytes with the whole content. A missing file gives empty bytes and true;
  // false means the file exists but cannot be read completely (bytes are then empty).
  virtual bool Load(std::string& bytes) const = 0;
  // Replaces the whole content at once; false when refused (the old content stays).
  virtual bool Store(const std::string& bytes) = 0;
  // Why the last Load or Store failed, in plain words ("Read-only file system");
  // empty when it did not fail or the reason is unknown.
  virtual std::string FailureReason() const { return {}; }
};

// A file on disk. Load refuses, before reading anything, a path that is not a regular
// file (a folder, a FIFO, a device) and a file larger than kMaxIniFileBytes.
// Store writes a temporary file ".NAME.tmpPID-N" in the same folder, flushes it to the
// disk and renames it over the original, keeping the original's permissions; through
// a symbolic link it replaces the link's target. Before that it removes the temporary
// files of the same file left by processes that no longer exist (a write killed
// half-way). A path that exists and is not a regular file is never replaced.
class TFileDevice final : public TIniDevice {
 public:
  explicit TFileDevice(std::string path);
  std::string Name() const override { return Path_; }
  bool Load(std::string& bytes) const override;
  bool Store(const std::string& bytes) override;
  std::string FailureReason() const override { return Failure_; }

 private:
  std::string Path_;
  mutable std::string Failure_;
};

// Bytes in memory, for tests and fuzzers.
class TMemoryDevice final : public TIniDevice {
 public:
  explicit TMemoryDevice(std::string bytes = {}, std::string name = "memory.qvl")
      : Bytes(std::move(bytes)), Name_(std::move(name)) {}
  std::string Name() const override { return Name_; }
  bool Load(std::string& bytes) const override;
  bool Store(const std::string& bytes) override;

  std::string Bytes;
  bool RefuseLoad = false;
  bool RefuseStore = false;
  int StoreCount = 0;

 private:
  std::string Name_;
};

// What the terminal window and the editors read from a terminal file; the INI layer
// and the in-memory copy (inimemory.h) both offer it, with their own read rules.
class TIniReader {
 public:
  virtual ~TIniReader() = default;
  // The file name used in error messages.
  virtual std::string FileName() const = 0;
  virtual std::string ReadValue(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const = 0;
  virtual std::vector<std::string> ReadSectionKeys(std::string_view section) const = 0;
};

// One line of an INI text. Lines end with CR LF, a lone CR or a lone LF.
enum class TIniLineKind {
  Other,    // before the first section, comment (";"), blank, or without "="
  Section,  // "[" name "]", blanks around the line and the name ignored
  Key,      // name "=" value
};

struct TIniLine {
  std::size_t Begin = 0;  // first byte of the line
  std::size_t End = 0;    // end of its text, before the line ending
  std::size_t Next = 0;   // first byte of the following line
  TIniLineKind Kind = TIniLineKind::Other;
  std::string_view Name;   // section name, or key text exactly as written before "="
  std::string_view Value;  // key lines: the exact text after the first "="
};

// A UTF-8 byte-order mark, as some editors put at the start of a text file.
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// Splits text into lines (the views point into text). Key lines before the first
// section header are reported as Other. A byte-order mark at the start of the text
// belongs to no line: the first line begins after it, so edits keep it byte for byte.
std::vector<TIniLine> SplitIniLines(std::string_view text);

// The same lines handed to visit one by one, for a reader of a large file that keeps
// only part of them (no vector of every line).
void ForEachIniLine(std::string_view text, const std::function<void(const TIniLine&)>& visit);

// The whole content, for a reader that must not go on with part of a file. Throws
// TIniError "Unable to read <file>: <reason>" when the file exists but cannot be read
// completely; a missing file gives empty bytes.
std::string LoadWhole(const TIniDevice& device);

// Name comparison of the whole layer: ASCII and Latin-1 letters without regard to case.
bool SameIniName(std::string_view a, std::string_view b);
// The name with its letters in lower case: equal for names that SameIniName matches.
std::string FoldIniName(std::string_view name);

// A value as read value gives it, before the length cut: without one enclosing pair
// of equal quote characters (" or ') when it has one.
std::string_view StripEnclosingQuotes(std::string_view value);

// A stored number: "0x" or "0X" and hexadecimal digits (up to 32 bits), or a decimal
// integer with an optional sign. False when the text is not such a number.
bool ParseIniInteger(std::string_view text, int& value);

// The INI layer on one file. Values read are cut to 2047 characters.
class TIniFile : public TIniReader {
 public:
  static constexpr std::size_t kValueLimit = 2047;

  explicit TIniFile(std::string fileName);
  explicit TIniFile(std::shared_ptr<TIniDevice> device);

  std::string FileName() const override { return Device_->Name(); }

  // The key's value, or defaultValue when the section or key is absent. Blanks
  // around key and value are ignored; a value whose first and last characters are
  // the same quote character (" or ') loses those two; the result is cut to the limit.
  std::string ReadValue(std::string_view section, std::string_view key,
                        std::string_view defaultValue) const override;
  // ReadValue read as ParseIniInteger does; defaultValue when it is not a number.
  int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
  // Key names of the section in file order; empty when the section is absent.
  std::vector<std::string> ReadSectionKeys(std::string_view section) const override;
  // The key lines ("name=value") of the section in file order.
  std::vector<std::string> ReadSectionLines(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;

  // Throws TIniError "Unable to write to <file>: <reason>" when the file cannot be
  // read completely or replaced, and
  // TIniError with a description for a name or value that an INI line cannot hold
  // (line breaks, "=" in a key, a key starting with ";" or "["); nothing is written then.
  void WriteKey(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int value);
  // Several keys of one section written as WriteKey writes each, in one replacement
  // of the file: all of them or, when refused, none.
  using TKeyValues = std::vector<std::pair<std::string, std::string>>;
  void WriteKeys(std::string_view section, const TKeyValues& keys);
  // EraseSection, then WriteKeys, in one replacement of the file.
  void ReplaceSection(std::string_view section, const TKeyValues& keys);
  // Removes the key line; a failure is ignored.
  void DeleteKey(std::string_view section, std::string_view key) noexcept;
  // Removes every section of that name with all its lines; throws TIniError when refused.
  void EraseSection(std::string_view section);

 protected:
  TIniFile(std::shared_ptr<TIniDevice> device, std::size_t valueLimit);

 private:
  std::string LoadForReading() const;
  std::string LoadForWriting() const;
  void Store(const std::string& bytes);

  std::shared_ptr<TIniDevice> Device_;
  std::size_t ValueLimit_;
};

// The extended reader: values read are cut to 8191 characters. Used for "Commands"
// and "Answers" values and whole command sections.
class TExtIniFile : public TIniFile {
 public:
  static constexpr std::size_t kValueLimit = 8191;

  explicit TExtIniFile(std::string fileName);
  explicit TExtIniFile(std::shared_ptr<TIniDevice> device);
};

}  // namespace quorvel::model
