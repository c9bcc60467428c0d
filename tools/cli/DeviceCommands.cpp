// The commands that talk to the device: ports, info, download, delete-device-files, settings.

#include "tools/cli/Commands.h"

#include "base/WorkingFolders.h"
#include "device/Ports.h"
#include "history/DownloadRecording.h"
#include "history/Store.h"
#include "settings/SettingsExchange.h"
#include "stats/RunFileTransfer.h"

#include <QDir>
#include <QSerialPortInfo>

namespace cli {

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
    return c.done(QStringLiteral("the version and serial number may be misread"));
}

int runDownload(Context &c)
{
    const QString driver = driverOption(c);
    QString folder = c.value(QStringLiteral("--dir"));
    if (folder.isEmpty())
        folder = workingFolders(GetSpecialFolderPath(CSIDL_PERSONAL)).statistics;
    if (!QDir().mkpath(folder))
        return c.fail(QStringLiteral("cannot make the folder %1").arg(QDir::toNativeSeparators(folder)));
    if (!c.connect())
        return c.interrupted() ? kExitInterrupted : kExitFailed;

    // What is stored goes into the practice history, as the window's Load does; a history that
    // cannot be used is a warning, never a failed download.
    const std::unique_ptr<history::Store> history = openHistory(c);
    const QString version = c.device.version.value_or(QString());
    history::DownloadRecording recording(history.get(), c.device.serialNumber, version, c.io.now);
    if (c.has(QStringLiteral("--driver")))
        recording.setDriver(driver);
    DownloadObserver observer;
    observer.starting = [&c](bool rallycross, int file, int count) {
        c.progress(QStringLiteral("Downloading %1run file %2 of %3").arg(rallycross ? QStringLiteral("rallycross ") : QString()).arg(file).arg(count));
    };
    int stored = 0;
    observer.stored = [&c, &recording, &stored](const StoredRunFile &file) {
        ++stored;
        c.endProgress();
        c.io.out << QDir::toNativeSeparators(file.path) << Qt::endl;
        recording.add(file);
    };
    const DownloadResult result = downloadRunFiles(c.link, folder, version, hasRallycross(version), observer);
    c.endProgress();
    recording.finish();
    switch (result.end) {
    case DownloadResult::End::NoResponse:
        return c.exchangeFailed(kNoResponse);
    case DownloadResult::End::Refused:
        return c.refused(kInvalidResponse);
    case DownloadResult::End::RallycrossNotFound:
        return c.refused(kRallycrossNotFound);
    case DownloadResult::End::Complete:
        break;
    }
    // Out of step, any file may have been misread, and one may have been left out.
    return c.done(stored == 0 ? QStringLiteral("run files may be missing")
                  : stored == 1 ? QStringLiteral("the run file stored may be misread, and others may be missing")
                                : QStringLiteral("the %1 run files stored may be misread, and others may be missing").arg(stored));
}

namespace {

// Asks on standard error and reads the answer from standard input; anything but yes is no. The
// answer is one line of a few characters: an endless input (/dev/zero) is never held whole.
bool confirm(Context &c, const QString &question)
{
    constexpr qint64 kLongestAnswer = 80;
    c.io.err << question << " [y/N] " << Qt::flush;
    const QString line = c.io.in.readLine(kLongestAnswer);
    if (line.size() >= kLongestAnswer)
        return false; // a longer line is no yes, whatever it starts with
    const QString answer = line.trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes");
}

} // namespace

int runDeleteDeviceFiles(Context &c)
{
    if (!c.has(QStringLiteral("--yes")) && !confirm(c, QStringLiteral("Delete All Statistics Files from Vantrelock?")))
        return c.fail(QStringLiteral("nothing deleted"));
    if (!c.connect())
        return c.interrupted() ? kExitInterrupted : kExitFailed;
    const bool rallycross = hasRallycross(c.device.version.value_or(QString()));
    const QString misread = QStringLiteral("its answers to the deletion may be misread");
    switch (deleteDeviceRunFiles(c.link, rallycross)) {
    case DeviceDeleteEnd::NoResponse:
        return c.exchangeFailed(kNoResponse);
    case DeviceDeleteEnd::Failed:
        return c.refused(kErrorDeletingFiles);
    case DeviceDeleteEnd::RallycrossFailed:
        return c.refused(kErrorDeletingRallycross);
    case DeviceDeleteEnd::RallycrossNothingToDo:
        return c.done(misread, QStringLiteral("Run files deleted; the device had no rallycross files to delete."));
    case DeviceDeleteEnd::Deleted:
        break;
    }
    return c.done(misread, rallycross ? QStringLiteral("Run files and rallycross run files deleted.")
                                      : QStringLiteral("Run files deleted."));
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
        if (!hasRallycross(c.device.version.value_or(QString())))
            return c.refused(QStringLiteral("the device has no rallycross settings"));
        c.io.out << Qt::endl << "Rallycross:" << Qt::endl;
        switch (settings::readRallySettings(c.link, print)) {
        case settings::RallyRead::TimedOut:
            return c.exchangeFailed(kNoResponse);
        case settings::RallyRead::Refused:
            return c.refused(QStringLiteral("the device refused its rallycross settings"));
        case settings::RallyRead::Read:
            break;
        }
    }
    return c.done(QStringLiteral("the settings printed may be misread"));
}

} // namespace cli
