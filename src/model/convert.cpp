// SPDX-License-Identifier: MIT
#include "model/convert.h"

#include <algorithm>

#include "model/fieldrecords.h"

namespace quorvel::model {
namespace {

// The code of the first of names[0 .. searched) equal to name, else fallback.
int CodeOf(const std::vector<std::string>& names, std::size_t searched, const std::string& name, int fallback) {
  const auto end = names.begin() + static_cast<std::ptrdiff_t>(std::min(searched, names.size()));
  const auto found = std::find(names.begin(), end, name);
  return found == end ? fallback : static_cast<int>(found - names.begin());
}

// names[code], or names[0] for a code outside the table.
const std::string& NameOf(const std::vector<std::string>& names, int code) {
  if (code < 0 || static_cast<std::size_t>(code) >= names.size()) return names.front();
  return names[static_cast<std::size_t>(code)];
}

}  // namespace

const std::vector<std::string>& TextTypeNames() {
  static const std::vector<std::string> names{"AlphaNumeric", "Alpha",  "Currency", "Numeric", "Decimal",
                                              "Hexa",         "Binary", "Boolean",  "Date",    "Time"};
  return names;
}

const std::vector<std::string>& ControlTypeNames() {
  static const std::vector<std::string> names{"Simple", "DropDown", "DropDownList", "Date", "Time"};
  return names;
}

const std::vector<std::string>& ModeNames() {
  static const std::vector<std::string> names{"Host", "Fiscal"};
  return names;
}

const std::vector<std::string>& DateFormatNames() {
  static const std::vector<std::string> names{"ddmmyy",   "ddmmyyyy", "mmddyy", "mmddyyyy",
                                              "yyddmm",   "yyyyddmm", "yymmdd", "yyyymmdd"};
  return names;
}

int TextTypeFromName(const std::string& name) { return CodeOf(TextTypeNames(), kTextTime, name, kTextTime); }
std::string TextTypeName(int code) { return NameOf(TextTypeNames(), code); }
int ControlTypeFromName(const std::string& name) { return CodeOf(ControlTypeNames(), kControlTime, name, kControlTime); }
std::string ControlTypeName(int code) { return NameOf(ControlTypeNames(), code); }
int ModeFromName(const std::string& name) { return name == "Host" ? 0 : 1; }
std::string ModeName(int code) { return code == 0 ? "Host" : "Fiscal"; }
int YesNoFromName(const std::string& name) { return name == "Yes" ? 1 : 0; }
std::string YesNoName(int flag) { return flag == 1 ? "Yes" : "No"; }
std::string DateFormatName(int code) { return NameOf(DateFormatNames(), code); }
int DateFormatFromName(const std::string& name) { return CodeOf(DateFormatNames(), 8, name, -1); }

}  // namespace quorvel::model
