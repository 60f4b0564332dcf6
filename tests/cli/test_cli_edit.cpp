// SPDX-License-Identifier: MIT
// Runs the real "quorvel-cli edit" on terminal files in a temporary folder.
#include <string>
#include <vector>

#include "clirun.h"
#include "common/readonlyfolder.h"
#include "model/fieldrecords.h"
#include "model/inimemory.h"
#include "model/terminalfile.h"

namespace {

using quorvel::clitest::ReadFile;
using quorvel::clitest::TCliRun;
using quorvel::testing::WriteBytes;

// Sales/Open with a Currency field (combo list, notes) and an answer; Sales/Close empty.
const std::string kBase =
    "[Groups]\r\nSales=\r\nReports=\r\n"
    "[Sales]\r\nOpen=\r\nClose=\r\n"
    "[SalesOpen]\r\nCommands=0,\"&Amount\",\"Total\",2,\"\",1,12,1,0,10,2,0,0,\"Code\",\"\",3,\"7\",0,4,0,0,5,6,0\r\n"
    "Answers=\"Total\",2,2\r\nCL1=\"a,b\"\r\nNotes=\"n\"\r\n"
    "[SalesClose]\r\nCommands=\r\nAnswers=\r\n"
    "[Reports]\r\nOpen=\r\n[ReportsOpen]\r\nCommands=\r\nAnswers=\r\n";

class CliEditTest : public quorvel::clitest::TCliTest {
 protected:
  void SetUp() override { WriteBytes(path, kBase); }
  TCliRun Edit(std::vector<std::string> args) {
    args.insert(args.begin(), {"edit", path});
    return RunCli(args);
  }
  std::vector<quorvel::model::TCommandField> Fields(const std::string& section) {
    return quorvel::model::ReadCommandDefinition(quorvel::model::TIniMemory(path), section).Fields;
  }
  const std::string path = InFolder("edit.qvl");
};

TEST_F(CliEditTest, AScriptBuildsAFileSilently) {
  WriteBytes(path, std::string(quorvel::model::NewFileTemplate()));
  const std::vector<std::vector<std::string>> script = {
      {"group", "add", "Sales"},
      {"command", "add", "Sales", "Open"},
      {"field", "add", "Sales/Open", "--caption", "&Amount", "--hint", "Total amount", "--type", "currency", "--max",
       "12", "--min", "10", "--decimals", "2", "--required", "--note", "first", "--note", "second"},
      {"field", "add", "Sales/Open", "--caption", "Unit", "--control", "DROPDOWNLIST", "--item", "kg", "--item",
       "one piece"},
      {"answer", "add", "Sales/Open", "--caption", "Total", "--type", "Currency", "--decimals", "2"},
      {"answer", "add", "Sales/Open", "--caption", "Name"},
      {"command", "copy", "Sales/Open", "Sales", "--as", "Close"},
      {"group", "rename", "Sales", "Shop"},
  };
  for (const auto& step : script) {
    const TCliRun run = Edit(step);
    ASSERT_EQ(run.status, 0) << step[0] << " " << step[1] << ": " << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
  }
  const std::string text = ReadFile(path);
  EXPECT_NE(text.find("[Groups]\r\nShop=\r\n"), std::string::npos);
  const std::string section =
      "Commands=0,\"&Amount\",\"Total amount\",2,\"\",0,12,1,0,10,2,0,0,\"Unit\",\"\",0,\"\",2,0,0,0,0,0,0\r\n"
      "Answers=\"Total\",2,2,\"Name\",0,0\r\n"
      "Notes=\"first,second\"\r\nCL2=\"kg,\"one piece\"\"\r\n";
  EXPECT_NE(text.find("[ShopOpen]\r\n" + section), std::string::npos) << text;
  EXPECT_NE(text.find("[ShopClose]\r\n" + section), std::string::npos) << text;
  EXPECT_EQ(text.find("[SalesOpen]"), std::string::npos);

  const TCliRun copied = Edit({"group", "copy", "Shop"});
  EXPECT_EQ(copied.status, 0);
  EXPECT_EQ(copied.out, "Shop1\n");
}

TEST_F(CliEditTest, RefusalsSayWhyAndLeaveTheFileAsItWas) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"group", "add", "sales"}, "Group already exists"},
      {{"group", "add", "general"}, "Group already exists"},
      {{"group", "add", std::string(26, 'g')},
       "The group name \"" + std::string(26, 'g') + "\" is longer than 25 characters"},
      {{"command", "rename", "Sales", "Open", "Cl=ose"},
       "The command name \"Cl=ose\" holds \"=\", which a line of the file cannot hold"},
      {{"command", "add", "Sales", "close"}, "The command already exists"},
      {{"group", "merge", "Sales", "Reports"},
       "Group \"Reports\" already has the commands \"Open\"; choose --overwrite or --skip"},
      {{"command", "copy", "Sales/Open", "Reports"}, "Command already exists, choose action"},
      {{"command", "copy", "Sales/Nothing", "Reports"},
       "There is no command \"Sales/Nothing\" (written GROUP/COMMAND) in " + path},
      {{"field", "add", "Sales/Open", "--caption", std::string(36, 'c')},
       "The caption \"" + std::string(36, 'c') + "\" is longer than 35 characters"},
      {{"field", "add", "Sales/Open", "--caption", ""}, "The caption must not be empty"},
      {{"field", "add", "Sales/Open", "--caption", "C", "--mode", "fiscal"},
       "--mode can be given for field 1 only: the command has one mode"},
      {{"field", "add", "Sales/Open", "--caption", "C", "--note", "x"},
       "--note can be given for field 1 only: the notes are the command's"},
      {{"field", "add", "Sales/Open", "--caption", "C", "--type", "boolean", "--max", "3"},
       "--max cannot be given for text type Boolean with control Simple"},
      {{"field", "add", "Sales/Open", "--caption", "C", "--item", "x"},
       "--item cannot be given for text type AlphaNumeric with control Simple"},
      {{"field", "add", "Sales/Open", "--caption", "C", "--type", "numeric", "--default", "12a"},
       "The default text \"12a\" does not fit text type Numeric"},
      {{"field", "add", "Sales/Open", "--caption", "C", "--type", "Numeric", "--control", "Date"},
       "The Date control takes the text type Date"},
      {{"field", "add", "Sales/Open", "--caption", "C", "--type", "Text"},
       "Unknown text type \"Text\"; one of AlphaNumeric, Alpha, Currency, Numeric, Decimal, Hexa, Binary, Boolean, "
       "Date, Time"},
      {{"field", "add", "Sales/Open", "--caption", "C", "--max", "-1"},
       "--max takes a number of digits 0 to 9, not \"-1\""},
      {{"field", "modify", "Sales/Open", "3", "--caption", "C"}, "There is no command field number 3"},
      {{"answer", "add", "Sales/Open", "--caption", "C", "--decimals", "2"},
       "--decimals cannot be given for text type AlphaNumeric"},
  };
  for (const Case& c : cases) {
    const TCliRun run = Edit(c.args);
    EXPECT_EQ(run.status, 1) << c.message;
    EXPECT_EQ(run.err, c.message + "\n");
    EXPECT_EQ(ReadFile(path), kBase) << c.message;
  }
}

