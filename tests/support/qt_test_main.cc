// The window tests run on the offscreen platform unless another one is named.
#include <gtest/gtest.h>

#include <QApplication>

// Under ThreadSanitizer: Qt is not built with it, so what Qt's own threads
// (printing, fonts) do through the allocator looks unordered to it. Only
// calls made from inside the Qt libraries are left out; the program's code
// stays checked.
extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libQt6Core.so.6\n"
         "called_from_lib:libQt6Gui.so.6\n"
         "called_from_lib:libQt6Widgets.so.6\n"
         "called_from_lib:libQt6PrintSupport.so.6\n";
}

// Under LeakSanitizer: what the Qt libraries and fontconfig keep until the
// process ends is not the program's.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libQt6Core.so.6\n"
         "leak:libQt6Gui.so.6\n"
         "leak:libQt6Widgets.so.6\n"
         "leak:libfontconfig.so.1\n";
}

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
