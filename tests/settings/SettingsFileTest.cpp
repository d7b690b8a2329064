// The settings file: the writer's exact bytes, the reader's rules (names in any case, blanks,
// first entry wins, comments, line ends, UTF-8), the read defaults against an unopenable file,
// and the palette's hexadecimal values.
#include <gtest/gtest.h>

#include <filesystem>

#include "settings/SettingsFile.h"
#include "tests/TempDir.h"

namespace tavolin {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kDefaultFile =
    "/* Tavolin Settings v0.5 */'\r\n[Config]\r\nComNr=6\r\nFT232R=0\r\nUseRTS=0\r\nBinPath=\r\n"
    "AutoDis=1\r\nVKeys=0\r\nTxtCurs=1\r\nMsMoveOff=1\r\nBaudRate=0\r\nCRmode=0\r\nRows=25\r\n"
    "Cols=80\r\nAutoload=\r\nInversScreenshot=0\r\nWindowScale=1.000000\r\n[Colors]\r\n"
    "pal_0=#FFFFFF\r\npal_1=#FFFF00\r\npal_2=#0000FF\r\npal_3=#FF00FF\r\npal_4=#FF0000\r\n"
    "pal_5=#00FF00\r\npal_6=#00FFFF\r\npal_7=#C0C0C0\r\n";

// Every value other than both its start-up and its read default.
Settings Unusual() {
  Settings s;
  s.ComNr = 12;
  s.FT232R = 2;
  s.UseRTS = 1;
  s.BinPath = "/home/me/p1/";
  s.VKeys = 1;
  s.TxtCurs = 0;
  s.MsMoveOff = 0;
  s.BaudRate = 4;
  s.CRmode = 1;
  s.Rows = 40;
  s.Cols = 100;
  s.Autoload = "boot.binary";
  s.InversScreenshot = 1;
  s.WindowScale = 1.25f;
  s.palette = {1, 2, 3, 4, 5, 6, 7, 0xABCDEF};
  return s;
}

class SettingsFileTest : public ::testing::Test {
 protected:
  std::string Write(std::string_view bytes, const char* name = "t.ini") {
    return dir_.Write(name, std::string(bytes));
  }
  // Reads text as a file over the start-up values.
  Settings Read(std::string_view text) {
    Settings s;
    mode_ = 7;
    EXPECT_TRUE(LoadSettingsFile(Write(text), s, mode_));
    return s;
  }

