#pragma once

#include <QAudioFormat>
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// Wave files as the recorder keeps and exchanges them: a RIFF "WAVE" file with a "fmt " chunk and a
// "data" chunk of interleaved samples. What is written is the plain 44-byte form every player opens
// (integer PCM, or IEEE float for float samples); what is read is any PCM or float wave file with
// 8, 16, 24 or 32 bits and 1 to 8 channels, 24-bit samples widened to 32 bits.
struct WaveAudio
{
    QAudioFormat format;
    QByteArray samples;
};

namespace MediaWave {

// The header of a wave file holding `dataBytes` bytes of samples in `format`.
QByteArray header(const QAudioFormat &format, qint64 dataBytes);

// Reads a whole wave file from memory; nothing (and `error` says why) when it is not one we can play.
std::optional<WaveAudio> read(QByteArrayView file, QString *error);

// Writes the file atomically: a failure leaves what was there before, and `error` says why.
bool write(const QString &path, const QAudioFormat &format, QByteArrayView samples, QString *error);

// Whole milliseconds in so many bytes of samples, and the byte offset of a millisecond position
// (always on a frame boundary). The two agree: durationMs(bytesAt(ms)) == ms while ms fits.
qint64 durationMs(const QAudioFormat &format, qint64 bytes);
qint64 bytesAt(const QAudioFormat &format, qint64 ms);

} // namespace MediaWave
