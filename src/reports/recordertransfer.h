#pragma once

#include "recorderhosts.h"

#include "link/replyshapes.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

class CommandLink;
class LogBook;
class Prompter;
class QIODevice;
struct Session;

// The dictation's way to the server and back: WAVSEND (the header, a request line), SENDWAV (the
// wave file in a PUT block) and WAVLOAD (a GET block, answered with the file between "REPORT" and
// "/REPORT").
namespace RecorderTransfer {

// File data goes out in pieces of this size.
inline constexpr qint64 ChunkSize = 64000;

// Why the dictation of `studyUid` with this header cannot be sent, in words for the user; empty
// when it can. The document id, the X-ray number and the examination key are read by the server
// as numbers or plain words, the UID and the typist travel in quotes.
QString sendingProblem(const DictationHeader &header, const QString &studyUid);

// "CMDRepSend|" + DocID + ", " + X-ray + ", " + key + ", '" + UID + ".wav', '" + typist + "', "
// + radiologist id + "/CMD", the X-ray number and the key without leading zeros, quotes inside the
// quoted values doubled.
QByteArray WavSendRequest(const DictationHeader &header, const QString &studyUid);

// The pieces of the GET block that asks for the dictation, one socket send each.
QList<QByteArray> wavLoadPieces(const QString &studyUid);

// Sends the PUT block of a dictation, piece by piece, with its status log entries; the file data
// in chunks of ChunkSize and a last, shorter one. Without a file the block carries no data.
void writeDictationPut(const QString &studyUid, QIODevice *file, const std::function<void(const QByteArray &)> &send,
                       const std::function<void(const QString &)> &log);

// The content of a GET reply: the bytes between the first "REPORT" and "/REPORT". A wave file
// says its own length in its RIFF header, so its end is found there and a "/REPORT" among the
// audio samples cannot cut it short; anything else ends at the first "/REPORT".
HandlerPtr dictationDownload(BytesAction action);

// StoreReceivedVoice: the downloaded dictation becomes Report.wav and the recorder plays it. A
// reply without content (nothing stored yet) leaves the recorder ready to record.
void StoreReceivedVoice(const QByteArray &content, RecorderHost *host, const QString &appFolder, Prompter &prompter);

// Binds WAVLOAD, WAVSEND and SENDWAV on the link. Their handlers work for the session's
// TargetWindow through the recorder host it implements.
void bindRecorderCommands(CommandLink &link, Session &session, Prompter &prompter, LogBook &log,
                          const QString &appFolder);

} // namespace RecorderTransfer
