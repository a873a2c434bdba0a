#include "desk.h"

#include "app/clientprogram.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

Desk::Desk(quint16 port, const QMap<QString, QByteArray> &files, bool rights)
{
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        QFile file(QDir(dir.path()).filePath(it.key()));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(it.key()));
        file.write(it.value());
    }
    session.settings.MainServerHost = u"127.0.0.1"_s;
    session.settings.MainServerPort = port;
    session.settings.ConnectTimeout = 5;
    session.settings.CommandTimeout = 5;
    session.RightUtilities = session.RightStatistics = rights;
    log.ensureFolder();
    main = std::make_unique<MainWindow>(session, prompts, log, dialogs, dir.path(), MainWindow::ConfigStep{});
    installAllTasks(*main);
    main->resize(1280, 800);
    main->show();
}

Desk::~Desk() = default;

bool Desk::trigger(MenuId item)
{
    auto *action = main->findChild<QAction *>(QString(item.control));
    if (!action)
        qFatal("no menu item %s", item.control.data());
    if (!action->isEnabled())
        return false;
    action->trigger();
    return true;
}

QByteArray listReply(const QList<QByteArray> &records)
{
    QByteArray reply = "CMDDATA\r\n";
    for (const QByteArray &r : records)
        reply += r + "\r\n";
    return reply + "/CMDDATA\r\n";
}

void leave(QWidget *field)
{
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(field, &out);
}

void enter(QWidget *window, const QString &edit)
{
    const qsizetype eq = edit.indexOf(u'=');
    const QString name = edit.left(eq);
    const QString text = edit.mid(eq + 1);
    QLineEdit *field = nullptr;
    if (auto *combo = window->findChild<QComboBox *>(name)) {
        if (text.startsWith(u'#')) {
            combo->setCurrentIndex(text.mid(1).toInt());
            return;
        }
        field = combo->lineEdit();
        if (!field)
            qFatal("combo box %s is not editable", qPrintable(name));
    } else {
        field = child<QLineEdit>(window, name);
    }
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
    leave(field);
}

void enterAll(QWidget *window, const QStringList &edits)
{
    for (const QString &e : edits)
        enter(window, e);
}

void clickRow(QTreeWidget *list, int row)
{
    QTreeWidgetItem *item = list->topLevelItem(row);
    if (!item)
        qFatal("no row %d", row);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

QStringList column(const QTreeWidget *list, int field)
{
    QStringList values;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        values.append(list->topLevelItem(i)->text(field));
    return values;
}

void whenModal(const QString &name, std::function<void(QWidget *)> act)
{
    auto *poll = new QTimer(qApp);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, qApp, [poll, name, act = std::move(act)] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() != name)
            return;
        poll->stop();
        poll->deleteLater();
        act(modal);
    });
    poll->start();
}