  testing::TempDir dir_;
  std::int32_t mode_ = 0;
};

TEST_F(SettingsFileTest, DefaultSettingsAreSavedByteForByte) {
  const std::string path = dir_.File("Tavolin2.ini");
  SaveSettingsFile(path, Settings{}, true);
  EXPECT_EQ(testing::TempDir::Read(path), kDefaultFile);
}

// The keys an older version does not know are written after its fifteen, and only when they hold
// something else than their defaults; a file of the older version reads them as the defaults.
TEST_F(SettingsFileTest, NewKeysAppearOnlyWhenSetAndOlderFilesReadAsBefore) {
  Settings fast;
  fast.TermBaud = 921600;
  fast.P2LoadBaud = 230400;
  const std::string text = FormatSettingsFile(fast, true);
  std::string expected(kDefaultFile);
  expected.insert(expected.find("[Colors]"), "TermBaud=921600\r\nP2LoadBaud=230400\r\n");
  EXPECT_EQ(text, expected) << "the older keys keep their lines and order; BaudRate stays 0";
  EXPECT_EQ(FormatSettingsFile(Read(text), true), text);

  Settings older = fast;
  std::int32_t mode = 0;
  ASSERT_TRUE(LoadSettingsFile(Write(kDefaultFile), older, mode));
  EXPECT_EQ(older.TermBaud, 0);
  EXPECT_EQ(older.P2LoadBaud, 2000000);
}

TEST_F(SettingsFileTest, SaveWritesCheckMarkEmptyAutoloadAndCutPalette) {
  Settings s;
  s.AutoDis = 1;
  s.Autoload = "C:\\boot.binary";
  s.WindowScale = 1.5f;
  s.ComNr = -3;
  s.palette[2] = 0xFF;
  s.palette[3] = 0x12345678;
  s.palette[4] = 0;
  s.BinPath = "C:\\Pr\xFCm\\";
  const std::string text = FormatSettingsFile(s, false);
  for (const char* line : {"\r\nAutoDis=0\r\n", "\r\nAutoload=\r\n", "\r\nWindowScale=1.500000\r\n",
                           "\r\nComNr=-3\r\n", "\r\npal_2=#0000FF\r\n", "\r\npal_3=#123456\r\n",
                           "\r\npal_4=#000000\r\n", "\r\nBinPath=C:\\Pr\xFCm\\\r\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
}

TEST_F(SettingsFileTest, LineBreakInAFolderNameCannotSetOtherKeys) {
  Settings s;
  s.BinPath = "/tmp/x\nAutoDis=1\r\nComNr=99\n";
  s.ComNr = 4;
  Settings back;
  ASSERT_TRUE(LoadSettingsFile(Write(FormatSettingsFile(s, false)), back, mode_));
  EXPECT_EQ(back.BinPath, "/tmp/x");
  EXPECT_EQ(back.ComNr, 4);
  EXPECT_EQ(back.AutoDis, 0);
}

// The old file is replaced whole, keeps its permissions and leaves nothing beside it, even when a
// save cut short earlier left its new file behind; a file that cannot be created says why.
TEST_F(SettingsFileTest, SaveReplacesAnOldFileAndReportsAnUncreatableOne) {
  const std::string path = Write(std::string(5000, 'x'));
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
  const fs::perms kept = fs::status(path).permissions();
  dir_.Write("t.ini.new", "left over");
  EXPECT_EQ(SaveSettingsFile(path, Settings{}, true), "");
  EXPECT_EQ(testing::TempDir::Read(path), kDefaultFile);
  EXPECT_EQ(fs::status(path).permissions(), kept);
  EXPECT_FALSE(fs::exists(path + ".new"));
  EXPECT_NE(SaveSettingsFile(dir_.File("no-such-dir/t.ini"), Settings{}, true), "");
  EXPECT_FALSE(fs::exists(dir_.File("no-such-dir")));
}

TEST_F(SettingsFileTest, SaveAfterLoadWritesTheSameValues) {
  const std::string first = FormatSettingsFile(Unusual(), true);
  Settings back;
  ASSERT_TRUE(LoadSettingsFile(Write(first), back, mode_));
  EXPECT_EQ(FormatSettingsFile(back, back.AutoDis != 0), first);
  EXPECT_EQ(mode_, 0);
}

TEST_F(SettingsFileTest, ReaderRulesForNamesBlanksAndRepeats) {
  struct Case {
    const char* text;
    int comNr;
    int rows;
  };
  const Case cases[] = {
      {"[CONFIG]\r\ncomnr=3\r\n", 3, 25},
      {"[config]\r\n  \tCOMNR\t =  4\r\nRows = 30\r\n", 4, 30},
      {"[Config]\r\nComNr=5\r\nComNr=9\r\n", 5, 25},
      {"ComNr=8\r\n[Config]\r\n", 6, 25},  // before the first group
      {"[Config]\r\n;ComNr=2\r\n  ; Rows=3\r\nComNr=3 ;old\r\n", 3, 25},
      {"[Config]\r\nComNr=1\r\n[Colors]\r\nRows=9\r\n", 1, 25},  // Rows belongs to Colors
      {"[Config]\r\nComNr=1\r\n[Config]\r\nComNr=2\r\nRows=9\r\n", 1, 25},  // first group only
      {"[Config] trailing\r\nComNr\r\nRows=\r\n", 0, 0},  // no "=" or no digits give 0
      {"[Config\r\nComNr=2\r\n", 2, 25},                  // the name runs to the line end
      {"[ Config]\r\nComNr=2\r\n", 6, 25},                // blanks in names count
      {"[Config]\r\nCom Nr=2\r\n", 6, 25},
  };
  for (const Case& c : cases) {
    const Settings s = Read(c.text);
    EXPECT_EQ(s.ComNr, c.comNr) << c.text;
    EXPECT_EQ(s.Rows, c.rows) << c.text;
  }
  EXPECT_FLOAT_EQ(Read("[Config]\nWindowScale=abc\n").WindowScale, 0.0f) << "not the default";
  EXPECT_TRUE(std::isinf(Read("[Config]\nWindowScale=1e300\n").WindowScale)) << "beyond a float";
}

TEST_F(SettingsFileTest, StringsAreTrimmedButKeepSemicolons) {
  const Settings s =
      Read("[Config]\nBinPath =  \t C:\\bin folder\\ ;old \t\nAutoload=\tx.binary \n");
  EXPECT_EQ(s.BinPath, "C:\\bin folder\\ ;old");
  EXPECT_EQ(s.Autoload, "x.binary");
}

TEST_F(SettingsFileTest, LineEndsOfAnyKindReadTheSame) {
  const auto file = [](const char* eol) {
    std::string text;
    for (const char* line : {"/* Tavolin Settings v0.5 */'", "[Config]", "ComNr=3", "Rows=30",
                             "BinPath=/x/", "WindowScale=2.5", "[Colors]", "pal_1=#123456"}) {
      text += std::string(line) + eol;
    }
    return text;
  };
  const std::string crlf = FormatSettingsFile(Read(file("\r\n")), true);
  EXPECT_NE(crlf.find("\r\nRows=30\r\n"), std::string::npos) << crlf;
  for (const char* eol : {"\n", "\r", "\r\n\r\n\n", "\n\r"}) {
    EXPECT_EQ(FormatSettingsFile(Read(file(eol)), true), crlf) << eol;
  }
}

// Only the port number, the folder and the palette keep what they held before.
TEST_F(SettingsFileTest, MissingKeysOfAnOpenedFileTakeTheReadDefaults) {
  Settings s = Unusual();
  mode_ = 0;
  ASSERT_TRUE(LoadSettingsFile(Write("/* Tavolin Settings v0.5 */'\r\n[Config]\r\n"), s, mode_));
  Settings expected;
  expected.ComNr = Unusual().ComNr;
  expected.FT232R = 1;
  expected.BaudRate = 1;
  expected.BinPath = Unusual().BinPath;
  expected.palette = Unusual().palette;
  EXPECT_EQ(FormatSettingsFile(s, true), FormatSettingsFile(expected, true));
  EXPECT_EQ(s.AutoDis, 0);
  EXPECT_EQ(mode_, 1);
}

TEST_F(SettingsFileTest, FilesThatCannotBeOpenedChangeNothing) {
  std::string big = "[Config]\r\nComNr=3\r\n";
  big.resize(kMaxSettingsFileBytes + 1, ' ');
  fs::create_directories(dir_.File("folder.ini"));
  const std::string paths[] = {dir_.File("missing.ini"), dir_.File("folder.ini"),
                               Write(big, "big.ini"), ""};
  for (const std::string& path : paths) {
    Settings s;
    s.Rows = 0;
    mode_ = 5;
    EXPECT_FALSE(LoadSettingsFile(path, s, mode_)) << path;
    Settings expected;
    expected.Rows = 0;
    EXPECT_EQ(FormatSettingsFile(s, true), FormatSettingsFile(expected, true)) << path;
    EXPECT_EQ(mode_, 5);
  }
  big.resize(kMaxSettingsFileBytes);  // the largest file that is still read
  Settings s;
  EXPECT_TRUE(LoadSettingsFile(Write(big, "limit.ini"), s, mode_));
  EXPECT_EQ(s.ComNr, 3);
}

// A palette value drops its first character and reads the rest as hexadecimal digits, each
// shifting the value on; other characters are skipped.
TEST_F(SettingsFileTest, PaletteValuesDropTheirFirstCharacter) {
  struct Case {
    const char* value;  // nullptr: no pal_0 line at all
    std::uint32_t entry;
  };
  const Case cases[] = {
      {"#C0C0C0", 0xC0C0C0},
      {"FF00FF", 0xF00FF},
      {"#", 0},
      {"", 0xFFFFFF},
      {nullptr, 0xFFFFFF},
      {"#123456789", 0x23456789},
      {"  #00FF00  ", 0x00FF00},
      {"#12 34", 0x1234},
      {"#xyz", 0},
      {"#0x1F", 0x1F},
      {"#G1", 1},
      {"#aBcDeF", 0xABCDEF},
      {"#FFFFFFFF", 0xFFFFFFFF},
      {"#FFFFFFFFF", 0xFFFFFFFF},
  };
  for (const Case& c : cases) {
    std::string text = "[Colors]\r\n";
    if (c.value != nullptr) text += std::string("pal_0=") + c.value + "\r\n";
    EXPECT_EQ(Read(text).palette[0], c.entry) << (c.value ? c.value : "(none)");
  }
}

TEST_F(SettingsFileTest, Utf8FileWithByteOrderMark) {
  struct Case {
    const char* value;    // UTF-8 as written in the file
    const char* binPath;  // what arrives (bytes 0..255)
  };
  const Case cases[] = {
      {"C:\\Pr\xC3\xBCm\\", "C:\\Pr\xFCm\\"},
      {"\xC3\xBFz", "\xFFz"},
      {"ab\xE2\x82\xACxy", "ab"},      // stops before the euro sign (U+20AC)
      {"ab \t\xE2\x82\xAC xy", "ab"},  // and drops the blanks before it
      {"\xE2\x82\xAC", ""},
      {"ab\xC3xy", ""},            // malformed: empty
      {"ab\xC0\xAF", ""},          // overlong: empty
      {"ab\xE2\x82\xAC\xFF", ""},  // malformed after the stop still counts
      {"plain", "plain"},
  };
  for (const Case& c : cases) {
    const Settings s =
        Read(std::string("\xEF\xBB\xBF/* Tavolin Settings v0.5 */'\r\n[Config]\r\nComNr=4\r\n") +
             "BinPath=" + c.value + "\r\n[Colors]\r\npal_2=#00FF00\r\n");
    EXPECT_EQ(s.BinPath, c.binPath) << c.value;
    EXPECT_EQ(s.ComNr, 4);
    EXPECT_EQ(s.palette[2], 0x00FF00u);
  }
  // Without the mark the bytes are taken as they stand.
  EXPECT_EQ(Read("[Config]\nBinPath=Pr\xC3\xBCm\n").BinPath, "Pr\xC3\xBCm");
  // A group line right after the mark is found.
  EXPECT_EQ(Read("\xEF\xBB\xBF[Config]\nComNr=9\n").ComNr, 9);
}

// What was loaded and saved loads and saves again to the same bytes, whatever odd values the
// first file held.
TEST_F(SettingsFileTest, LoadSaveLoadGivesTheSameFile) {
  const char* const files[] = {
      "\xEF\xBB\xBF[Config]\r\nBinPath=C:\\x  \xE2\x82\xAC\\y\r\n",
      "\xEF\xBB\xBF[Config]\r\nBinPath=\xC3\xBC \xF0\x9F\x98\x80\r\n",
      "[Config]\r\nWindowScale=0xinf\r\n",
      "[Config]\r\nWindowScale=inf\r\n",
      "[Config]\r\nWindowScale=-nan\r\n",
      "[Config]\r\nWindowScale=1e400\r\nRows=-5\r\nCols=99999999999\r\n",
      "[Config]\r\nWindowScale=0x1.8p1\r\n",
      "[Config]\r\nBinPath=  padded\t \r\nComNr= 3x\r\n",
  };
  for (const char* text : files) {
    Settings first;
    std::int32_t mode = 0;
    ASSERT_TRUE(LoadSettingsFile(Write(text), first, mode));
    const std::string saved = dir_.File("saved.ini");
    SaveSettingsFile(saved, first, false);
    const std::string once = testing::TempDir::Read(saved);
    Settings second;
    ASSERT_TRUE(LoadSettingsFile(saved, second, mode));
    SaveSettingsFile(saved, second, false);
    EXPECT_EQ(testing::TempDir::Read(saved), once) << text;
    EXPECT_EQ(once.find("inf"), std::string::npos) << text;
    EXPECT_EQ(once.find("nan"), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace tavolin
