#include "statisticwindow.h"

#include "previewwindow.h"
#include "statreport.h"
#include "statsstate.h"

#include "core/session.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QResizeEvent>
#include <QScopeGuard>
#include <QTextEdit>

using namespace Qt::StringLiterals;

const QString StatisticWindow::Caption = u"Statistic Report"_s;

namespace {
// The text box keeps the width of a printed page; the window centres it.
constexpr int kBoxWidth = 820;
constexpr int kMargin = 12;
// 60 and 360 twips of the centring rule, in pixels.
constexpr int kLeftAllowance = 4;
constexpr int kTopAllowance = 24;
constexpr int kButtonGap = 6;
} // namespace

StatisticWindow::StatisticWindow(TaskDesk &desk, ActionCode statistic, QDateTime now, QWidget *parent)
    : QWidget(parent)
    , m_desk(desk)
    , m_context(desk.context())
    , m_statistic(statistic)
    , m_now(std::move(now))
{
    setObjectName(u"fStatistic"_s);
    setWindowTitle(Caption);
    setWindowIcon(QApplication::windowIcon());
    setMinimumSize(480, 320);

    m_text = Ui::named<QTextEdit>(u"StatTextbox"_s, this);
    m_text->setAcceptRichText(true);
    m_text->setLineWrapMode(QTextEdit::NoWrap);
    m_print = Ui::button(u"Print"_s, u"cmdPrint"_s, this);
    m_close = Ui::button(u"Close"_s, u"cmdClose"_s, this);

    StatReport::startDocument(*m_text->document());
    m_bez = StatReport::heading(m_statistic, m_now);

    connect(m_print, &QPushButton::clicked, this, &StatisticWindow::onPrint);
    connect(m_close, &QPushButton::clicked, this, [this] { Ui::closeTaskWindow(*this); });
}

void StatisticWindow::build()
{
    StatReport report(*m_text->document(), m_context.session.state<StatsState>(), m_now);
    // The view starts at the top of the report, whatever the builders left the caret at.
    const auto toTop = qScopeGuard([this] { m_text->moveCursor(QTextCursor::Start); });
    report.StatInsert(m_statistic, m_bez);
}

void StatisticWindow::onPrint()
{
    auto *preview = new PreviewWindow(m_context, m_text);
    m_desk.openInWorkspace(preview)->showMaximized();
}

void StatisticWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    place();
}

// The text box is centred: left = (width - box width - 60 twips) / 2, top = (height - box height -
// 360 twips) / 2, with the buttons in the allowance below it.
void StatisticWindow::place()
{
    const int buttonHeight = m_print->sizeHint().height();
    const int boxWidth = std::max(200, std::min(kBoxWidth, width() - 2 * kMargin));
    const int boxHeight = std::max(120, height() - 2 * kMargin - kTopAllowance - buttonHeight);
    const int left = (width() - boxWidth - kLeftAllowance) / 2;
    const int top = (height() - boxHeight - kTopAllowance - buttonHeight) / 2;
    m_text->setGeometry(left, top, boxWidth, boxHeight);
    const int buttonWidth = std::max(m_print->sizeHint().width(), 90);
    const int buttonsTop = top + boxHeight + kButtonGap;
    m_print->setGeometry(left + boxWidth - 2 * buttonWidth - kButtonGap, buttonsTop, buttonWidth, buttonHeight);
    m_close->setGeometry(left + boxWidth - buttonWidth, buttonsTop, buttonWidth, buttonHeight);
}
