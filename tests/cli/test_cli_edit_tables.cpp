// SPDX-License-Identifier: MIT
// Runs the real quorvel-cli edit FILE rc|fixed ... and decode on terminal files in a
// temporary folder: exact bytes after a change, the file untouched after a refusal.
#include <string>
#include <vector>

#include "clirun.h"

namespace {

using quorvel::clitest::ReadFile;
using quorvel::clitest::TCliRun;

class CliEditTables : public quorvel::clitest::TCliTest {
 protected:
  std::string Write(const std::string& bytes, const std::string& name = "t.qvl") {
    const std::string path = InFolder(name);
    quorvel::testing::WriteBytes(path, bytes);
    return path;
  }
};

struct TChangeCase {
  const char* name;
  std::string before;
  std::vector<std::string> args;  // after "edit FILE"
  std::string after;
};

TEST_F(CliEditTables, ChangesAreWrittenSilently) {
  const std::string fixed =
      "[FiscalAnswer]\r\nRecord1=1,1,0001,0001,\"A\",clRed\r\nRecord2=2,2,0002,0002,\"B\",$00123456\r\n";
  const TChangeCase cases[] = {
      {"rc add normalises and sorts",
       "[Return codes]\r\nRC10=Ten\r\nRC2=Two\r\n",
       {"rc", "add", "005", "Five"},
       "[Return codes]\r\nRC2=Two\r\nRC5=Five\r\nRC10=Ten\r\n"},
      {"rc modify finds 010 as RC10",
       "[Return codes]\r\nRC10=Ten\r\nRC2=Two\r\n",
       {"rc", "modify", "010", "1", "One, \"first\""},
       "[Return codes]\r\nRC1=One, \"first\"\r\nRC2=Two\r\n"},
      {"rc remove of the last entry drops the section",
       "[General]\r\nProtocol=1\r\n[Return codes]\r\nRC7=x\r\n",
       {"rc", "remove", "7"},
       "[General]\r\nProtocol=1\r\n"},
      {"rc remove finds a hand-edited key as written",
       "[Return codes]\r\nRCx=odd\r\nRC1=One\r\n",
       {"rc", "remove", "x"},
       "[Return codes]\r\nRC1=One\r\n"},
      {"fixed add pads, names the colour, quotes the text",
       "",
       {"fixed", "add", "printer", "--panel", "16", "--mask", "a", "--result", "0", "--text", "Say \"hi\"", "--color",
        "CLRED"},
       "[PrinterAnswer]\r\nRecord1=1,16,000a,0000,\"Say \"\"hi\"\"\",clRed\r\n"},
      {"fixed add: black by default, $ colour by name when it has one",
       fixed,
       {"fixed", "add", "fiscal", "--panel", "3", "--mask", "FF", "--result", "F0", "--text", "C"},
       fixed + "Record3=3,3,00FF,00F0,\"C\",clBlack\r\n"},
      {"fixed modify keeps what is not given",
       fixed,
       {"fixed", "modify", "fiscal", "2", "--text", "Bee", "--color", "$000000FF"},
       "[FiscalAnswer]\r\nRecord1=1,1,0001,0001,\"A\",clRed\r\nRecord2=2,2,0002,0002,\"Bee\",clRed\r\n"},
      {"fixed modify keeps a colour without a name",
       fixed,
       {"fixed", "modify", "fiscal", "2", "--panel", "5"},
       "[FiscalAnswer]\r\nRecord1=1,1,0001,0001,\"A\",clRed\r\nRecord2=2,5,0002,0002,\"B\",$00123456\r\n"},
      {"fixed remove renumbers",
       fixed,
       {"fixed", "remove", "fiscal", "1"},
       "[FiscalAnswer]\r\nRecord1=1,2,0002,0002,\"B\",$00123456\r\n"},
  };
  for (const TChangeCase& c : cases) {
    const std::string path = Write(c.before);
    std::vector<std::string> args{"edit", path};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const TCliRun run = RunCli(args);
    EXPECT_EQ(run.status, 0) << c.name << ": " << run.err;
    EXPECT_EQ(run.out + run.err, "") << c.name;
    EXPECT_EQ(ReadFile(path), c.after) << c.name;
  }
}

struct TRefusalCase {
  const char* name;
  std::vector<std::string> args;  // after "edit FILE"
  int status;
  std::string message;  // the first line on standard error
};

TEST_F(CliEditTables, RefusalsLeaveTheFileAsItWas) {
  const std::string content =
      "[Return codes]\r\nRC7=Seven\r\nRCx=odd\r\n[FiscalAnswer]\r\nRecord1=1,1,0001,0001,\"A\",clRed\r\n";
  const TRefusalCase cases[] = {
      {"existing code", {"rc", "add", "007", "Again"}, 1, "The return codes already exits !!!"},
      {"code not a number", {"rc", "add", "7a", "x"}, 1, "'7a' is not a valid integer value"},
      {"six digits", {"rc", "add", "123456", "x"}, 1, "A return code has at most 5 digits: 123456"},
      {"line break",
       {"rc", "add", "8", "two\nlines"},
       1,
       "A return code description is one line: line breaks are refused"},
      {"empty description", {"rc", "add", "8", ""}, 1, "A return code needs a description"},
      {"sort meets a key that is no number", {"rc", "add", "8", "Eight"}, 1, "'x' is not a valid integer value"},
      {"modify onto another code", {"rc", "modify", "x", "7", "y"}, 1, "The return codes already exits !!!"},
      {"unknown code", {"rc", "remove", "9"}, 1, "There is no return code 9 in "},
      {"text too long",
       {"fixed", "add", "fiscal", "--panel", "1", "--mask", "1", "--result", "1", "--text", std::string(26, 'z')},
       1,
       "The text on true has at most 25 characters: " + std::string(26, 'z')},
      {"panel 17",
       {"fixed", "add", "fiscal", "--panel", "17", "--mask", "1", "--result", "1", "--text", "t"},
       1,
       "The panel number must be 1 to 16: 17"},
      {"mask of five digits",
       {"fixed", "modify", "fiscal", "1", "--mask", "10000"},
       1,
       "The mask must be 1 to 4 hexadecimal digits: 10000"},
      {"unknown colour",
       {"fixed", "modify", "fiscal", "1", "--color", "clPink"},
       1,
       "Unknown colour 'clPink': clBlack ... clWhite, or $ and 8 hexadecimal digits"},
      {"system colour", {"fixed", "modify", "fiscal", "1", "--color", "clBtnFace"}, 1, "Unknown colour 'clBtnFace'"},
      {"no such record",
       {"fixed", "remove", "printer", "1"},
       1,
       "There is no record in [PrinterAnswer], number 1 (it has 0)"},
      {"missing option",
       {"fixed", "add", "fiscal", "--panel", "1", "--mask", "1", "--text", "t"},
       2,
       "quorvel-cli edit: fixed add needs --panel, --mask, --result and --text"},
      {"record number 0",
       {"fixed", "remove", "fiscal", "0"},
       2,
       "quorvel-cli edit: a record number counts from 1, not 0"},
      {"neither fiscal nor printer",
       {"fixed", "remove", "both", "1"},
       2,
       "quorvel-cli edit: fiscal or printer, not both"},
      {"options on remove",
       {"fixed", "remove", "fiscal", "1", "--text", "t"},
       2,
       "quorvel-cli edit: unknown option: --text"},
      {"rc word count",
       {"rc", "add", "8"},
       2,
       "quorvel-cli edit: missing argument\nusage: quorvel-cli edit FILE rc add CODE TEXT"},
      {"unknown family", {"groups", "add"}, 2, "quorvel-cli edit: unknown family: groups"},
  };
  for (const TRefusalCase& c : cases) {
    const std::string path = Write(content);
    std::vector<std::string> args{"edit", path};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const TCliRun run = RunCli(args);
    EXPECT_EQ(run.status, c.status) << c.name;
    EXPECT_TRUE(run.err.starts_with(c.message)) << c.name << ": " << run.err;
    EXPECT_EQ(run.out, "") << c.name;
    EXPECT_EQ(ReadFile(path), content) << c.name;
  }
}

TEST_F(CliEditTables, AMissingFileIsNotCreatedAndARefusedWriteIsReported) {
  const std::string missing = InFolder("missing.qvl");
  TCliRun run = RunCli({"edit", missing, "rc", "add", "1", "One"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "cannot read " + missing + ": No such file or directory\n");
  EXPECT_FALSE(std::filesystem::exists(missing));

  // A file whose folder refuses the temporary file of the replacement, even to the
  // superuser: the link's target is replaced, and /proc takes no new files.
  const std::string link = InFolder("refused.qvl");
  std::filesystem::create_symlink("/proc/version", link);
  const std::string before = ReadFile(link);
  run = RunCli({"edit", link, "rc", "add", "2", "Two"});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.err.starts_with("Unable to write to " + link)) << run.err;
  EXPECT_EQ(ReadFile(link), before);
}

// ---- decode ----

TEST_F(CliEditTables, DecodePrintsThePanelsAsTheTerminalWindowShowsThem) {
  const std::string path = Write(
      "[FiscalAnswer]\r\n"
      "Record1=1,1,0200,0200,\"Memory full\",clRed\r\n"
      "Record2=2,1,0400,0400,\"Memory almost full\",clGreen\r\n"
      "Record3=3,3,0000,0000,\"Always, \"\"quoted\"\"\",$00123456\r\n"
      "Record4=4,2,0000,0001,\"Never\",clRed\r\n"
      "[PrinterAnswer]\r\nRecord1=1,5,8000,0000,\"Not busy\",clBlue\r\n");
  struct Case {
    const char* fiscal;
    const char* printer;
    std::string out;
  };
  const Case cases[] = {
      {"0600", "0",
       "status fiscal=0600 printer=0000\npanel fiscal 1 color=00008000 Memory almost full\n"
       "panel fiscal 3 color=00123456 Always, \"quoted\"\npanel printer 5 color=00FF0000 Not busy\n"},
      {"200", "ffff",
       "status fiscal=0200 printer=FFFF\npanel fiscal 1 color=000000FF Memory full\n"
       "panel fiscal 3 color=00123456 Always, \"quoted\"\n"},
      {"0", "8000", "status fiscal=0000 printer=8000\npanel fiscal 3 color=00123456 Always, \"quoted\"\n"},
  };
  for (const Case& c : cases) {
    const TCliRun run = RunCli({"decode", "--file", path, "--fiscal", c.fiscal, "--printer", c.printer});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, c.out) << c.fiscal << " " << c.printer;
  }
  // Lower-case digits give the same words.
  EXPECT_EQ(RunCli({"decode", "--file", path, "--fiscal", "abcd", "--printer", "0"}).out,
            RunCli({"decode", "--file", path, "--fiscal", "ABCD", "--printer", "0"}).out);
}

