// Commands that belong to no domain: the id source of the new rows and the client's test error.

#include "handlers.h"

#include "commandcontext.h"
#include "commandregistry.h"
#include "commandrequest.h"
#include "database.h"
#include "replywriter.h"
#include "servererrors.h"
#include "transaction.h"

#include <QLatin1StringView>
#include <QVariant>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The tables NewID serves and where their ids live. The table name of the request only selects an
// entry here; it never reaches the SQL.
struct IdTable
{
    QLatin1StringView name;
    QLatin1StringView highestIdQuery;
};

constexpr IdTable kIdTables[] = {
    {"tblPatienten"_L1, "SELECT MAX(PATID) FROM tblPatienten"_L1},
    {"tblStudies"_L1, "SELECT MAX(StudyID) FROM tblStudies"_L1},
    {"tblUeberweiser"_L1, "SELECT MAX(UeberweiserID) FROM tblUeberweiser"_L1},
    {"tblDocuments"_L1, "SELECT MAX(DocID) FROM tblDocuments"_L1},
};

const IdTable *idTable(QStringView name)
{
    for (const IdTable &table : kIdTables) {
        if (name.compare(table.name, Qt::CaseInsensitive) == 0)
            return &table;
    }
    return nullptr;
}

// The next id of a table: above the last one handed out and above every stored one, remembered at
// once, so two clients never get the same id and a restart never hands one out again.
qint64 drawId(Database &database, const IdTable &table, QString *error)
{
    Transaction transaction(database);
    if (!transaction.isActive()) {
        *error = transaction.error();
        return 0;
    }
    QSqlQuery last = database.prepare(u"SELECT LastID FROM tblNewID WHERE TableName = :table"_s);
    last.bindValue(u":table"_s, QString(table.name));
    if (!Database::run(last, error))
        return 0;
    const qint64 lastHandedOut = last.next() ? last.value(0).toLongLong() : 0;
    last.finish();

    QSqlQuery highest = database.prepare(QString(table.highestIdQuery));
    if (!Database::run(highest, error))
        return 0;
    const qint64 highestStored = highest.next() ? highest.value(0).toLongLong() : 0;
    highest.finish();

    const qint64 next = std::max(lastHandedOut, highestStored) + 1;
    QSqlQuery remember = database.prepare(
        u"INSERT INTO tblNewID (TableName, LastID) VALUES (:table, :id)"
        u" ON CONFLICT (TableName) DO UPDATE SET LastID = excluded.LastID"_s);
    remember.bindValue(u":table"_s, QString(table.name));
    remember.bindValue(u":id"_s, next);
    if (!Database::run(remember, error) || !transaction.commit(error))
        return 0;
    return next;
}

void newId(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    const QString name = request.arguments.value(0).trimmed();
    const IdTable *table = idTable(name);
    if (!table) {
        reply.error(ServerErrors::BadArgument, u"NewID does not serve the table '"_s + name.left(64) + u"'"_s);
        return;
    }
    QString error;
    const qint64 id = drawId(context.database, *table, &error);
    if (id <= 0) {
        reply.error(ServerErrors::DatabaseFailure, u"No new id for "_s + table->name + u": "_s + error);
        return;
    }
    reply.number(id);
}

void testError(const CommandRequest &, ReplyWriter &reply, CommandContext &)
{
    reply.error(ServerErrors::TestError, u"Test error requested by the client"_s, u"Error"_s);
}

} // namespace

void registerGenericCommands(CommandRegistry &registry)
{
    registry.add(u"NewID", newId);
    registry.add(u"Error", testError);
}
