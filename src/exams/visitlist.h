#pragma once

#include "ui/streamedlist.h"

#include <QStringList>

// Visits: the examination list that STDLIST fills (VisitListInsert), one row per examination record
// with its fields in the record's order: the department code shown by name, an X-ray number of 6
// characters or fewer padded with "0" to 7. A record is complete with eight fields; fields past the
// list's columns are not shown.
class VisitList : public StreamedList
{
    Q_OBJECT

public:
    enum class Columns {
        Edit,     // fEditVisit: the first seven fields
        Finder,   // fFindVisit: all ten, the UID hidden
        NewVisit, // fNewVisit: all ten, under the new examination window's captions
    };
    enum Field { FolderNo, Surname, FirstName, Department, XRayNo, Date, Time, StudyUid, StudyDesc, PatientId };

    VisitList(Columns columns, const QStringList &departmentNames, QWidget *parent = nullptr);

    QString shownField(int column, const QString &field) const override;

protected:
    bool acceptsRecord(QByteArrayView record) const override;
    void resizeEvent(QResizeEvent *event) override;

private:
    Columns m_columns;
    QStringList m_departments;
};
