#include "recordertransfer.h"

#include "recorderworkfile.h"

#include "core/hosts.h"
#include "core/logbook.h"
#include "core/prompter.h"
#include "core/session.h"
#include "link/commandlink.h"
#include "link/replyhelpers.h"

#include <QFile>
#include <QIODevice>
#include <QtEndian>

using namespace Qt::StringLiterals;

namespace RecorderTransfer {

namespace {

const QString kTitle = u"ZEL-Client"_s;
const QString kSaved = u"Report saved succesfully!"_s;
const QString kNotSaved = u"Report not saved, please try!"_s;
const QString kLoaded = u"Audio-Report loaded (Player-Mode)"_s;
const QString kKept = u"The dictation is kept on this computer and offered again."_s;

bool isDigits(QStringView text)
{
    if (text.isEmpty() || text.size() > 18)
        return false;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

// A UID travels inside the framing ("UID" + uid + "/UID") and inside a quoted file name: only the
// characters UIDs are made of.
bool isPlainUid(QStringView uid)
{
    if (uid.isEmpty() || uid.size() > 128)
        return false;
    for (QChar c : uid) {
        const bool ok = (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')
                        || c == u'.' || c == u'-' || c == u'_';
        if (!ok)
            return false;
    }
    return true;
}

bool breaksFraming(QStringView text)
{
    return text.contains(u'|') || text.contains(u'\r') || text.contains(u'\n');
}

QString quoted(QString text)
{
    return text.replace(u"'"_s, u"''"_s);
}

QString xrayValue(const DictationHeader &header)
{
    return StripLeadingZeros(header.xrayNo.trimmed());
}

QString keyValue(const DictationHeader &header)
{
    const QString key = header.studyKey.trimmed();
    return StripLeadingZeros(key.isEmpty() ? header.xrayNo.trimmed() : key);
}

// The GET reply of a dictation, read by the wave file's own length where it has one.
class DictationDownload : public ReplyHandler
{
public:
    explicit DictationDownload(BytesAction action) : ReplyHandler(Shape::FileTransfer), m_action(std::move(action)) {}

    void begin() override
    {
        m_pieces.clear();
        m_size = 0;
        m_contentStart = -1;
        m_contentEnd = -1;
        m_fallback.reset();
    }

    Progress onData(CommandLink &link, const QByteArray &piece) override
    {
        if (m_fallback)
            return m_fallback->onData(link, piece);
        m_pieces.append(piece);
        m_size += piece.size();
        if (m_contentEnd < 0) {
            switch (readHead()) {
            case Head::Undecided:
                return Progress::Waiting;
            case Head::NotWave:
                return fallBack(link);
            case Head::Wave:
                break;
            }
        }
        if (m_size < m_contentEnd + 7)
            return Progress::Waiting;
        if (bytes(m_contentEnd, m_contentEnd + 7) != "/REPORT")
            return fallBack(link); // the header's length is wrong: go by the marker
        QByteArray content = bytes(m_contentStart, m_contentEnd);
        m_pieces.clear();
        link.CloseSocket();
        m_action(link, content);
        return Progress::Done;
    }

private:
    enum class Head { Undecided, NotWave, Wave };

    static constexpr qsizetype kHeadLimit = 64;

    Head readHead()
    {
        const QByteArray head = bytes(0, std::min(m_size, kHeadLimit));
        const qsizetype open = head.indexOf("REPORT");
        if (open < 0)
            return m_size >= kHeadLimit ? Head::NotWave : Head::Undecided;
        const qsizetype content = open + 6;
        if (head.size() < content + 12) {
            // Too short for a wave header so far: a short or empty reply has its end marker here.
            return head.indexOf("/REPORT", content) >= 0 || m_size >= kHeadLimit ? Head::NotWave : Head::Undecided;
        }
        if (head.mid(content, 4) != "RIFF" || head.mid(content + 8, 4) != "WAVE")
            return Head::NotWave;
        m_contentStart = content;
        m_contentEnd = content + 8 + qint64(qFromLittleEndian<quint32>(head.constData() + content + 4));
        return Head::Wave;
    }

    Progress fallBack(CommandLink &link)
    {
        m_fallback = fileTransfer(m_action);
        m_fallback->begin();
        const QList<QByteArray> pieces = std::exchange(m_pieces, {});
        Progress progress = Progress::Waiting;
        for (const QByteArray &p : pieces) {
            progress = m_fallback->onData(link, p);
            if (progress == Progress::Done)
                break;
        }
        return progress;
    }

    // Bytes [from, to) of the reply so far.
    QByteArray bytes(qint64 from, qint64 to) const
    {
        QByteArray out;
        out.reserve(qsizetype(std::max<qint64>(0, to - from)));
        qint64 at = 0;
        for (const QByteArray &p : m_pieces) {
            const qint64 lo = std::max(from, at);
            const qint64 hi = std::min(to, at + p.size());
            if (lo < hi)
                out.append(QByteArrayView(p).sliced(qsizetype(lo - at), qsizetype(hi - lo)));
            at += p.size();
            if (at >= to)
                break;
        }
        return out;
    }

    BytesAction m_action;
    QList<QByteArray> m_pieces;
    qint64 m_size = 0;
    qint64 m_contentStart = -1;
    qint64 m_contentEnd = -1;
    HandlerPtr m_fallback;
};

// The command ends without a word: the recorder it worked for is gone.
void abandon(CommandLink &link)
{
    link.CloseSocket();
    link.ResetPointers();
}

} // namespace

QString sendingProblem(const DictationHeader &header, const QString &studyUid)
{
    if (studyUid.isEmpty())
        return u"No examination is chosen for this dictation."_s;
    if (!isPlainUid(studyUid))
        return u"The examination UID '"_s + studyUid.left(64) + u"' cannot be sent."_s;
    if (!isDigits(header.docId.trimmed()))
        return u"The document id '"_s + header.docId + u"' is not a number."_s;
    if (!isDigits(xrayValue(header)))
        return u"The X-ray number '"_s + header.xrayNo + u"' is not a number."_s;
    const QString key = keyValue(header);
    if (key.isEmpty() || breaksFraming(key) || key.contains(u',') || key.contains(u'\''))
        return u"The examination key '"_s + key + u"' cannot be sent."_s;
    if (breaksFraming(header.typist))
        return u"The typist must not contain '|' or a line break."_s;
    return {};
}

QByteArray WavSendRequest(const DictationHeader &header, const QString &studyUid)
{
    return CommandLink::requestLine(Command::WAVSEND,
                                    header.docId.trimmed() + u", "_s + xrayValue(header) + u", "_s + keyValue(header)
                                        + u", '"_s + quoted(studyUid) + u".wav', '"_s + quoted(header.typist)
                                        + u"', "_s + QString::number(header.radiologistId));
}

QList<QByteArray> wavLoadPieces(const QString &studyUid)
{
    return {"GET", "UID" + studyUid.toLatin1() + "/UID", "FORMATWAV/FORMAT", "STATUS-10/STATUS", "/GET"};
}

void writeDictationPut(const QString &studyUid, QIODevice *file, const std::function<void(const QByteArray &)> &send,
                       const std::function<void(const QString &)> &log)
{
    log(u"Sending header"_s);
    send("PUT");
    send("UID" + studyUid.toLatin1() + "/UID");
    send("FORMATWAV/FORMAT");
    send("STATUS-10/STATUS");
    send("DATA");
    log(u"Header sent"_s);
    if (file) {
        const qint64 length = file->size();
        const qint64 full = length / ChunkSize;
        const qint64 rest = length % ChunkSize;
        for (qint64 k = 1; k <= full; ++k) {
            log(u"Sending data "_s + QString::number(k));
            send(file->read(ChunkSize));
        }
        if (rest != 0) {
            log(u"sending data "_s + QString::number(full + 1));
            send(file->read(rest));
        }
    }
    log(u"Sending footer"_s);
    send("/DATA");
    send("/PUT");
    log(u"Footer sent"_s);
}

HandlerPtr dictationDownload(BytesAction action)
{
    return std::make_shared<DictationDownload>(std::move(action));
}

void StoreReceivedVoice(const QByteArray &content, RecorderHost *host, const QString &appFolder, Prompter &prompter)
{
    if (content.isEmpty()) {
        // Nothing stored for the examination yet: not a dictation to listen to.
        if (host)
            host->noDictationStored();
        return;
    }
    RecorderWorkFile workFile(appFolder);
    QString why;
    if (!workFile.storeDownload(content, &why)) {
        prompter.error(RecorderCaption.toString(), u"The dictation from the server cannot be played: "_s + why);
        return;
    }
    if (!host)
        return;
    host->showRecorderStatus(kLoaded);
    host->PlayReceived();
}

void bindRecorderCommands(CommandLink &link, Session &session, Prompter &prompter, LogBook &log,
                          const QString &appFolder)
{
    link.bind(
        Command::WAVLOAD,
        [&session](CommandLink &l) {
            const RecorderHost *host = targetHost<RecorderHost>(session);
            if (!host)
                return abandon(l);
            for (const QByteArray &piece : wavLoadPieces(host->dictationStudyUid()))
                l.send(piece);
        },
        dictationDownload([&session, &prompter, appFolder](CommandLink &l, const QByteArray &content) {
            StoreReceivedVoice(content, targetHost<RecorderHost>(session), appFolder, prompter);
            l.ResetPointers();
        }));

    link.bind(
        Command::WAVSEND,
        [&session](CommandLink &l) {
            const RecorderHost *host = targetHost<RecorderHost>(session);
            if (!host)
                return abandon(l);
            const DictationHeader header = host->dictationHeader();
            const QString uid = host->dictationStudyUid();
            // Checked before the command started; a header changed since is not sent broken.
            if (!sendingProblem(header, uid).isEmpty())
                return abandon(l);
            l.send(WavSendRequest(header, uid));
        },
        anyReply([](CommandLink &l) { l.follow(Command::SENDWAV); }));

    link.bind(
        Command::SENDWAV,
        [&session, &log, appFolder](CommandLink &l) {
            const RecorderHost *host = targetHost<RecorderHost>(session);
            if (!host)
                return abandon(l);
            QFile file(RecorderWorkFile(appFolder).path());
            const bool present = file.open(QIODevice::ReadOnly);
            writeDictationPut(
                host->dictationStudyUid(), present ? &file : nullptr, [&l](const QByteArray &bytes) { l.send(bytes); },
                [&log](const QString &text) { log.LogStatus(text); });
        },
        statusWord([&session, &prompter, appFolder](CommandLink &l, StatusWord word) {
            RecorderHost *host = targetHost<RecorderHost>(session);
            if (word == StatusWord::Failed) {
                // The dictation stays on disk until the server has it.
                prompter.error(kTitle, kNotSaved);
                if ((host = targetHost<RecorderHost>(session)))
                    host->showRecorderStatus(kKept);
                l.ResetPointers();
                return;
            }
            RecorderWorkFile(appFolder).confirmSent();
            prompter.information(kTitle, kSaved);
            l.ResetPointers();
            if ((host = targetHost<RecorderHost>(session)))
                host->dictationSent();
        }));
}

} // namespace RecorderTransfer
