#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

// A stand-in for the Vantrelock on a pseudo-terminal: it answers the program's commands as the
// device does, can misbehave on purpose, and records every byte it receives.
namespace sim {

enum class FaultKind {
    None,
    Silent, // send nothing
    Wrong,  // send other bytes (the fault's bytes, or the reply with its first byte altered)
    Short,  // send only the first `count` bytes
    Extra,  // send the reply followed by the fault's bytes
    Vanish, // send the first `count` bytes, then close the device's end (unplugged)
    Slow,   // send the reply a byte at a time, `count` ms apart (each within the inactivity time)
};

struct Fault {
    FaultKind kind = FaultKind::None;
    int count = 0;
    QByteArray bytes;
    int occurrence = 0; // > 0: only that reply of the exchange misbehaves (1 = the first)
};

// Parses "silent", "wrong", "wrong:TEXT", "short:N", "extra:TEXT", "vanish:N", "slow:MS", each optionally
// followed by "@K": only the Kth reply of the exchange (counted from when the fault is set).
bool parseFault(const QString &text, Fault &fault);

struct Config {
    QByteArray version = "1.24  ";  // 6 characters
    QByteArray serialNumber = "VM004711"; // 8 characters
    bool paced = false;               // 115200 baud: 86.8 us per byte each way
    bool demo = false;                // offer generated data (run files, a picture) for trying things
    // >= 0: after this many bytes the device takes no more (its port stays open), as a device
    // or USB adapter that hangs; with `flood` it sends bytes without end from then on.
    qint64 stopReadingAfter = -1;
    bool flood = false;
    // How long the device waits for the rest of a command before it gives up on it: longer than
    // the program's inactivity time (tests that shorten that shorten this too).
    std::chrono::milliseconds commandPatience{2500};
};

class SimDevice;

// What a command handler works with while it answers one command.
class Session {
public:
    explicit Session(SimDevice &device) : m_device(device) {}
    // Reads exactly n bytes; returns fewer when the program stopped sending for a while.
    QByteArray read(int n);
    // Reads the bytes of `expected` one by one; at the first byte that differs, puts what it read
    // back (it starts the next command) and returns false.
    bool expect(const QByteArray &expected);
    // Sends a reply through the fault set for `exchange`; false when a fault changed it. After a
    // silent or short reply the device says nothing more until the next command.
    bool reply(const std::string &exchange, const QByteArray &bytes);
    // True when a reply for `exchange` would go out unchanged (no fault set, not fallen silent):
    // a device does its work before it reports it done.
    bool answersNormally(const std::string &exchange) const;
    // Puts bytes back to be read again, as the start of the next command.
    void unread(const QByteArray &bytes);
    const Config &config() const;

private:
    friend class SimDevice;
    SimDevice &m_device;
    bool m_muted = false;
};

using Handler = std::function<void(Session &)>;

class SimDevice {
public:
    explicit SimDevice(Config config = {});
    ~SimDevice();
    SimDevice(const SimDevice &) = delete;
    SimDevice &operator=(const SimDevice &) = delete;

    // Opens the pseudo-terminal and starts answering. False when no terminal could be had.
    bool start();
    void stop();
    // The device path the program opens.
    QString portPath() const { return m_portPath; }

    // A command is the bytes that select it ("C", "D", "SL", "IS"); its handler reads the rest.
    void addCommand(const QByteArray &command, Handler handler);
    void setFault(const std::string &exchange, const Fault &fault);
    void clearFaults();

    // Every byte received so far, in order.
    QByteArray received() const;
    void clearReceived();
    // Number of command bytes that no handler claimed.
    int unknownBytes() const { return m_unknown; }
    // True while the device waits for a command (no handler is running).
    bool idle() const { return m_idle; }

    const Config &config() const { return m_config; }
    // Called with each received chunk (the simulator program logs them).
    void setReceiveLog(std::function<void(const QByteArray &)> log) { m_log = std::move(log); }

private:
    friend class Session;
    void run();
    QByteArray readBytes(int n, std::chrono::milliseconds patience);
    void writeBytes(const QByteArray &bytes);
    // Writes a byte at a time, `gap` apart, until done or stopped.
    void writeSlowly(const QByteArray &bytes, std::chrono::milliseconds gap);
    void vanish();
    // Reading has stopped for good: waits a little, flooding the line if configured.
    void hang();
    void throttleSender();
    Fault faultFor(const std::string &exchange) const;
    // The fault for the reply about to go out, counting it.
    Fault takeFault(const std::string &exchange);

    Config m_config;
    std::map<QByteArray, Handler> m_commands;
    std::map<std::string, Fault> m_faults;
    std::map<std::string, int> m_replies; // replies per exchange since its fault was set
    mutable std::mutex m_mutex; // guards m_faults and m_received
    QByteArray m_received;
    std::function<void(const QByteArray &)> m_log;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_unknown{0};
    std::atomic<bool> m_idle{true};
    std::thread m_thread;
    int m_master = -1;
    int m_slave = -1;
    QString m_portPath;
    QByteArray m_pending; // bytes read but not yet taken by a handler
    qint64 m_readCount = 0; // bytes taken from the terminal since start
    std::chrono::steady_clock::time_point m_rxFree{};
    bool m_holding = false; // the program's output held back (paced)
};

// The connect handshake and the goodbye.
void installConnectCommands(SimDevice &device);

} // namespace sim
