#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>

// The caption of the recorder, which also titles its own boxes.
inline constexpr QStringView RecorderCaption = u"Voice Recorder";

// The values of a dictation's header (WAVSEND), as the report window holds them.
struct DictationHeader
{
    QString docId;              // the document id, decimal
    QString xrayNo;             // the X-ray number as shown (leading zeros allowed)
    QString studyKey;           // the examination key; empty: the X-ray number stands in
    QString typist;
    std::int32_t radiologistId = 0;
};

// The report window as the recorder sees it: "Voice Report" opens the recorder for the report's
// examination, and the recorder reads the header values at the moment it sends.
class VoiceReportHost
{
public:
    virtual ~VoiceReportHost() = default;
    virtual DictationHeader dictationHeader() const = 0;
    // The server has confirmed the dictation: the report window closes.
    virtual void dictationSaved() = 0;
};

// The recorder window as the dictation commands' handlers see it.
class RecorderHost
{
public:
    virtual ~RecorderHost() = default;
    // The examination the recorder was opened for; its dictation travels under this UID.
    virtual QString dictationStudyUid() const = 0;
    virtual DictationHeader dictationHeader() const = 0;
    // lblStatus.
    virtual void showRecorderStatus(const QString &text) = 0;
    // Report.wav now holds the dictation the server sent: play it.
    virtual void PlayReceived() = 0;
    // The server keeps no dictation for the examination yet: the recorder stays ready to record.
    virtual void noDictationStored() {}
    // The server confirmed the dictation: the recorder closes, and the report window with it.
    virtual void dictationSent() = 0;
};
