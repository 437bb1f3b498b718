#include "ui/qt/command_editor.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QPrinter>
#include <QStringEncoder>
#include <QTest>
#include <QTimer>
#include <functional>

#include "frame/codepage.h"
#include "screen/front_end.h"
#include "ui/qt/dialogs.h"
#include "support/qt_test_support.h"

namespace tarvik::ui::qt {
namespace {

// The editor on its own; the fixture lends it the program directory and the
// scripted dialogs.
class EditorTest : public testing::WindowFixture {
 protected:
  EditorTest() : editor_(dialogs_) {
    editor_.resize(600, 300);
    editor_.show();
  }
  // Writes the file and loads it into the editor.
  bool Load(const std::string& name, const std::string& bytes) {
    WriteFile(name, bytes);
    return editor_.LoadFile(QPath(name));
  }
  QString Text() const { return editor_.toPlainText(); }

  CommandEditor editor_;
};

// The text in UTF-16 of either byte order, with a byte order mark in front.
std::string Utf16(const QString& text, bool bigEndian) {
  QStringEncoder encode(bigEndian ? QStringConverter::Utf16BE : QStringConverter::Utf16LE,
                        QStringConverter::Flag::WriteBom);
  return QByteArray(encode(text)).toStdString();
}

TEST_F(EditorTest, Utf16FilesOfBothByteOrdersLoadAsTheSameText) {
  const QString text = "01,1,7,8,O,650,ERA\r\nR14;Čas €\r\n";
  for (bool bigEndian : {false, true}) {
    ASSERT_TRUE(Load("utf16.cmd", Utf16(text, bigEndian)));
    EXPECT_EQ(editor_.SavedBytes(), frame::W("01,1,7,8,O,650,ERA\r\nR14;Čas €\r\n"));
    EXPECT_EQ(Text(), "01,1,7,8,O,650,ERA\nR14;Čas €\n");
  }
  // Without a mark the bytes are taken as they are, up to the first zero.
  ASSERT_TRUE(Load("raw.cmd", Utf16("AB", false).substr(2)));
  EXPECT_EQ(Text(), "A");
  ASSERT_TRUE(Load("cp1250.cmd", std::string("\x8A\xE8\x0A\x00zbytek", 10)));
  EXPECT_EQ(Text(), "Šč\n");
}

TEST_F(EditorTest, SavesWindows1250WithTheFilesOwnLineEnds) {
  ASSERT_TRUE(Load("crlf.cmd", frame::W("01,1,7,8,O,650,ERA\r\nR03;Žluť\r\n")));
  editor_.moveCursor(QTextCursor::End);
  QTest::keyClicks(&editor_, "V10;D10");
  QTest::keyClick(&editor_, Qt::Key_Return);
  ASSERT_TRUE(editor_.SaveFile(QPath("crlf.cmd")));
  EXPECT_EQ(ReadFile("crlf.cmd"), frame::W("01,1,7,8,O,650,ERA\r\nR03;Žluť\r\nV10;D10\r\n"));

  ASSERT_TRUE(Load("lf.cmd", "a\nb"));
  EXPECT_EQ(editor_.LineEnd(), "\n");
  ASSERT_TRUE(editor_.SaveFile(QPath("lf2.cmd")));
  EXPECT_EQ(ReadFile("lf2.cmd"), "a\nb");

  editor_.NewText();
  QTest::keyClicks(&editor_, "x");
  QTest::keyClick(&editor_, Qt::Key_Return);
  QTest::keyClicks(&editor_, "y");
  ASSERT_TRUE(editor_.SaveFile(QPath("new.cmd")));
  EXPECT_EQ(ReadFile("new.cmd"), "x\r\ny");

  EXPECT_FALSE(editor_.SaveFile(QPath("no-such-dir/x.cmd")));
}

TEST_F(EditorTest, TextIsLimitedTo32000CharactersLoadedTypedOrPasted) {
  const std::string full = std::string(31998, 'a') + "\r\n";
  ASSERT_TRUE(Load("full.cmd", full));
  EXPECT_EQ(editor_.Length(), 32000);
  EXPECT_EQ(editor_.SavedBytes(), full);
  EXPECT_TRUE(dialogs_.boxes.empty());
  EXPECT_FALSE(Load("big.cmd", std::string(32001, 'b')));
  ASSERT_EQ(dialogs_.BoxTexts(), std::vector<QString>{"Soubor je prilis velky."});
  EXPECT_EQ(dialogs_.boxes[0].style, screen::kStyleExclamation);
  EXPECT_EQ(editor_.SavedBytes(), full);  // the text stays
  EXPECT_FALSE(editor_.LoadFile(QPath("missing.cmd")));
  EXPECT_EQ(dialogs_.boxes.size(), 1u);

  // 31999 characters with the line end: typing stops at the limit.
  ASSERT_TRUE(Load("near.cmd", std::string(31996, 'a') + "\r\nb"));
  editor_.moveCursor(QTextCursor::End);
  QTest::keyClicks(&editor_, "cd");
  EXPECT_EQ(editor_.Length(), 32000);
  EXPECT_TRUE(Text().endsWith("bc"));
  // A line end would need two more characters.
  QTest::keyClick(&editor_, Qt::Key_Backspace);
  QTest::keyClick(&editor_, Qt::Key_Return);
  EXPECT_EQ(editor_.Length(), 31999);
  EXPECT_TRUE(Text().endsWith("b"));

  // Pasting puts in what fits.
  QGuiApplication::clipboard()->setText("12345");
  editor_.paste();
  EXPECT_EQ(editor_.Length(), 32000);
  EXPECT_TRUE(Text().endsWith("b1"));
  // In place of a selection there is room again.
  editor_.selectAll();
  editor_.paste();
  EXPECT_EQ(Text(), "12345");
}

TEST_F(EditorTest, FindAndReplaceGoForwardCaseSensitivelyFromTheSearchPosition) {
  ASSERT_TRUE(Load("find.cmd", "01,1,7,8,O,650,ERA\r\nr03;P_PLU\r\nR03;P_PLU\r\nR30;P_TAX\r\n"));
  editor_.StoreSearchPosition();
  ASSERT_TRUE(editor_.FindNext("R03"));
  EXPECT_EQ(editor_.textCursor().selectedText(), "R03");
  EXPECT_EQ(editor_.textCursor().selectionStart(), 29);  // not the lower-case one
  ASSERT_TRUE(editor_.FindNext("P_"));
  EXPECT_EQ(editor_.textCursor().selectionStart(), 33);
  ASSERT_TRUE(editor_.FindNext("P_"));
  EXPECT_EQ(editor_.textCursor().selectionStart(), 43);
  EXPECT_FALSE(editor_.FindNext("P_"));
  EXPECT_EQ(editor_.textCursor().selectionStart(), 43);  // the selection stays
  EXPECT_FALSE(editor_.FindNext(""));

  // Replacing goes on behind the replacement: each letter is doubled once.
  editor_.setPlainText("xaxaxa");
  editor_.StoreSearchPosition();
  int replaced = 0;
  while (editor_.ReplaceNext("a", "aa")) ++replaced;
  EXPECT_EQ(replaced, 3);
  EXPECT_EQ(Text(), "xaaxaaxaa");
  EXPECT_EQ(editor_.SearchPosition(), 9);
}

TEST_F(EditorTest, PrintsEachLineCutAtThePagesCharactersPerLine) {
  QString line130;
  for (int i = 0; i < 130; ++i) line130 += QChar(u'A' + i % 26);
  editor_.setPlainText("01,1,7,8,O,650,ERA\n" + line130 + "\nR03;P_PLU");
  dialogs_.PrintToPdf(QPath("print.pdf"),
                      [](QPrinter* printer) { printer->setPageSize(QPageSize(QPageSize::A4)); });
  EXPECT_EQ(editor_.Print(nullptr, "Komunikace Tarvik - job.cmd"), 1);
  const int perLine = editor_.LastCharactersPerLine();
  ASSERT_GT(perLine, 40);
  ASSERT_LT(perLine, 130);
  EXPECT_EQ(testing::PdfTextLines(QPath("print.pdf")),
            (std::vector<QString>{"01,1,7,8,O,650,ERA", line130.left(perLine), "R03;P_PLU"}));
}

TEST_F(EditorTest, CopiesArePrintedByCollateChoice) {
  std::vector<QString> lines;
  for (int i = 0; i < 150; ++i) lines.push_back(QStringLiteral("R03;P_%1").arg(i));
  editor_.setPlainText(QStringList(lines.begin(), lines.end()).join('\n'));
  for (bool collate : {true, false}) {
    dialogs_.PrintToPdf(QPath("copies.pdf"), [collate](QPrinter* printer) {
      printer->setCopyCount(2);
      printer->setCollateCopies(collate);
    });
    EXPECT_EQ(editor_.Print(nullptr, "kopie"), 1);
    const auto perPage = static_cast<std::size_t>(editor_.LastLinesPerPage());
    ASSERT_LT(perPage, lines.size());  // two pages at least
    // Collated, the whole document once per copy; else every page twice in a row.
    const std::size_t chunk = collate ? lines.size() : perPage;
    std::vector<QString> expected;
    for (std::size_t first = 0; first < lines.size(); first += chunk) {
      const auto from = lines.begin() + static_cast<std::ptrdiff_t>(first);
      const auto to =
          lines.begin() + static_cast<std::ptrdiff_t>(std::min(first + chunk, lines.size()));
      for (int copy = 0; copy < 2; ++copy) expected.insert(expected.end(), from, to);
    }
    EXPECT_EQ(testing::PdfTextLines(QPath("copies.pdf")), expected) << "collate " << collate;
  }
}

TEST_F(EditorTest, CancelledPrinterDialogAndEmptyTextPrintNothing) {
  editor_.setPlainText("R03;P_PLU");
  EXPECT_EQ(editor_.Print(nullptr, "x"), 1);  // the scripted dialog is cancelled
  EXPECT_EQ(dialogs_.printDialogs, 1);

  editor_.clear();
  dialogs_.PrintToPdf(QPath("empty.pdf"));
  EXPECT_EQ(editor_.Print(nullptr, "x"), 1);
  EXPECT_FALSE(QFile::exists(QPath("empty.pdf")));
}

// Every way of dismissing the cancel box cancels printing: its button,
// Escape, and the close of its frame; the box is gone afterwards.
TEST_F(EditorTest, AnyDismissalOfTheCancelBoxStopsPrintingAsAFailure) {
  QStringList many;
  for (int i = 0; i < 400; ++i) many << QStringLiteral("R03;P_PLU%1").arg(i);
  editor_.setPlainText(many.join('\n'));
  const std::vector<std::pair<const char*, std::function<void(QDialog*)>>> ways = {
      {"button",
       [](QDialog* box) { QTest::mouseClick(box->findChild<QAbstractButton*>(), Qt::LeftButton); }},
      {"Escape", [](QDialog* box) { QTest::keyClick(box, Qt::Key_Escape); }},
      {"frame", [](QDialog* box) { box->close(); }},
  };
  for (const auto& [way, dismiss] : ways) {
    SCOPED_TRACE(way);
    QWidget owner;
    bool dismissed = false;
    dialogs_.PrintToPdf(QPath("cancel.pdf"), [&owner, &dismissed, dismiss = dismiss](QPrinter*) {
      // The box is dismissed as soon as the first page is made.
      QTimer::singleShot(0, [&owner, &dismissed, dismiss] {
        auto* box = owner.findChild<QDialog*>(QStringLiteral("PrintDlgBox"));
        ASSERT_NE(box, nullptr);
        EXPECT_FALSE(owner.isEnabled());
        dismiss(box);
        dismissed = true;
      });
    });
    EXPECT_EQ(editor_.Print(&owner, "zrusit"), 0);
    EXPECT_TRUE(dismissed);
    EXPECT_TRUE(owner.isEnabled());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(owner.findChild<QDialog*>(QStringLiteral("PrintDlgBox")), nullptr);
  }
}

}  // namespace
}  // namespace tarvik::ui::qt
