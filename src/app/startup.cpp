#include "startup.h"

#include "clientini.h"
#include "configwindow.h"
#include "core/logbook.h"
#include "core/session.h"
#include "singleinstance.h"
#include "splashwindow.h"

#include <QDir>

#include <exception>

using namespace Qt::StringLiterals;

namespace {

const QString kRoutine = u"Main"_s;
const QString kReadIniRoutine = u"ReadINI"_s;
constexpr std::int32_t kErrFileAccess = 75;
constexpr std::int32_t kErrInternal = 51;

const QStringList kDepartmentNames{u"B3"_s,  u"CT-Scan"_s, u"Mobile"_s, u"Ultrasound"_s,
                                   u"MRI"_s, u"Trauma"_s,  u"Lodox"_s};

} // namespace

Startup::Startup(Session &session, Prompter &prompter, LogBook &log, const QString &appFolder)
    : m_session(session)
    , m_prompter(prompter)
    , m_log(log)
    , m_appFolder(appFolder)
    , m_instance(std::make_unique<SingleInstance>(appFolder))
{
    m_configStep = [this] {
        ConfigWindow window(m_session.settings, m_prompter, m_appFolder);
        window.exec();
    };
}

Startup::~Startup() = default;

void Startup::setConfigStep(ConfigStep step)
{
    m_configStep = std::move(step);
}

bool Startup::run(const QStringList &arguments)
{
    try {
        return runSteps(arguments);
    } catch (const std::exception &e) {
        m_log.LogError(kErrInternal, QString::fromLocal8Bit(e.what()), kRoutine);
        return false;
    }
}

bool Startup::runSteps(const QStringList &arguments)
{
    // Any argument at all switches debug mode on; its text does not matter.
    if (!arguments.isEmpty())
        m_session.DebugMode = true;

    if (!m_log.ensureFolder()) {
        m_log.LogError(kErrFileAccess,
                       u"Path/File access error ("_s + QDir::toNativeSeparators(m_log.folder()) + u")"_s, kRoutine);
        return false;
    }

    // Nothing works without a server to talk to: keep asking until Client.ini can be read.
    for (ClientIni::Result read = ReadINI(m_session, m_appFolder); !read.ok();
         read = ReadINI(m_session, m_appFolder)) {
        m_log.LogError(read.number, read.text, kReadIniRoutine);
        m_configStep();
    }

    m_session.DepartmentNames = kDepartmentNames;

    m_splash = std::make_unique<SplashWindow>(m_prompter, m_log, *m_instance, m_appFolder);
    m_splash->show();
    return true;
}
