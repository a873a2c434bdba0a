#include "procedurelist.h"

#include <QHeaderView>

using namespace Qt::StringLiterals;

namespace {
// The designed widths, in pixels (15 twips each).
constexpr int kXRayWidth = 67;   // 1000 twips
constexpr int kFolderWidth = 75; // 1120 twips
constexpr int kCodeWidth = 67;   // 1000 twips
constexpr int kIdWidth = 60;
} // namespace

ProcedureList::ProcedureList(Kind kind, QWidget *parent) : QTreeWidget(parent)
{
    setObjectName(u"Procedures"_s);
    QStringList headers{u"XRay No"_s, u"Folder No"_s, u"Procedure"_s, u"Code"_s, u"ICD9ID"_s};
    if (kind == Kind::StoredExamination)
        headers.append(u"ProcID"_s);
    setColumnCount(int(headers.size()));
    setHeaderLabels(headers);
    setRootIsDecorated(false);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
}

QList<ProcedureRow> ProcedureList::rows() const
{
    QList<ProcedureRow> out;
    for (int i = 0; i < topLevelItemCount(); ++i)
        out.append(row(i));
    return out;
}

ProcedureRow ProcedureList::row(int index) const
{
    const QTreeWidgetItem *item = topLevelItem(index);
    if (!item)
        return {};
    return {item->text(XRayNo), item->text(FolderNo), item->text(Procedure),
            item->text(Code),   item->text(Icd9Id),   columnCount() > ProcId ? item->text(ProcId) : QString()};
}

void ProcedureList::appendRow(const ProcedureRow &r)
{
    auto *item = new QTreeWidgetItem(this);
    item->setText(XRayNo, r.XRayNo);
    item->setText(FolderNo, r.FolderNo);
    item->setText(Procedure, r.Procedure);
    item->setText(Code, r.Code);
    item->setText(Icd9Id, r.Icd9Id);
    if (columnCount() > ProcId)
        item->setText(ProcId, r.ProcId);
    m_current = topLevelItemCount() - 1;
}

void ProcedureList::clearRows()
{
    clear();
    m_current = -1;
}

void ProcedureList::applyPick(const ProcedureRow &pick)
{
    QTreeWidgetItem *item = topLevelItem(m_current);
    if (!item)
        return;
    item->setText(XRayNo, pick.XRayNo);
    item->setText(Procedure, pick.Procedure);
    item->setText(Code, pick.Code);
    item->setText(Icd9Id, pick.Icd9Id);
    if (m_current == topLevelItemCount() - 1)
        appendRow({pick.XRayNo, pick.FolderNo, {}, {}, {}, {}});
}

void ProcedureList::resizeEvent(QResizeEvent *event)
{
    QTreeWidget::resizeEvent(event);
    setColumnWidth(XRayNo, kXRayWidth);
    setColumnWidth(FolderNo, kFolderWidth);
    setColumnWidth(Code, kCodeWidth);
    setColumnWidth(Icd9Id, kIdWidth);
    if (columnCount() > ProcId)
        setColumnWidth(ProcId, kIdWidth);
    // The procedure takes the rest, so the id columns stay in view.
    const int ids = columnCount() > ProcId ? 2 * kIdWidth : kIdWidth;
    setColumnWidth(Procedure, std::max(120, viewport()->width() - kXRayWidth - kFolderWidth - kCodeWidth - ids));
}
