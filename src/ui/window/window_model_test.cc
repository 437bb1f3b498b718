// The window's model without any toolkit: the menu table and the editor's
// rules, as every view of the window uses them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "frame/codepage.h"
#include "support/test_support.h"
#include "ui/window/editor_rules.h"
#include "ui/window/menu.h"

namespace tarvik::ui::window {
namespace {

using namespace command;

// One line per item: the text, "-" for a separator, ">" before a submenu's items.
std::vector<std::string> Flatten(std::span<const MenuItem> items, const std::string& indent = "") {
  std::vector<std::string> out;
  for (const MenuItem& item : items) {
    out.push_back(indent + (item.text.empty() ? "-" : std::string(item.text)));
    for (std::string& line : Flatten(item.submenu, indent + ">")) out.push_back(std::move(line));
  }
  return out;
}

TEST(WindowMenu, TableHoldsEveryItemInOrderWithItsCommand) {
  EXPECT_EQ(Flatten(MenuBar()), (std::vector<std::string>{"&Soubor",
                                                          ">Nový \tCtrl+N",
                                                          ">Otevři\tCtrl+O",
                                                          ">Ulož\tCtrl+S",
                                                          ">Ulož jako...\tCtrl+Alt+S",
                                                          ">-",
                                                          ">Tiskni\tCtrl+P",
                                                          ">-",
                                                          ">&Konec",
                                                          "Editace",
                                                          ">Zpět\tCtrl+Z",
                                                          ">Vyjmi\tCtrl+X",
                                                          ">Kopíruj\tCtrl+C",
                                                          ">Vlož\tCtrl+V",
                                                          ">Smaž\tDel",
                                                          ">Vyber vše",
                                                          ">-",
                                                          ">Najdi\tCtrl+F",
                                                          ">Najdi další\tF3",
                                                          ">Nahraď\tCtrl+R",
                                                          ">-",
                                                          ">Písmo",
                                                          "-",
                                                          "&Proveď",
                                                          "&Akce",
                                                          ">&Komunikuj!",
                                                          ">&Otevři a komunikuj",
                                                          ">&Nastav CMD",
                                                          ">Nastav &IP adresy",
                                                          ">&Datum a čas",
                                                          ">&Verifikuj žurnál",
                                                          ">Grafické logo",
                                                          ">Najdi kasu     Alt/&F",
                                                          ">-",
                                                          "&Nápověda",
                                                          ">&Nápověda",
                                                          ">&O programu"}));
  // Every command but "Proveď"'s has one item; separators and menus none.
  std::multiset<int> commands;
  std::function<void(std::span<const MenuItem>)> collect = [&](std::span<const MenuItem> items) {
    for (const MenuItem& item : items) {
      if (item.command != 0) commands.insert(item.command);
      EXPECT_TRUE(item.command == 0 || item.submenu.empty()) << item.text;
      collect(item.submenu);
    }
  };
  collect(MenuBar());
  EXPECT_EQ(commands.size(), 27u);
  for (int c : commands) EXPECT_EQ(commands.count(c), c == kChooseAndRun ? 2u : 1u) << c;
  EXPECT_EQ(FindItem(kVerifyJournal)->text, "&Verifikuj žurnál");
  EXPECT_EQ(FindItem(12345), nullptr);
  EXPECT_EQ(FindItem(0), nullptr);
}

TEST(WindowMenu, AcceleratorsAreTheEightKeysAndCtrlORunsChooseAndRun) {
  const std::vector<std::pair<Accelerator, int>> expected = {
      {{'N', true, false}, kNew},          {{'S', true, false}, kSave},
      {{'S', true, true}, kSaveAs},        {{'F', true, false}, kFind},
      {{kKeyF3, false, false}, kFindNext}, {{'R', true, false}, kReplace},
      {{'K', true, false}, kRun},          {{'O', true, false}, kChooseAndRun},
  };
  EXPECT_EQ(Accelerators(), expected);
  // No key runs two commands.
  const auto table = Accelerators();
  for (const auto& entry : table) {
    EXPECT_EQ(std::ranges::count(table, entry.first, &std::pair<Accelerator, int>::first), 1)
        << entry.second;
  }
}

TEST(WindowMenu, MnemonicIsTheCharacterAfterTheAmpersand) {
  EXPECT_EQ(Mnemonic("&Soubor"), "S");
  EXPECT_EQ(Mnemonic("Najdi kasu     Alt/&F"), "F");
  EXPECT_EQ(Mnemonic("Nastav &IP adresy"), "I");
  EXPECT_EQ(Mnemonic("&Čas"), "Č");  // a two-byte letter whole
  EXPECT_EQ(Mnemonic("Editace"), "");
  EXPECT_EQ(Mnemonic("trailing&"), "");
}

TEST(WindowMenu, EnablingFollowsBusyStateAndEditor) {
  const MenuItem& run = *FindItem(kRun);
  const MenuItem& logo = *FindItem(kLogo);
  const MenuItem& paste = *FindItem(kPaste);
  const MenuItem& cut = *FindItem(kCut);
  const MenuItem& undo = *FindItem(kUndo);
  const MenuItem& save = *FindItem(kSave);
  MenuState idle;
  MenuState busy;
  busy.busy = true;
  EXPECT_TRUE(Enabled(run, idle));
  EXPECT_FALSE(Enabled(run, busy));
  EXPECT_FALSE(Enabled(logo, idle));  // present but grayed
  EXPECT_TRUE(Enabled(save, busy));
  EXPECT_FALSE(Enabled(paste, idle));
  EXPECT_FALSE(Enabled(cut, idle));
  EXPECT_FALSE(Enabled(undo, idle));
  MenuState editing;
  editing.clipboardHasText = true;
  editing.hasSelection = true;
  editing.canUndo = true;
  EXPECT_TRUE(Enabled(paste, editing) && Enabled(cut, editing) && Enabled(undo, editing));
  EXPECT_TRUE(FollowsEditor(cut.enabling));
  EXPECT_FALSE(FollowsEditor(run.enabling));

  // Work is refused while work runs; the grayed logo stays reachable when idle.
  for (int c :
       {kRun, kChooseAndRun, kFindRegister, kSetCmd, kSetIp, kDateTime, kVerifyJournal, kLogo}) {
    EXPECT_TRUE(MayRun(c, false)) << c;
    EXPECT_FALSE(MayRun(c, true)) << c;
  }
  for (int c : {kNew, kOpen, kSave, kPrint, kFind, kHelp, kAbout, kExit}) {
    EXPECT_TRUE(MayRun(c, true)) << c;
  }
}

TEST(EditorFiles, BytesDecodeByMarkAndKeepTheirLineEnds) {
  const std::u16string czech = u"01,1,7,8,O,650,ERA\nR14;Čas";
  struct Case {
    std::string name;
    std::string bytes;
    std::u16string text;
    std::u16string lineEnd;
  };
  std::string le = "\xFF\xFE";
  std::string be = "\xFE\xFF";
  for (char16_t c : std::u16string(u"A\r\nČ€日")) {
    le += static_cast<char>(c & 0xFF);
    le += static_cast<char>(c >> 8);
    be += static_cast<char>(c >> 8);
    be += static_cast<char>(c & 0xFF);
  }
  const std::vector<Case> cases = {
      {"cp1250 CR LF", frame::W("01,1,7,8,O,650,ERA\r\nR14;Čas"), czech, u"\r\n"},
      {"LF only", frame::W("01,1,7,8,O,650,ERA\nR14;Čas"), czech, u"\n"},
      {"CR only", frame::W("a\rb\r\nc"), u"a\nb\nc", u"\r"},
      {"no line end", "abc", u"abc", u"\r\n"},
      {"up to the zero byte", std::string("ab\0cd", 5), u"ab", u"\r\n"},
      {"unassigned byte", "a\x81", u"a\uFFFD", u"\r\n"},
      // Both marks give the same text; what 1250 lacks becomes "?".
      {"UTF-16 LE", le, u"A\nČ€?", u"\r\n"},
      {"UTF-16 BE", be, u"A\nČ€?", u"\r\n"},
      {"UTF-16 up to the zero unit",
       std::string("\xFF\xFE"
                   "a\0\0\0b\0",
                   8),
       u"a", u"\r\n"},
      {"a mark alone", "\xFF\xFE", u"", u"\r\n"},
      {"UTF-16 without a mark is raw bytes", std::string("a\0b\0", 4), u"a", u"\r\n"},
  };
  for (const Case& c : cases) {
    const EditorText text = DecodeEditorFile(c.bytes);
    EXPECT_EQ(text.text, c.text) << c.name;
    EXPECT_EQ(text.lineEnd, c.lineEnd) << c.name;
  }
  EXPECT_EQ(EncodeEditorFile({czech, u"\r\n"}), frame::W("01,1,7,8,O,650,ERA\r\nR14;Čas"));
  EXPECT_EQ(EncodeEditorFile({u"a\nb\n", u"\r"}), "a\rb\r");
  EXPECT_EQ(EncodeEditorFile({u"日\u2028x", u"\n"}), "??x");
  EXPECT_EQ(NormaliseLineBreaks(u"a\r\nb\rc\n"), u"a\nb\nc\n");
}

TEST(EditorFiles, LoadsUpTo32000BytesAndSavesWhatItLoaded) {
  const std::filesystem::path dir = tarvik::testing::MakeTempDirectory("editor");
  EditorText text;
  tarvik::testing::WriteBinary(dir / "full.cmd", std::string(32000, 'x'));
  ASSERT_EQ(LoadEditorFile(dir / "full.cmd", &text), LoadResult::kLoaded);
  EXPECT_EQ(text.text.size(), 32000u);
  tarvik::testing::WriteBinary(dir / "over.cmd", std::string(32001, 'x'));
  EXPECT_EQ(LoadEditorFile(dir / "over.cmd", &text), LoadResult::kTooLarge);
  EXPECT_EQ(LoadEditorFile(dir / "missing.cmd", &text), LoadResult::kUnreadable);

  const std::string bytes = frame::W("01,1,7,8,O,650,ERA\nR14;Čas\n");
  tarvik::testing::WriteBinary(dir / "lf.cmd", bytes);
  ASSERT_EQ(LoadEditorFile(dir / "lf.cmd", &text), LoadResult::kLoaded);
  ASSERT_TRUE(SaveEditorFile(dir / "copy.cmd", text));
  EXPECT_EQ(tarvik::testing::ReadBinary(dir / "copy.cmd"), bytes);
  EXPECT_FALSE(SaveEditorFile(dir / "no" / "such.cmd", text));
  std::filesystem::remove_all(dir);
}

TEST(EditorLimit, LineEndsCountWithTheirBytes) {
  EXPECT_EQ(CostOf(u"ab\ncd", 2), 6);
  EXPECT_EQ(CostOf(u"ab\ncd", 1), 5);
  EXPECT_EQ(CostOf(u"a\u2029b", 2), 4);
  // 31,998 characters leave room for two: one CR LF, or two letters.
  EXPECT_EQ(Fitting(u"\nx", 31998, 0, 2), 1u);
  EXPECT_EQ(Fitting(u"xyz", 31998, 0, 2), 2u);
  EXPECT_EQ(Fitting(u"xyz", 31998, 0, 1), 2u);
  // What a selection costs is given back.
  EXPECT_EQ(Fitting(u"xyz", 32000, 3, 2), 3u);
  EXPECT_EQ(Fitting(u"x", 32000, 0, 2), 0u);
}

// A string standing in for the editor control.
class StringEditor final : public EditableText {
 public:
  explicit StringEditor(std::u16string text) : text_(std::move(text)) {}
  std::u16string Text() const override { return text_; }
  void Select(std::size_t start, std::size_t end) override {
    start_ = start;
    end_ = end;
  }
  std::size_t ReplaceSelection(std::u16string_view text) override {
    const std::size_t n = std::min(text.size(), room);
    text_.replace(start_, end_ - start_, text.substr(0, n));
    end_ = start_ + n;
    return n;
  }
  std::u16string text_;
  std::size_t start_ = 0;
  std::size_t end_ = 0;
  std::size_t room = 1000;
};

TEST(EditorSearch, FindsForwardCaseSensitiveFromThePosition) {
  StringEditor editor(u"R03;P\nr03;p\nR03;Q");
  TextSearch search;
  EXPECT_TRUE(search.FindNext(editor, u"R03"));
  EXPECT_EQ(std::pair(editor.start_, editor.end_), std::pair(std::size_t{0}, std::size_t{3}));
  EXPECT_TRUE(search.FindNext(editor, u"R03"));  // the lower-case line is passed
  EXPECT_EQ(editor.start_, 12u);
  EXPECT_FALSE(search.FindNext(editor, u"R03"));
  EXPECT_EQ(search.Position(), 15u);
  EXPECT_FALSE(search.FindNext(editor, u""));
  // The menu starts again at the end of the selection.
  search.StartAt(1);
  EXPECT_TRUE(search.FindNext(editor, u"P\nr"));
  EXPECT_EQ(editor.start_, 4u);
  search.StartAt(500);
  EXPECT_FALSE(search.FindNext(editor, u"R"));
}

TEST(EditorSearch, ReplaceMovesBehindTheReplacementAndReplaceAllStops) {
  StringEditor editor(u"aaa");
  TextSearch search;
  EXPECT_TRUE(search.ReplaceAll(editor, u"a", u"aa"));
  EXPECT_EQ(editor.text_, u"aaaaaa");
  EXPECT_FALSE(search.ReplaceAll(editor, u"a", u"aa"));

  StringEditor one(u"x;x;x");
  search.StartAt(0);
  EXPECT_TRUE(search.ReplaceNext(one, u"x", u"yy"));
  EXPECT_EQ(one.text_, u"yy;x;x");
  EXPECT_EQ(search.Position(), 2u);
  // A replacement cut by the size limit moves the position by what went in.
  one.room = 1;
  EXPECT_TRUE(search.ReplaceNext(one, u"x", u"zz"));
  EXPECT_EQ(one.text_, u"yy;z;x");
  EXPECT_EQ(search.Position(), 4u);
}

TEST(EditorPrint, LinesAreCutAndPagesOrderedByCollation) {
  const PageLayout layout = MeasurePage(800, 250, 10, 60);
  EXPECT_EQ(layout.charactersPerLine, 80);
  EXPECT_EQ(layout.linesPerPage, 4);
  EXPECT_EQ(MeasurePage(800, 10, 0, 0).linesPerPage, 10);  // never divides by zero
  EXPECT_EQ(MeasurePage(800, 10, 10, 60).linesPerPage, 1);
  EXPECT_EQ(PageCount(9, 4), 3);
  EXPECT_EQ(PageCount(8, 4), 2);
  EXPECT_EQ(PageCount(0, 4), 0);
  EXPECT_EQ(PrintOrder(2, 2, true), (std::vector<int>{0, 1, 0, 1}));
  EXPECT_EQ(PrintOrder(2, 2, false), (std::vector<int>{0, 0, 1, 1}));
  EXPECT_EQ(PrintOrder(2, 0, false), (std::vector<int>{0, 1}));

  const std::u16string longLine(130, u'x');
  const std::u16string text = u"a\n" + longLine + u"\nb\nc\nd";
  const std::vector<std::u16string_view> lines = SplitLines(text);
  ASSERT_EQ(lines.size(), 5u);
  const std::vector<std::u16string_view> first = PageLines(lines, 0, layout);
  ASSERT_EQ(first.size(), 4u);
  EXPECT_EQ(first[1], std::u16string(80, u'x'));
  EXPECT_EQ(PageLines(lines, 1, layout), (std::vector<std::u16string_view>{u"d"}));
  EXPECT_EQ(SplitLines(u"").size(), 1u);
}

TEST(WindowTitles, NameWithoutFolderOrUntitled) {
  EXPECT_EQ(WindowTitle(""), "Komunikace Tarvik - (bez názvu)");
  EXPECT_EQ(WindowTitle("/home/k/prodej.cmd"), "Komunikace Tarvik - prodej.cmd");
  EXPECT_EQ(WindowTitle("C:\\TARVIK\\PRODEJ.CMD"), "Komunikace Tarvik - PRODEJ.CMD");
  EXPECT_EQ(FileMessage(kCannotWrite, "/x/a.cmd"), "Nelze zapsat soubor a.cmd");
  EXPECT_EQ(FileMessage(kAskSaveChanges, ""), "Mám uložit změny provedené v souboru (bez názvu)?");
}

}  // namespace
}  // namespace tarvik::ui::window
