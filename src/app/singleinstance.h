#pragma once

#include <QLockFile>
#include <QString>

#include <cstdint>

// Tells whether another copy of the program already runs on this machine for the same application
// folder. The first copy holds a lock file in the temporary folder for as long as this object lives;
// a lock left behind by a copy that crashed is taken over.
class SingleInstance
{
public:
    enum class State { Alone, AnotherCopyRuns, Failed };

    // lockFolder: where the lock file lives; the system's temporary folder unless a test names another.
    explicit SingleInstance(const QString &appFolder, const QString &lockFolder = QString());

    // Takes the lock if it is free; once held, later calls keep answering Alone.
    State claim();

    // Why the last claim failed (State::Failed), as error number and text for LogError.
    std::int32_t errorNumber() const { return m_errorNumber; }
    QString errorText() const { return m_errorText; }
    QString lockFilePath() const { return m_path; }

private:
    QString m_path;
    QLockFile m_lock;
    std::int32_t m_errorNumber = 0;
    QString m_errorText;
};
