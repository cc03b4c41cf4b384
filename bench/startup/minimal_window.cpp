// The yardstick of the start-up benchmark: the least a Qt Widgets program
// does to show one small window.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("Minimal Window"));
  window.resize(46, 22);
  window.show();
  return QApplication::exec();
}
