#include "examrequests.h"

#include "link/commandcatalogue.h"
#include "link/replyhelpers.h"
#include "link/wirecodec.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

bool isWholeNumber(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (!(c.isDigit() && c.unicode() < 128))
            return false;
    }
    return true;
}

QString quoted(QString text)
{
    return u'\'' + text.replace(u'\'', u"''"_s) + u'\'';
}

QString head(Command command)
{
    return u"CMD"_s + CommandCatalogue::entry(command).keyword + u'|';
}

// Shared by the new examination and the update: the values the server reads as numbers, the
// referrer, the date and the time.
QString commonProblem(const QString &xrayNo, const QString &patientId, const std::optional<int> &referrer,
                      const QDate &date, const QTime &time)
{
    if (!isWholeNumber(xrayNo) || StripLeadingZeros(xrayNo).isEmpty())
        return u"The field 'XRay No' must hold an X-ray number (digits only)."_s;
    if (!isWholeNumber(patientId))
        return u"Please choose the patient: 'Folder No' has no patient yet."_s;
    if (!referrer)
        return u"Please choose a location in 'Referred from'."_s;
    if (!date.isValid())
        return u"The field 'Visit Date' must hold a valid date (dd.mm.yyyy)."_s;
    if (!time.isValid())
        return u"The field 'Visit Time' must hold a valid time (HH:MM)."_s;
    return {};
}

} // namespace

bool ProcedureRow::isFilled() const
{
    return isWholeNumber(Icd9Id.trimmed());
}

QString paddedNumber(const QString &text)
{
    return text.size() <= 6 ? text.rightJustified(7, u'0') : text;
}

QStringList departmentNames(const QStringList &sessionNames)
{
    if (!sessionNames.isEmpty())
        return sessionNames;
    return {u"B3"_s, u"CT-Scan"_s, u"Mobile"_s, u"Ultrasound"_s, u"MRI"_s, u"Trauma"_s, u"Lodox"_s};
}

QString departmentName(const QStringList &names, const QString &code)
{
    bool ok = false;
    const int index = code.trimmed().toInt(&ok);
    return ok && index >= 0 && index < names.size() ? names.at(index) : QString();
}

QString visitDateText(const QDate &date)
{
    return date.toString(u"dd.MM.yyyy"_s);
}

QString visitTimeText(const QTime &time)
{
    return time.toString(u"HH:mm"_s);
}

QDate parseVisitDate(const QString &text)
{
    const QString t = text.trimmed();
    for (const QString &form : {u"d.M.yyyy"_s, u"yyyy-M-d"_s}) {
        if (const QDate date = QDate::fromString(t.left(form == u"yyyy-M-d"_s ? 10 : t.size()), form); date.isValid())
            return date;
    }
    return {};
}

QTime parseVisitTime(const QString &text)
{
    static const QRegularExpression form(u"^(?:\\d{4}-\\d{2}-\\d{2}[ T])?(\\d{1,2}):(\\d{2})(?::(\\d{2}))?$"_s);
    const QRegularExpressionMatch match = form.match(text.trimmed());
    if (!match.hasMatch())
        return {};
    return QTime(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
}

QString sqlDate(const QDate &date)
{
    return date.toString(u"yyyy-MM-dd"_s);
}

QString sqlTime(const QTime &time)
{
    // A time alone is a date-time on the base date.
    return u"1899-12-30 "_s + time.toString(u"HH:mm"_s);
}

QString StudyInsertString(const NewExamination &exam, std::int32_t archiveId, const QString &studyUid)
{
    const ExamClasses &c = exam.classes;
    const QStringList values = {
        exam.StudyId,
        exam.StudyNr,
        exam.StudyDesc,
        exam.PatientId,
        QString::number(archiveId),
        QString::number(exam.ReferrerId.value_or(0)),
        u"-2"_s,
        quoted(u"web_"_s + exam.PatientId + u'_' + exam.StudyId),
        c.officeHours == 0 ? u"0"_s : u"1"_s,
        c.hospitalPrivate == 0 ? u"0"_s : u"1"_s,
        c.inOut == 0 ? u"0"_s : c.inOut == 1 ? u"1"_s : u"2"_s,
        c.department >= 0 && c.department <= 5 ? QString::number(c.department) : u"6"_s,
        quoted(sqlDate(exam.date)),
        quoted(sqlTime(exam.time)),
        quoted(studyUid),
    };
    return head(Command::STDNEW) + values.join(u", "_s) + u"/CMD"_s;
}

QString ProcInsertString(const ProcedureRow &row)
{
    return head(Command::PROCSAVE) + row.XRayNo + u", "_s + row.Icd9Id + u", "_s + quoted(row.FolderNo) + u"/CMD"_s;
}

QString ProcUpdateString(const ProcedureRow &row, const QString &currentFolderNo)
{
    if (!row.ProcId.isEmpty())
        return head(Command::PROCUPDATE) + row.ProcId + u'|' + row.Icd9Id + u"/CMD"_s;
    return head(Command::PROCSAVE) + StripLeadingZeros(row.XRayNo) + u", "_s + row.Icd9Id + u", "_s
           + quoted(currentFolderNo) + u"/CMD"_s;
}

QString StudyUpdateString(const ExamUpdate &u)
{
    return QStringList{StripLeadingZeros(u.StudyNrOld),
                       QString::number(u.ReferrerId.value_or(0)),
                       sqlDate(u.date),
                       sqlTime(u.time),
                       QString::number(u.classes.inOut),
                       QString::number(u.classes.department),
                       QString::number(u.classes.officeHours),
                       QString::number(u.classes.hospitalPrivate),
                       u.StudyNr,
                       u.PatientId}
        .join(u'|');
}

QString newExaminationProblem(const NewExamination &exam)
{
    if (!isWholeNumber(exam.StudyId))
        return u"Please press 'New' or 'Find' next to 'XRay No' first: the examination has no study id yet."_s;
    if (const QString problem = commonProblem(exam.StudyNr, exam.PatientId, exam.ReferrerId, exam.date, exam.time);
        !problem.isEmpty())
        return problem;
    if (!isWholeNumber(exam.StudyDesc))
        return u"Please choose the patient again: the study description holds no X-ray number."_s;
    return {};
}

QString examUpdateProblem(const ExamUpdate &update)
{
    if (!isWholeNumber(update.StudyNrOld) || StripLeadingZeros(update.StudyNrOld).isEmpty())
        return u"The examination was not loaded: it has no X-ray number to update."_s;
    return commonProblem(update.StudyNr, update.PatientId, update.ReferrerId, update.date, update.time);
}

QString freeXRayWarning(std::int32_t count)
{
    if (count >= 100)
        return {};
    return u"Actually only "_s + QString::number(count) + u" free Xray numbers in the table Xray!\r\n"_s
           + u"Please create new Xray Numbers!!"_s;
}

QByteArray requestBytes(const QString &line)
{
    return WireCodec::encode(line);
}
