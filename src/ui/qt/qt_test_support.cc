#include "ui/qt/qt_test_support.h"

#include <QByteArray>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTest>

#include "platform/file_system.h"
#include "ui/qt/terminal_view.h"

namespace tarvik::ui::qt::testing {

int ScriptedDialogs::Message(QWidget* /*owner*/, const QString& text, int style) {
  boxes.push_back({text, style});
  if (!answers.empty()) {
    int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  switch (style & 0x0F) {
    case 3:
    case kStyleYesNo:
      return kAnswerYes;
    default:
      return kAnswerOk;
  }
}

QString ScriptedDialogs::ChooseFile(QWidget* /*owner*/, const FileChoice& choice) {
  fileChoices.push_back(choice);
  if (files.empty()) return {};
  QString path = files.front();
  files.pop_front();
  return path;
}

bool ScriptedDialogs::ChooseFont(QWidget* /*owner*/, QFont* chosen) {
  if (!font) return false;
  *chosen = *font;
  return true;
}

bool ScriptedDialogs::SetUpPrinter(QWidget* /*owner*/, QPrinter* target) {
  ++printDialogs;
  return printer ? printer(target) : false;
}

bool ScriptedDialogs::Run(QDialog* dialog) {
  dialogsRun.push_back(dialog->objectName());
  if (runs.empty()) return false;
  auto handler = runs.front();
  runs.pop_front();
  return handler(dialog);
}

std::vector<QString> ScriptedDialogs::BoxTexts() const {
  std::vector<QString> texts;
  for (const Box& b : boxes) texts.push_back(b.text);
  return texts;
}

bool WaitUntil(const std::function<bool()>& condition, int ms) {
  return QTest::qWaitFor(condition, ms);
}

WindowFixture::WindowFixture() : dir_(tarvik::testing::MakeTempDirectory("qt")) {
  frontEnd_ = std::make_unique<QtFrontEnd>();
  frame::Services services{platform::RealFileSystem(), clock_, process_, console_, *frontEnd_};
  program_ = std::make_unique<frame::Program>(services);
  program_->paths.programDirectory = dir_.string() + "/";
  program_->paths.hasProgramDirectory = true;
  program_->paths.argv0 = "tarvik";
  program_->settings.zpozdeni = 0;
  link_ = std::make_unique<link::RegisterLink>(*program_);
  runner_ = std::make_unique<job::JobRunner>(*program_, *link_);
  window_ = std::make_unique<MainWindow>(*program_, *runner_, *link_, *frontEnd_, dialogs_);
}

WindowFixture::~WindowFixture() {
  window_.reset();
  runner_.reset();
  link_.reset();
  program_.reset();
  frontEnd_.reset();
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

void WindowFixture::ShowWindow() {
  window_->show();
  window_->activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
}

std::string WindowFixture::PathOf(const std::string& name) const {
  return (dir_ / name).string();
}

void WindowFixture::WriteFile(const std::string& name, const std::string& bytes) const {
  tarvik::testing::WriteBinary(dir_ / name, bytes);
}

std::string WindowFixture::ReadFile(const std::string& name) const {
  return tarvik::testing::ReadBinary(dir_ / name);
}

bool WindowFixture::FileExists(const std::string& name) const {
  return std::filesystem::exists(dir_ / name);
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
  for (int row = 0; row < kScreenRows; ++row) rows << PaintedRow(row);
  while (!rows.isEmpty() && rows.back().isEmpty()) rows.removeLast();
  return rows.join(QLatin1Char('\n'));
}

namespace {

// The decoded content of every stream of the file, by object number.
QMap<int, QByteArray> PdfStreams(const QByteArray& pdf) {
  QMap<int, QByteArray> streams;
  static const QRegularExpression object(QStringLiteral("(\\d+) 0 obj"));
  const QString text = QString::fromLatin1(pdf);
  qsizetype at = 0;
  for (;;) {
    QRegularExpressionMatch m = object.match(text, at);
    if (!m.hasMatch()) break;
    const qsizetype start = m.capturedStart();
    const qsizetype end = pdf.indexOf("endobj", start);
    if (end < 0) break;
    const QByteArray body = pdf.mid(start, end - start);
    at = end;
    qsizetype s = body.indexOf("stream");
    if (s < 0) continue;
    s += 6;
    if (body[s] == '\r') ++s;
    if (body[s] == '\n') ++s;
    const qsizetype e = body.lastIndexOf("endstream");
    QByteArray data = body.mid(s, e - s);
    if (body.left(s).contains("/FlateDecode")) {
      // qUncompress wants the expected length in front, big-endian.
      QByteArray sized(4, '\0');
      const quint32 guess = 1u << 16;
      sized[1] = static_cast<char>(guess >> 16);
      sized += data;
      data = qUncompress(sized);
    }
    streams.insert(m.captured(1).toInt(), data);
  }
  return streams;
}

// Glyph number to text, from every ToUnicode map of the file (the one font
// the tests print with).
QMap<uint, QString> GlyphMap(const QMap<int, QByteArray>& streams) {
  QMap<uint, QString> map;
  static const QRegularExpression pair(QStringLiteral("<([0-9a-fA-F]+)>\\s*<([0-9a-fA-F]+)>"));
  static const QRegularExpression range(QStringLiteral(
      "<([0-9a-fA-F]+)>\\s*<([0-9a-fA-F]+)>\\s*(?:<([0-9a-fA-F]+)>|\\[([^\\]]*)\\])"));
  static const QRegularExpression item(QStringLiteral("<([0-9a-fA-F]+)>"));
  auto unicode = [](const QString& hex) {
    return QString(QChar(static_cast<char16_t>(hex.toUInt(nullptr, 16))));
  };
  for (const QByteArray& data : streams) {
    const QString text = QString::fromLatin1(data);
    for (const QString& section : text.split(QStringLiteral("beginbfchar")).mid(1)) {
      auto it = pair.globalMatch(section.section(QStringLiteral("endbfchar"), 0, 0));
      while (it.hasNext()) {
        auto m = it.next();
        map.insert(m.captured(1).toUInt(nullptr, 16), unicode(m.captured(2)));
      }
    }
    for (const QString& section : text.split(QStringLiteral("beginbfrange")).mid(1)) {
      auto it = range.globalMatch(section.section(QStringLiteral("endbfrange"), 0, 0));
      while (it.hasNext()) {
        auto m = it.next();
        const uint first = m.captured(1).toUInt(nullptr, 16);
        const uint last = m.captured(2).toUInt(nullptr, 16);
        if (!m.captured(3).isEmpty()) {
          const uint start = m.captured(3).toUInt(nullptr, 16);
          for (uint g = first; g <= last; ++g) {
            map.insert(g, QString(QChar(static_cast<char16_t>(start + g - first))));
          }
        } else {
          auto items = item.globalMatch(m.captured(4));
          for (uint g = first; g <= last && items.hasNext(); ++g) {
            map.insert(g, unicode(items.next().captured(1)));
          }
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
  const QMap<int, QByteArray> streams = PdfStreams(file.readAll());
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
