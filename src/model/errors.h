// SPDX-License-Identifier: MIT
#pragma once
// Errors raised while reading or writing a terminal file.
#include <stdexcept>
#include <string>
#include <utility>

namespace quorvel::model {

// A write or section erase that the file system refused ("Unable to write to %s"),
// or a name or value that cannot be stored in an INI line.
class TIniError : public std::runtime_error {
 public:
  explicit TIniError(const std::string& message) : std::runtime_error(message) {}

  // "Unable to write to <file>", followed by ": <reason>" when the reason is known.
  static TIniError UnableToWrite(const std::string& fileName, const std::string& reason = {}) {
    return TIniError("Unable to write to " + fileName + (reason.empty() ? "" : ": " + reason));
  }
  // "Unable to read <file>", followed by ": <reason>" when the reason is known.
  static TIniError UnableToRead(const std::string& fileName, const std::string& reason = {}) {
    return TIniError("Unable to read " + fileName + (reason.empty() ? "" : ": " + reason));
  }
};

// A stored number that is read strictly and is not a number.
class TConvertError : public std::runtime_error {
 public:
  explicit TConvertError(const std::string& text)
      : std::runtime_error("'" + text + "' is not a valid integer value"), Text_(text) {}

  // The offending text.
  const std::string& Text() const { return Text_; }

  // The same error, saying where the text was read:
  // "'x' is not a valid integer value (file shop.qvl, section [Sales], key Commands)".
  // An error that already says where is returned unchanged.
  TConvertError At(const std::string& fileName, const std::string& section, const std::string& key) const {
    if (located_) return *this;
    return TConvertError(Text_, std::string(what()) + " (file " + fileName + ", section [" + section + "], key " + key + ")");
  }

 private:
  TConvertError(std::string text, const std::string& message)
      : std::runtime_error(message), Text_(std::move(text)), located_(true) {}

  std::string Text_;
  bool located_ = false;
};

}  // namespace quorvel::model
