// SPDX-License-Identifier: MIT
// The document that edits compose in memory must leave exactly the bytes that
// the INI layer's single writes leave, whatever the file looks like.
#include "model/inidocument.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "model/errors.h"
#include "model/extinifile.h"

namespace quorvel::model {
namespace {

// Files as people and other programs leave them: other line endings, a last line
// without one, comments and blank lines inside sections, keys before the first
// section, blanks around names, a section that occurs twice.
const std::vector<std::string> kStartingFiles = {
    "",
    "[Groups]",
    "[Groups]\r\nSales=",
    ";comment\r\nstray=1\r\n[General]\r\nProtocol=0\r\n\r\n[Groups]\r\nSales=\r\n; trailing comment\r\n\r\n",
    "[Sales]\nOpen=\nClose=\n[SalesOpen]\nCommands=0\nCL1=\"a\"\n",
    "[sales]\rOpen=\r[SALESOPEN]\rcommands = 1 \r",
    "  [ Groups ]  \r\n Sales = \r\nnot a key\r\n[Groups]\r\nTwice=\r\n[Tail]\r\nK=v",
    "[A]\r\n[B]\r\nx=1\r\n[A]\r\ny=2\r\n",
};

const std::vector<std::string> kSections = {"Groups", "groups", "Sales", "SalesOpen", "salesopen", "A", "B",
                                            "New", "Tail", " Groups "};
const std::vector<std::string> kKeys = {"Sales", "SALES", "Open", "Commands", "commands", "CL1", "x", "y", "New"};
const std::vector<std::string> kValues = {"", "1", "\"quoted\"", " blanks ", "0,\"A\",\"B\""};

TEST(IniDocumentTest, AnySequenceOfEditsLeavesTheBytesOfTheSingleWrites) {
  std::mt19937 random(20261211);
  auto pick = [&random](const std::vector<std::string>& from) -> const std::string& {
    return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
  };
  for (const std::string& start : kStartingFiles) {
    for (int run = 0; run < 40; ++run) {
      auto device = std::make_shared<TMemoryDevice>(start);
      TIniFile file(device);
      TIniDocument document(start);
      std::string trail;
      for (int step = 0; step < 12; ++step) {
        const std::string& section = pick(kSections);
        const std::string& key = pick(kKeys);
        const int operation = std::uniform_int_distribution<int>(0, 5)(random);
        if (operation <= 2) {
          const std::string& value = pick(kValues);
          bool refused = false;
          try {
            file.WriteKey(section, key, value);
          } catch (const TIniError&) {
            refused = true;  // a section name with blanks around it
          }
          if (!refused) document.WriteKey(section, key, value);
          trail += " write[" + section + "]" + key;
        } else if (operation <= 4) {
          file.DeleteKey(section, key);
          document.DeleteKey(section, key);
          trail += " delete[" + section + "]" + key;
        } else {
          bool refused = false;
          try {
            file.EraseSection(section);
          } catch (const TIniError&) {
            refused = true;
          }
          if (!refused) document.EraseSection(section);
          trail += " erase[" + section + "]";
        }
        ASSERT_EQ(document.Bytes(), device->Bytes) << "start: " << ::testing::PrintToString(start)
                                                   << "\nsteps:" << trail;
        EXPECT_EQ(document.SectionKeys(section), file.ReadSectionKeys(section));
        EXPECT_EQ(document.ReadValue(section, key, "none", TIniFile::kValueLimit),
                  file.ReadValue(section, key, "none"));
      }
    }
  }
}

TEST(IniDocumentTest, UntouchedFilesComeBackByteForByte) {
  for (const std::string& start : kStartingFiles) EXPECT_EQ(TIniDocument(start).Bytes(), start);
}

TEST(IniDocumentTest, ValuesWithALineBreakAreRefused) {
  TIniDocument document("[A]\r\nK=1\r\n");
  EXPECT_THROW(document.WriteKey("A", "K", "two\r\nlines"), TIniError);
  EXPECT_EQ(document.Bytes(), "[A]\r\nK=1\r\n");
}

}  // namespace
}  // namespace quorvel::model
