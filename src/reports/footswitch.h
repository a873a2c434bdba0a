#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QSerialPort;

// The dictation foot switch on a serial port. Nothing is read or written on the data lines: the
// pedals close modem status inputs, the main pedal CTS (clear to send) and the second pedal DSR
// (data set ready).
class FootSwitch
{
public:
    struct Pedals
    {
        bool main = false;   // CTS
        bool second = false; // DSR
    };

    virtual ~FootSwitch() = default;

    // Opens the port at 9600 baud, no parity, 8 data bits, 1 stop bit. False, with the reason in
    // `error`, when the port cannot be opened; the switch is then closed.
    virtual bool open(const QString &device, QString *error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The pedals as they are at this moment; both up when the port is closed or cannot tell.
    virtual Pedals pedals() = 0;
};

// The foot switch on a real serial port.
class SerialFootSwitch : public FootSwitch
{
public:
    SerialFootSwitch();
    ~SerialFootSwitch() override;

    bool open(const QString &device, QString *error) override;
    void close() override;
    bool isOpen() const override;
    Pedals pedals() override;

private:
    std::unique_ptr<QSerialPort> m_port;
};

// Which device "Com 1" and "Com 2" stand for. FootSwitch.ini in the application folder may name
// them, line 1 for "Com 1" and line 2 for "Com 2"; a missing file or an empty line leaves the
// default: /dev/ttyS0 and /dev/ttyS1 (COM1 and COM2 on Windows), unless the system has no such
// serial port but USB serial adapters, of which "Com 1" is the first and "Com 2" the second.
namespace FootSwitchPorts {

inline constexpr QStringView FileName = u"FootSwitch.ini";

QString device(const QString &appFolder, int port);
// The default of a port, given the serial ports the system offers.
QString defaultDevice(int port, const QStringList &available);
// The serial ports the system offers (their device paths).
QStringList available();

} // namespace FootSwitchPorts
