#include "tools/sim/SimDevice.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {
using Clock = std::chrono::steady_clock;
constexpr auto kByteTime = std::chrono::nanoseconds(86806); // 10 bits at 115200 baud
} // namespace

bool parseFault(const QString &fullText, Fault &fault)
{
    QString text = fullText;
    int occurrence = 0;
    const qsizetype at = text.lastIndexOf(QLatin1Char('@'));
    if (at > 0) {
        bool isNumber = false;
        occurrence = text.mid(at + 1).toInt(&isNumber);
        if (isNumber) {
            if (occurrence < 1)
                return false;
            text.truncate(at);
        } else {
            occurrence = 0; // an "@" inside a wrong or extra text
        }
    }
    const QString kind = text.section(QLatin1Char(':'), 0, 0);
    const QString arg = text.section(QLatin1Char(':'), 1);
    const bool hasArg = text.contains(QLatin1Char(':'));
    bool ok = true;
    fault = Fault{};
    if (kind == QLatin1String("silent")) {
        fault.kind = FaultKind::Silent;
    } else if (kind == QLatin1String("wrong")) {
        fault.kind = FaultKind::Wrong;
        fault.bytes = arg.toLatin1();
    } else if (kind == QLatin1String("short") && hasArg) {
        fault.kind = FaultKind::Short;
        fault.count = arg.toInt(&ok);
    } else if (kind == QLatin1String("extra") && hasArg) {
        fault.kind = FaultKind::Extra;
        fault.bytes = arg.toLatin1();
    } else if (kind == QLatin1String("slow") && hasArg) {
        fault.kind = FaultKind::Slow;
        fault.count = arg.toInt(&ok);
    } else if (kind == QLatin1String("vanish")) {
        fault.kind = FaultKind::Vanish;
        fault.count = hasArg ? arg.toInt(&ok) : 0;
    } else {
        return false;
    }
    fault.occurrence = occurrence;
    return ok && fault.count >= 0;
}

QByteArray Session::read(int n)
{
    return m_device.readBytes(n, m_device.config().commandPatience);
}

void Session::unread(const QByteArray &bytes)
{
    m_device.m_pending.prepend(bytes);
}

bool Session::expect(const QByteArray &expected)
{
    QByteArray got;
    for (char c : expected) {
        const QByteArray next = read(1);
        got += next;
        if (next.isEmpty() || next[0] != c) {
            unread(got);
            return false;
        }
    }
    return true;
}

bool Session::answersNormally(const std::string &exchange) const
{
    return !m_muted && m_device.faultFor(exchange).kind == FaultKind::None;
}

bool Session::reply(const std::string &exchange, const QByteArray &bytes)
{
    if (m_muted)
        return false;
    const Fault fault = m_device.takeFault(exchange);
    if (fault.kind == FaultKind::Silent || fault.kind == FaultKind::Short)
        m_muted = true;
    switch (fault.kind) {
    case FaultKind::None:
        m_device.writeBytes(bytes);
        return true;
    case FaultKind::Silent:
        return false;
    case FaultKind::Wrong:
        if (!fault.bytes.isEmpty()) {
            m_device.writeBytes(fault.bytes);
        } else {
            QByteArray altered = bytes;
            if (!altered.isEmpty())
                altered[0] = char(altered[0] ^ 0x20); // 'C' becomes 'c', 'O' becomes 'o'
            m_device.writeBytes(altered);
        }
        return false;
    case FaultKind::Short:
        m_device.writeBytes(bytes.left(fault.count));
        return false;
    case FaultKind::Extra:
        m_device.writeBytes(bytes + fault.bytes);
        return false;
    case FaultKind::Vanish:
        m_device.writeBytes(bytes.left(fault.count));
        m_device.vanish();
        return false;
    case FaultKind::Slow:
        m_device.writeSlowly(bytes, std::chrono::milliseconds(fault.count));
        return true; // the right reply, late
    }
    return false;
}

const Config &Session::config() const
{
    return m_device.config();
}

SimDevice::SimDevice(Config config) : m_config(std::move(config))
{
    installConnectCommands(*this);
}

