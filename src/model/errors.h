#pragma once
// Errors raised while reading or writing a terminal file.
#include <stdexcept>
#include <string>

namespace quorvel::model {

// A write or section erase that the file system refused ("Unable to write to %s"),
// or a name or value that cannot be stored in an INI line.
class TIniError : public std::runtime_error {
 public:
  explicit TIniError(const std::string& message) : std::runtime_error(message) {}

  static TIniError UnableToWrite(const std::string& fileName) {
    return TIniError("Unable to write to " + fileName);
  }
};

// A stored number that is read strictly and is not a number.
class TConvertError : public std::runtime_error {
 public:
  explicit TConvertError(const std::string& text)
      : std::runtime_error("'" + text + "' is not a valid integer value"), Text_(text) {}

  // The offending text.
  const std::string& Text() const { return Text_; }

 private:
  std::string Text_;
};

}  // namespace quorvel::model
