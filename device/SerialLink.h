#pragma once

#include <QByteArray>
#include <QSerialPort>
#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>

// The one serial link to the device. Every exchange sends a command and then receives a fixed
// number of reply bytes into `buf`, with an inactivity timeout. All calls block the caller's
// thread; nothing here shows a message.
class SerialLink {
public:
    static constexpr int kBufSize = 1751;
    static constexpr int kInactivityMs = 2000;
    // The inactivity time in force: kInactivityMs, unless a test shortened it.
    static int inactivityMs() { return s_inactivityMs; }
    // For tests only (the program never calls it): fault tests need not wait 2 s per fault.
    static void setInactivityMsForTests(int ms) { s_inactivityMs = ms; }
    // Bytes from the device held in memory at most, far beyond any reply (1748 bytes at most);
    // further bytes wait in the system's port buffer.
    static constexpr qint64 kReadBufferBytes = 64 * 1024;

    SerialLink();

    // Link state. `hCommFile` is the open port's system handle, -1 while no port is open.
    qintptr hCommFile = -1;
    // Number of the port to open; 0 means not chosen yet.
    int comport = 0;
    // Shared receive buffer: every receive writes from index 0, and nothing ever clears it.
    std::array<std::uint8_t, kBufSize> buf{};
    // True when the last receive ended because the device fell silent (or was gone).
    bool TimeOut = false;

    bool isOpen() const { return hCommFile != -1; }

    // The number of the only serial port the system lists, or 0 (none, or more than one).
    int findComm() const;
    // Opens port `comport` (nothing when it is 0) at 115200 8N1 with DTR and RTS raised.
    void InitComa();
    // Opens a port by its device path or system name.
    bool openLocation(const QString &location);
    // After an open that failed: what the user can do about it (portOpenAdvice), or empty text.
    QString openAdvice() const { return m_openAdvice; }
    // Closes the port if one is open.
    void KillComa();
    // Sends the low 8 bits of every character; a block goes out in one write. A device that
    // takes no byte for the inactivity time, or floods the link meanwhile, ends the exchange:
    // later sends do nothing and the next receive times out at once, until the port is closed.
    void send_cmda(const QString &comstr);
    void send_cmda(const QByteArray &bytes);
    // Receives up to `num1` bytes into `buf` from index 0. Ends when all came (TimeOut false) or
    // when 2000 ms pass without a byte (TimeOut true); what came stays in `buf`, the rest of `buf`
    // keeps its bytes, and a surplus stays queued for the next receive.
    void vrcvstra(int num1);

    // Bytes 0 to count-1 of `buf`, each taken as the character with the same code.
    QString text(int count) const;
    // Bytes 0 to count-1 of `buf`.
    QByteArray bytes(int count) const;
    // True once the port reported that the device went away (unplugged).
    bool deviceGone() const { return m_gone; }
    // A flag that, once set (from a signal handler, say), ends every wait as a timeout would.
    void setCancelFlag(const std::atomic<bool> *cancel) { m_cancel = cancel; }
    bool cancelled() const { return m_cancel && m_cancel->load(); }
    // Called again and again while an exchange waits for the device (at least every
    // kWaitSliceMs), so that a window can keep itself painted meanwhile. It must not use the link.
    void setWaitHook(std::function<void()> hook) { m_waitHook = std::move(hook); }

private:
    // Waits for bytes at most this long at a time, so that a cancel is seen soon.
    static constexpr int kWaitSliceMs = 100;
    int waitSlice(qint64 remaining) const;

    static inline std::atomic<int> s_inactivityMs{kInactivityMs};

    QSerialPort m_port;
    QString m_openAdvice;
    bool m_gone = false;
    bool m_stalled = false;
    const std::atomic<bool> *m_cancel = nullptr;
    std::function<void()> m_waitHook;
    void idle() const
    {
        if (m_waitHook)
            m_waitHook();
    }
};
