#pragma once

#include "link/replyshapes.h"

#include <QList>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

// The list every list filler of the program fills: one row per record of a list reply, added batch
// by batch while the reply streams in. Rows keep their record as the bytes it came in and decode it
// only when the list asks for a field, so only the rows on screen are ever decoded.
//
// A list view lays out all its rows again after every insertion, so inserting each data event's few
// records as they come would cost time in proportion to the rows already shown, for every piece of
// the reply. Rows are therefore inserted in batches that grow with the list: the first records show
// at once, later ones are added when half as many again are waiting, when the reply is complete
// (finish()), or at the latest a moment after they arrived. A large batch is added in slices so the
// window stays responsive.
class StreamedList : public QTreeWidget
{
    Q_OBJECT

public:
    explicit StreamedList(const QStringList &headers, QWidget *parent = nullptr);

    // Drops the rows, and the rows still waiting to be added.
    void clearRows();
    // Takes the complete records of one data event. Records the list does not accept (acceptsRecord)
    // are broken and skipped.
    void addRecords(const RecordBatch &records);
    // The reply is complete: what is waiting goes in now.
    void finish();

    // Rows handed in but not yet added.
    bool isFilling() const { return !m_waiting.isEmpty(); }
    qsizetype skippedRecords() const { return m_skipped; }

    // The fields of a row as the list shows them, one per column.
    QStringList rowFields(const QTreeWidgetItem *row) const;
    // How a record's field is shown in its column; by default as the record gives it.
    virtual QString shownField(int column, const QString &field) const;

signals:
    // Every row handed in so far is in the list.
    void filled();

protected:
    // Whether a record can make a row; by default every record can.
    virtual bool acceptsRecord(QByteArrayView record) const;

private:
    void addSlice();
    void scheduleSlice();

    QList<std::shared_ptr<const RecordBatch>> m_waiting;
    qsizetype m_waitingRows = 0;
    qsizetype m_next = 0; // the next record of the first waiting batch
    qsizetype m_skipped = 0;
    QTimer m_slices;  // the next slice of a batch being added
    QTimer m_latest;  // rows that wait for more never wait longer than this
};
