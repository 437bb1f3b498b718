// tarvik-icons OUTDIR SIZE...: writes the window's icon as OUTDIR/SIZE.png
// for every size, drawn by the same code as the window's own icon, for the
// desktop's icon theme.
// tarvik-icons --ico FILE SIZE...: writes the sizes as one Windows icon file
// (packaging/windows/tarvik.ico, kept in the sources: the cross build cannot
// run this tool). Runs on Qt's offscreen platform; not installed.
#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <QString>
#include <QtEndian>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ui/qt/icons.h"

namespace {

void Append16(QByteArray& out, int value) {
  const quint16 v = qToLittleEndian(static_cast<quint16>(value));
  out.append(reinterpret_cast<const char*>(&v), 2);
}

void Append32(QByteArray& out, qint64 value) {
  const quint32 v = qToLittleEndian(static_cast<quint32>(value));
  out.append(reinterpret_cast<const char*>(&v), 4);
}

// An icon file whose images are PNG data, one per size.
QByteArray IconFile(const std::vector<int>& sizes) {
  std::vector<QByteArray> images;
  for (int size : sizes) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    tarvik::ui::qt::ProgramIconPixmap(size).save(&buffer, "PNG");
    images.push_back(png);
  }
  QByteArray out;
  Append16(out, 0);  // reserved
  Append16(out, 1);  // icon
  Append16(out, static_cast<int>(sizes.size()));
  qint64 offset = 6 + 16 * static_cast<qint64>(sizes.size());
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    const char side = static_cast<char>(sizes[i] >= 256 ? 0 : sizes[i]);  // 0 means 256
    out.append(side).append(side).append('\0').append('\0');
    Append16(out, 1);   // planes
    Append16(out, 32);  // bits per pixel
    Append32(out, images[i].size());
    Append32(out, offset);
    offset += images[i].size();
  }
  for (const QByteArray& image : images) out.append(image);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: tarvik-icons OUTDIR SIZE...\n       tarvik-icons --ico FILE SIZE...\n");
    return 2;
  }
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  const bool ico = std::strcmp(argv[1], "--ico") == 0;
  const int first = ico ? 3 : 2;
  std::vector<int> sizes;
  for (int i = first; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    if (size < 16 || size > (ico ? 256 : 1024)) {
      std::fprintf(stderr, "tarvik-icons: size %s is not 16 to %d\n", argv[i], ico ? 256 : 1024);
      return 2;
    }
    sizes.push_back(size);
  }
  if (ico) {
    QFile file(QString::fromLocal8Bit(argv[2]));
    if (sizes.empty() || !file.open(QIODevice::WriteOnly) || file.write(IconFile(sizes)) < 0 ||
        !file.flush()) {
      std::fprintf(stderr, "tarvik-icons: cannot write %s\n", argv[2]);
      return 1;
    }
    return 0;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  for (int size : sizes) {
    const QString path = QStringLiteral("%1/%2.png").arg(dir).arg(size);
    if (!tarvik::ui::qt::ProgramIconPixmap(size).save(path, "PNG")) {
      std::fprintf(stderr, "tarvik-icons: cannot write %s\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}
