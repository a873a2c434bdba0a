#include "visitsearchwindow.h"

#include "editvisitdetailsdialog.h"
#include "examrequests.h"
#include "visitlist.h"

#include "core/hosts.h"
#include "core/prompter.h"
#include "core/session.h"
#include "link/commandlink.h"
#include "link/replyhelpers.h"
#include "patients/patientrules.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

const QString VisitSearchWindow::EditCaption = u"Find Examination/Visit"_s;
const QString VisitSearchWindow::FinderCaption = u"Find Visit / Examination"_s;

namespace {
const QString kTitle = u"ZEL-Client"_s;
const QString kInsertSomething = u"Please insert 'XRay No' and/or 'Folder No'!"_s;
const QString kInsertThreeDigits = u"Please insert at leased 3 digits into 'Folder No' and/or 3 digits into 'XRay No'."
                                   u"\r\n\r\nTip: Wildscard (? amd *) are allowed."_s;
} // namespace

VisitSearchWindow::VisitSearchWindow(Kind kind, const TaskContext &context, QWidget *parent)
    : QWidget(parent)
    , m_kind(kind)
    , m_context(context)
{
    setObjectName(kind == Kind::Edit ? u"fEditVisit"_s : u"fFindVisit"_s);
    setWindowTitle(kind == Kind::Edit ? EditCaption : FinderCaption);
    setWindowIcon(QApplication::windowIcon());
    setAutoFillBackground(true);
    QPalette grey = palette();
    grey.setColor(QPalette::Window, QColor(0xE4, 0xE4, 0xE4));
    setPalette(grey);

    m_xrayNo = Ui::named<QLineEdit>(u"StudyID"_s, this);
    m_folderNo = Ui::named<QLineEdit>(u"PATID1"_s, this);
    auto *find = Ui::button(u"Find"_s, u"cmdSearch"_s, this);
    find->setDefault(true);
    auto *search = new QGridLayout;
    search->setHorizontalSpacing(8);
    search->addWidget(new QLabel(u"Insert' XRay No':"_s, this), 0, 0);
    search->addWidget(m_xrayNo, 0, 1);
    search->addWidget(new QLabel(u"and/or 'Folder No':"_s, this), 0, 2);
    search->addWidget(m_folderNo, 0, 3);
    search->addWidget(find, 0, 4);
    search->setColumnStretch(1, 1);
    search->setColumnStretch(3, 1);
    search->setColumnStretch(5, 2);

    m_visits = new VisitList(kind == Kind::Edit ? VisitList::Columns::Edit : VisitList::Columns::Finder,
                             departmentNames(m_context.session.DepartmentNames), this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 16, 16);
    layout->addLayout(search);
    layout->addWidget(m_visits, 1);

    connect(find, &QPushButton::clicked, this, &VisitSearchWindow::onSearch);
    connect(m_xrayNo, &QLineEdit::returnPressed, this, &VisitSearchWindow::onSearch);
    connect(m_folderNo, &QLineEdit::returnPressed, this, &VisitSearchWindow::onSearch);
    connect(m_visits, &QTreeWidget::itemClicked, this, &VisitSearchWindow::onClicked);
    if (kind == Kind::Finder) {
        connect(m_visits, &QTreeWidget::itemDoubleClicked, this, [this] {
            if (auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget()))
                frame->hide();
            else
                hide();
        });
    }
    connect(&m_context.link, &CommandLink::busyEnded, this, [this] { unsetCursor(); });
}

VisitSearchWindow::~VisitSearchWindow() = default;

void VisitSearchWindow::onSearch()
{
    const QString xray = m_xrayNo->text();
    const QString folder = m_folderNo->text();
    if (m_kind == Kind::Edit && xray.isEmpty() && folder.isEmpty()) {
        m_context.prompter.error(kTitle, kInsertSomething);
        return;
    }
    if (m_kind == Kind::Finder && xray.size() <= 2 && folder.size() <= 2) {
        m_context.prompter.information(kTitle, kInsertThreeDigits);
        return;
    }
    if (const QString problem = typedTextProblem({{u"XRay No"_s, xray}, {u"Folder No"_s, folder}}); !problem.isEmpty()) {
        m_context.prompter.warning(kTitle, problem);
        return;
    }
    Session &session = m_context.session;
    session.SearchXRayNo = xray.isEmpty() ? u"%"_s : StripLeadingZeros(SqlWildcards(xray));
    session.SearchFolderNo = folder.isEmpty() ? u"%"_s : SqlWildcards(folder);
    m_visits->clearRows();
    session.TargetWindow = this;
    m_context.link.StartCommand(Command::STDLIST);
    Ui::setBusy(*this);
}

void VisitSearchWindow::onClicked(QTreeWidgetItem *row)
{
    const QStringList fields = m_visits->rowFields(row);
    if (fields.isEmpty())
        return;
    if (m_kind == Kind::Finder) {
        if (ExamPickHost *owner = ownerHost<ExamPickHost>(m_context.session))
            owner->examinationPicked({fields});
        return;
    }
    m_context.session.SearchXRayNo = StripLeadingZeros(fields.value(VisitList::XRayNo));
    EditVisitDetailsDialog details(m_context, fields.value(VisitList::FolderNo),
                                   fields.value(VisitList::Surname) + u' ' + fields.value(VisitList::FirstName),
                                   fields.value(VisitList::XRayNo), this);
    details.exec();
    // A saved update closes the finder; after "Cancel" or a deletion it stays with its list.
    if (details.updated())
        closeTask();
}

void VisitSearchWindow::addVisitRecords(const RecordBatch &records)
{
    m_visits->addRecords(records);
}

void VisitSearchWindow::visitListComplete()
{
    m_visits->finish();
}

void VisitSearchWindow::closeTask()
{
    Ui::closeTaskWindow(*this);
}
