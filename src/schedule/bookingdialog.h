#pragma once

#include "schedulerules.h"

#include "ui/taskdesk.h"

#include <QDialog>

#include <cstdint>
#include <optional>

class AppointmentWindow;
class QComboBox;
class QFormLayout;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
struct ScheduleState;

// What the three booking windows (fTerminNeu, fTerminEmergency, fTerminEdit) share: a fixed dialog
// over the day view, the patient and modality fields, the time, duration and body part boxes, the
// additional information (at most 255 characters), "OK" and "Cancel", and the checks of the typed
// time and duration.
class BookingDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int InformationLimit = 255;

    BookingDialog(const TaskContext &context, AppointmentWindow &day, const QString &name, const QString &caption,
                  QWidget *parent);

    // Body parts from the BODYLIST reply, kept sorted.
    void addBodyPartEntries(const QStringList &parts);

protected:
    // The messages a window gives for its checks, and the titles they carry.
    struct Wording
    {
        QString noBodyPart;
        QString noColon;
        QString shortTitle; // the title of the messages for a missing modality, body part, colon, duration
    };

    QLineEdit *addReadOnly(const QString &label, const QString &name);
    void addTimeDurationBodyPart();
    void addInformation();
    void finishLayout(QWidget *extra = nullptr);

    // The checks of "OK" after the modality: body part, time, duration; nothing when one fails
    // (the user has been told).
    struct Checked
    {
        QTime time;
        std::int16_t duration = 0;
    };
    std::optional<Checked> checkEntries(const Wording &wording);
    // The typed texts can go on the wire as they are; otherwise the user is told.
    bool checkTyped(const QList<TypedText> &fields);
    // The patient's internal id goes unquoted: it must be a number.
    bool checkPatientId(const QString &id);

    // Whether "OK" may be used once no command of this window is under way.
    virtual bool okAllowed() const { return true; }

    void fillDurations(int defaultMinutes, bool setText);
    void setBusy(bool busy);
    QString information() const;
    QString now() const;

    TaskContext m_context;
    ScheduleState &m_state;
    AppointmentWindow &m_day;
    QFormLayout *m_form = nullptr;
    QComboBox *m_time = nullptr;
    QComboBox *m_duration = nullptr;
    QComboBox *m_bodyPart = nullptr;
    QPlainTextEdit *m_information = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
};
