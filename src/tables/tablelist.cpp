#include "tablelist.h"

#include <QHeaderView>
#include <QMouseEvent>

TableList::TableList(const QString &name, const QStringList &headers, const QList<int> &shownOrder, int idField,
                     QWidget *parent)
    : StreamedList(headers, parent)
{
    setObjectName(name);
    header()->setStretchLastSection(false);
    for (int place = 0; place < shownOrder.size(); ++place)
        header()->moveSection(header()->visualIndex(shownOrder.at(place)), place);
    setColumnHidden(idField, true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

QStringList TableList::selectedFields() const
{
    const QList<QTreeWidgetItem *> rows = selectedItems();
    return rows.isEmpty() ? QStringList() : rowFields(rows.first());
}

bool TableList::acceptsRecord(QByteArrayView record) const
{
    return record.count('|') >= columnCount() - 1;
}

void TableList::mousePressEvent(QMouseEvent *event)
{
    StreamedList::mousePressEvent(event);
    emit pressed(event->button(), event->globalPosition().toPoint());
}