SimDevice::~SimDevice()
{
    stop();
}

bool SimDevice::start()
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return false;
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        ::close(m_master);
        m_master = -1;
        return false;
    }
    const char *name = ptsname(m_master);
    m_portPath = QString::fromLocal8Bit(name);
    // Holding the terminal end open keeps the pseudo-terminal alive while the program closes and
    // reopens its port, and lets us put it in raw mode before the program opens it.
    m_slave = ::open(name, O_RDWR | O_NOCTTY);
    if (m_slave >= 0) {
        termios tio{};
        if (tcgetattr(m_slave, &tio) == 0) {
            cfmakeraw(&tio);
            tcsetattr(m_slave, TCSANOW, &tio);
        }
    }
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_stop = false;
    m_thread = std::thread([this] { run(); });
    return true;
}

void SimDevice::stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
}

void SimDevice::addCommand(const QByteArray &command, Handler handler)
{
    m_commands[command] = std::move(handler);
}

void SimDevice::setFault(const std::string &exchange, const Fault &fault)
{
    std::lock_guard lock(m_mutex);
    m_faults[exchange] = fault;
    m_replies[exchange] = 0;
}

void SimDevice::clearFaults()
{
    std::lock_guard lock(m_mutex);
    m_faults.clear();
    m_replies.clear();
}

Fault SimDevice::faultFor(const std::string &exchange) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_faults.find(exchange);
    if (it == m_faults.end())
        return {};
    const auto count = m_replies.find(exchange);
    const int next = (count == m_replies.end() ? 0 : count->second) + 1;
    return it->second.occurrence == 0 || it->second.occurrence == next ? it->second : Fault{};
}

Fault SimDevice::takeFault(const std::string &exchange)
{
    const Fault fault = faultFor(exchange);
    std::lock_guard lock(m_mutex);
    ++m_replies[exchange];
    return fault;
}

QByteArray SimDevice::received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

void SimDevice::clearReceived()
{
    std::lock_guard lock(m_mutex);
    m_received.clear();
}

void SimDevice::run()
{
    Session session(*this);
    while (!m_stop && m_master >= 0) {
        m_idle = m_pending.isEmpty();
        QByteArray command = readBytes(1, std::chrono::hours(24));
        m_idle = false;
        if (command.isEmpty())
            continue;
        // Read on while a longer command starts with what came so far.
        for (;;) {
            const auto longer = m_commands.upper_bound(command);
            const bool more = longer != m_commands.end() && longer->first.startsWith(command);
            if (more) {
                const QByteArray next = readBytes(1, m_config.commandPatience);
                if (next.isEmpty())
                    break;
                command += next;
                continue;
            }
            const auto exact = m_commands.find(command);
            if (exact != m_commands.end()) {
                session.m_muted = false;
                exact->second(session);
            }
            else
                m_unknown += int(command.size());
            break;
        }
    }
    m_idle = true;
}

QByteArray SimDevice::readBytes(int n, std::chrono::milliseconds patience)
{
    QByteArray out;
    auto lastByte = Clock::now();
    while (out.size() < n && !m_stop) {
        if (!m_pending.isEmpty()) {
            const int take = std::min<int>(n - int(out.size()), int(m_pending.size()));
            out += m_pending.left(take);
            m_pending.remove(0, take);
            continue;
        }
        if (m_master < 0 || Clock::now() - lastByte > patience)
            break;
        qint64 room = 4096;
        if (m_config.stopReadingAfter >= 0)
            room = std::min(room, m_config.stopReadingAfter - m_readCount);
        if (room <= 0) {
            hang();
            continue;
        }
        pollfd pfd{m_master, POLLIN, 0};
        if (poll(&pfd, 1, 20) <= 0)
            continue;
        char chunk[4096];
        const ssize_t got = ::read(m_master, chunk, size_t(room));
        if (got <= 0)
            continue;
        m_readCount += got;
        const QByteArray bytes(chunk, int(got));
        {
            std::lock_guard lock(m_mutex);
            m_received += bytes;
        }
        if (m_log)
            m_log(bytes);
        m_pending += bytes;
        lastByte = Clock::now();
    }
    if (m_config.paced && !out.isEmpty()) {
        // The bytes could not have arrived faster than the wire carries them.
        m_rxFree = std::max(m_rxFree, Clock::now() - kByteTime) + kByteTime * out.size();
        std::this_thread::sleep_until(m_rxFree);
        throttleSender();
    }
    return out;
}

