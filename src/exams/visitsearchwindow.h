#pragma once

#include "examhosts.h"

#include "ui/taskdesk.h"

#include <QWidget>

class QLineEdit;
class QTreeWidgetItem;
class VisitList;

// The two examination finders: fEditVisit ("Find Examination/Visit"), whose click opens the edit
// dialog for the examination, and fFindVisit ("Find Visit / Examination"), the finder of the report
// window, whose click hands the examination to its OwnerWindow (an ExamPickHost). Both search with
// STDLIST by X-ray number and/or folder number; their list fills the window.
class VisitSearchWindow : public QWidget, public VisitListHost
{
    Q_OBJECT

public:
    enum class Kind { Edit, Finder };

    VisitSearchWindow(Kind kind, const TaskContext &context, QWidget *parent = nullptr);
    ~VisitSearchWindow() override;

    void addVisitRecords(const RecordBatch &records) override;
    void visitListComplete() override;
    VisitList &visits() { return *m_visits; }
    void closeTask();

    static const QString EditCaption;
    static const QString FinderCaption;

private:
    void onSearch();
    void onClicked(QTreeWidgetItem *row);

    Kind m_kind;
    TaskContext m_context;
    QLineEdit *m_xrayNo = nullptr;
    QLineEdit *m_folderNo = nullptr;
    VisitList *m_visits = nullptr;
};
