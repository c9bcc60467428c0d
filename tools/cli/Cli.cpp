#include "tools/cli/Cli.h"

#include "app/Errors.h"
#include "app/Files.h"
#include "app/Folders.h"
#include "device/Connection.h"
#include "device/Ports.h"
#include "device/SerialLink.h"
#include "image/Picture.h"
#include "image/Upload.h"
#include "settings/SettingsExchange.h"
#include "stats/CsvExport.h"
#include "stats/Readout.h"
#include "stats/RunFile.h"
#include "stats/RunFileTransfer.h"

#include <QFileInfo>

#include <QDir>

#include <QSerialPortInfo>

#include <map>
#include <optional>
#include <vector>

namespace {

struct OptionSpec {
    QString name;      // "--port"
    QString shortName; // "-o", or empty
    QString valueName; // empty for a switch
    QString help;
};

const OptionSpec kPortOption{QStringLiteral("--port"), {}, QStringLiteral("N|PATH"),
                             QStringLiteral("the port: a number as the Setup dialog takes it, or a device path "
                                            "(default: the only USB serial port, or VANTRELOCK_PORT)")};
const OptionSpec kHelpOption{QStringLiteral("--help"), QStringLiteral("-h"), {}, QStringLiteral("show this help")};

class UsageError {
public:
    explicit UsageError(QString text) : message(std::move(text)) {}
    QString message;
};

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
        if (interrupted()) {
            io.err << "vantrelock: interrupted" << Qt::endl;
            return kExitInterrupted;
        }
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
                device.message = kErrorConnecting;
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

    // Says goodbye and closes the port; false (with a warning) when the goodbye did not come.
    bool disconnect()
    {
        if (!link.isOpen())
            return true;
        const bool said = sayGoodbye(link);
        if (!said && !interrupted())
            warn(kErrorDisconnecting);
        link.KillComa();
        return said;
    }
};

int runPorts(Context &c)
{
#ifdef Q_OS_WIN
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        const QString name = info.portName();
        if (name.startsWith(QLatin1String("COM")))
            c.io.out << name.mid(3) << '\t' << name << '\t' << info.description() << Qt::endl;
    }
#else
    const QStringList ports = systemDevicePorts();
    if (ports.isEmpty())
        c.io.err << "vantrelock: no USB serial port found" << Qt::endl;
    for (int i = 0; i < ports.size(); ++i)
        c.io.out << (i + 1) << '\t' << ports.at(i) << Qt::endl;
#endif
    return kExitOk;
}

int runInfo(Context &c)
{
    if (!c.connect())
        return c.interrupted() ? kExitInterrupted : kExitFailed;
    c.io.out << "Version: " << printable(c.device.version.value_or(QString())) << Qt::endl;
    c.io.out << "Serial number: " << printable(c.device.serialNumber) << Qt::endl;
    c.io.out << "Rallycross: " << (hasRallycross(c.device.version.value_or(QString())) ? "yes" : "no")
             << Qt::endl;
    c.disconnect();
    return kExitOk;
}

int runDownload(Context &c)
{
    QString folder = c.value(QStringLiteral("--dir"));
    if (folder.isEmpty())
        folder = workingFolders(GetSpecialFolderPath(CSIDL_PERSONAL)).statistics;
    if (!QDir().mkpath(folder))
        return c.fail(QStringLiteral("cannot make the folder %1").arg(QDir::toNativeSeparators(folder)));
    if (!c.connect())
        return c.interrupted() ? kExitInterrupted : kExitFailed;

    const QString version = c.device.version.value_or(QString());
    DownloadObserver observer;
    observer.starting = [&c](bool rallycross, int file, int count) {
        c.progress(QStringLiteral("Downloading %1run file %2 of %3").arg(rallycross ? QStringLiteral("rallycross ") : QString()).arg(file).arg(count));
    };
    observer.stored = [&c](const QString &path) {
        c.endProgress();
        c.io.out << QDir::toNativeSeparators(path) << Qt::endl;
    };
    const DownloadResult result = downloadRunFiles(c.link, folder, version, hasRallycross(version), observer);
    c.endProgress();
    switch (result.end) {
    case DownloadResult::End::NoResponse:
        return c.exchangeFailed(kNoResponse);
    case DownloadResult::End::Refused:
        c.disconnect();
        return c.fail(kInvalidResponse);
    case DownloadResult::End::RallycrossNotFound:
        c.disconnect();
        return c.fail(kRallycrossNotFound);
    case DownloadResult::End::Complete:
        break;
    }
    // The goodbye is the last reply: when it does not come right, the replies before it were
    // out of step too, and a file may have been misread and left out.
    if (!c.disconnect())
        return c.fail(QStringLiteral("the device's replies went out of step; run files may be missing"));
    return kExitOk;
}