void SimDevice::throttleSender()
{
    // A serial port's transmit buffer holds a few kilobytes, so a sender's write ends about when
    // its bytes are on the wire. A pseudo-terminal would take tens of kilobytes ahead of a paced
    // reader: its output is held back while more than a port's buffer waits.
    constexpr int kPortBuffer = 4096;
    int queued = 0;
    if (m_master < 0 || m_slave < 0 || ioctl(m_master, FIONREAD, &queued) != 0)
        return;
    const bool hold = queued + m_pending.size() > kPortBuffer;
    if (hold != m_holding && tcflow(m_slave, hold ? TCOOFF : TCOON) == 0)
        m_holding = hold;
}

void SimDevice::writeBytes(const QByteArray &bytes)
{
    const auto start = Clock::now();
    qsizetype sent = 0;
    while (sent < bytes.size() && !m_stop && m_master >= 0) {
        qsizetype allowed = bytes.size();
        if (m_config.paced) {
            allowed = std::min<qsizetype>(bytes.size(), (Clock::now() - start) / kByteTime + 1);
            if (allowed <= sent) {
                std::this_thread::sleep_until(start + kByteTime * sent);
                continue;
            }
        }
        const ssize_t n = ::write(m_master, bytes.constData() + sent, size_t(allowed - sent));
        if (n > 0) {
            sent += n;
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            break;
        } else {
            pollfd pfd{m_master, POLLOUT, 0};
            poll(&pfd, 1, 20);
        }
    }
}

void SimDevice::writeSlowly(const QByteArray &bytes, std::chrono::milliseconds gap)
{
    for (qsizetype i = 0; i < bytes.size() && !m_stop; ++i) {
        const auto next = Clock::now() + gap;
        while (!m_stop && Clock::now() < next)
            std::this_thread::sleep_for(std::min<std::chrono::nanoseconds>(next - Clock::now(), std::chrono::milliseconds(20)));
        writeBytes(bytes.mid(i, 1));
    }
}

void SimDevice::hang()
{
    if (m_config.flood && m_master >= 0) {
        const QByteArray noise(4096, 'K');
        if (::write(m_master, noise.constData(), size_t(noise.size())) > 0)
            return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

void SimDevice::vanish()
{
    if (m_holding && m_slave >= 0)
        tcflow(m_slave, TCOON);
    m_holding = false;
    // The bytes sent before the plug was pulled reach the program first: a hang-up discards
    // whatever the terminal still holds unread.
    // Written bytes pass through the kernel's buffers on their way, so the terminal counts as
    // read only when it has held nothing for a while.
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    int unread = 0;
    for (int empty = 0; m_slave >= 0 && empty < 5 && Clock::now() < deadline;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        empty = ioctl(m_slave, FIONREAD, &unread) == 0 && unread == 0 ? empty + 1 : 0;
    }
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
}

void installConnectCommands(SimDevice &device)
{
    device.addCommand("C", [](Session &s) {
        s.reply("greeting", "C");
        if (!s.expect("onnect"))
            return;
        s.reply("connected", "Connected");
        QByteArray dateTime;
        while (dateTime.size() < 13) {
            const QByteArray digit = s.read(1);
            if (digit.isEmpty() || digit[0] < '0' || digit[0] > '9') {
                s.unread(dateTime + digit);
                return;
            }
            dateTime += digit;
        }
        s.reply("datetime", "Date/Time Received");
        s.reply("version", s.config().version);
        s.reply("serial", s.config().serialNumber);
    });
    device.addCommand("D", [](Session &s) { s.reply("disconnect", "Disconnected"); });
}

} // namespace sim
