#include "tools/sim/RunFileCommands.h"

#include "device/Connection.h"
#include "stats/RunFile.h"
#include "tools/sim/RunFiles.h"
#include "tools/sim/SimDevice.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace sim {

namespace {

QByteArray countDigits(size_t count)
{
    return digitField(int(std::min<size_t>(count, 99)), 2);
}

QByteArray fitted(const QByteArray &data, int length)
{
    return data.left(length).leftJustified(length, '0');
}

// Sends one file's name, status and data block; false when the device stopped on a fault.
bool sendFile(Session &s, const DeviceRunFile &file, int length, const char *prefix)
{
    const std::string p(prefix);
    if (!s.reply(p + "name", file.name.left(8).leftJustified(8, ' ')))
        return false;
    if (!s.reply(p + "status", file.status.left(2).leftJustified(2, ' ')))
        return false;
    if (file.status != "OK")
        return true;
    const QByteArray data = fitted(file.data, length);
    if (file.stopAfter >= 0) {
        s.reply(p + "data", data.left(file.stopAfter));
        return false;
    }
    return s.reply(p + "data", data);
}

} // namespace

int runFileLength(const QByteArray &version)
{
    const std::optional<double> number = versionNumber(QString::fromLatin1(version));
    return number && *number < 1.24 ? runfile::kShortSize : runfile::kFullSize;
}

bool readRunFileFolder(const QString &folder, std::vector<DeviceRunFile> &files)
{
    const QDir dir(folder);
    if (!dir.exists())
        return false;
    const QFileInfoList entries = dir.entryInfoList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
    for (const QFileInfo &entry : entries) {
        QFile file(entry.filePath());
        if (!file.open(QIODevice::ReadOnly))
            return false;
        files.push_back({entry.completeBaseName().toLatin1().left(8), file.readAll()});
    }
    return true;
}

RunFileSet demoRunFiles(const QByteArray &version)
{
    RunFileSet set;
    const RunFileKind kind = runFileLength(version) == runfile::kShortSize ? RunFileKind::Short : RunFileKind::Full;
    struct Plan {
        const char *name;
        int runs, shifts;
    };
    const Plan plans[] = {{"RUNS01", 12, 3}, {"RUNS02", 25, 4}, {"RUNS03", 62, 2}};
    std::uint32_t seed = 1;
    for (const Plan &plan : plans)
        set.files.push_back({plan.name, encodeRunFile(generateSession(seed++, plan.runs, plan.shifts), kind)});
    if (hasRallycross(QString::fromLatin1(version))) {
        const Plan rallycross[] = {{"RX01", 8, 0}, {"RX02", 15, 0}};
        for (const Plan &plan : rallycross)
            set.rallycross.push_back({plan.name, encodeRunFile(generateSession(seed++, plan.runs, plan.shifts, false),
                                                               RunFileKind::Rallycross)});
    }
    return set;
}

bool applyFileFault(RunFileSet &set, const QString &faultText)
{
    QString target = faultText.section(QLatin1Char('='), 0, 0);
    const QString fault = faultText.section(QLatin1Char('='), 1);
    std::vector<DeviceRunFile> *files = &set.files;
    if (target.startsWith(QLatin1Char('r'), Qt::CaseInsensitive)) {
        files = &set.rallycross;
        target.remove(0, 1);
    }
    bool ok = false;
    const int number = target.toInt(&ok);
    if (!ok || number < 1 || number > int(files->size()) || !faultText.contains(QLatin1Char('=')))
        return false;
    DeviceRunFile &file = (*files)[size_t(number - 1)];
    const QString kind = fault.section(QLatin1Char(':'), 0, 0);
    const QString arg = fault.section(QLatin1Char(':'), 1);
    if (kind == QLatin1String("status") && !arg.isEmpty()) {
        file.status = arg.toLatin1();
        return true;
    }
    if (kind == QLatin1String("stop")) {
        file.stopAfter = arg.toInt(&ok);
        return ok && file.stopAfter >= 0;
    }
    return false;
}

void installRunFileCommands(SimDevice &device, std::shared_ptr<DeviceRunFiles> files)
{
    device.addCommand("SL", [files](Session &s) {
        const std::vector<DeviceRunFile> list = files->get().files;
        if (!s.reply("list", countDigits(list.size())))
            return;
        const int length = runFileLength(s.config().version);
        for (size_t i = 0; i < list.size() && i < 99; ++i)
            if (!sendFile(s, list[i], length, ""))
                return;
    });
    device.addCommand("SR", [files](Session &s) {
        if (!hasRallycross(QString::fromLatin1(s.config().version))) {
            s.reply("rxlist", "ER\r");
            return;
        }
        const std::vector<DeviceRunFile> list = files->get().rallycross;
        if (!s.reply("rxlist", "OK") || !s.reply("rxcount", countDigits(list.size())))
            return;
        for (size_t i = 0; i < list.size() && i < 99; ++i)
            if (!sendFile(s, list[i], runfile::kRallycrossSize, "rx"))
                return;
    });
    device.addCommand("SD", [files](Session &s) {
        if (s.answersNormally("delete"))
            files->edit([](RunFileSet &set) { set.files.clear(); });
        s.reply("delete", "OK");
    });
    device.addCommand("SE", [files](Session &s) {
        if (!hasRallycross(QString::fromLatin1(s.config().version))) {
            s.reply("rxdelete", "ER\r");
            return;
        }
        if (!s.reply("rxdelete", "OK"))
            return;
        // Deleted only when the device reports it so.
        if (s.answersNormally("rxdelete2"))
            files->edit([](RunFileSet &set) { set.rallycross.clear(); });
        s.reply("rxdelete2", "OK");
    });
}

void addRunFileOptions(QCommandLineParser &parser)
{
    parser.addOption({QStringLiteral("runfiles"),
                      QStringLiteral("Offer the *.txt files of this folder as run files (named by their first "
                                     "8 characters; fitted to the length the firmware sends)."),
                      QStringLiteral("folder")});
    parser.addOption({QStringLiteral("rallycross-files"),
                      QStringLiteral("Offer the *.txt files of this folder as rallycross run files."),
                      QStringLiteral("folder")});
    parser.addOption({QStringLiteral("file-fault"),
                      QStringLiteral("Misbehave for one run file (repeatable): N=status:XX answers the status "
                                     "XX for the Nth file, N=stop:K stops its data block after K bytes; rN "
                                     "means the Nth rallycross file."),
                      QStringLiteral("fault")});
}

bool installRunFileCommands(SimDevice &device, const QCommandLineParser &parser, QString &error)
{
    RunFileSet set = device.config().demo ? demoRunFiles(device.config().version) : RunFileSet{};
    const QString folder = parser.value(QStringLiteral("runfiles"));
    const QString rallycrossFolder = parser.value(QStringLiteral("rallycross-files"));
    if (!folder.isEmpty() && !readRunFileFolder(folder, set.files)) {
        error = QStringLiteral("cannot read the run files in %1").arg(folder);
        return false;
    }
    if (!rallycrossFolder.isEmpty() && !readRunFileFolder(rallycrossFolder, set.rallycross)) {
        error = QStringLiteral("cannot read the run files in %1").arg(rallycrossFolder);
        return false;
    }
    for (const QString &faultText : parser.values(QStringLiteral("file-fault"))) {
        if (!applyFileFault(set, faultText)) {
            error = QStringLiteral("bad file fault \"%1\"").arg(faultText);
            return false;
        }
    }
    installRunFileCommands(device, std::make_shared<DeviceRunFiles>(std::move(set)));
    return true;
}

} // namespace sim
