// Dictations: the header a recorder sends before its wave file ("RepSend" with the examination key
// and a ".wav" file name), and the wave files themselves, which travel in PUT and GET blocks of the
// format "WAV" and are kept by examination UID in the files folder.

#include "handlers.h"

#include "commandcontext.h"
#include "commandregistry.h"
#include "commandrequest.h"
#include "database.h"
#include "filetransfer.h"
#include "replywriter.h"
#include "reportfilestore.h"
#include "servererrors.h"
#include "sqlvaluelist.h"
#include "transaction.h"

#include <QSqlQuery>
#include <QVariant>

using namespace Qt::StringLiterals;

namespace {

const QString kFormat = u"WAV"_s;

struct DictationHeader
{
    qint64 docId = 0;
    qint64 xrayNo = 0;
    QString studyKey;
    QString fileName;
    QString typist;
    qint64 doctorId = 0;
};

bool wholeNumber(QStringView text, qint64 *value)
{
    bool ok = false;
    *value = text.trimmed().toLongLong(&ok);
    return ok;
}

// "DocID, X-ray, key, 'uid.wav', 'typist', doctor id": the first three are bare words (the key may
// be a word rather than a number), the rest an SQL value list. Nothing when the arguments are not
// of this form; `error` says why.
std::optional<DictationHeader> readHeader(const QString &arguments, QString *error)
{
    QStringList bare;
    qsizetype at = 0;
    for (int i = 0; i < 3; ++i) {
        const qsizetype comma = arguments.indexOf(u',', at);
        if (comma < 0) {
            *error = u"the dictation header needs six values"_s;
            return std::nullopt;
        }
        const QString word = arguments.sliced(at, comma - at).trimmed();
        if (word.isEmpty() || word.contains(u'\'')) {
            *error = u"value %1 of the dictation header is not a plain word"_s.arg(i + 1);
            return std::nullopt;
        }
        bare.append(word);
        at = comma + 1;
    }
    const std::optional<QList<SqlValueList::Value>> rest = SqlValueList::parse(QStringView(arguments).sliced(at), error);
    if (!rest)
        return std::nullopt;
    using Kind = SqlValueList::Value::Kind;
    DictationHeader header;
    if (rest->size() != 3 || rest->at(0).kind != Kind::Text || rest->at(1).kind != Kind::Text
        || rest->at(2).kind != Kind::Number) {
        *error = u"the dictation header ends with the file name, the typist and the doctor id"_s;
        return std::nullopt;
    }
    if (!wholeNumber(bare[0], &header.docId) || !wholeNumber(bare[1], &header.xrayNo)
        || !wholeNumber(rest->at(2).text, &header.doctorId)) {
        *error = u"the document id, the X-ray number and the doctor id must be whole numbers"_s;
        return std::nullopt;
    }
    header.studyKey = bare[2];
    header.fileName = rest->at(0).text;
    header.typist = rest->at(1).text;
    if (!header.fileName.endsWith(u".wav"_s, Qt::CaseInsensitive)) {
        *error = u"the file of a dictation header is a .wav file"_s;
        return std::nullopt;
    }
    return header;
}

// The header of a dictation: one document row per document id and file, written again when the
// dictation is sent again. A doctor id that names no doctor is kept as no doctor.
void dictationHeader(const CommandRequest &request, ReplyWriter &reply, CommandContext &context)
{
    QString error;
    const std::optional<DictationHeader> header = readHeader(request.argumentText, &error);
    if (!header) {
        reply.error(ServerErrors::BadArgument, u"RepSend: "_s + error);
        return;
    }
    Database &database = context.database;
    Transaction transaction(database);
    if (!transaction.isActive()) {
        reply.error(ServerErrors::DatabaseFailure, transaction.error());
        return;
    }
    QSqlQuery doctor = database.prepare(u"SELECT COUNT(*) FROM tblDoctors WHERE DoctorID = :doctor"_s);
    doctor.bindValue(u":doctor"_s, header->doctorId);
    if (!Database::run(doctor, &error)) {
        reply.error(ServerErrors::DatabaseFailure, error);
        return;
    }
    const QVariant doctorId = doctor.next() && doctor.value(0).toLongLong() > 0 ? QVariant(header->doctorId) : QVariant();
    doctor.finish();

    const auto bind = [&](QSqlQuery &query) {
        query.bindValue(u":doc"_s, header->docId);
        query.bindValue(u":xray"_s, header->xrayNo);
        query.bindValue(u":key"_s, header->studyKey);
        query.bindValue(u":file"_s, header->fileName);
        query.bindValue(u":typist"_s, header->typist);
        query.bindValue(u":doctor"_s, doctorId);
    };
    QSqlQuery update = database.prepare(
        u"UPDATE tblDocuments SET StudyNr = :xray, StudyKey = :key, Typist = :typist, DoctorID = :doctor"
        u" WHERE DocID = :doc AND FileName = :file"_s);
    bind(update);
    if (!Database::run(update, &error)) {
        reply.error(ServerErrors::DatabaseFailure, error);
        return;
    }
    if (update.numRowsAffected() == 0) {
        QSqlQuery insert = database.prepare(
            u"INSERT INTO tblDocuments (DocID, StudyNr, StudyKey, FileName, Typist, DoctorID)"
            u" VALUES (:doc, :xray, :key, :file, :typist, :doctor)"_s);
        bind(insert);
        if (!Database::run(insert, &error)) {
            reply.error(ServerErrors::DatabaseFailure, error);
            return;
        }
    }
    if (!transaction.commit(&error)) {
        reply.error(ServerErrors::DatabaseFailure, error);
        return;
    }
    reply.number(1);
}

// One wave file on its way into the store; the reply says whether it arrived whole.
class DictationUpload : public FileUpload
{
public:
    DictationUpload(Database &database, const QString &folder) : m_store(database, folder) {}

    bool begin(const FileBlock &block)
    {
        QString error;
        m_upload = m_store.begin(block.uid, kFormat, block.status, &error);
        return m_upload != nullptr;
    }

    void write(QByteArrayView bytes) override { m_upload->write(bytes); }

    QByteArray finish() override
    {
        QString error;
        return m_upload->commit(&error) ? QByteArray("DATA SAVED") : QByteArray("FAILED DATA");
    }

private:
    ReportFileStore m_store;
    std::unique_ptr<ReportFileStore::Upload> m_upload;
};

std::unique_ptr<FileUpload> putDictation(const FileBlock &block, CommandContext &context)
{
    auto upload = std::make_unique<DictationUpload>(context.database, context.filesDirectory);
    if (!upload->begin(block))
        return nullptr; // answered "FAILED DATA" once its data has passed
    return upload;
}

QByteArray getDictation(const FileBlock &block, CommandContext &context)
{
    ReportFileStore store(context.database, context.filesDirectory);
    QString error;
    const std::optional<QByteArray> bytes = store.read(block.uid, kFormat, &error);
    if (!bytes)
        return ReplyWriter::errorReply(ServerErrors::DatabaseFailure, error, u"WavLoad");
    // No dictation yet: an empty one, so the client is not left waiting.
    return "REPORT" + *bytes + "/REPORT\r\n";
}

} // namespace

void registerDictationCommands(CommandRegistry &registry)
{
    registry.add(u"RepSend", dictationHeader);
    registry.addFileFormat(kFormat, FileFormatHandler{putDictation, getDictation});
}
