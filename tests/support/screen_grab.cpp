// orvanta_screen_grab FILE [X Y WIDTH HEIGHT]: saves the X screen, or a
// part of it, as a PNG file. Used by the end-to-end tests and the scripted
// demonstration.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char* argv[]) {
  QGuiApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  if (args.size() != 2 && args.size() != 6) {
    std::fprintf(stderr, "usage: orvanta_screen_grab FILE [X Y WIDTH HEIGHT]\n");
    return 2;
  }
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return 1;
  const QPixmap shot = args.size() == 6 ? screen->grabWindow(0, args[2].toInt(), args[3].toInt(), args[4].toInt(),
                                                            args[5].toInt())
                                        : screen->grabWindow(0);
  return !shot.isNull() && shot.save(args[1], "PNG") ? 0 : 1;
}
