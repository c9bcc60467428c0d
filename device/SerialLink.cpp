#include "device/SerialLink.h"

#include "device/Ports.h"

#include <QDeadlineTimer>
#include <QFileInfo>

#include <algorithm>

SerialLink::SerialLink() = default;

int SerialLink::findComm() const
{
    return discoverPortNumber();
}

void SerialLink::InitComa()
{
    m_openAdvice.clear(); // no advice left over from an earlier attempt
    if (comport == 0)
        return;
    const QString location = portLocation(comport);
    if (location.isEmpty())
        return;
    openLocation(location);
}

bool SerialLink::openLocation(const QString &location)
{
    KillComa();
    // Opened by name, never through a QSerialPortInfo, so that a pseudo-terminal opens too.
    m_port.setPortName(location);
    m_openAdvice.clear();
    if (!m_port.open(QIODevice::ReadWrite)) {
        const QFileInfo device(location);
        m_openAdvice = portOpenAdvice(kThisSystem, m_port.error() == QSerialPort::PermissionError,
                                      device.isReadable() && device.isWritable());
        m_port.clearError();
        return false;
    }
    // None of these results matter: a pseudo-terminal refuses DTR and RTS, a real adapter may
    // refuse other settings, and the device answers all the same.
    m_port.setBaudRate(QSerialPort::Baud115200);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    m_port.setDataTerminalReady(true);
    m_port.setRequestToSend(true);
    m_port.setReadBufferSize(kReadBufferBytes);
    m_port.clear(QSerialPort::AllDirections);
    m_port.clearError();
    m_gone = false;
    m_stalled = false;
    hCommFile = qintptr(m_port.handle()); // a descriptor on Unix, a HANDLE on Windows
    if (hCommFile == -1) // a port without a system handle still counts as open
        hCommFile = 0;
    return true;
}

void SerialLink::KillComa()
{
    if (!isOpen())
        return;
    // What a stalled device never took is dropped: the system would otherwise hold the close
    // until it drained (30 s for some USB adapters).
    if (m_stalled)
        m_port.clear(QSerialPort::Output);
    m_port.close();
    m_port.clearError();
    hCommFile = -1;
}

void SerialLink::send_cmda(const QString &comstr)
{
    QByteArray bytes;
    bytes.reserve(comstr.size());
    for (QChar c : comstr)
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
    send_cmda(bytes);
}

void SerialLink::send_cmda(const QByteArray &bytes)
{
    if (!isOpen() || bytes.isEmpty() || m_gone || m_stalled)
        return;
    m_port.write(bytes);
    // Wait until the bytes have left. The inactivity rule holds for a send as for a receive: a
    // device that takes no byte for the inactivity time has stopped, and so has one that sends more than a
    // reply's worth of bytes while it should be taking them (the port's read buffer is full then,
    // and Qt would take no more bytes from the device nor give any to it).
    QDeadlineTimer stall(inactivityMs());
    while (m_port.bytesToWrite() > 0 && !cancelled()) {
        const qint64 before = m_port.bytesToWrite();
        idle(); // may let the port write some bytes itself
        if (m_port.bytesToWrite() < before) {
            stall.setRemainingTime(inactivityMs());
            continue;
        }
        if (m_port.waitForBytesWritten(waitSlice(stall.remainingTime()))) {
            if (m_port.bytesToWrite() < before)
                stall.setRemainingTime(inactivityMs());
            continue;
        }
        const QSerialPort::SerialPortError error = m_port.error();
        m_port.clearError();
        if (error != QSerialPort::TimeoutError && error != QSerialPort::NoError) {
            m_gone = true; // unplugged
            return;
        }
        if (stall.hasExpired() || m_port.bytesAvailable() >= kReadBufferBytes) {
            m_stalled = true;
            return;
        }
    }
}

void SerialLink::vrcvstra(int num1)
{
    TimeOut = false;
    const int wanted = std::clamp(num1, 0, kBufSize);
    if (wanted == 0)
        return;
    if (!isOpen() || m_gone || m_stalled) {
        TimeOut = true;
        return;
    }
    char *const out = reinterpret_cast<char *>(buf.data());
    int count = 0;
    QDeadlineTimer deadline(inactivityMs());
    while (count < wanted) {
        if (cancelled()) {
            TimeOut = true;
            return;
        }
        if (m_port.bytesAvailable() == 0) {
            idle(); // may let the port read what has come
            if (m_port.bytesAvailable() > 0)
                continue;
            if (m_port.waitForReadyRead(waitSlice(deadline.remainingTime())))
                continue;
            const QSerialPort::SerialPortError error = m_port.error();
            m_port.clearError();
            if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError) {
                // Unplugged: the receive ends as a timeout would; the port is closed by the
                // caller's KillComa.
                m_gone = true;
                TimeOut = true;
                return;
            }
            if (deadline.hasExpired()) {
                TimeOut = true;
                return;
            }
            continue;
        }
        const qint64 got = m_port.read(out + count, wanted - count);
        if (got > 0) {
            count += int(got);
            deadline.setRemainingTime(inactivityMs());
        }
    }
}

int SerialLink::waitSlice(qint64 remaining) const
{
    const qint64 ms = std::max<qint64>(0, remaining);
    return int(m_cancel || m_waitHook ? std::min<qint64>(ms, kWaitSliceMs) : ms);
}

QString SerialLink::text(int count) const
{
    return QString::fromLatin1(bytes(count));
}

QByteArray SerialLink::bytes(int count) const
{
    const int n = std::clamp(count, 0, kBufSize);
    return QByteArray(reinterpret_cast<const char *>(buf.data()), n);
}
