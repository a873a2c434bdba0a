#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <initializer_list>

// Builds the one reply of a command in the wire's code page. The forms the client reads:
//   number:  "CMDDATA" CR LF n CR LF "/CMDDATA" CR LF
//   records: "CMDDATA" CR LF, each record's fields joined by "|" and ended by CR LF, "/CMDDATA" CR LF
//   status:  a bare status word such as "DATA SAVED"
//   error:   "ERROR|" number "|" text "|" function CR LF
// An error replaces whatever was written before it, so a handler that fails half way through a list
// still answers with a clean error reply.
class ReplyWriter
{
public:
    explicit ReplyWriter(QString function = {});

    void number(qint64 value);
    // One value on its own line inside the data markers (a UID, a code, one field).
    void value(const QString &text);
    void beginRecords();
    void record(const QStringList &fields);
    void record(std::initializer_list<QString> fields);
    void endRecords();
    void records(const QList<QStringList> &rows);
    void status(const QString &word);
    void error(int number, const QString &text, const QString &function = {});

    bool hasReply() const { return !m_bytes.isEmpty(); }
    bool isError() const { return m_error; }
    QByteArray bytes() const { return m_bytes; }

    // A field as it can travel inside a record: "|" would end the field early and becomes a blank.
    // Records end with CR LF, so a line break inside a field (a procedure's description of several
    // lines) travels as a lone LF, which the client's record readers keep as data. A field that holds
    // the end marker's letters gets blanks for its line breaks instead, so the marker can never stand
    // at the start or end of a line.
    static QString fieldText(QStringView text);
    // Error texts and function names additionally lose every control character.
    static QString errorText(QStringView text);

    static QByteArray errorReply(int number, QStringView text, QStringView function);

private:
    QString m_function;
    QByteArray m_bytes;
    bool m_error = false;
    bool m_inRecords = false;
};
