#pragma once

#include "ui/streamedlist.h"

// PATList: the patient list the search windows share, one row per patient record of a PATLIST reply
// with the record's eight fields as its columns.
class PatientList : public StreamedList
{
    Q_OBJECT

public:
    static constexpr int FieldCount = 8;
    enum Field { PatId, FolderNo, Surname, FirstName, Initials, Birthdate, Sex, Race };

    enum class ColumnWidths {
        Designed,     // the widths the window gives the columns
        Proportional, // the columns share the list's width; the internal id and the sex are hidden
    };

    explicit PatientList(ColumnWidths widths, QWidget *parent = nullptr);

    static QStringList fields(const QTreeWidgetItem *row);

protected:
    // A record is complete with eight fields; fields past the eighth have no column and are left out.
    bool acceptsRecord(QByteArrayView record) const override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void setProportionalWidths();

    ColumnWidths m_widths;
};
