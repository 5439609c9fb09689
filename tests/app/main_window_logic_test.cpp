// What the main window's handlers decide and write, with fakes for the printer list and
// config.ini.
#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "app/app_texts.h"
#include "app/main_window_logic.h"

namespace velin::app {
namespace {

// config.ini in memory: keys are "section/key" as written; reads ignore letter case as the
// profile functions do. With `fail_writes` every write raises the INI layer's error.
class FakeIni final : public IniFile {
 public:
  FakeIni(std::map<std::string, std::string>& values, bool fail_writes, int& writes)
      : IniFile("C:\\Program Files\\Velin\\config.ini"),
        values_(values),
        fail_writes_(fail_writes),
        writes_(writes) {}
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& default_value) override {
    for (const auto& [name, value] : values_) {
      if (Lower(name) == Lower(section + "/" + key)) return value;
    }
    return default_value;
  }
  void WriteString(const std::string& section, const std::string& key,
                   const std::string& value) override {
    if (fail_writes_) throw EIniFileException("Unable to write to " + FileName());
    ++writes_;
    values_[section + "/" + key] = value;
  }

 private:
  static std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  }
  std::map<std::string, std::string>& values_;
  bool fail_writes_;
  int& writes_;
};

struct Fixture {
  std::vector<std::string> installed = {"Label Printer", "velin-capture", "Office"};
  bool list_fails = false;
  std::map<std::string, std::string> ini;
  bool fail_writes = false;
  int writes = 0;
  MainWindowLogic logic{[this] {
                          if (list_fails) throw std::runtime_error("EnumPrinters failed");
                          return installed;
                        },
                        [this] { return std::make_unique<FakeIni>(ini, fail_writes, writes); }};
};

TEST(MainWindowLogic, ShowingListsThePrintersOnceAndSelectsTheBoundOneByExactName) {
  struct Case {
    const char* note;
    std::vector<std::string> installed;
    std::map<std::string, std::string> ini;
    ListState printers;
    int transfer_mode;
  };
  const std::vector<Case> cases = {
      {"no config.ini: nothing bound, CPCL", {"A", "B"}, {}, {{"A", "B"}, -1}, 1},
      {"the bound printer, names and sections in other letter case",
       {"A", "Label Printer", "B"},
       {{"System/Printer", "Label Printer"}, {"SYSTEM/TRANSFER_MODE", "2"}},
       {{"A", "Label Printer", "B"}, 1},
       2},
      {"the name must match in letter case too",
       {"label printer", "Label Printer"},
       {{"system/printer", "Label Printer"}},
       {{"label printer", "Label Printer"}, 1},
       1},
      {"a printer that is no longer installed: all shown, none selected",
       {"A", "B"},
       {{"system/printer", "Gone"}, {"system/transfer_mode", "0"}},
       {{"A", "B"}, -1},
       0},
      {"a name the spooler lists twice is shown once",
       {"A", "B", "A"},
       {{"system/printer", "A"}},
       {{"A", "B"}, 0},
       1},
      {"0x2 reads as 2", {"A"}, {{"system/transfer_mode", "0x2"}}, {{"A"}, -1}, 2},
      {"abc reads as the default", {"A"}, {{"system/transfer_mode", "abc"}}, {{"A"}, -1}, 1},
      {"a mode the list does not have: no entry selected",
       {"A"},
       {{"system/transfer_mode", "7"}},
       {{"A"}, -1},
       -1},
      {"a negative mode likewise", {"A"}, {{"system/transfer_mode", "-1"}}, {{"A"}, -1}, -1},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.installed = c.installed;
    f.ini = c.ini;
    const auto showing = f.logic.GetAllPrinterName();
    ASSERT_TRUE(showing.printers) << c.note;
    EXPECT_EQ(*showing.printers, c.printers) << c.note;
    EXPECT_EQ(showing.transfer_mode, c.transfer_mode) << c.note;
    EXPECT_EQ(f.writes, 0) << c.note << ": showing the window writes nothing";
  }
}

TEST(MainWindowLogic, ShowingTwiceGivesTheSameListNotAGrowingOne) {
  Fixture f;
  f.ini["system/printer"] = "velin-capture";
  const auto first = f.logic.GetAllPrinterName();
  const auto second = f.logic.GetAllPrinterName();
  ASSERT_TRUE(first.printers && second.printers);
  EXPECT_EQ(*second.printers, *first.printers);
  EXPECT_EQ(second.printers->items.size(), 3u);
  EXPECT_EQ(second.printers->selection, 1);
}

