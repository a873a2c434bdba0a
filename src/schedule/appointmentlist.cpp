#include "appointmentlist.h"

#include "appointmentrecord.h"
#include "schedulestate.h"

#include "link/wirecodec.h"

#include <QHeaderView>

using namespace Qt::StringLiterals;

namespace {

// The record field each column shows; the time is shown as "hh:mm".
constexpr int kColumnField[] = {AppointmentField::AppointmentId, AppointmentField::Start,
                                AppointmentField::Surname,       AppointmentField::FirstName,
                                AppointmentField::BodyPart,      AppointmentField::Duration,
                                AppointmentField::Accession};

const QColor kMovedBackground(0xFF, 0xE7, 0xB3);

} // namespace

AppointmentList::AppointmentList(QWidget *parent)
    : StreamedList({u"AppID"_s, u"Time"_s, u"Last Name"_s, u"First Name"_s, u"Bodypart"_s, u"Duration"_s,
                    u"Accession number"_s, u"Delayed"_s},
                   parent)
{
    setObjectName(u"ListView1"_s);
    header()->setStretchLastSection(true);
    const int widths[] = {60, 60, 150, 130, 120, 70, 130};
    for (int c = 0; c < int(std::size(widths)); ++c)
        setColumnWidth(c, widths[c]);
}

qsizetype AppointmentList::showRecords(const QString &records, bool stopAtShortRecord)
{
    clearRows();
    // The rows hold their columns in order, so the list can decode them lazily like any other.
    QByteArray bytes;
    QList<std::pair<qsizetype, qsizetype>> lines;
    qsizetype shortRecord = -1;
    qsizetype index = -1;
    for (const QString &line : records.split(u"\r\n"_s)) {
        if (line.isEmpty())
            continue;
        ++index;
        const QStringList fields = line.split(u'|');
        QStringList columns;
        for (const int field : kColumnField) {
            QString value = fields.value(field);
            if (field == AppointmentField::Start)
                value = recordTime(value).toString(u"HH:mm"_s);
            columns.append(value);
        }
        const QByteArray row = WireCodec::encode(columns.join(u'|'));
        lines.append({bytes.size(), row.size()});
        bytes += row + "\r\n";
        if (fields.size() < AppointmentField::Count && shortRecord < 0) {
            shortRecord = index;
            if (stopAtShortRecord)
                break;
        }
    }
    addRecords(RecordBatch(bytes, lines));
    finish();
    return shortRecord;
}

void AppointmentList::markMoved(const ScheduleState &state, const QDate &day, std::int32_t modality)
{
    if (state.MovedAppointments.isEmpty())
        return;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = topLevelItem(i);
        const auto it = state.MovedAppointments.constFind(appointmentId(row));
        if (it == state.MovedAppointments.cend() || it->date != day || it->modality != modality)
            continue;
        const DelayMove &move = it->move;
        // Moved again or edited since: the mark would be wrong.
        if (row->text(Time) != move.to.toString(u"HH:mm"_s))
            continue;
        const QString mark = move.from.isValid()
                                 ? u"moved from %1 to %2"_s.arg(move.from.toString(u"HH:mm"_s), move.to.toString(u"HH:mm"_s))
                                 : u"moved to %1"_s.arg(move.to.toString(u"HH:mm"_s));
        row->setText(Delayed, mark);
        QFont bold = font();
        bold.setBold(true);
        for (int c = 0; c < ColumnCount; ++c) {
            row->setBackground(c, kMovedBackground);
            row->setFont(c, bold);
            row->setToolTip(c, mark);
        }
    }
}

std::int32_t AppointmentList::appointmentId(const QTreeWidgetItem *row)
{
    return row ? row->text(AppId).trimmed().toInt() : 0;
}
