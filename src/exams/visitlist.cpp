#include "visitlist.h"

#include "examrequests.h"

#include <QHeaderView>

using namespace Qt::StringLiterals;

namespace {

QStringList headers(VisitList::Columns columns)
{
    QStringList seven{u"Folder No"_s, u"Surname"_s, u"Firstname"_s, u"Department"_s,
                      u"XRay No"_s,   u"Exam. Date"_s, u"Exam. Time"_s};
    switch (columns) {
    case VisitList::Columns::Edit:
        return seven;
    case VisitList::Columns::Finder:
        return seven + QStringList{u"StudyUID"_s, u"StudyDesc"_s, u"PATID"_s};
    case VisitList::Columns::NewVisit:
        return seven + QStringList{u"StudyDesc"_s, u"StudyNo"_s, u"PATID"_s};
    }
    return seven;
}

} // namespace

VisitList::VisitList(Columns columns, const QStringList &departmentNames, QWidget *parent)
    : StreamedList(headers(columns), parent)
    , m_columns(columns)
    , m_departments(departmentNames)
{
    setObjectName(u"Visits"_s);
    if (m_columns != Columns::NewVisit) {
        header()->setStretchLastSection(m_columns == Columns::Finder);
        if (m_columns == Columns::Finder)
            setColumnHidden(StudyUid, true);
        // The columns share the width: nothing to scroll to.
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
}

QString VisitList::shownField(int column, const QString &field) const
{
    switch (column) {
    case Department:
        return departmentName(m_departments, field);
    case XRayNo:
        return paddedNumber(field);
    default:
        return field;
    }
}

bool VisitList::acceptsRecord(QByteArrayView record) const
{
    return record.count('|') >= 7;
}

void VisitList::resizeEvent(QResizeEvent *event)
{
    StreamedList::resizeEvent(event);
    if (m_columns == Columns::NewVisit)
        return;
    // The first seven columns share the width; in the finder the last two keep theirs.
    const int designed = 90;
    const int w = viewport()->width() - (m_columns == Columns::Finder ? 2 * designed : 0);
    for (int c = 0; c < 7; ++c)
        setColumnWidth(c, std::max(40, w / 7));
    if (m_columns == Columns::Finder)
        setColumnWidth(StudyDesc, designed);
}
