#include "patientlist.h"

#include <QElapsedTimer>
#include <QHeaderView>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// A slice of rows keeps the window from its other events for at most this long.
constexpr qint64 kSliceMs = 12;
// And it adds at most half as many rows as the list holds already, but at least this many: the first
// rows show at once, the list is seen growing, and the relayout that follows every slice stays a
// fixed share of the work however long the list becomes.
constexpr qsizetype kFirstSliceRows = 2000;

// A row that keeps its record as the bytes it came in and reads its fields only when the list asks
// for them: of a list of 100 000 patients only the rows on screen are ever decoded.
class PatientRow : public QTreeWidgetItem
{
public:
    PatientRow(std::shared_ptr<const RecordBatch> batch, qsizetype index)
        : m_batch(std::move(batch)), m_index(index)
    {
        setFlags(flags() | Qt::ItemNeverHasChildren);
    }

    QVariant data(int column, int role) const override
    {
        if (role != Qt::DisplayRole && role != Qt::EditRole)
            return QTreeWidgetItem::data(column, role);
        if (QVariant set = QTreeWidgetItem::data(column, role); set.isValid())
            return set;
        if (column < 0 || column >= PatientList::FieldCount)
            return {};
        return m_batch->at(m_index).at(column);
    }

private:
    std::shared_ptr<const RecordBatch> m_batch;
    qsizetype m_index;
};

// A record is complete with eight fields, that is seven separators.
bool isComplete(QByteArrayView record)
{
    return record.count('|') >= PatientList::FieldCount - 1;
}

} // namespace

PatientList::PatientList(ColumnWidths widths, QWidget *parent) : QTreeWidget(parent), m_widths(widths)
{
    setObjectName(u"PATList"_s);
    setColumnCount(FieldCount);
    setHeaderLabels({u"PATID"_s, u"Folder No"_s, u"Surname"_s, u"First Name"_s, u"Initials"_s, u"Birthdate"_s,
                     u"Sex"_s, u"Race"_s});
    setRootIsDecorated(false);
    setUniformRowHeights(true); // rows of one height keep a list of 100 000 patients cheap to lay out
    setAllColumnsShowFocus(true);
    setAlternatingRowColors(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    header()->setSectionsMovable(false);
    if (m_widths == ColumnWidths::Proportional) {
        // Before the columns are hidden: turned off afterwards, the stretch would leave the hidden
        // columns' room in the header.
        header()->setStretchLastSection(false);
        setColumnHidden(PatId, true);
        setColumnHidden(Sex, true);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }

    m_slices.setSingleShot(true);
    m_slices.setInterval(0);
    connect(&m_slices, &QTimer::timeout, this, &PatientList::addSlice);
}

void PatientList::clearRows()
{
    m_slices.stop();
    m_waiting.clear();
    m_next = 0;
    m_skipped = 0;
    clear();
}

void PatientList::addRecords(const RecordBatch &records)
{
    if (records.isEmpty())
        return;
    m_waiting.append(std::make_shared<const RecordBatch>(records));
    // Rows go in at once unless earlier rows are still waiting: the order is the server's.
    if (!m_slices.isActive())
        addSlice();
}

void PatientList::addSlice()
{
    QElapsedTimer clock;
    clock.start();
    const qsizetype sliceRows = std::max<qsizetype>(kFirstSliceRows, topLevelItemCount() / 2);
    QList<QTreeWidgetItem *> rows;
    bool sliceFull = false;
    while (!m_waiting.isEmpty() && !sliceFull) {
        const std::shared_ptr<const RecordBatch> &batch = m_waiting.constFirst();
        while (m_next < batch->size()) {
            const qsizetype index = m_next++;
            if (!isComplete(batch->raw(index))) {
                // A broken record is dropped rather than carried into the next piece, where it would
                // be glued to the record that follows.
                ++m_skipped;
                continue;
            }
            // Fields past the eighth have no column and are never shown.
            rows.append(new PatientRow(batch, index));
            if (rows.size() >= sliceRows || ((rows.size() & 0xFF) == 0 && clock.elapsed() >= kSliceMs)) {
                sliceFull = true;
                break;
            }
        }
        if (m_next >= batch->size()) {
            m_waiting.removeFirst();
            m_next = 0;
        }
    }
    if (!rows.isEmpty()) {
        setUpdatesEnabled(false);
        addTopLevelItems(rows);
        setUpdatesEnabled(true);
    }
    if (m_waiting.isEmpty())
        emit filled();
    else
        m_slices.start();
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