TEST_F(CliEditTables, DecodeRefusesBadWordsAndReportsAFileItCannotRead) {
  const std::string path = Write("[FiscalAnswer]\r\nRecord1=1,1,0001,0001,\"A\",clRed\r\n");
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {{"--file", path, "--fiscal", "12345", "--printer", "0"},
       "--fiscal takes 1 to 4 hexadecimal digits, not '12345'"},
      {{"--file", path, "--fiscal", "0", "--printer", "0x1"}, "--printer takes 1 to 4 hexadecimal digits, not '0x1'"},
      {{"--file", path, "--fiscal", "0", "--printer", ""}, "--printer takes 1 to 4 hexadecimal digits, not ''"},
      {{"--file", path, "--fiscal", "0"}, "--file, --fiscal and --printer are required"},
      {{"--file", path, "--fiscal", "0", "--printer", "0", "extra"}, "unexpected argument extra"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"decode"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const TCliRun run = RunCli(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.starts_with(c.message + "\nusage: quorvel-cli decode")) << run.err;
    EXPECT_EQ(run.out, "");
  }
  const std::string missing = InFolder("missing.qvl");
  TCliRun run = RunCli({"decode", "--file", missing, "--fiscal", "0", "--printer", "0"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "cannot read " + missing + ": No such file or directory\n");

  // A record the terminal window could not read either.
  const std::string broken = Write("[PrinterAnswer]\r\nRecord1=1,1,zz,0001,\"A\",clRed\r\n", "broken.qvl");
  run = RunCli({"decode", "--file", broken, "--fiscal", "0", "--printer", "0"});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.err.starts_with("'zz' is not a valid integer value")) << run.err;
  EXPECT_EQ(run.out, "");
}

}  // namespace