// Asks on standard error and reads the answer from standard input; anything but yes is no.
bool confirm(Context &c, const QString &question)
{
    c.io.err << question << " [y/N] " << Qt::flush;
    const QString answer = c.io.in.readLine().trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes");
}

int runDeleteDeviceFiles(Context &c)
{
    if (!c.has(QStringLiteral("--yes")) && !confirm(c, QStringLiteral("Delete All Statistics Files from Vantrelock?")))
        return c.fail(QStringLiteral("nothing deleted"));
    if (!c.connect())
        return c.interrupted() ? kExitInterrupted : kExitFailed;
    const bool rallycross = hasRallycross(c.device.version.value_or(QString()));
    switch (deleteDeviceRunFiles(c.link, rallycross)) {
    case DeviceDeleteEnd::NoResponse:
        return c.exchangeFailed(kNoResponse);
    case DeviceDeleteEnd::Failed:
        c.disconnect();
        return c.fail(kErrorDeletingFiles);
    case DeviceDeleteEnd::RallycrossFailed:
        c.disconnect();
        return c.fail(kErrorDeletingRallycross);
    case DeviceDeleteEnd::RallycrossNothingToDo:
        c.io.out << "Run files deleted; the device had no rallycross files to delete." << Qt::endl;
        break;
    case DeviceDeleteEnd::Deleted:
        c.io.out << (rallycross ? "Run files and rallycross run files deleted." : "Run files deleted.") << Qt::endl;
        break;
    }
    c.disconnect();
    return kExitOk;
}

int runShow(Context &c)
{
    const QString path = c.positional.at(0);
    const runfile::RunFile file = runfile::decode(runfile::readRunFile(path));
    QTextStream &out = c.io.out;
    QStringList figures = csv::statisticsOf(file);
    for (QString &figure : figures)
        figure = printable(figure); // count fields are the file's own bytes
    out << "File: " << QFileInfo(path).fileName() << Qt::endl;
    const char *names[] = {"Runs", "Reds", "Wins", "Average", "Spread"};
    for (int i = 0; i < 5; ++i)
        out << names[i] << ": " << figures.at(i) << Qt::endl;
    out << "Shift averages: " << figures.mid(5).join(QStringLiteral("  ")) << Qt::endl;

    const csv::Runs runs = csv::runsOf(file);
    QList<int> columns; // shift columns in use
    for (int k = 0; k < 4; ++k) {
        if (runs.shift[k][1] != runfile::kAbsentShift)
            columns.append(k);
    }
    const bool bumps = file.full;
    out << Qt::endl << QStringLiteral("%1  %2").arg(QStringLiteral("Run"), 3).arg(QStringLiteral("RT"), 6);
    if (bumps)
        out << QStringLiteral(" %1").arg(QStringLiteral("Bump"), 4);
    for (int k : columns)
        out << QStringLiteral("  %1").arg(QStringLiteral("S%1").arg(k + 1), 6);
    out << Qt::endl;
    const int n = file.runs.runs();
    for (int r = 1; r <= n; ++r) {
        out << QStringLiteral("%1  %2").arg(r, 3).arg(readout::timeText(runs.rt[r]), 6);
        if (bumps)
            out << QStringLiteral(" %1").arg(runs.bump[r] == runfile::kNoBump ? QStringLiteral("-") : QString::number(runs.bump[r]), 4);
        for (int k : columns)
            out << QStringLiteral("  %1").arg(readout::timeText(runs.shift[k][r]), 6);
        out << Qt::endl;
    }
    return kExitOk;
}

int runExport(Context &c)
{
    const QString path = c.positional.at(0);
    const runfile::RunFile file = runfile::decode(runfile::readRunFile(path));
    const QByteArray text = csv::exportText(csv::runsOf(file), csv::statisticsOf(file));
    QString target = c.value(QStringLiteral("--output"));
    if (target == QLatin1String("-")) {
        c.io.out << QString::fromUtf8(text) << Qt::flush;
        return kExitOk;
    }
    if (target.isEmpty()) {
        const QFileInfo info(path);
        target = info.dir().filePath(info.completeBaseName() + QStringLiteral(".csv"));
    }
    const QString shown = QDir::toNativeSeparators(target);
    if (files::sameFile(path, target))
        return c.fail(QStringLiteral("%1 is the run file itself; name another CSV file with -o").arg(shown));
    const Finishing writing(c.io);
    if (c.has(QStringLiteral("--force")))
        files::writeFile(target, text);
    else if (!files::writeNewFile(target, text))
        return c.fail(QStringLiteral("%1 already exists; --force replaces it").arg(shown));
    c.io.out << shown << Qt::endl;
    return kExitOk;
}

