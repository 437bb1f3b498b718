#include "support/qt_test_support.h"

#include <QByteArray>
#include <QFile>
#include <QMap>
#include <QPrinter>
#include <QRegularExpression>
#include <QTest>

#include "platform/file_system.h"
#include "ui/qt/terminal_view.h"

namespace tarvik::ui::qt::testing {

namespace {

// The next scripted item, or `fallback` when none is left.
template <typename T>
T Next(std::deque<T>& queue, T fallback) {
  if (queue.empty()) return fallback;
  T item = std::move(queue.front());
  queue.pop_front();
  return item;
}

}  // namespace

int ScriptedDialogs::Message(QWidget* /*owner*/, const QString& text, int style) {
  boxes.push_back({text, style});
  const int buttons = style & 0x0F;
  return Next(answers, buttons == 3 || buttons == screen::kStyleYesNo ? screen::kAnswerYes
                                                                      : screen::kAnswerOk);
}

QString ScriptedDialogs::ChooseFile(QWidget* /*owner*/, const FileChoice& choice) {
  fileChoices.push_back(choice);
  return Next(files, QString());
}

bool ScriptedDialogs::ChooseFont(QWidget* /*owner*/, QFont* chosen) {
  if (font) *chosen = *font;
  return font.has_value();
}

bool ScriptedDialogs::SetUpPrinter(QWidget* /*owner*/, QPrinter* target) {
  ++printDialogs;
  return printer ? printer(target) : false;
}

bool ScriptedDialogs::Run(QDialog* dialog) {
  dialogsRun.push_back(dialog->objectName());
  const auto handler = Next(runs, std::function<bool(QDialog*)>());
  return handler && handler(dialog);
}

void ScriptedDialogs::PrintToPdf(const QString& pdf, std::function<void(QPrinter*)> setUp) {
  printer = [pdf, setUp](QPrinter* target) {
    target->setOutputFormat(QPrinter::PdfFormat);
    target->setOutputFileName(pdf);
    if (setUp) setUp(target);
    return true;
  };
}

std::vector<QString> ScriptedDialogs::BoxTexts(qsizetype length) const {
  std::vector<QString> texts;
  for (const Box& b : boxes) texts.push_back(b.text.left(length));
  return texts;
}

WindowFixture::WindowFixture() {
  frame::Services services{platform::RealFileSystem(), clock_, process_, console_, qtFrontEnd_};
  program_ = std::make_unique<frame::Program>(services);
  program_->paths.programDirectory = dir_.string() + "/";
  program_->paths.hasProgramDirectory = true;
  program_->paths.argv0 = "tarvik";
  program_->settings.zpozdeni = 0;
  link_ = std::make_unique<link::RegisterLink>(*program_);
  runner_ = std::make_unique<job::JobRunner>(*program_, *link_);
  window_ = std::make_unique<MainWindow>(*program_, *runner_, *link_, qtFrontEnd_, dialogs_);
}

WindowFixture::~WindowFixture() {
  // The program goes before the front end it uses, the base's directory last.
  window_.reset();
  runner_.reset();
  link_.reset();
  program_.reset();
}

void WindowFixture::ShowWindow() {
  window_->show();
  window_->activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
}

QString WindowFixture::PaintedRow(int row) const {
  for (const TerminalView::Run& run : window_->Terminal()->LastPaint()) {
    if (run.row == row) {
      QString text = QString(run.firstColumn, QLatin1Char(' ')) + run.text;
      while (text.endsWith(QLatin1Char(' '))) text.chop(1);
      return text;
    }
  }
  return QStringLiteral("<not painted>");
}

QString WindowFixture::PaintedScreen() const {
  QStringList rows;
  for (int row = 0; row < screen::kScreenRows; ++row) rows << PaintedRow(row);
  while (!rows.isEmpty() && rows.back().isEmpty()) rows.removeLast();
  return rows.join(QLatin1Char('\n'));
}

namespace {

// The decoded content of every stream of the file, in file order.
std::vector<QByteArray> PdfStreams(const QByteArray& pdf) {
  std::vector<QByteArray> streams;
  for (qsizetype at = pdf.indexOf("stream"); at >= 0; at = pdf.indexOf("stream", at)) {
    const qsizetype header = pdf.lastIndexOf(" obj", at);
    qsizetype start = at + 6;
    if (pdf[start] == '\r') ++start;
    if (pdf[start] == '\n') ++start;
    const qsizetype end = pdf.indexOf("endstream", start);
    if (header < 0 || end < 0) break;
    QByteArray data = pdf.mid(start, end - start);
    // qUncompress wants the expected length in front, big-endian; a guess will do.
    if (pdf.mid(header, at - header).contains("/FlateDecode")) {
      data = qUncompress(QByteArray("\0\1\0\0", 4) + data);
    }
    streams.push_back(data);
    at = end + 9;
  }
  return streams;
}

// Glyph number to text, from every ToUnicode map of the file (the one font
// the tests print with; Qt writes them as ranges only).
QMap<uint, QString> GlyphMap(const std::vector<QByteArray>& streams) {
  static const QRegularExpression range(QStringLiteral(
      "<([0-9a-fA-F]+)>\\s*<([0-9a-fA-F]+)>\\s*(?:<([0-9a-fA-F]+)>|\\[([^\\]]*)\\])"));
  static const QRegularExpression item(QStringLiteral("<([0-9a-fA-F]+)>"));
  auto number = [](const QString& hex) { return hex.toUInt(nullptr, 16); };
  QMap<uint, QString> map;
  for (const QByteArray& data : streams) {
    const QString text = QString::fromLatin1(data);
    for (const QString& section : text.split(QStringLiteral("beginbfrange")).mid(1)) {
      auto it = range.globalMatch(section.section(QStringLiteral("endbfrange"), 0, 0));
      while (it.hasNext()) {
        // Consecutive code points from one start, or a list with one per glyph.
        const auto m = it.next();
        const uint first = number(m.captured(1));
        auto items = item.globalMatch(m.captured(4));
        for (uint g = first; g <= number(m.captured(2)); ++g) {
          if (m.captured(3).isEmpty() && !items.hasNext()) break;
          const uint code = m.captured(3).isEmpty() ? number(items.next().captured(1))
                                                    : number(m.captured(3)) + g - first;
          map.insert(g, QString(QChar(static_cast<char16_t>(code))));
        }
      }
    }
  }
  return map;
}

}  // namespace

std::vector<QString> PdfTextLines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const std::vector<QByteArray> streams = PdfStreams(file.readAll());
  const QMap<uint, QString> glyphs = GlyphMap(streams);
  // Each text object (BT ... ET) is one drawn line, its glyphs shown one by one.
  static const QRegularExpression textObject(QStringLiteral("\\bBT\\b(.*?)\\bET\\b"),
                                             QRegularExpression::DotMatchesEverythingOption);
  static const QRegularExpression show(QStringLiteral("<([0-9a-fA-F]*)>\\s*Tj"));
  std::vector<QString> lines;
  for (const QByteArray& data : streams) {
    auto objects = textObject.globalMatch(QString::fromLatin1(data));
    while (objects.hasNext()) {
      QString line;
      auto shows = show.globalMatch(objects.next().captured(1));
      while (shows.hasNext()) {
        const QString hex = shows.next().captured(1);
        for (qsizetype i = 0; i + 4 <= hex.size(); i += 4) {
          line += glyphs.value(hex.mid(i, 4).toUInt(nullptr, 16), QStringLiteral("?"));
        }
      }
      lines.push_back(line);
    }
  }
  return lines;
}

}  // namespace tarvik::ui::qt::testing
