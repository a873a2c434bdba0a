#pragma once

#include "schedulestate.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QTime>

#include <cstdint>

// The request lines of the appointment commands, in the wire's code page. Dates go as "yyyymmdd",
// times as "hh:mm". Typed texts that stand inside quotes have their single quotes doubled, so a
// quote cannot end the value early; the windows refuse "|", "/CMD" and line breaks before anything
// is built (sendingProblem).

QByteArray ModListRequest();
QByteArray BodyListRequest();
QByteArray TermCountRequest(const QDate &day, std::int32_t modality);
QByteArray TermListRequest(const QDate &day, std::int32_t modality);
// The day-list request with the emergency's day and modality.
QByteArray CheckAppRequest(const QDate &day, std::int32_t modality);

// TERMNEU's arguments: the nine values joined by "','", without a quote before the first or after
// the last (the server puts those around the list).
QString TermNeuArguments(const BookingData &booking);
QByteArray TermNeuRequest(const BookingData &booking);
// EMNEU's arguments: the patient id, ",'", seven values joined by "','", "', " and the emergency flag.
QString EmNeuArguments(const BookingData &booking);
QByteArray EmNeuRequest(const BookingData &booking);

QByteArray TermIdRequest(const QString &patientId, const QString &date, const QTime &time);
QByteArray EmInsertRequest(const QDate &day, const QTime &time, std::int32_t modality, std::int32_t appointmentId);
QByteArray AppUpdateRequest(const QTime &start, std::int32_t appointmentId);

// APPEDIT's arguments: date, time, body part, information, duration, status, emergency flag and
// the appointment id, joined by "|".
QString AppEditArguments(const BookingData &booking, std::int32_t appointmentId);
QByteArray AppEditRequest(const BookingData &booking, std::int32_t appointmentId);
QByteArray WeekRecRequest(std::int32_t appointmentId);

QByteArray DelAppRequest(const QDate &today);
QByteArray DelApp2Request(const QTime &before);
QByteArray TermDelRequest(std::int32_t appointmentId);