int runSettings(Context &c)
{
    if (!c.connect())
        return c.interrupted() ? kExitInterrupted : kExitFailed;
    const auto print = [&c](const std::vector<settings::DecodedField> &fields) {
        for (const settings::DecodedField &field : fields)
            c.io.out << settings::captionOf(field.label) << ": "
                     << printable(field.text.value_or(QStringLiteral("(unknown code)"))) << Qt::endl;
    };
    if (!settings::readPracticeSettings(c.link, print))
        return c.exchangeFailed(kNoResponse);
    if (c.has(QStringLiteral("--rallycross"))) {
        if (!hasRallycross(c.device.version.value_or(QString()))) {
            c.disconnect();
            return c.fail(QStringLiteral("the device has no rallycross settings"));
        }
        c.io.out << Qt::endl << "Rallycross:" << Qt::endl;
        switch (settings::readRallySettings(c.link, print)) {
        case settings::RallyRead::TimedOut:
            return c.exchangeFailed(kNoResponse);
        case settings::RallyRead::Refused:
            c.disconnect();
            return c.fail(QStringLiteral("the device refused its rallycross settings"));
        case settings::RallyRead::Read:
            break;
        }
    }
    c.disconnect();
    return kExitOk;
}

// The picture fitted and converted as the window does it: Load writes the working bitmap, Send
// converts the bitmap's own bytes.
struct FittedPicture {
    QByteArray bitmap;
    picture::RawPicture raw;
};
std::optional<FittedPicture> fitPicture(Context &c, const QString &path)
{
    const picture::LoadedPicture loaded = picture::loadWorkingPicture(path);
    if (loaded.working.isNull()) {
        c.fail(loaded.error);
        return std::nullopt;
    }
    FittedPicture fitted;
    fitted.bitmap = picture::bmpFile(loaded.working);
    const std::optional<picture::RawPicture> raw = picture::convertBitmap(fitted.bitmap);
    if (!raw) {
        c.fail(picture::kFormatIncorrect);
        return std::nullopt;
    }
    fitted.raw = *raw;
    return fitted;
}

int runImageFit(Context &c)
{
    const std::optional<FittedPicture> fitted = fitPicture(c, c.positional.at(0));
    if (!fitted)
        return kExitFailed;
    QString folder = c.value(QStringLiteral("--output"));
    if (folder.isEmpty())
        folder = workingFolders(GetSpecialFolderPath(CSIDL_PERSONAL)).program;
    if (!QDir().mkpath(folder))
        return c.fail(QStringLiteral("cannot make the folder %1").arg(QDir::toNativeSeparators(folder)));
    const QDir dir(folder);
    const Finishing writing(c.io);
    const std::pair<const QString &, const QByteArray &> files[] = {
        {kWorkingBitmapName, fitted->bitmap}, {kImageHeaderName, fitted->raw.header}, {kRawImageName, fitted->raw.raw}};
    for (const auto &[name, bytes] : files) {
        files::writeFile(dir.filePath(name), bytes);
        c.io.out << QDir::toNativeSeparators(dir.filePath(name)) << Qt::endl;
    }
    c.io.err << "Fitted to " << fitted->raw.width << " x " << fitted->raw.height << " pixels." << Qt::endl;
    return kExitOk;
}

int runImageSend(Context &c)
{
    const std::optional<FittedPicture> fitted = fitPicture(c, c.positional.at(0));
    if (!fitted)
        return kExitFailed;
    if (!c.connect())
        return c.interrupted() ? kExitInterrupted : kExitFailed;
    picture::UploadProgress progress;
    int pieces = 0, total = 0;
    progress.started = [&](int maximum) { total = maximum; };
    progress.piece = [&](int) { c.progress(QStringLiteral("Sending image: piece %1 of %2").arg(++pieces).arg(total)); };
    progress.finished = [&] { c.endProgress(); };
    const picture::Outcome outcome = picture::upload(c.link, fitted->raw.header, fitted->raw.raw, progress);
    c.endProgress();
    switch (outcome) {
    case picture::Outcome::TimedOut:
        return c.exchangeFailed(kNoResponse);
    case picture::Outcome::Refused:
        c.disconnect();
        return c.fail(picture::kErrorSending);
    case picture::Outcome::Ok:
        break;
    }
    c.io.out << picture::kSendSuccessful << Qt::endl;
    c.disconnect();
    return kExitOk;
}

