// SPDX-License-Identifier: MIT
#pragma once
// Codes of the terminal file and the names the editors show for them. Names are
// compared exactly, letter case included.
#include <string>
#include <vector>

namespace quorvel::model {

// The names in code order, for drop-down lists.
const std::vector<std::string>& TextTypeNames();     // "AlphaNumeric" ... "Time"
const std::vector<std::string>& ControlTypeNames();  // "Simple" ... "Time"
const std::vector<std::string>& ModeNames();         // "Host", "Fiscal"
const std::vector<std::string>& DateFormatNames();   // "ddmmyy" ... "yyyymmdd"

// First matching name among codes 0..8; anything else gives 9.
int TextTypeFromName(const std::string& name);
// A code outside 0..9 gives "AlphaNumeric".
std::string TextTypeName(int code);
// First matching name among codes 0..3; anything else gives 4.
int ControlTypeFromName(const std::string& name);
// A code outside 0..4 gives "Simple".
std::string ControlTypeName(int code);
// 0 for "Host", 1 for anything else.
int ModeFromName(const std::string& name);
// "Host" for 0, "Fiscal" for any other code.
std::string ModeName(int code);
// 1 for "Yes", 0 for anything else.
int YesNoFromName(const std::string& name);
// "Yes" for 1, "No" for any other value.
std::string YesNoName(int flag);
// Date format codes 0..7 and their names ("ddmmyy" ...); a code outside 0..7
// gives "ddmmyy", an unknown name gives -1.
std::string DateFormatName(int code);
int DateFormatFromName(const std::string& name);

}  // namespace quorvel::model
