#include "ui/qt/command_editor.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QPrinter>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "frame/codepage.h"
#include "ui/frontend.h"
#include "ui/qt/dialogs.h"
#include "ui/qt/qt_test_support.h"

namespace tarvik::ui::qt {
namespace {

class EditorTest : public ::testing::Test {
 protected:
  EditorTest() : dir_(tarvik::testing::MakeTempDirectory("editor")), editor_(dialogs_) {
    editor_.resize(600, 300);
    editor_.show();
  }
  ~EditorTest() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  QString PathOf(const std::string& name) const {
    return QString::fromStdString((dir_ / name).string());
  }
  void WriteFile(const std::string& name, const std::string& bytes) const {
    tarvik::testing::WriteBinary(dir_ / name, bytes);
  }
  std::string ReadFile(const std::string& name) const {
    return tarvik::testing::ReadBinary(dir_ / name);
  }
  QString Text() const { return editor_.toPlainText(); }

  std::filesystem::path dir_;
  testing::ScriptedDialogs dialogs_;
  CommandEditor editor_;
};

// "Čas" with a BOM in front, UTF-16 of either byte order.
std::string Utf16(const std::u16string& text, bool bigEndian) {
  std::string bytes = bigEndian ? std::string("\xFE\xFF", 2) : std::string("\xFF\xFE", 2);
  for (char16_t c : text) {
    const char hi = static_cast<char>(c >> 8);
    const char lo = static_cast<char>(c & 0xFF);
    bytes += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
  }
  return bytes;
}

TEST_F(EditorTest, LoadsUpTo32000BytesAndRefusesMore) {
  std::string full(31998, 'a');
  full += "\r\n";
  WriteFile("full.cmd", full);
  ASSERT_TRUE(editor_.LoadFile(PathOf("full.cmd")));
  EXPECT_EQ(editor_.Length(), 32000);
  EXPECT_EQ(editor_.SavedBytes(), full);
  EXPECT_TRUE(dialogs_.boxes.empty());

  WriteFile("big.cmd", std::string(32001, 'b'));
  EXPECT_FALSE(editor_.LoadFile(PathOf("big.cmd")));
  ASSERT_EQ(dialogs_.BoxTexts(), std::vector<QString>{"Soubor je prilis velky."});
  EXPECT_EQ(dialogs_.boxes[0].style, kStyleExclamation);
  EXPECT_EQ(editor_.SavedBytes(), full);  // the text stays

  EXPECT_FALSE(editor_.LoadFile(PathOf("missing.cmd")));
  EXPECT_EQ(dialogs_.boxes.size(), 1u);
}

TEST_F(EditorTest, Utf16FilesOfBothByteOrdersLoadAsTheSameText) {
  const std::u16string text = u"01,1,7,8,O,650,ERA\r\nR14;Čas €\r\n";
  WriteFile("le.cmd", Utf16(text, false));
  WriteFile("be.cmd", Utf16(text, true));
  ASSERT_TRUE(editor_.LoadFile(PathOf("le.cmd")));
  const std::string little = editor_.SavedBytes();
  ASSERT_TRUE(editor_.LoadFile(PathOf("be.cmd")));
  EXPECT_EQ(editor_.SavedBytes(), little);
  EXPECT_EQ(little, frame::W("01,1,7,8,O,650,ERA\r\nR14;Čas €\r\n"));
  EXPECT_EQ(Text(), "01,1,7,8,O,650,ERA\nR14;Čas €\n");

  // Without a mark the bytes are taken as they are, up to the first zero.
  std::string unmarked = Utf16(u"AB", false).substr(2);
  WriteFile("raw.cmd", unmarked);
  ASSERT_TRUE(editor_.LoadFile(PathOf("raw.cmd")));
  EXPECT_EQ(Text(), "A");
  WriteFile("cp1250.cmd", std::string("\x8A\xE8\x0A\x00zbytek", 10));
  ASSERT_TRUE(editor_.LoadFile(PathOf("cp1250.cmd")));
  EXPECT_EQ(Text(), "Šč\n");
}

TEST_F(EditorTest, SavesWindows1250WithTheFilesOwnLineEnds) {
  WriteFile("crlf.cmd", frame::W("01,1,7,8,O,650,ERA\r\nR03;Žluť\r\n"));
  ASSERT_TRUE(editor_.LoadFile(PathOf("crlf.cmd")));
  editor_.moveCursor(QTextCursor::End);
  QTest::keyClicks(&editor_, "V10;D10");
  QTest::keyClick(&editor_, Qt::Key_Return);
  ASSERT_TRUE(editor_.SaveFile(PathOf("crlf.cmd")));
  EXPECT_EQ(ReadFile("crlf.cmd"), frame::W("01,1,7,8,O,650,ERA\r\nR03;Žluť\r\nV10;D10\r\n"));

  WriteFile("lf.cmd", "a\nb");
  ASSERT_TRUE(editor_.LoadFile(PathOf("lf.cmd")));
  EXPECT_EQ(editor_.LineEnd(), "\n");
  ASSERT_TRUE(editor_.SaveFile(PathOf("lf2.cmd")));
  EXPECT_EQ(ReadFile("lf2.cmd"), "a\nb");

  editor_.NewText();
  QTest::keyClicks(&editor_, "x");
  QTest::keyClick(&editor_, Qt::Key_Return);
  QTest::keyClicks(&editor_, "y");
  ASSERT_TRUE(editor_.SaveFile(PathOf("new.cmd")));
  EXPECT_EQ(ReadFile("new.cmd"), "x\r\ny");

  EXPECT_FALSE(editor_.SaveFile(PathOf("no-such-dir/x.cmd")));
}

TEST_F(EditorTest, TextIsLimitedTo32000Characters) {
  std::string text(31996, 'a');
  text += "\r\nb";  // 31999 characters with the line end
  WriteFile("near.cmd", text);
  ASSERT_TRUE(editor_.LoadFile(PathOf("near.cmd")));
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

TEST_F(EditorTest, FindGoesForwardCaseSensitivelyFromTheSearchPosition) {
  WriteFile("find.cmd", "01,1,7,8,O,650,ERA\r\nr03;P_PLU\r\nR03;P_PLU\r\nR30;P_TAX\r\n");
  ASSERT_TRUE(editor_.LoadFile(PathOf("find.cmd")));
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
}

TEST_F(EditorTest, ReplaceAllDoublesALetterOnce) {
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
  const QString pdf = PathOf("print.pdf");
  dialogs_.printer = [&](QPrinter* printer) {
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(pdf);
    printer->setPageSize(QPageSize(QPageSize::A4));
    return true;
  };
  EXPECT_EQ(editor_.Print(nullptr, "Komunikace Tarvik - job.cmd"), 1);
  const int perLine = editor_.LastCharactersPerLine();
  ASSERT_GT(perLine, 40);
  ASSERT_LT(perLine, 130);
  const std::vector<QString> lines = testing::PdfTextLines(pdf);
  EXPECT_EQ(lines,
            (std::vector<QString>{"01,1,7,8,O,650,ERA", line130.left(perLine), "R03;P_PLU"}));
}

TEST_F(EditorTest, CopiesArePrintedByCollateChoice) {
  std::vector<QString> lines;
  for (int i = 0; i < 150; ++i) lines.push_back(QStringLiteral("R03;P_%1").arg(i));
  editor_.setPlainText(QStringList(lines.begin(), lines.end()).join('\n'));
  const QString pdf = PathOf("copies.pdf");
  for (bool collate : {true, false}) {
    dialogs_.printer = [&](QPrinter* printer) {
      printer->setOutputFormat(QPrinter::PdfFormat);
      printer->setOutputFileName(pdf);
      printer->setCopyCount(2);
      printer->setCollateCopies(collate);
      return true;
    };
    EXPECT_EQ(editor_.Print(nullptr, "kopie"), 1);
    const auto perPage = static_cast<std::size_t>(editor_.LastLinesPerPage());
    ASSERT_LT(perPage, lines.size());  // two pages at least
    std::vector<QString> expected;
    if (collate) {
      // The whole document once per copy.
      for (int copy = 0; copy < 2; ++copy)
        expected.insert(expected.end(), lines.begin(), lines.end());
    } else {
      // Every page twice in a row.
      for (std::size_t first = 0; first < lines.size(); first += perPage) {
        const auto end =
            lines.begin() + static_cast<std::ptrdiff_t>(std::min(first + perPage, lines.size()));
        for (int copy = 0; copy < 2; ++copy) {
          expected.insert(expected.end(), lines.begin() + static_cast<std::ptrdiff_t>(first), end);
        }
      }
    }
    EXPECT_EQ(testing::PdfTextLines(pdf), expected) << "collate " << collate;
  }
}

TEST_F(EditorTest, CancelledPrinterDialogAndEmptyTextPrintNothing) {
  editor_.setPlainText("R03;P_PLU");
  EXPECT_EQ(editor_.Print(nullptr, "x"), 1);  // the scripted dialog is cancelled
  EXPECT_EQ(dialogs_.printDialogs, 1);

  editor_.clear();
  const QString pdf = PathOf("empty.pdf");
  dialogs_.printer = [&](QPrinter* printer) {
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(pdf);
    return true;
  };
  EXPECT_EQ(editor_.Print(nullptr, "x"), 1);
  EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(EditorTest, CancelBoxStopsPrintingAsAFailure) {
  QStringList many;
  for (int i = 0; i < 400; ++i) many << QStringLiteral("R03;P_PLU%1").arg(i);
  editor_.setPlainText(many.join('\n'));
  QWidget owner;
  dialogs_.printer = [&](QPrinter* printer) {
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(PathOf("cancel.pdf"));
    // The cancel box is pressed as soon as the first page is made.
    QTimer::singleShot(0, [&] {
      auto* box = owner.findChild<QDialog*>(QStringLiteral("PrintDlgBox"));
      ASSERT_NE(box, nullptr);
      EXPECT_FALSE(owner.isEnabled());
      QTest::mouseClick(box->findChild<QAbstractButton*>(), Qt::LeftButton);
    });
    return true;
  };
  EXPECT_EQ(editor_.Print(&owner, "zrusit"), 0);
  EXPECT_TRUE(owner.isEnabled());
}

}  // namespace
}  // namespace tarvik::ui::qt
