#pragma once

// What the tool's commands share: their options, the context a command runs in, and the
// commands themselves, each defined in the file of its kind.

#include "base/CommandLine.h"
#include "device/Connection.h"
#include "device/SerialLink.h"
#include "tools/cli/Cli.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace history {
class Store;
}

namespace cli {

using cmdline::OptionSpec;
using cmdline::UsageError;

inline const OptionSpec kPortOption{QStringLiteral("--port"), {}, QStringLiteral("N|PATH"),
                             QStringLiteral("the port: a number as the Setup dialog takes it, or a device path "
                                            "(default: the only USB serial port, or VANTRELOCK_PORT)")};
inline const OptionSpec kHelpOption{QStringLiteral("--help"), QStringLiteral("-h"), {}, QStringLiteral("show this help")};
inline const OptionSpec kVersionOption{QStringLiteral("--version"), {}, {},
                                     QStringLiteral("print the version and the licence")};

struct Context;

// Work a signal must let end by itself (see CliIo::finishing), for as long as this lives.
class Finishing {
public:
    explicit Finishing(CliIo &io) : m_count(io.finishing)
    {
        if (m_count)
            ++*m_count;
    }
    ~Finishing()
    {
        if (m_count)
            --*m_count;
    }
    Finishing(const Finishing &) = delete;
    Finishing &operator=(const Finishing &) = delete;

private:
    std::atomic<int> *m_count;
};

struct Command {
    QString name;      // "info", "image send"
    QString arguments; // "RUNFILE"
    QString summary;
    std::vector<OptionSpec> options;
    int minPositional = 0;
    int maxPositional = 0;
    bool usesDevice = false;
    std::function<int(Context &)> run;
};

struct Context {
    CliIo &io;
    const Command &command;
    std::map<QString, QString> values; // option name -> value ("" for a switch)
    QStringList positional;
    SerialLink link;
    HandshakeResult device;
    std::optional<Finishing> portHeld; // from the first open of the port to the end

    bool has(const QString &option) const { return values.count(option) != 0; }
    QString value(const QString &option) const
    {
        const auto it = values.find(option);
        return it == values.end() ? QString() : it->second;
    }

    int fail(const QString &message)
    {
        io.err << "vantrelock: " << printable(message) << Qt::endl;
        return kExitFailed;
    }
    void warn(const QString &message) { io.err << "vantrelock: warning: " << printable(message) << Qt::endl; }
    bool interrupted() const { return io.cancel && io.cancel->load(); }
    // A failed exchange: the port is closed and the message reported.
    int exchangeFailed(const QString &message)
    {
        link.KillComa();
        if (interrupted())
            return interruption();
        return fail(message);
    }

    // Opens the port and runs the handshake; false (with the message printed) on failure.
    bool connect()
    {
        link.setCancelFlag(io.cancel);
        if (!portHeld)
            portHeld.emplace(io);
        const QString port = value(kPortOption.name);
        bool isNumber = false;
        const int number = port.toInt(&isNumber);
        if (port.isEmpty() || isNumber) {
            link.comport = isNumber ? number : 0;
            if (isNumber && number <= 0)
                throw UsageError(QStringLiteral("--port takes a number from 1 or a device path"));
            device = connectDevice(link, io.now());
        } else {
            const QString dateTime = dateTimeText(io.now());
            if (!link.openLocation(port)) {
                device.message = openFailureMessage(link);
            } else {
                device = runHandshake(link, dateTime);
            }
        }
        if (!device.message.isEmpty()) {
            exchangeFailed(device.message);
            return false;
        }
        return true;
    }

    // A line on standard error that the next one replaces, shown only on a terminal.
    void progress(const QString &line)
    {
        if (io.errIsTerminal)
            io.err << '\r' << line << "\x1b[K" << Qt::flush;
    }
    void endProgress()
    {
        if (io.errIsTerminal)
            io.err << "\r\x1b[K" << Qt::flush;
    }

    // The end of every command that reached the device: says goodbye and closes the port. The
    // goodbye is the last reply: when it does not come right, the replies before it were out of
    // step too, and what the command read may be wrong. Ctrl-C meanwhile is an interruption, as
    // everywhere else.
    //
    // A command that did its work: `outcome` is printed when the replies were in step, and
    // `misread` (what may be wrong) is named when they were not.
    int done(const QString &misread, const QString &outcome = {})
    {
        const bool said = goodbye();
        if (interrupted())
            return interruption();
        if (!said) {
            warn(kErrorDisconnecting);
            return fail(QStringLiteral("the device's replies went out of step; ") + misread);
        }
        if (!outcome.isEmpty())
            io.out << outcome << Qt::endl;
        return kExitOk;
    }
    // A command the device refused, with the message to print. When the replies went out of step,
    // the refusal itself may be a misread reply: that is said instead, with `misread`.
    int refused(const QString &message, const QString &misread = QStringLiteral("its answer may be misread"))
    {
        const bool said = goodbye();
        if (interrupted())
            return interruption();
        if (!said) {
            warn(kErrorDisconnecting);
            return fail(QStringLiteral("the device's replies went out of step; ") + misread);
        }
        return fail(message);
    }
    // Says goodbye and closes the port; true when the goodbye came right.
    bool goodbye()
    {
        const bool said = !link.isOpen() || sayGoodbye(link);
        link.KillComa();
        return said;
    }
    int interruption()
    {
        io.err << "vantrelock: interrupted" << Qt::endl;
        return kExitInterrupted;
    }
};

// The table of commands, in the order the help lists them.
const std::vector<Command> &commands();

// DeviceCommands.cpp
int runPorts(Context &c);
int runInfo(Context &c);
int runDownload(Context &c);
int runDeleteDeviceFiles(Context &c);
int runSettings(Context &c);
// FileCommands.cpp
int runShow(Context &c);
int runExport(Context &c);
// HistoryCommands.cpp
int runHistory(Context &c);
int runAssign(Context &c);
int runGoal(Context &c);
// The practice history of the program folder, which is made when missing; its notices are the
// tool's warnings.
std::unique_ptr<history::Store> openHistory(Context &c);
// The --driver option's name, checked (a usage error when it is not one); empty: no driver.
QString driverOption(const Context &c);
// PictureCommands.cpp
int runImageFit(Context &c);
int runImageSend(Context &c);
int runImageShow(Context &c);
int runImageDelete(Context &c);

} // namespace cli
