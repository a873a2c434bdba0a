#pragma once

#include "link/replyshapes.h"

#include <QList>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

// PATList: the patient list the search windows share, one row per patient record of a PATLIST reply
// with the record's eight fields as its columns. Rows arrive batch by batch while the reply streams
// in; a batch is added with the list's updates held, and a large one is added in slices so the
// window stays responsive while a search that matches a whole ward fills the list.
class PatientList : public QTreeWidget
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

    // Drops the rows, and the rows still waiting to be added.
    void clearRows();
    // Adds the records of one data event. A record with fewer than eight fields is broken and
    // skipped; fields past the eighth have no column and are left out.
    void addRecords(const RecordBatch &records);
    // Rows handed in but not yet added.
    bool isFilling() const { return !m_waiting.isEmpty(); }
    qsizetype skippedRecords() const { return m_skipped; }

    static QStringList fields(const QTreeWidgetItem *row);

signals:
    // Every row handed in so far is in the list.
    void filled();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void addSlice();
    void setProportionalWidths();

    ColumnWidths m_widths;
    QList<std::shared_ptr<const RecordBatch>> m_waiting;
    qsizetype m_next = 0; // the next record of the first waiting batch
    qsizetype m_skipped = 0;
    QTimer m_slices;
};
