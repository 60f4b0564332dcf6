// SPDX-License-Identifier: MIT
#pragma once
// quorvel-cli edit FILE rc ... and edit FILE fixed ...: the return-code and fixed-answer
// editors' changes from a shell. Each gets the arguments after its family word. Silent
// on success; a change the table refuses is told on standard error with status 1 and
// the file unchanged; arguments that do not fit the usage give status 2.
#include <string>
#include <vector>

namespace quorvel::cli {

inline constexpr const char* kEditReturnCodesUsage =
    "edit FILE rc add CODE TEXT | rc modify CODE NEWCODE TEXT | rc remove CODE";
inline constexpr const char* kEditFixedAnswersUsage =
    "edit FILE fixed add fiscal|printer --panel N --mask HEX --result HEX --text TEXT [--color NAME]"
    " | fixed modify fiscal|printer N [the same options] | fixed remove fiscal|printer N";

int RunEditReturnCodes(const std::string& file, const std::vector<std::string>& args);
int RunEditFixedAnswers(const std::string& file, const std::vector<std::string>& args);

}  // namespace quorvel::cli
