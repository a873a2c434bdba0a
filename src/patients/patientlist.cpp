#include "patientlist.h"

#include <QHeaderView>

using namespace Qt::StringLiterals;

PatientList::PatientList(ColumnWidths widths, QWidget *parent)
    : StreamedList({u"PATID"_s, u"Folder No"_s, u"Surname"_s, u"First Name"_s, u"Initials"_s, u"Birthdate"_s,
                    u"Sex"_s, u"Race"_s},
                   parent)
    , m_widths(widths)
{
    setObjectName(u"PATList"_s);
    if (m_widths == ColumnWidths::Proportional) {
        // Before the columns are hidden: turned off afterwards, the stretch would leave the hidden
        // columns' room in the header.
        header()->setStretchLastSection(false);
        setColumnHidden(PatId, true);
        setColumnHidden(Sex, true);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
}

bool PatientList::acceptsRecord(QByteArrayView record) const
{
    return record.count('|') >= FieldCount - 1;
}

QStringList PatientList::fields(const QTreeWidgetItem *row)
{
    QStringList values;
    if (!row)
        return values;
    for (int i = 0; i < FieldCount; ++i)
        values.append(row->text(i));
    return values;
}

void PatientList::resizeEvent(QResizeEvent *event)
{
    QTreeWidget::resizeEvent(event);
    if (m_widths == ColumnWidths::Proportional)
        setProportionalWidths();
}

void PatientList::setProportionalWidths()
{
    // Folder number, names and birth date a fifth of the width each; initials and race a tenth.
    const int w = viewport()->width();
    for (const int column : {int(FolderNo), int(Surname), int(FirstName), int(Birthdate)})
        setColumnWidth(column, w / 5);
    setColumnWidth(Initials, w / 10);
    setColumnWidth(Race, w - 4 * (w / 5) - w / 10);
}
