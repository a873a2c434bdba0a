#include "mediawave.h"

#include <QSaveFile>
#include <QtEndian>

using namespace Qt::StringLiterals;

namespace {

constexpr quint16 kFormatPcm = 1;
constexpr quint16 kFormatFloat = 3;
constexpr quint16 kFormatExtensible = 0xFFFE;
constexpr int kMaxChannels = 8;

void put16(QByteArray &out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void put32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

quint16 get16(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<quint16>(bytes.data() + at);
}

quint32 get32(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.data() + at);
}

// 24-bit samples as the upper three bytes of 32-bit ones, which every audio device takes.
QByteArray widen24(QByteArrayView samples)
{
    const qsizetype count = samples.size() / 3;
    QByteArray out(count * 4, Qt::Uninitialized);
    for (qsizetype i = 0; i < count; ++i) {
        out[i * 4] = 0;
        out[i * 4 + 1] = samples[i * 3];
        out[i * 4 + 2] = samples[i * 3 + 1];
        out[i * 4 + 3] = samples[i * 3 + 2];
    }
    return out;
}

} // namespace

namespace MediaWave {

QByteArray header(const QAudioFormat &format, qint64 dataBytes)
{
    const quint16 channels = quint16(format.channelCount());
    const quint32 rate = quint32(format.sampleRate());
    const quint16 bytesPerSample = quint16(format.bytesPerSample());
    const quint16 blockAlign = quint16(channels * bytesPerSample);
    const quint32 data = quint32(std::min<qint64>(dataBytes, 0xFFFFFFFFLL - 36));
    QByteArray out;
    out.reserve(44);
    out.append("RIFF");
    put32(out, 36 + data + (data & 1)); // the pad byte of an odd data chunk counts
    out.append("WAVEfmt ");
    put32(out, 16);
    put16(out, format.sampleFormat() == QAudioFormat::Float ? kFormatFloat : kFormatPcm);
    put16(out, channels);
    put32(out, rate);
    put32(out, rate * blockAlign);
    put16(out, blockAlign);
    put16(out, quint16(bytesPerSample * 8));
    out.append("data");
    put32(out, data);
    return out;
}

std::optional<WaveAudio> read(QByteArrayView file, QString *error)
{
    const auto fail = [error](const QString &why) -> std::optional<WaveAudio> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (file.size() < 12 || file.first(4) != "RIFF" || file.sliced(8, 4) != "WAVE")
        return fail(u"not a wave file (no RIFF WAVE header)"_s);

    std::optional<QAudioFormat> format;
    int bits = 0;
    qsizetype at = 12;
    while (at + 8 <= file.size()) {
        const QByteArrayView id = file.sliced(at, 4);
        const qint64 size = get32(file, at + 4);
        const qsizetype body = at + 8;
        if (id == "fmt ") {
            if (size < 16 || body + 16 > file.size())
                return fail(u"the format chunk is too short"_s);
            quint16 tag = get16(file, body);
            const int channels = get16(file, body + 2);
            const int rate = int(std::min<quint32>(get32(file, body + 4), 1000000));
            bits = get16(file, body + 14);
            if (tag == kFormatExtensible && size >= 40 && body + 26 <= file.size())
                tag = get16(file, body + 24); // the first two bytes of the sub-format GUID
            if (channels < 1 || channels > kMaxChannels || rate < 1000)
                return fail(u"unsupported channel count or sample rate"_s);
            QAudioFormat f;
            f.setChannelCount(channels);
            f.setSampleRate(rate);
            if (tag == kFormatPcm && bits == 8)
                f.setSampleFormat(QAudioFormat::UInt8);
            else if (tag == kFormatPcm && bits == 16)
                f.setSampleFormat(QAudioFormat::Int16);
            else if (tag == kFormatPcm && (bits == 24 || bits == 32))
                f.setSampleFormat(QAudioFormat::Int32);
            else if (tag == kFormatFloat && bits == 32)
                f.setSampleFormat(QAudioFormat::Float);
            else
                return fail(u"unsupported sample format (format %1, %2 bits)"_s.arg(tag).arg(bits));
            format = f;
        } else if (id == "data") {
            if (!format)
                return fail(u"the data chunk comes before the format chunk"_s);
            // A data chunk cut short (a recording that was never finished) is played as far as it goes.
            const qsizetype available = std::min<qint64>(size, file.size() - body);
            const int inFrame = format->channelCount() * (bits == 24 ? 3 : format->bytesPerSample());
            QByteArrayView samples = file.sliced(body, available - available % inFrame);
            WaveAudio audio;
            audio.format = *format;
            audio.samples = bits == 24 ? widen24(samples) : samples.toByteArray();
            return audio;
        }
        at = body + size + (size & 1); // chunks are padded to an even length
    }
    return fail(format ? u"the file has no data chunk"_s : u"the file has no format chunk"_s);
}

bool write(const QString &path, const QAudioFormat &format, QByteArrayView samples, QString *error)
{
    QSaveFile file(path);
    const auto fail = [&file, &path, error]() {
        if (error)
            *error = u"cannot write "_s + path + u": "_s + file.errorString();
        file.cancelWriting();
        return false;
    };
    if (!format.isValid()) {
        if (error)
            *error = u"the recording has no sample format"_s;
        return false;
    }
    if (!file.open(QIODevice::WriteOnly))
        return fail();
    const QByteArray head = header(format, samples.size());
    if (file.write(head) != head.size() || file.write(samples.data(), samples.size()) != samples.size())
        return fail();
    if (samples.size() & 1)
        file.write("\0", 1);
    if (!file.commit())
        return fail();
    return true;
}

qint64 durationMs(const QAudioFormat &format, qint64 bytes)
{
    const int frame = format.bytesPerFrame();
    if (frame <= 0 || format.sampleRate() <= 0)
        return 0;
    return (bytes / frame) * 1000 / format.sampleRate();
}

qint64 bytesAt(const QAudioFormat &format, qint64 ms)
{
    const int frame = format.bytesPerFrame();
    if (frame <= 0 || ms <= 0)
        return 0;
    // Rounded up, so that the duration of the offset is the position again.
    const qint64 frames = (ms * format.sampleRate() + 999) / 1000;
    return frames * frame;
}

} // namespace MediaWave
