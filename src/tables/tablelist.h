#pragma once

#include "ui/streamedlist.h"

#include <QList>
#include <QPoint>
#include <QStringList>

// The list of a reference table window: one row per record, its columns in the order of the record's
// fields (so a row's text of column n is field n), shown in the order the window gives. The id column
// is hidden. Presses are reported after the list has moved its selection, so the window reads the
// row the press chose.
class TableList : public StreamedList
{
    Q_OBJECT

public:
    // `headers`: one per field, in the record's order; `shownOrder`: the fields from left to right.
    TableList(const QString &name, const QStringList &headers, const QList<int> &shownOrder, int idField,
              QWidget *parent = nullptr);

    // The fields of the selected row; empty when no row is selected.
    QStringList selectedFields() const;

signals:
    void pressed(Qt::MouseButton button, const QPoint &globalPos);

protected:
    // A record is complete with as many fields as the list has columns; fields past them are left out.
    bool acceptsRecord(QByteArrayView record) const override;
    void mousePressEvent(QMouseEvent *event) override;
};
