#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>

// The small text helpers every reply handler and request builder shares.

// Removes every "/CMDDATA", then every "CMDDATA" (exact case), then CR LF pairs from the start and
// from the end.
QString StripReply(QString text);
QByteArray StripReply(QByteArray bytes);

// StripReply, then the rest as a whole number: spaces around it are allowed, a decimal fraction is
// rounded to the nearest whole number with halves to the even one. Anything else, or a number
// outside 32 bits, yields 0.
std::int32_t ExtractID(const QString &text);

// "Servererror #" + field 2 + CR LF + field 3 + CR LF + "Function: " + field 4 of a server's error
// reply; empty when the reply has fewer than four "|"-separated fields.
QString ServerErrorText(const QString &reply);

QString StripLeadingZeros(QString text);

// A user's search pattern for an SQL LIKE: "?" becomes "_" and "*" becomes "%".
QString SqlWildcards(QString text);

// Removes CR LF pairs from the end.
QString DelCrLF(QString text);

// Status words of the server, exact case.
bool Saved(const QString &text);
bool NoData(const QString &text);
bool Failed(const QString &text);

// "# ### ###": groups of three digits separated by blanks, nothing at all for 0.
QString formatByteCount(qint64 count);

// Case-insensitive search for an ASCII marker in bytes, from a given position.
qsizetype indexOfMarker(QByteArrayView haystack, QByteArrayView upperMarker, qsizetype from = 0);
