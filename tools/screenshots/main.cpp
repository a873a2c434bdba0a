// zelscreens [folder] [name-filter]: writes one PNG per window state into the folder (default
// screenshots/), against an in-process zelserver with the demo seed.

#include "screens.h"

#include "support/desk.h"
#include "zelserver.h"

#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QMdiArea>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <map>

using namespace Qt::StringLiterals;

namespace {

std::map<QString, Screen> &screens()
{
    static std::map<QString, Screen> all;
    return all;
}

} // namespace

bool addScreen(const QString &name, Screen screen)
{
    screens()[name] = std::move(screen);
    return true;
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList args = QApplication::arguments();
    const QString out = args.value(1, u"screenshots"_s);
    const QString filter = args.value(2);
    QDir().mkpath(out);

    QTemporaryDir serverDir;
    ZelServer server;
    ZelServer::Options options;
    options.databasePath = serverDir.filePath(u"department.sqlite"_s);
    options.seed = u"demo"_s;
    options.passwordIterations = 500;
    QString error;
    if (!server.start(options, &error)) {
        std::fprintf(stderr, "zelserver: %s\n", qPrintable(error));
        return 1;
    }

    int written = 0;
    for (const auto &[name, screen] : screens()) {
        if (!filter.isEmpty() && !name.contains(filter))
            continue;
        QMap<QString, QByteArray> files;
        for (const QString &f : {u"Rasse.ini"_s, u"Schedule.ini"_s, u"Recorder.ini"_s}) {
            QFile file(QStringLiteral(ZEL_DEMO_FILES) + u'/' + f);
            if (file.open(QIODevice::ReadOnly))
                files.insert(f, file.readAll());
        }
        Desk desk(server.commandPort(), files);
        ScreenContext context{desk, server, [&](QWidget *window, const QString &picture) {
                                  QApplication::processEvents();
                                  const QString path = out + u'/' + picture + u".png"_s;
                                  if (window->grab().save(path)) {
                                      ++written;
                                      std::printf("%s\n", qPrintable(path));
                                  }
                              }};
        screen(context);
    }
    std::printf("%d screenshots\n", written);
    return 0;
}