int runPictureCommand(Context &c, char command, const picture::CommandTexts &texts)
{
    if (!c.connect())
        return c.interrupted() ? kExitInterrupted : kExitFailed;
    switch (picture::pictureCommand(c.link, command)) {
    case picture::CommandReply::TimedOut:
        return c.exchangeFailed(picture::kErrorCommunicating);
    case picture::CommandReply::Error:
        c.disconnect();
        return c.fail(texts.error);
    case picture::CommandReply::NoPicture:
        c.disconnect();
        return c.fail(texts.noPicture);
    case picture::CommandReply::Ok:
        break;
    }
    c.io.out << texts.done << Qt::endl;
    c.disconnect();
    return kExitOk;
}

int runImageShow(Context &c)
{
    return runPictureCommand(c, 'V', picture::kShowTexts);
}

int runImageDelete(Context &c)
{
    return runPictureCommand(c, 'D', picture::kDeleteTexts);
}

const std::vector<Command> &commands()
{
    static const std::vector<Command> list = {
        {QStringLiteral("ports"), {}, QStringLiteral("list the serial ports with the number the Setup dialog uses for each"),
         {}, 0, 0, false, runPorts},
        {QStringLiteral("info"), {}, QStringLiteral("connect, print version, serial number and rallycross, disconnect"),
         {}, 0, 0, true, runInfo},
        {QStringLiteral("download"), {}, QStringLiteral("download every run file into a folder and print each stored path"),
         {{QStringLiteral("--dir"), {}, QStringLiteral("DIR"), QStringLiteral("where to store them (default: the program's Statistics folder)")}},
         0, 0, true, runDownload},
        {QStringLiteral("delete-device-files"), {}, QStringLiteral("delete the run files on the device, asking first"),
         {{QStringLiteral("--yes"), QStringLiteral("-y"), {}, QStringLiteral("do not ask")}},
         0, 0, true, runDeleteDeviceFiles},
        {QStringLiteral("show"), QStringLiteral("RUNFILE"), QStringLiteral("print a run file's figures and a table of its runs"),
         {}, 1, 1, false, runShow},
        {QStringLiteral("export"), QStringLiteral("RUNFILE"), QStringLiteral("write a run file's runs and figures as CSV"),
         {{QStringLiteral("--output"), QStringLiteral("-o"), QStringLiteral("CSV"),
           QStringLiteral("the CSV file (default: the run file's name with .csv; - for standard output)")},
          {QStringLiteral("--force"), QStringLiteral("-f"), {}, QStringLiteral("replace the CSV file if it exists")}},
         1, 1, false, runExport},
        {QStringLiteral("settings"), {}, QStringLiteral("connect and print the practice settings"),
         {{QStringLiteral("--rallycross"), {}, {}, QStringLiteral("print the rallycross settings too")}},
         0, 0, true, runSettings},
        {QStringLiteral("image fit"), QStringLiteral("PICTURE"),
         QStringLiteral("write the working bitmap, user.txt and user.raw for a picture, fitted to 480 x 272"),
         {{QStringLiteral("--output"), QStringLiteral("-o"), QStringLiteral("DIR"),
           QStringLiteral("where to write them (default: the program folder)")}},
         1, 1, false, runImageFit},
        {QStringLiteral("image send"), QStringLiteral("PICTURE"), QStringLiteral("fit a picture and upload it to the device's display"),
         {}, 1, 1, true, runImageSend},
        {QStringLiteral("image show"), {}, QStringLiteral("show the device's stored picture on its display"),
         {}, 0, 0, true, runImageShow},
        {QStringLiteral("image delete"), {}, QStringLiteral("delete the device's stored picture"),
         {}, 0, 0, true, runImageDelete},
    };
    return list;
}

QString optionLine(const OptionSpec &o)
{
    QString names = o.shortName.isEmpty() ? o.name : o.shortName + QStringLiteral(", ") + o.name;
    if (!o.valueName.isEmpty())
        names += QLatin1Char(' ') + o.valueName;
    return QStringLiteral("  %1  %2\n").arg(names, -22).arg(o.help);
}

QString commandHelp(const Command &c)
{
    QString text = QStringLiteral("Usage: vantrelock %1%2%3 [options]\n\n%4.\n\nOptions:\n")
                       .arg(c.name, c.arguments.isEmpty() ? QString() : QStringLiteral(" "), c.arguments,
                            c.summary.left(1).toUpper() + c.summary.mid(1));
    for (const OptionSpec &o : c.options)
        text += optionLine(o);
    if (c.usesDevice)
        text += optionLine(kPortOption);
    text += optionLine(kHelpOption);
    return text;
}

