#include "frame/setting_tables.h"

#include <gtest/gtest.h>

#include <set>

#include "frame/settings.h"
#include "frame/usage.h"
#include "support/test_support.h"

namespace tarvik::frame {
namespace {

// The tables are what the reference documents; these tests hold them to what
// the program does.
class SettingTables : public testing::ProgramFixture {
 protected:
  // The switches as given, the fixture's folder as the program directory.
  void Parse(const std::string& switches) {
    const Paths paths = program_->paths;
    std::vector<std::string> argv = {"tarvik", "job"};
    if (!switches.empty()) argv.insert(argv.begin() + 1, switches);
    ParseCommandLine(*program_, argv);
    program_->paths = paths;
  }
  void StartJob(const std::string& switches = "") {
    Parse(switches);
    InitSettings(*program_);
  }
};

TEST_F(SettingTables, DocumentedDefaultsAreTheSettingsOfAJobWithoutIni) {
  StartJob();
  ASSERT_EQ(program_->settings.iniFileFound, 0);
  for (const IniKey& key : IniKeys()) {
    SCOPED_TRACE(std::string(key.name));
    EXPECT_EQ(key.current(program_->settings), key.defaultValue);
  }
}

// A line naming one key alone changes exactly what the table says the key
// sets, unless a switch of its mark was given.
TEST_F(SettingTables, EveryKeySetsItsOwnSettingAndYieldsToItsSwitch) {
  for (const IniKey& key : IniKeys()) {
    SCOPED_TRACE(std::string(key.name));
    std::string value;
    switch (key.kind) {
      case IniValueKind::kText:
        value = "ab";
        break;
      case IniValueKind::kCharacter:
        value = "|";
        break;
      case IniValueKind::kSwitch:
        value = key.defaultValue == "0" ? "1" : "0";
        break;
      case IniValueKind::kInteger:
        value = "7";
        break;
    }
    WriteFile("tarvik.ini", std::string(key.name) + "=" + value + "\r\n");
    StartJob();
    EXPECT_EQ(key.current(program_->settings), key.used ? value : "");
    if (!key.mark) continue;

    for (const CommandLineSwitch& sw : CommandLineSwitches()) {
      if (sw.mark != key.mark || sw.off.empty()) continue;
      StartJob(std::string(sw.off));
      EXPECT_EQ(key.current(program_->settings), "0");
    }
  }
}

TEST_F(SettingTables, MarkedSwitchesAndKeysNameEachOther) {
  std::set<std::string_view> keys;
  for (const IniKey& key : IniKeys()) {
    EXPECT_TRUE(keys.insert(key.name).second) << key.name;
    if (!key.mark) continue;
    bool named = false;
    for (const CommandLineSwitch& sw : CommandLineSwitches()) {
      if (sw.mark == key.mark) named = named || sw.setting == key.name;
    }
    EXPECT_TRUE(named) << key.name << " has a mark but no switch of that setting";
  }
  for (const CommandLineSwitch& sw : CommandLineSwitches()) {
    if (sw.mark) {
      EXPECT_TRUE(keys.contains(sw.setting)) << sw.on;
    }
  }
}

// --help lists the switches in its own words, in both languages.
TEST(Usage, NamesEverySwitchOfTheTable) {
  for (bool czech : {false, true}) {
    const std::string usage = UsageText(czech);
    for (const CommandLineSwitch& sw : CommandLineSwitches()) {
      EXPECT_NE(usage.find("\n  " + std::string(sw.on) + " "), std::string::npos)
          << sw.on << (czech ? " (cs)" : " (en)");
    }
  }
}

}  // namespace
}  // namespace tarvik::frame
