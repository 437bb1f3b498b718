// tarvik-icons OUTDIR SIZE...: writes the window's icon as OUTDIR/SIZE.png
// for every size, drawn by the same code as the window's own icon, for the
// desktop's icon theme. Runs on Qt's offscreen platform; not installed.
#include <QGuiApplication>
#include <QPixmap>
#include <QString>
#include <cstdio>
#include <cstdlib>

#include "ui/qt/icons.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: tarvik-icons OUTDIR SIZE...\n");
    return 2;
  }
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  const QString dir = QString::fromLocal8Bit(argv[1]);
  for (int i = 2; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    if (size < 16 || size > 1024) {
      std::fprintf(stderr, "tarvik-icons: size %s is not 16 to 1024\n", argv[i]);
      return 2;
    }
    const QString path = QStringLiteral("%1/%2.png").arg(dir).arg(size);
    if (!tarvik::ui::qt::ProgramIconPixmap(size).save(path, "PNG")) {
      std::fprintf(stderr, "tarvik-icons: cannot write %s\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}
