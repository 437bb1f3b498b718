#include "ui/win32/command_editor.h"

#include <gtest/gtest.h>

#include "support/win32_window_test_support.h"
#include "ui/win32/print_job.h"
#include "ui/win32/text.h"

namespace tarvik::ui::win32 {
namespace {

using namespace window::command;

class CommandEditorTest : public testing::WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    if (HasFatalFailure()) return;
    ShowWindow();
    window_->RunCommand(kNew);
  }
  void SetClipboard(const std::wstring& text) {
    ASSERT_TRUE(OpenClipboard(window_->Handle()));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    auto* units = static_cast<wchar_t*>(GlobalLock(memory));
    std::copy(text.c_str(), text.c_str() + text.size() + 1, units);
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
  }
};

TEST_F(CommandEditorTest, PastingIsCutToTheLimitWithLineEndsCountedAsSaved) {
  CommandEditor& editor = window_->Editor();
  int beeps = 0;
  editor.SetBeep([&] { ++beeps; });
  editor.ReplaceSelection(std::u16string(31996, u'a'));
  ASSERT_EQ(editor.Length(), 31996);
  // CR LF costs two: "b", a line end and "c" fit, "d" does not.
  SetClipboard(L"b\r\ncd");
  window_->RunCommand(kPaste);
  EXPECT_EQ(editor.Length(), 32000);
  EXPECT_EQ(editor.Text().substr(31996), u"b\nc");
  EXPECT_EQ(beeps, 1);
  // Shift+Insert, which the control handles without a WM_PASTE, is cut too.
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
  SendMessageW(editor.Handle(), WM_KEYDOWN, VK_INSERT, 1);
  keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  EXPECT_EQ(editor.Length(), 32000);
  EXPECT_EQ(beeps, 2);
  // Replacing a selection frees its room first.
  editor.Select(0, 2);
  SetClipboard(L"xyz");
  window_->RunCommand(kPaste);
  EXPECT_EQ(editor.Text().substr(0, 3), u"xya");
  EXPECT_EQ(beeps, 3);
}

TEST_F(CommandEditorTest, ReplacingMapsPositionsAcrossLineEnds) {
  CommandEditor& editor = window_->Editor();
  editor.ReplaceSelection(u"R03;A\nR03;B\nR03;C");
  editor.Select(0, 0);
  editor.StoreSearchPosition();
  ASSERT_TRUE(editor.ReplaceNext(u"R03", u"V10"));
  ASSERT_TRUE(editor.FindNext(u"R03"));
  EXPECT_EQ(editor.Selection(), (std::pair<std::size_t, std::size_t>{6, 9}));
  EXPECT_TRUE(editor.ReplaceAll(u";", u";;"));
  EXPECT_EQ(editor.Text(), u"V10;A\nR03;;B\nR03;;C");
  EXPECT_EQ(editor.SavedBytes(), "V10;A\r\nR03;;B\r\nR03;;C");
}

// Pages as a printer would get them; no printer exists under test, so the
// device context's side is left to PrinterSink.
class RecordingSink final : public PageSink {
 public:
  int Width() const override { return 100; }  // 10 characters of 10 units
  int Height() const override { return 35; }  // 3 lines of 10 units
  int AverageCharWidth() const override { return 10; }
  int LineHeight() const override { return 10; }
  bool StartPage() override {
    pages.emplace_back();
    return true;
  }
  void Line(int, std::u16string_view text) override { pages.back().emplace_back(text); }
  bool EndPage() override { return true; }
  std::vector<std::vector<std::u16string>> pages;
};

TEST(PrintPages, LinesAreCutAndPagesComeInTheOrderOfTheCopies) {
  RecordingSink sink;
  ASSERT_TRUE(PrintPages(sink, u"1234567890abc\n2\n3\n4", 2, false, nullptr));
  using Page = std::vector<std::u16string>;
  const Page first{u"1234567890", u"2", u"3"};
  const Page second{u"4"};
  EXPECT_EQ(sink.pages, (std::vector<Page>{first, first, second, second}));
  RecordingSink collated;
  ASSERT_TRUE(PrintPages(collated, u"1234567890abc\n2\n3\n4", 2, true, nullptr));
  EXPECT_EQ(collated.pages, (std::vector<Page>{first, second, first, second}));
}

// However the cancel box is dismissed, printing stops after the page being made.
TEST_F(CommandEditorTest, AnyDismissalOfThePrintBoxCancels) {
  const std::vector<std::function<void(HWND)>> dismissals = {
      [](HWND box) { SendMessageW(box, WM_COMMAND, IDCANCEL, 0); },
      [](HWND box) { PostMessageW(box, WM_CLOSE, 0, 0); },
      [](HWND box) { PostMessageW(GetDlgItem(box, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 1); },
  };
  for (std::size_t i = 0; i < dismissals.size(); ++i) {
    SCOPED_TRACE(i);
    PrintCancelBox box;
    ASSERT_TRUE(box.Show(window_->Handle(), L"Komunikace Tarvik - x.cmd"));
    EXPECT_FALSE(IsWindowEnabled(window_->Handle()));
    dismissals[i](box.Handle());
    RecordingSink sink;
    EXPECT_FALSE(PrintPages(sink, u"1\n2\n3\n4\n5\n6\n7", 1, true, &box));
    EXPECT_EQ(sink.pages.size(), 1u);
    EXPECT_TRUE(box.Cancelled());
    EXPECT_TRUE(IsWindowEnabled(window_->Handle()));
  }
  PrintCancelBox kept;
  ASSERT_TRUE(kept.Show(window_->Handle(), L"x"));
  RecordingSink sink;
  EXPECT_TRUE(PrintPages(sink, u"1\n2\n3\n4", 1, true, &kept));
  kept.Finish();
  EXPECT_EQ(sink.pages.size(), 2u);
  EXPECT_TRUE(IsWindowEnabled(window_->Handle()));
}

}  // namespace
}  // namespace tarvik::ui::win32
