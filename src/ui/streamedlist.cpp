#include "streamedlist.h"

#include <QElapsedTimer>
#include <QHeaderView>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// A slice of rows keeps the window from its other events for at most this long.
constexpr qint64 kSliceMs = 12;
// Once the list holds rows, arrived rows wait until as many as the list shows (at least this many)
// are waiting; a slice adds at most that many. The list at most doubles per relayout, so all the
// relayouts together cost about twice the last one.
constexpr qsizetype kBatchRows = 2000;
// Rows that wait for more are shown all the same after this long, or after longer for a long list:
// a relayout of a long list costs time of its own, which must stay a small share of the fill.
constexpr int kLatestMs = 60;
constexpr qsizetype kRowsPerLatestMs = 500;

// A row that reads its fields from the record's bytes when the list asks for them.
class RecordRow : public QTreeWidgetItem
{
public:
    RecordRow(std::shared_ptr<const RecordBatch> batch, qsizetype index) : m_batch(std::move(batch)), m_index(index)
    {
        setFlags(flags() | Qt::ItemNeverHasChildren);
    }

    QVariant data(int column, int role) const override
    {
        if (role != Qt::DisplayRole && role != Qt::EditRole)
            return QTreeWidgetItem::data(column, role);
        if (QVariant set = QTreeWidgetItem::data(column, role); set.isValid())
            return set;
        if (column < 0)
            return {};
        const QString field = m_batch->at(m_index).value(column); // fields past the record's last are empty
        const auto *list = static_cast<const StreamedList *>(treeWidget());
        return list ? list->shownField(column, field) : field;

    }

private:
    std::shared_ptr<const RecordBatch> m_batch;
    qsizetype m_index;
};

} // namespace

StreamedList::StreamedList(const QStringList &headers, QWidget *parent) : QTreeWidget(parent)
{
    setColumnCount(int(headers.size()));
    setHeaderLabels(headers);
    setRootIsDecorated(false);
    setUniformRowHeights(true); // rows of one height keep a list of 100 000 rows cheap to lay out
    setAllColumnsShowFocus(true);
    setAlternatingRowColors(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    header()->setSectionsMovable(false);

    m_slices.setSingleShot(true);
    m_slices.setInterval(0);
    connect(&m_slices, &QTimer::timeout, this, &StreamedList::addSlice);
    m_latest.setSingleShot(true);
    connect(&m_latest, &QTimer::timeout, this, &StreamedList::addSlice);
}

void StreamedList::clearRows()
{
    m_slices.stop();
    m_latest.stop();
    m_waiting.clear();
    m_waitingRows = 0;
    m_next = 0;
    m_skipped = 0;
    clear();
}

QString StreamedList::shownField(int, const QString &field) const
{
    return field;
}

bool StreamedList::acceptsRecord(QByteArrayView) const
{
    return true;
}

void StreamedList::addRecords(const RecordBatch &records)
{
    if (records.isEmpty())
        return;
    m_waiting.append(std::make_shared<const RecordBatch>(records));
    m_waitingRows += records.size();
    scheduleSlice();
}

void StreamedList::finish()
{
    m_latest.stop();
    if (!m_waiting.isEmpty() && !m_slices.isActive())
        addSlice();
}

void StreamedList::scheduleSlice()
{
    // A slice under way goes on by itself; the order is the server's.
    if (m_slices.isActive())
        return;
    const qsizetype shown = topLevelItemCount();
    if (shown == 0 || m_waitingRows >= std::max(kBatchRows, shown)) {
        m_latest.stop();
        addSlice();
    } else if (!m_latest.isActive()) {
        m_latest.start(int(std::max<qsizetype>(kLatestMs, shown / kRowsPerLatestMs)));
    }
}

void StreamedList::addSlice()
{
    m_latest.stop();
    QElapsedTimer clock;
    clock.start();
    const qsizetype sliceRows = std::max<qsizetype>(kBatchRows, topLevelItemCount());
    QList<QTreeWidgetItem *> rows;
    bool sliceFull = false;
    while (!m_waiting.isEmpty() && !sliceFull) {
        const std::shared_ptr<const RecordBatch> &batch = m_waiting.constFirst();
        while (m_next < batch->size()) {
            const qsizetype index = m_next++;
            --m_waitingRows;
            if (!acceptsRecord(batch->raw(index))) {
                // A broken record is dropped rather than carried into the next piece, where it would
                // be glued to the record that follows.
                ++m_skipped;
                continue;
            }
            rows.append(new RecordRow(batch, index));
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

QStringList StreamedList::rowFields(const QTreeWidgetItem *row) const
{
    QStringList values;
    if (!row)
        return values;
    for (int i = 0; i < columnCount(); ++i)
        values.append(row->text(i));
    return values;
}