TEST(MainWindowLogic, WithoutPrintersTheTransferModeListKeepsItsSelection) {
  Fixture f;
  f.installed.clear();
  f.ini["system/printer"] = "Label Printer";
  f.ini["system/transfer_mode"] = "2";
  const auto showing = f.logic.GetAllPrinterName();
  ASSERT_TRUE(showing.printers);
  EXPECT_EQ(*showing.printers, ListState{});  // printers removed since the last showing go
  EXPECT_FALSE(showing.transfer_mode);        // "CPCL指令" at start stays, whatever is stored
}

TEST(MainWindowLogic, APrinterListThatCannotBeReadLeavesBothListsAlone) {
  Fixture f;
  f.list_fails = true;
  const auto showing = f.logic.GetAllPrinterName();
  EXPECT_FALSE(showing.printers);
  EXPECT_FALSE(showing.transfer_mode);
}

TEST(MainWindowLogic, ClosingThePrinterListWritesTheEntryQuietly) {
  Fixture f;
  EXPECT_EQ(f.logic.PrinterClosedUp(std::string("Label Printer")), std::nullopt);
  EXPECT_EQ(f.ini["system/printer"], "Label Printer");
  EXPECT_EQ(f.logic.PrinterClosedUp(std::nullopt), std::nullopt);  // nothing selected
  EXPECT_EQ(f.writes, 1);
}

TEST(MainWindowLogic, ClosingTheTransferModeListWritesTheIndexAndAsksForARestart) {
  Fixture f;
  const Notice restart{1, kRestartNotice};
  EXPECT_EQ(f.logic.TransferModeClosedUp(2), restart);
  EXPECT_EQ(f.ini["system/transfer_mode"], "2");
  // The same mode again (or the courier list closing): written again, the notice again.
  EXPECT_EQ(f.logic.TransferModeClosedUp(2), restart);
  EXPECT_EQ(f.writes, 2);
  EXPECT_EQ(f.logic.TransferModeClosedUp(0), restart);
  EXPECT_EQ(f.ini["system/transfer_mode"], "0");
  // No entry selected: nothing written, nothing shown.
  EXPECT_EQ(f.logic.TransferModeClosedUp(-1), std::nullopt);
  EXPECT_EQ(f.writes, 3);
}

TEST(MainWindowLogic, AFailedWriteShowsTheErrorAndNoRestartNotice) {
  Fixture f;
  f.fail_writes = true;
  const Notice error{4, "Unable to write to C:\\Program Files\\Velin\\config.ini"};
  EXPECT_EQ(f.logic.TransferModeClosedUp(1), error);
  EXPECT_EQ(f.logic.PrinterClosedUp(std::string("Office")), error);
  EXPECT_TRUE(f.ini.empty());
}

TEST(MainWindowLogic, ProgressTurnsTheRingAndSwitchesTheStateBothWays) {
  const ProgressView found{30, kReceiverFound, kImageReceiverFound};
  const ProgressView missing{40, kReceiverMissing, kImageReceiverMissing};
  EXPECT_EQ(MainWindowLogic::Progress({30, true, "Thread is processing"}), found);
  EXPECT_EQ(MainWindowLogic::Progress({40, false, "Thread is processing"}), missing);
  EXPECT_EQ(MainWindowLogic::Progress({250, false, ""}).ring, 100);  // the ring's range
}

TEST(MainWindowLogic, TheCurrentPageMarksItsNavigationEntryOnly) {
  EXPECT_EQ(MainWindowLogic::NavigationSelected(0), (std::array<bool, 3>{true, false, false}));
  EXPECT_EQ(MainWindowLogic::NavigationSelected(2), (std::array<bool, 3>{false, false, true}));
  EXPECT_EQ(MainWindowLogic::NavigationSelected(-1), (std::array<bool, 3>{false, false, false}));
}

TEST(MsgBoxFlags, KindsZeroToFiveAndNothingElse) {
  // The platform's values: MB_OK 0, MB_OKCANCEL 1, MB_ICONERROR 0x10, MB_ICONQUESTION 0x20,
  // MB_ICONWARNING 0x30, MB_ICONINFORMATION 0x40, MB_DEFBUTTON2 0x100.
  const std::pair<int, std::optional<unsigned>> cases[] = {
      {0, 0x0u},  {1, 0x40u},        {2, 0x121u},       {3, 0x30u},         {4, 0x10u},
      {5, 0x11u}, {6, std::nullopt}, {7, std::nullopt}, {-1, std::nullopt}, {1000, std::nullopt},
  };
  for (const auto& [kind, flags] : cases) EXPECT_EQ(MsgBoxFlags(kind), flags) << kind;
}

}  // namespace
}  // namespace velin::app