TEST_F(CliEditTest, MalformedCommandLinesExitWithTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {"family", "add", "x"},
      {"group", "grow", "x"},
      {"group", "add"},
      {"group", "add", "a", "b"},
      {"group", "add", "a", "--force"},
      {"group", "merge", "Sales", "Reports", "--overwrite", "--skip"},
      {"field", "add", "Sales/Open"},
      {"field", "add", "Sales/Open", "--caption"},
      {"field", "modify", "Sales/Open", "1", "--required", "--no-required"},
      {"field", "remove", "Sales/Open", "zero"},
      {"answer", "add", "Sales/Open", "--caption", "A", "--caption", "B"},
  };
  for (const auto& args : cases) {
    const TCliRun run = Edit(args);
    EXPECT_EQ(run.status, 2) << args[0] << " " << args[1];
    EXPECT_NE(run.err.find("usage: quorvel-cli edit FILE"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFile(path), kBase);
  }
  EXPECT_EQ(RunCli({"edit"}).status, 2);
  const TCliRun help = RunCli({"edit", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.Has("  quorvel-cli edit FILE group merge SOURCE TARGET [--overwrite | --skip]"));
}

TEST_F(CliEditTest, RecordsFollowTheDialogsTypeRule) {
  ASSERT_EQ(Edit({"field", "add", "Sales/Close", "--caption", "Flag", "--type", "BOOLEAN", "--default", "s"}).status, 0);
  ASSERT_EQ(Edit({"field", "add", "Sales/Close", "--caption", "Day", "--control", "date"}).status, 0);
  ASSERT_EQ(Edit({"field", "add", "Sales/Close", "--caption", "Hex", "--type", "hexa", "--control", "DropDown"}).status,
            0);
  const auto fields = Fields("SalesClose");
  ASSERT_EQ(fields.size(), 3u);
  EXPECT_EQ(fields[0].MaxLength, 1);
  EXPECT_EQ(fields[0].DefaultText, "s");
  EXPECT_EQ(fields[1].TextType, quorvel::model::kTextDate);
  EXPECT_EQ(fields[1].MaxLength, 10);
  EXPECT_EQ(fields[2].ControlType, quorvel::model::kControlDropDown);

  // Modify keeps what is not given; the stored min length of a drop-down Hexa
  // field stays as the dialog opens it.
  ASSERT_EQ(Edit({"field", "modify", "Sales/Open", "1", "--hint", "Sum", "--no-required", "--no-notes"}).status, 0);
  ASSERT_EQ(Edit({"field", "modify", "Sales/Close", "3", "--min", "4"}).status, 0);
  // A new text type resets the numbers the old one had.
  ASSERT_EQ(Edit({"field", "modify", "Sales/Open", "2", "--type", "Decimal"}).status, 0);
  const auto open = Fields("SalesOpen");
  EXPECT_EQ(open[0].Hint, "Sum");
  EXPECT_FALSE(open[0].Required);
  EXPECT_EQ(open[0].MaxLength, 12);
  EXPECT_EQ(open[0].MinLength, 10);
  EXPECT_EQ(open[0].Decimals, 2);
  EXPECT_EQ(open[1].TextType, quorvel::model::kTextDecimal);
  EXPECT_EQ(open[1].MaxLength, 0);
  EXPECT_EQ(open[1].MinLength, 0);
  EXPECT_EQ(open[1].DefaultText, "");
  EXPECT_EQ(Fields("SalesClose")[2].MinLength, 4);
  const std::string text = ReadFile(path);
  EXPECT_NE(text.find("CL1=\"a,b\"\r\nNotes=\"\"\r\n"), std::string::npos) << text;

  ASSERT_EQ(Edit({"field", "remove", "Sales/Open", "1"}).status, 0);
  EXPECT_EQ(ReadFile(path).find("Notes="), std::string::npos);
  ASSERT_EQ(Edit({"answer", "modify", "Sales/Open", "1", "--caption", "Sum"}).status, 0);
  EXPECT_NE(ReadFile(path).find("Answers=\"Sum\",2,2\r\n"), std::string::npos);
}

TEST_F(CliEditTest, ARefusedWriteIsReportedAndChangesNothing) {
  quorvel::testing::TReadOnlyFolder readOnly({{"edit.qvl", kBase}});
  if (!readOnly.Available()) GTEST_SKIP() << "cannot mount a read-only tmpfs here";
  const std::string file = readOnly.File("edit.qvl");
  const TCliRun run = RunCli({"edit", file, "group", "rename", "Sales", "Shop"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "Unable to write to " + file + ": Read-only file system\n");
  EXPECT_EQ(ReadFile(file), kBase);
}

}  // namespace
