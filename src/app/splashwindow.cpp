#include "splashwindow.h"

#include "core/logbook.h"
#include "core/prompter.h"
#include "singleinstance.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>

using namespace Qt::StringLiterals;

namespace {

const QString kProductName = u"ZEL-Client"_s;
const QString kOnlyOneInstance = u"Your can only run one instance of '"_s + kProductName + u"'"_s;
const QString kRoutine = u"Splash_Timer"_s;
const QString kPictureFile = u"Zel.bmp"_s;
constexpr int kTimerInterval = 500; // ms
constexpr std::int32_t kErrInternal = 51;

const QString kStyle = uR"(
#splashFrame {
    border: 1px solid #3d5f85;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #dfe9f4);
}
#splashBand { background: #1f4e79; }
#lblProductName { color: #1f4e79; }
#lblVersion { color: #44546a; }
#lblSubtitle { color: #6b7b8c; }
#splashRule { background: #b7c8da; }
)"_s;

} // namespace

SplashWindow::SplashWindow(Prompter &prompter, LogBook &log, SingleInstance &instance, const QString &appFolder,
                           int major, int minor, int revision, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_prompter(prompter)
    , m_log(log)
    , m_instance(instance)
{
    setObjectName(u"fSplash"_s);
    setWindowTitle(captionFor(major, minor, revision));
    setStyleSheet(kStyle);

    auto *frame = new QFrame(this);
    frame->setObjectName(u"splashFrame"_s);

    auto *band = new QFrame(frame);
    band->setObjectName(u"splashBand"_s);
    band->setFixedHeight(8);

    m_image = new QLabel(frame);
    m_image->setObjectName(u"Image1"_s);
    m_image->setFixedSize(112, 112);
    m_image->setScaledContents(true);
    const QString picture = QDir(appFolder).filePath(kPictureFile);
    const QPixmap pixmap = QFile::exists(picture) ? QPixmap(picture) : QPixmap();
    if (pixmap.isNull())
        m_image->hide();
    else
        m_image->setPixmap(pixmap);

    auto *product = new QLabel(kProductName, frame);
    product->setObjectName(u"lblProductName"_s);
    QFont productFont = product->font();
    productFont.setPointSize(28);
    productFont.setBold(true);
    product->setFont(productFont);

    auto *version = new QLabel(versionText(major, minor, revision), frame);
    version->setObjectName(u"lblVersion"_s);
    QFont versionFont = version->font();
    versionFont.setPointSize(11);
    version->setFont(versionFont);

    auto *subtitle = new QLabel(u"Radiology Department Client"_s, frame);
    subtitle->setObjectName(u"lblSubtitle"_s);

    auto *rule = new QFrame(frame);
    rule->setObjectName(u"splashRule"_s);
    rule->setFixedHeight(1);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addStretch();
    texts->addWidget(product);
    texts->addWidget(version);
    texts->addSpacing(14);
    texts->addWidget(rule);
    texts->addWidget(subtitle);
    texts->addStretch();

    auto *body = new QHBoxLayout;
    body->setContentsMargins(24, 0, 24, 0);
    body->setSpacing(20);
    body->addStretch();
    body->addWidget(m_image, 0, Qt::AlignVCenter);
    body->addLayout(texts);
    body->addStretch();

    auto *frameLayout = new QVBoxLayout(frame);
    frameLayout->setContentsMargins(1, 1, 1, 1);
    frameLayout->setSpacing(0);
    frameLayout->addWidget(band);
    frameLayout->addLayout(body, 1);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);

    setFixedSize(420, 260);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    m_timer = new QTimer(this);
    m_timer->setObjectName(u"Timer1"_s);
    m_timer->setInterval(kTimerInterval);
    connect(m_timer, &QTimer::timeout, this, &SplashWindow::onTimer);
}

QString SplashWindow::versionText(int major, int minor, int revision)
{
    return u"Version "_s + QString::number(major) + u'.' + QString::number(minor) + u'.'
           + QString::number(revision).rightJustified(2, u'0');
}

QString SplashWindow::captionFor(int major, int minor, int revision)
{
    return kProductName + u' ' + versionText(major, minor, revision);
}

void SplashWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Every showing is a fresh load (a logoff shows the splash again): the hand-over runs anew.
    if (!m_loaded) {
        m_loaded = true;
        unsetCursor();
        m_timer->start();
    }
}

void SplashWindow::closeEvent(QCloseEvent *event)
{
    // A splash closed before its first tick must not start the hand-over afterwards.
    m_timer->stop();
    m_loaded = false;
    QWidget::closeEvent(event);
}

void SplashWindow::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    close();
}

void SplashWindow::onTimer()
{
    // Only the first tick does anything; stopping first also keeps a tick from sneaking in while a
    // message box below runs its own event loop.
    m_timer->stop();
    try {
        switch (m_instance.claim()) {
        case SingleInstance::State::Alone:
            break;
        case SingleInstance::State::AnotherCopyRuns:
            m_prompter.information(kProductName, kOnlyOneInstance);
            close();
            return;
        case SingleInstance::State::Failed:
            m_log.LogError(m_instance.errorNumber(), m_instance.errorText(), kRoutine);
            close();
            return;
        }
        setCursor(Qt::WaitCursor);
        repaint();
        emit handOverReady();
    } catch (const std::exception &e) {
        m_log.LogError(kErrInternal, QString::fromLocal8Bit(e.what()), kRoutine);
        close();
    }
}
