#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <mutex>

class QCommandLineParser;

namespace sim {

class SimDevice;

// The settings the simulated device keeps, as the records it sends.
struct SettingsRecords {
    QByteArray practice;          // 137 characters, sent after "P"
    QByteArray rallycross;        // 37 characters, sent after "R" and the status
    QByteArray rallyStatus = "OK"; // the status "R" answers with; the record follows only "OK"
    // Pieces of a record sent before the device falls silent; -1 sends the whole record.
    int practiceSilentAfter = -1;
    int rallySilentAfter = -1;
};

// A tree that has been set up and used: every field holds a realistic value.
SettingsRecords defaultSettingsRecords();

// Sets one field, named by the label that shows it (LTType, RdmRange, SURTR, ...), to its raw
// characters. False when no field has that name or the characters do not fill it exactly.
bool setSettingsField(SettingsRecords &records, const QString &name, const QByteArray &chars);

// The records, shared between the device's thread and whoever changes them.
class SettingsStore {
public:
    explicit SettingsStore(SettingsRecords records) : m_records(std::move(records)) {}
    SettingsRecords get() const;
    void set(SettingsRecords records);

private:
    mutable std::mutex m_mutex;
    SettingsRecords m_records;
};

// "P" and "R". The replies go through the faults for the exchanges "practice", "rallystatus" and
// "rallycross".
std::shared_ptr<SettingsStore> installSettingsCommands(SimDevice &device,
                                                       SettingsRecords records = defaultSettingsRecords());

// The simulator program's options for the settings records.
void addSettingsOptions(QCommandLineParser &parser);
// The records the options ask for; on a bad option, `error` says which and the result is the
// default.
SettingsRecords settingsFromOptions(const QCommandLineParser &parser, QString &error);

} // namespace sim
