#include "locationlist.h"

#include "tablerules.h"

#include <QAbstractItemModel>

using namespace Qt::StringLiterals;

const QString LocationList::VisibleMark = u"X"_s;

LocationList::LocationList(QWidget *parent)
    : TableList(u"Ueberweiser"_s, {u"ID"_s, u"Location/Referrer"_s, u"Visible"_s}, {Name, Visible, Id}, Id, parent)
{
    headerItem()->setTextAlignment(Visible, Qt::AlignCenter);
    // The record carries the flag as a truth value; the column shows the mark.
    connect(model(), &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &parentIndex, int first, int last) {
                if (!parentIndex.isValid())
                    markVisible(first, last);
            });
}

void LocationList::markVisible(int first, int last)
{
    for (int row = first; row <= last; ++row) {
        QTreeWidgetItem *item = topLevelItem(row);
        item->setText(Visible, truthValue(item->text(Visible)).value_or(false) ? VisibleMark : QString());
        item->setTextAlignment(Visible, Qt::AlignCenter);
    }
}
