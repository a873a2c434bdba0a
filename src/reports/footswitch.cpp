#include "footswitch.h"

#include "link/wirecodec.h"

#include <QDir>
#include <QFile>
#include <QSerialPort>
#include <QSerialPortInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

SerialFootSwitch::SerialFootSwitch() = default;

SerialFootSwitch::~SerialFootSwitch()
{
    close();
}

bool SerialFootSwitch::open(const QString &device, QString *error)
{
    close();
    auto port = std::make_unique<QSerialPort>();
    port->setPortName(device);
    if (!port->open(QIODevice::ReadWrite)) {
        if (error)
            *error = port->errorString();
        return false;
    }
    port->setBaudRate(QSerialPort::Baud9600);
    port->setParity(QSerialPort::NoParity);
    port->setDataBits(QSerialPort::Data8);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    // Foot switches take their supply from DTR and RTS and switch it back on CTS and DSR.
    port->setDataTerminalReady(true);
    port->setRequestToSend(true);
    port->clearError();
    m_port = std::move(port);
    return true;
}

void SerialFootSwitch::close()
{
    if (m_port) {
        m_port->close();
        m_port.reset();
    }
}

bool SerialFootSwitch::isOpen() const
{
    return m_port && m_port->isOpen();
}

FootSwitch::Pedals SerialFootSwitch::pedals()
{
    if (!isOpen())
        return {};
    const QSerialPort::PinoutSignals lines = m_port->pinoutSignals();
    // A port that cannot report its lines (a pseudo-terminal, a pulled adapter) reads as pedals up.
    if (m_port->error() != QSerialPort::NoError) {
        m_port->clearError();
        return {};
    }
    return {lines.testFlag(QSerialPort::ClearToSendSignal), lines.testFlag(QSerialPort::DataSetReadySignal)};
}

namespace FootSwitchPorts {

QString device(const QString &appFolder, int port)
{
    QFile file(QDir(appFolder).filePath(FileName.toString()));
    if (file.open(QIODevice::ReadOnly)) {
        for (int line = 1; line <= 2 && !file.atEnd(); ++line) {
            const QString name = WireCodec::decode(file.readLine()).trimmed();
            if (line == port && !name.isEmpty())
                return name;
        }
    }
    return defaultDevice(port, available());
}

QString defaultDevice(int port, const QStringList &ports)
{
#ifdef Q_OS_WIN
    Q_UNUSED(ports);
    return u"COM"_s + QString::number(port);
#else
    const QString fixed = u"/dev/ttyS"_s + QString::number(port - 1);
    if (ports.contains(fixed))
        return fixed;
    QStringList adapters;
    for (const QString &p : ports) {
        if (p.startsWith(u"/dev/ttyUSB"_s) || p.startsWith(u"/dev/ttyACM"_s))
            adapters.append(p);
    }
    std::sort(adapters.begin(), adapters.end(), [](const QString &a, const QString &b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b; // ttyUSB2 before ttyUSB10
    });
    return port >= 1 && port <= adapters.size() ? adapters.at(port - 1) : fixed;
#endif
}

QStringList available()
{
    QStringList names;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        names.append(info.systemLocation());
    return names;
}

} // namespace FootSwitchPorts
