#include "progresswindow.h"

#include "statrequests.h"

#include "ui/widgets.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

const QString ProgressWindow::WaitText = u"Load stats data please wait ...."_s;

ProgressWindow::ProgressWindow(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_text(Ui::named<QLabel>(u"lblWait"_s, WaitText, this))
    , m_step(Ui::named<QLabel>(u"lblStep"_s, this))
    , m_bar(Ui::named<QProgressBar>(u"barProgress"_s, this))
{
    setObjectName(u"fProgress"_s);
    setAutoFillBackground(true);
    QPalette pink = palette();
    pink.setColor(QPalette::Window, QColor(0xFF, 0xC0, 0xCB));
    pink.setColor(QPalette::WindowText, Qt::black);
    setPalette(pink);

    QFont bold = m_text->font();
    bold.setFamily(u"Arial"_s);
    bold.setPointSizeF(13.5);
    bold.setBold(true);
    m_text->setFont(bold);
    m_text->setAlignment(Qt::AlignCenter);
    m_step->setAlignment(Qt::AlignCenter);
    m_bar->setTextVisible(false);
    m_bar->setFixedHeight(10);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(36, 24, 36, 22);
    layout->setSpacing(10);
    layout->addWidget(m_text);
    layout->addWidget(m_step);
    layout->addWidget(m_bar);
    setFixedSize(420, 130);
}

void ProgressWindow::begin(ActionCode statistic)
{
    const int total = Stats::walkLength(statistic);
    if (Stats::isSpecial(statistic)) {
        advance(statistic, 0, 0, statistic == ActionCode::StatisticsSpecial1 ? 394 : 400);
    } else if (total > 0) {
        advance(statistic, 0, total, 0);
    } else {
        m_step->setText(u"Counting the procedure ..."_s);
        m_bar->setRange(0, 0);
    }
    centre();
    show();
    raise();
}

void ProgressWindow::advance(ActionCode statistic, int done, int total, int next)
{
    if (Stats::isSpecial(statistic)) {
        const int categories = Stats::categoryCount(statistic);
        const int code = next >= 404 ? next - 10 : next;
        const int index = next == 0 ? categories : Stats::categoryIndex(code);
        m_step->setText(next == 0 ? u"%1 of %1 categories"_s.arg(categories)
                                  : Stats::categoryName(code) + u" (%1 of %2)"_s.arg(index).arg(categories));
        m_bar->setRange(0, categories);
        m_bar->setValue(next == 0 ? categories : index - 1);
        return;
    }
    if (total <= 0)
        return;
    m_step->setText(u"%1 of %2"_s.arg(done).arg(total));
    m_bar->setRange(0, total);
    m_bar->setValue(done);
}

QString ProgressWindow::stepText() const
{
    return m_step->text();
}

void ProgressWindow::centre()
{
    const QScreen *screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
}
