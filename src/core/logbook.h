#pragma once

#include <QString>

#include <cstdint>

class Prompter;

// The two local logs in the folder Log of the application folder. Entries are appended, one per line,
// and never truncated. A log that cannot be written is skipped silently; error boxes are still shown.
class LogBook
{
public:
    LogBook(const QString &appFolder, Prompter &prompter);

    // Creates the folder Log when it is missing; false when it could not be made.
    bool ensureFolder() const;

    // Appends "date time | #number | text | routine" to Error.log and shows the error box
    // "Error #<number>\r\n\r\n<text>" titled with the routine's name.
    void LogError(std::int32_t number, const QString &text, const QString &routine);
    void LogStatus(const QString &text);

    QString folder() const { return m_folder; }
    QString errorLogPath() const;
    QString statusLogPath() const;

private:
    void append(const QString &path, const QString &line) const;

    QString m_folder;
    Prompter &m_prompter;
};
