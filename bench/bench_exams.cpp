// The examination list under a 100 000-examination STDLIST reply, handed in as the link hands it
// (record batches of one data event each, 1 460 bytes a piece), until the last row is in and the list
// painted: VisitList (the department by name, short X-ray numbers padded, done for the rows shown)
// against the plain StreamedList it derives from, same records, same window size. Goal: within 1.2x.

#include "exams/visitlist.h"
#include "link/replyshapes.h"
#include "ui/streamedlist.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr int kExaminations = 100000;
constexpr int kRounds = 5;
constexpr qsizetype kPiece = 1460;

// The reply's records cut at the CR LF before each piece boundary, as the record shapes cut them.
QList<RecordBatch> batches()
{
    QByteArray all;
    for (int i = 0; i < kExaminations; ++i) {
        all += QByteArray::number(10000000 + i) + "|Surname" + QByteArray::number(i) + "|First|"
               + QByteArray::number(i % 7) + '|' + QByteArray::number(50000 + i) + "|05.03.2008|14:35|2.25."
               + QByteArray::number(i) + '|' + QByteArray::number(50000 + i) + '|' + QByteArray::number(i) + "\r\n";
    }
    QList<RecordBatch> out;
    qsizetype start = 0;
    while (start < all.size()) {
        qsizetype end = std::min(all.size(), start + kPiece);
        end = all.lastIndexOf("\r\n", end - 1) + 2;
        if (end <= start)
            end = all.indexOf("\r\n", start) + 2;
        QByteArray bytes = all.mid(start, end - start);
        QList<std::pair<qsizetype, qsizetype>> lines;
        for (qsizetype at = 0; at < bytes.size();) {
            const qsizetype nl = bytes.indexOf("\r\n", at);
            lines.append({at, nl - at});
            at = nl + 2;
        }
        out.append(RecordBatch(bytes, lines));
        start = end;
    }
    return out;
}

double fill(StreamedList &list, const QList<RecordBatch> &pieces)
{
    list.clearRows();
    list.resize(1200, 700);
    list.show();
    QEventLoop loop;
    QElapsedTimer clock;
    double ms = 0;
    const auto done = QObject::connect(&list, &StreamedList::filled, &loop, [&] {
        if (list.topLevelItemCount() < kExaminations)
            return;
        list.viewport()->repaint();
        ms = double(clock.nsecsElapsed()) / 1e6;
        loop.quit();
    });
    clock.start();
    for (const RecordBatch &b : pieces)
        list.addRecords(b);
    list.finish();
    loop.exec();
    QObject::disconnect(done);
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QList<RecordBatch> pieces = batches();
    const QStringList headers{u"Folder No"_s, u"Surname"_s, u"Firstname"_s, u"Department"_s, u"XRay No"_s,
                              u"Exam. Date"_s, u"Exam. Time"_s};
    StreamedList plain(headers);
    VisitList visits(VisitList::Columns::Edit,
                     {u"B3"_s, u"CT-Scan"_s, u"Mobile"_s, u"Ultrasound"_s, u"MRI"_s, u"Trauma"_s, u"Lodox"_s});
    double best[2] = {1e12, 1e12};
    for (int round = 0; round < kRounds; ++round) {
        best[0] = std::min(best[0], fill(plain, pieces));
        best[1] = std::min(best[1], fill(visits, pieces));
    }
    std::printf("%d examinations in %lld pieces: StreamedList %.1f ms, VisitList %.1f ms, ratio %.2f (goal <= 1.2)\n",
                kExaminations, qlonglong(pieces.size()), best[0], best[1], best[1] / best[0]);
    return 0;
}