QString toolHelp()
{
    QString text = QStringLiteral(
        "Usage: vantrelock COMMAND [options]\n\n"
        "The Vantrelock practice tree from the command line: the same exchanges, files and\n"
        "conversions as the Vantrelock Mirelon window.\n\nCommands:\n");
    for (const Command &c : commands()) {
        const QString usage = c.arguments.isEmpty() ? c.name : c.name + QLatin1Char(' ') + c.arguments;
        text += QStringLiteral("  %1  %2\n").arg(usage, -28).arg(c.summary);
    }
    text += QStringLiteral("\nExit status: 0 done, 1 the device or a file failed, 2 bad arguments.\n"
                           "'vantrelock COMMAND --help' describes a command.\n");
    return text;
}

const Command *findCommand(const QStringList &words)
{
    for (const Command &c : commands()) {
        const QStringList name = c.name.split(QLatin1Char(' '));
        if (words.mid(0, name.size()) == name)
            return &c;
    }
    return nullptr;
}

// Splits the arguments into options and positional words, for `command` when known.
void parseArguments(const QStringList &args, const Command *command, std::map<QString, QString> &values,
                    QStringList &words)
{
    std::vector<OptionSpec> allowed = {kHelpOption, kPortOption};
    if (command)
        allowed.insert(allowed.end(), command->options.begin(), command->options.end());
    bool optionsEnded = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            words.append(arg);
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        const QString name = arg.section(QLatin1Char('='), 0, 0);
        const OptionSpec *option = nullptr;
        for (const OptionSpec &o : allowed) {
            if (o.name == name || (!o.shortName.isEmpty() && o.shortName == name))
                option = &o;
        }
        if (!option) {
            if (!command)
                continue; // judged once the command is known
            throw UsageError(QStringLiteral("unknown option %1").arg(name));
        }
        QString value;
        if (!option->valueName.isEmpty()) {
            if (arg.contains(QLatin1Char('=')))
                value = arg.section(QLatin1Char('='), 1);
            else if (i + 1 < args.size())
                value = args.at(++i);
            else
                throw UsageError(QStringLiteral("%1 needs a value").arg(option->name));
        } else if (arg.contains(QLatin1Char('='))) {
            throw UsageError(QStringLiteral("%1 takes no value").arg(option->name));
        }
        values[option->name] = value;
    }
}

} // namespace

int runCli(const QStringList &args, CliIo &io)
{
    const Command *command = nullptr;
    try {
        std::map<QString, QString> values;
        QStringList words;
        parseArguments(args, nullptr, values, words);
        command = findCommand(words);
        if (!command) {
            if (words.isEmpty() && values.count(kHelpOption.name)) {
                io.out << toolHelp();
                return kExitOk;
            }
            throw UsageError(words.isEmpty() ? QStringLiteral("no command given")
                                             : QStringLiteral("unknown command '%1'").arg(words.join(QLatin1Char(' '))));
        }
        values.clear();
        words.clear();
        parseArguments(args, command, values, words);
        if (values.count(kHelpOption.name)) {
            io.out << commandHelp(*command);
            return kExitOk;
        }
        if (!command->usesDevice && values.count(kPortOption.name))
            throw UsageError(QStringLiteral("%1 takes no --port").arg(command->name));
        words = words.mid(command->name.count(QLatin1Char(' ')) + 1);
        if (words.size() < command->minPositional)
            throw UsageError(QStringLiteral("%1 needs %2").arg(command->name, command->arguments));
        if (words.size() > command->maxPositional)
            throw UsageError(QStringLiteral("unexpected argument '%1'").arg(words.at(command->maxPositional)));

        Context context{io, *command, values, words, {}, {}, {}};
        try {
            const int status = command->run(context);
            context.link.KillComa();
            return status;
        } catch (const files::FileError &e) {
            context.link.KillComa();
            return context.fail(e.description());
        } catch (const AppError &e) {
            context.link.KillComa();
            return context.fail(e.text() + QLatin1Char('.'));
        }
    } catch (const UsageError &e) {
        io.err << "vantrelock: " << e.message << Qt::endl;
        io.err << (command ? QStringLiteral("Try 'vantrelock %1 --help'.").arg(command->name)
                           : QStringLiteral("Try 'vantrelock --help'."))
               << Qt::endl;
        return kExitUsage;
    }
}

QString printable(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code < 0x20 || (code >= 0x7F && code <= 0x9F))
            out += QStringLiteral("\\x") + QString::number(code, 16).toUpper().rightJustified(2, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}
