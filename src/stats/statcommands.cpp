#include "statcommands.h"

#include "stathosts.h"
#include "statrequests.h"
#include "statsstate.h"

#include "core/hosts.h"
#include "core/session.h"
#include "link/commandlink.h"

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// One statistics walk from its first request to its report.
class Walk
{
public:
    Walk(Session &session, StatisticsPresenter &presenter) : m_session(session), m_presenter(presenter) {}

    // The connect handler of a first request: the progress window, then the request.
    void start(CommandLink &link)
    {
        StatsState &state = m_session.state<StatsState>();
        m_statistic = m_session.ActionCode;
        m_rows.clear();
        m_single.clear();
        state.StatRows.clear();
        m_presenter.walkStarted(m_statistic);
        link.send(Stats::firstRequestLine(m_statistic, state));
    }

    // One answer of the walk, stripped.
    void step(CommandLink &link, const QString &reply)
    {
        StatsState &state = m_session.state<StatsState>();
        const std::optional<int> n = Stats::codeNumber(link.tag());
        if (!n)
            throw HandlerFailure(5, u"The statistics step "_s + link.tag() + u" has no code"_s);
        std::optional<int> next;
        if (Stats::isShiftOrAnnual(m_statistic)) {
            next = Stats::nextWalkCode(m_statistic, *n);
            if (!next)
                link.CloseSocket();
            m_rows.append(reply);
        } else if (Stats::isSpecial(m_statistic)) {
            if (!Stats::isNumeric(reply))
                m_rows.append(reply);
            next = Stats::NextSpecialCode(*n, reply, m_rows);
        } else {
            // Not a walk this program starts: nothing to go on with.
            link.CloseSocket();
            link.ResetPointers();
            return;
        }
        state.StatRows = m_rows;
        m_presenter.walkAdvanced(m_statistic, int(m_rows.size()), Stats::walkLength(m_statistic), next.value_or(0));
        if (!next) {
            link.CloseSocket();
            m_presenter.walkEnded(m_statistic);
            link.ResetPointers();
            return;
        }
        link.follow(Command::STAT, Stats::stepRequestLine(*next, state), u"STAT"_s + Stats::codeText(*next));
    }

    // STAT00393: the one answer of the single-procedure statistic.
    void single()
    {
        StatsState &state = m_session.state<StatsState>();
        state.SingleProcedureResult = m_single.join(u"\r\n"_s);
        m_single.clear();
        m_presenter.walkAdvanced(m_statistic, 1, 1, 0);
        m_presenter.walkEnded(m_statistic);
    }

    void singleRecords(const RecordBatch &records)
    {
        for (const Record &record : records)
            m_single.append(record.join(u'|'));
    }

private:
    Session &m_session;
    StatisticsPresenter &m_presenter;
    ActionCode m_statistic = ActionCode::Empty;
    QStringList m_rows;
    QStringList m_single;
};

} // namespace

void bindStatsCommands(CommandLink &link, Session &session, StatisticsPresenter &presenter)
{
    auto walk = std::make_shared<Walk>(session, presenter);
    const auto starter = [walk](CommandLink &l) { walk->start(l); };
    const auto stepper = [walk] {
        return statisticsStep([walk](CommandLink &l, const QString &reply) { walk->step(l, reply); });
    };
    for (Command first : {Command::STAT001, Command::STAT00113, Command::STAT00237, Command::STAT00394,
                          Command::STAT00400}) {
        link.bind(first, starter, stepper());
    }
    link.bind(Command::STAT, {}, stepper());
    link.bind(Command::STAT00393, starter,
              recordsPerEvent([walk](CommandLink &, const RecordBatch &records) { walk->singleRecords(records); },
                              [walk](CommandLink &) { walk->single(); }));

    // PROCLIST, which the procedure window loads, is bound with the procedure picker: its handler
    // fills every ProcedureListHost.
}
