#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <mutex>
#include <vector>

// The device's run files and the commands that hand them out and delete them:
//   "S" "L"  two-digit count, then per file: 8-byte name (space padded), 2-byte status, and after
//            "OK" the data block (330 bytes below firmware 1.24, 1748 from 1.24)
//   "S" "R"  "OK" (a device without rallycross: "ER" + 1 byte), two-digit count, then per file
//            name, status and a 323-byte data block
//   "S" "D"  deletes the run files: "OK"
//   "S" "E"  "OK", deletes the rallycross run files, "OK" again (without rallycross: "ER" + 1)
// Exchange names for faults: list, name, status, data, rxlist, rxcount, rxname, rxstatus, rxdata,
// delete, rxdelete, rxdelete2. A refusal is the fault wrong:ER followed by one more byte.
class QCommandLineParser;

namespace sim {

class SimDevice;

struct DeviceRunFile {
    QByteArray name;          // up to 8 bytes; sent space padded
    QByteArray data;          // fitted to the length the firmware sends (cut, or padded with '0')
    QByteArray status = "OK"; // anything else: the device sends no data for this file
    int stopAfter = -1;       // >= 0: the data block stops after this many bytes, the device goes quiet
};

struct RunFileSet {
    std::vector<DeviceRunFile> files;
    std::vector<DeviceRunFile> rallycross;
};

// The run files a device holds, shared between the device thread and whoever sets the device up
// (tests, the simulator program).
class DeviceRunFiles {
public:
    DeviceRunFiles() = default;
    explicit DeviceRunFiles(RunFileSet set) : m_set(std::move(set)) {}
    RunFileSet get() const
    {
        std::lock_guard lock(m_mutex);
        return m_set;
    }
    void set(RunFileSet set)
    {
        std::lock_guard lock(m_mutex);
        m_set = std::move(set);
    }
    template <typename Edit>
    void edit(Edit &&edit)
    {
        std::lock_guard lock(m_mutex);
        edit(m_set);
    }

private:
    mutable std::mutex m_mutex;
    RunFileSet m_set;
};

// Every *.txt file of a folder, sorted by name, named by its base name cut to 8 characters.
// False when the folder cannot be read.
bool readRunFileFolder(const QString &folder, std::vector<DeviceRunFile> &files);

// The demo set: a few full run files (short ones for firmware below 1.24) and, for a rallycross
// device, a few rallycross files.
RunFileSet demoRunFiles(const QByteArray &version);

// Applies a per-file fault: "[r]N=status:XX" (the Nth file, or Nth rallycross file, answers the
// status XX) or "[r]N=stop:K" (its data block stops after K bytes). False on a bad text.
bool applyFileFault(RunFileSet &set, const QString &faultText);

// Answers "S" "L", "S" "R", "S" "D" and "S" "E" from `files`.
void installRunFileCommands(SimDevice &device, std::shared_ptr<DeviceRunFiles> files);

// The simulator program's run file options: --runfiles, --rallycross-files, --file-fault.
void addRunFileOptions(QCommandLineParser &parser);
// Installs the run file commands with the files the options (and --demo) ask for; false, with the
// reason in `error`, when an option is wrong.
bool installRunFileCommands(SimDevice &device, const QCommandLineParser &parser, QString &error);

// The number of data bytes a device with this version text sends for an ordinary run file.
int runFileLength(const QByteArray &version);

} // namespace sim
