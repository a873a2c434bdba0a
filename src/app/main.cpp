#include "app/appfolder.h"
#include "app/clientprogram.h"
#include "app/messageboxprompter.h"
#include "core/logbook.h"
#include "core/session.h"

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

    ClientProgram program(session, prompter, log, folder);
    if (!program.start(QApplication::arguments().mid(1)))
        return 1;
    // The splash is up; the program runs until its last window closes.
    return QApplication::exec();
}
