#include "app/appfolder.h"
#include "app/logbook.h"
#include "app/messageboxprompter.h"
#include "app/session.h"
#include "app/configwindow.h"
#include "app/shell.h"
#include "app/startup.h"
#include "app/taskwindows.h"

#include <QApplication>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"ZEL-Client"_s);

    Session session;
    MessageBoxPrompter prompter;
    const QString folder = applicationFolder();
    LogBook log(folder, prompter);

    Startup startup(session, prompter, log, folder);
    Shell shell(session, prompter, log, folder, [&] {
        ConfigWindow window(session.settings, prompter, folder, QApplication::activeWindow());
        window.exec();
    });
    if (!startup.run(QApplication::arguments().mid(1)))
        return 1;
    shell.attach(startup.splash());
    shell.setMainWindowReady([&](MainWindow &main) {
        installTaskWindows(main, TaskContext{session, prompter, log, folder});
    });
    // The splash is up; the program runs until its last window closes.
    return QApplication::exec();
}
