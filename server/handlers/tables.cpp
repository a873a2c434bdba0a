// The reference table maintenance: every referring location with its visibility flag, and the
// updates and inserts of referring locations, doctors and procedure codes. The lists the examination
// and report windows load are served from reference.cpp; what is stored here shows there at once.

#include "handlers.h"

#include "commandcontext.h"
#include "commandregistry.h"
#include "commandrequest.h"
#include "database.h"
#include "replywriter.h"
#include "servererrors.h"
#include "sqlvaluelist.h"

#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

QString text(const QVariant &value)
{
    return value.isNull() ? QString() : value.toString();
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// An id as the client writes it: a whole number above 0, blanks around allowed.
std::optional<qint64> wholeId(const QString &field)
{
    const QString t = field.trimmed();
    if (t.isEmpty() || t.size() > 18 || !std::all_of(t.cbegin(), t.cend(), isAsciiDigit))
        return std::nullopt;
    const qint64 id = t.toLongLong();
    return id > 0 ? std::optional(id) : std::nullopt;
}

// A flag as the client writes it: 0 or 1 (or False / True).
std::optional<int> flag(const QString &field)
{
    const QString t = field.trimmed();
    if (t == u"1"_s || t.compare(u"True"_s, Qt::CaseInsensitive) == 0)
        return 1;
    if (t == u"0"_s || t.compare(u"False"_s, Qt::CaseInsensitive) == 0)
        return 0;
    return std::nullopt;
}

// SpInvHead and SpInv: NULL (any case), or a number in plain decimal notation. A whole number is
// stored as one.
std::optional<QVariant> numberOrNull(const QString &field)
{
    const QString t = field.trimmed();
    if (t.compare(u"NULL"_s, Qt::CaseInsensitive) == 0)
        return QVariant();
    qsizetype i = (t.startsWith(u'-') || t.startsWith(u'+')) ? 1 : 0;
    qsizetype digits = 0;
    bool point = false;
    for (; i < t.size(); ++i) {
        if (isAsciiDigit(t[i]))
            ++digits;
        else if (t[i] == u'.' && !point)
            point = true;
        else
            return std::nullopt;
    }
    if (digits == 0)
        return std::nullopt;
    bool ok = false;
    if (!point) {
        const qint64 whole = t.toLongLong(&ok);
        if (ok)
            return QVariant(whole);
    }
    const double value = t.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return QVariant(value);
}

bool hasLineBreak(const QString &text)
{
    return text.contains(u'\r') || text.contains(u'\n');
}

// The client sends line breaks as LF; they are stored as the CR LF of a Windows text box.
QString storedLines(QString text)
{
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(u'\r', u'\n');
    return text.replace(u'\n', u"\r\n"_s);
}

// A text of a "|"-joined update list: the client doubles its quotes as in a quoted SQL value.
QString plainText(const QString &field)
{
    return QString(field).replace(u"''"_s, u"'"_s);
}

// A name that the lists show on one line; empty when it may be stored.
QString nameProblem(const QString &what, const QString &name)
{
    if (name.trimmed().isEmpty())
        return what + u" is empty"_s;
    if (hasLineBreak(name))
        return what + u" must be one line"_s;
    return {};
}

// Runs an update or insert; 1 when a row was written, 0 when no row matched or the database refused
// the row (an id in use).
void writeRow(QSqlQuery &query, ReplyWriter &reply)
{
    QString error;
    if (!Database::run(query, &error)) {
        reply.number(0);
        return;
    }
    reply.number(query.numRowsAffected() > 0 ? 1 : 0);
}

void refuse(ReplyWriter &reply, const QString &command, const QString &why)
{
    reply.error(ServerErrors::BadArgument, command + u": "_s + why);
}

// The values of an SQL value list, or nothing (and the error reply) when there are not `count`.
std::optional<QList<SqlValueList::Value>> valueList(const CommandRequest &request, qsizetype count,
                                                    const QString &command, ReplyWriter &reply)
{
    QString error;
    std::optional<QList<SqlValueList::Value>> values = SqlValueList::parse(request.argumentText, &error);
    if (values && values->size() != count)
        error = u"%1 values expected, got %2"_s.arg(count).arg(values->size());
    if (!values || values->size() != count) {
        refuse(reply, command, error);
        return std::nullopt;
    }
    return values;
}

// The argument fields of a "|"-joined list, or nothing (and the error reply) when there are not `count`.
bool fieldCount(const CommandRequest &request, qsizetype count, const QString &command, ReplyWriter &reply)
{
    if (request.arguments.size() == count)
        return true;
    refuse(reply, command, u"%1 fields expected, got %2"_s.arg(count).arg(request.arguments.size()));
    return false;
}

// --- referring locations

// Every referring location, offered or not: id, name, visibility flag (1 or 0), in the order the
// examination windows list them.
void referrerTable(const CommandRequest &, ReplyWriter &reply, CommandContext &context)
{
    QSqlQuery query = context.database.prepare(
        u"SELECT UeberweiserID, UeberweiserName, Zel FROM tblUeberweiser ORDER BY UeberweiserName, UeberweiserID"_s);
    query.setForwardOnly(true);
    QString error;
    if (!Database::run(query, &error)) {
        reply.error(ServerErrors::DatabaseFailure, error);
        return;
    }
    reply.beginRecords();
    while (query.next())
        reply.record({text(query.value(0)), text(query.value(1)), query.value(2).toInt() != 0 ? u"1"_s : u"0"_s});
    reply.endRecords();
}

struct Referrer
{
    qint64 id = 0;
    QString name;
    int visible = 0;
};

bool checkReferrer(const QString &command, const QString &id, const QString &name, const QString &visible,
                   Referrer &referrer, ReplyWriter &reply)
{
    const std::optional<qint64> number = wholeId(id);
    const std::optional<int> shown = flag(visible);
    if (!number) {
        refuse(reply, command, u"the id must be a whole number above 0"_s);
        return false;
    }
    if (const QString problem = nameProblem(u"the name"_s, name); !problem.isEmpty()) {
        refuse(reply, command, problem);
        return false;
    }
    if (!shown) {
        refuse(reply, command, u"the visibility flag must be 0 or 1"_s);
        return false;
    }
    referrer = {*number, name, *shown};
    return true;
}

// "ID|name|flag".
void referrerUpdate(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    const QString command = u"Refphysupdate"_s;
    Referrer r;
    if (!fieldCount(request, 3, command, reply)
        || !checkReferrer(command, request.arguments.at(0), plainText(request.arguments.at(1)), request.arguments.at(2),
                          r, reply))
        return;
    QSqlQuery query = context.database.prepare(
        u"UPDATE tblUeberweiser SET UeberweiserName = :name, Zel = :zel WHERE UeberweiserID = :id"_s);
    query.bindValue(u":name"_s, r.name);
    query.bindValue(u":zel"_s, r.visible);
    query.bindValue(u":id"_s, r.id);
    writeRow(query, reply);
}

// "ID, 'name', flag": the id was drawn with NewID.
void referrerInsert(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    const QString command = u"Refphysinsert"_s;
    const auto values = valueList(request, 3, command, reply);
    if (!values)
        return;
    if (values->at(1).kind != SqlValueList::Value::Kind::Text) {
        refuse(reply, command, u"the name must be a quoted text"_s);
        return;
    }
    Referrer r;
    if (!checkReferrer(command, values->at(0).text, values->at(1).text, values->at(2).text, r, reply))
        return;
    QSqlQuery query = context.database.prepare(
        u"INSERT INTO tblUeberweiser (UeberweiserID, UeberweiserName, Zel) VALUES (:id, :name, :zel)"_s);
    query.bindValue(u":id"_s, r.id);
    query.bindValue(u":name"_s, r.name);
    query.bindValue(u":zel"_s, r.visible);
    writeRow(query, reply);
}

// --- doctors

// "ID|name".
void doctorUpdate(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    const QString command = u"Docupdate"_s;
    if (!fieldCount(request, 2, command, reply))
        return;
    const std::optional<qint64> id = wholeId(request.arguments.at(0));
    const QString name = plainText(request.arguments.at(1));
    if (!id)
        return refuse(reply, command, u"the id must be a whole number above 0"_s);
    if (const QString problem = nameProblem(u"the name"_s, name); !problem.isEmpty())
        return refuse(reply, command, problem);
    QSqlQuery query = context.database.prepare(u"UPDATE tblDoctors SET DoctorName = :name WHERE DoctorID = :id"_s);
    query.bindValue(u":name"_s, name);
    query.bindValue(u":id"_s, *id);
    writeRow(query, reply);
}

// "'name'": the table gives the id; a new doctor is offered in the lists.
void doctorInsert(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    const QString command = u"Docinsert"_s;
    const auto values = valueList(request, 1, command, reply);
    if (!values)
        return;
    if (values->at(0).kind != SqlValueList::Value::Kind::Text)
        return refuse(reply, command, u"the name must be a quoted text"_s);
    const QString name = values->at(0).text;
    if (const QString problem = nameProblem(u"the name"_s, name); !problem.isEmpty())
        return refuse(reply, command, problem);
    QSqlQuery query = context.database.prepare(u"INSERT INTO tblDoctors (DoctorName, Visible) VALUES (:name, 1)"_s);
    query.bindValue(u":name"_s, name);
    writeRow(query, reply);
}

// --- procedure codes

struct Procedure
{
    QString code;
    QString description;
    QVariant spInvHead;
    QVariant spInv;
    QVariant investType; // null for none
};

bool checkProcedure(const QString &command, Procedure &p, const QString &spInvHead, const QString &spInv,
                    ReplyWriter &reply)
{
    if (const QString problem = nameProblem(u"the code"_s, p.code); !problem.isEmpty()) {
        refuse(reply, command, problem);
        return false;
    }
    if (p.description.trimmed().isEmpty()) {
        refuse(reply, command, u"the description is empty"_s);
        return false;
    }
    const std::optional<QVariant> head = numberOrNull(spInvHead);
    const std::optional<QVariant> inv = numberOrNull(spInv);
    if (!head || !inv) {
        refuse(reply, command, u"SpInvHead and SpInv must be numbers or NULL"_s);
        return false;
    }
    p.description = storedLines(p.description);
    p.spInvHead = *head;
    p.spInv = *inv;
    if (!p.investType.isNull())
        p.investType = storedLines(p.investType.toString());
    return true;
}

void bindProcedure(QSqlQuery &query, const Procedure &p)
{
    query.bindValue(u":code"_s, p.code);
    query.bindValue(u":description"_s, p.description);
    query.bindValue(u":head"_s, p.spInvHead);
    query.bindValue(u":inv"_s, p.spInv);
    query.bindValue(u":type"_s, p.investType);
}

// "ID|code|description|SpInvHead|SpInv|InvestType": an empty InvestType (or Null) is none. The
// procedure with that id changes.
void procedureUpdate(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    const QString command = u"ICD9Update"_s;
    if (!fieldCount(request, 6, command, reply))
        return;
    const QStringList &f = request.arguments;
    const std::optional<qint64> id = wholeId(f.at(0));
    if (!id)
        return refuse(reply, command, u"the id must be a whole number above 0"_s);
    const QVariant investType = f.at(5).isEmpty() ? QVariant() : SqlValueList::plainField(f.at(5));
    Procedure p{plainText(f.at(1)), plainText(f.at(2)), {}, {}, investType};
    if (!checkProcedure(command, p, f.at(3), f.at(4), reply))
        return;
    QSqlQuery query = context.database.prepare(
        u"UPDATE tblICD9 SET ICD9Code = :code, ICD9Description = :description, SpInvHead = :head, SpInv = :inv,"
        u" InvestType = :type WHERE ICD9ID = :id"_s);
    bindProcedure(query, p);
    query.bindValue(u":id"_s, *id);
    writeRow(query, reply);
}

// "'code', 'description', SpInvHead, SpInv, InvestType": the table gives the id.
void procedureInsert(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    const QString command = u"ICD9Insert"_s;
    const auto values = valueList(request, 5, command, reply);
    if (!values)
        return;
    using Kind = SqlValueList::Value::Kind;
    const QList<SqlValueList::Value> &v = *values;
    if (v[0].kind != Kind::Text || v[1].kind != Kind::Text || v[4].kind == Kind::Number)
        return refuse(reply, command, u"the code, the description and InvestType must be quoted texts"_s);
    const auto number = [](const SqlValueList::Value &value) {
        return value.kind == Kind::Null ? u"NULL"_s : value.kind == Kind::Number ? value.text : QString();
    };
    Procedure p{v[0].text, v[1].text, {}, {}, v[4].kind == Kind::Null ? QVariant() : QVariant(v[4].text)};
    if (!checkProcedure(command, p, number(v[2]), number(v[3]), reply))
        return;
    QSqlQuery query = context.database.prepare(
        u"INSERT INTO tblICD9 (ICD9Code, ICD9Description, SpInvHead, SpInv, InvestType)"
        u" VALUES (:code, :description, :head, :inv, :type)"_s);
    bindProcedure(query, p);
    writeRow(query, reply);
}

} // namespace

void registerTableCommands(CommandRegistry &registry)
{
    registry.add(u"Refphysall", referrerTable);
    registry.add(u"Refphysupdate", referrerUpdate);
    registry.add(u"Refphysinsert", referrerInsert);
    registry.add(u"Docupdate", doctorUpdate);
    registry.add(u"Docinsert", doctorInsert);
    registry.add(u"ICD9Update", procedureUpdate);
    registry.add(u"ICD9Insert", procedureInsert);
}
