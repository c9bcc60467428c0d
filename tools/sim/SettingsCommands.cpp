#include "tools/sim/SettingsCommands.h"

#include "settings/SettingsDecoders.h"
#include "tools/sim/SimDevice.h"

#include <QCommandLineParser>

namespace sim {

namespace {

const QString kPracticeOption = QStringLiteral("practice");
const QString kRallyOption = QStringLiteral("rally");
const QString kSettingOption = QStringLiteral("setting");
const QString kRallyStatusOption = QStringLiteral("rally-status");
const QString kPracticeSilentOption = QStringLiteral("practice-silent-after");
const QString kRallySilentOption = QStringLiteral("rally-silent-after");

// The record as far as the device gets before it falls silent.
QByteArray sentPart(const QByteArray &record, const std::vector<settings::Piece> &pieces, int silentAfter)
{
    return silentAfter < 0 ? record : record.left(settings::recordLength(pieces, silentAfter));
}

bool setField(QByteArray &record, const std::vector<settings::Piece> &pieces, const QString &name,
              const QByteArray &chars, bool &found)
{
    int start = 0;
    for (const settings::Piece &piece : pieces) {
        for (const settings::Field &field : piece.fields) {
            if (name != QLatin1String(field.label))
                continue;
            found = true;
            if (chars.size() != field.length || record.size() < start + field.offset + field.length)
                return false;
            record.replace(start + field.offset, field.length, chars);
            return true;
        }
        start += piece.length;
    }
    return false;
}

} // namespace

SettingsRecords defaultSettingsRecords()
{
    SettingsRecords records;
    records.practice = "JASON   "            // left lane's driver
                       "        "            // nobody logged on in the right lane
                       "12"                  // Full, Pro
                       "400500"              // tree speeds
                       "01000150"            // roll-outs
                       "09501234"            // dial-ins 9.50 and 12.34
                       "14"                  // Release, Prs/Rls
                       "00000250"            // delay boxes
                       "010U025D"            // bumps
                       "YN"                  // cross over
                       "NY"                  // multi-hit
                       "YTND"                // shift lights
                       "12001150" "23002250" "34003350" "45004450" // shift times
                       "1" "08501200"        // random dial, range 8.50-12.00
                       "NYYNYYN"             // distraction, autostart, reset, perfect, top bulb, win, red
                       "D" "500" "N" "Y" "0050" // user mode, single-user RT, stage, both lanes, time
                       "05"                  // autostart time
                       "0500" "1000"         // stage on time, stage to start
                       "200";                // start delay
    records.rallycross = "01000150" "01500" "02000" "00500" "01000" "S0500Y" "4YN";
    return records;
}

bool setSettingsField(SettingsRecords &records, const QString &name, const QByteArray &chars)
{
    bool found = false;
    if (setField(records.practice, settings::practicePieces(), name, chars, found))
        return true;
    return !found && setField(records.rallycross, settings::rallyPieces(), name, chars, found);
}

SettingsRecords SettingsStore::get() const
{
    std::lock_guard lock(m_mutex);
    return m_records;
}

void SettingsStore::set(SettingsRecords records)
{
    std::lock_guard lock(m_mutex);
    m_records = std::move(records);
}

std::shared_ptr<SettingsStore> installSettingsCommands(SimDevice &device, SettingsRecords records)
{
    auto store = std::make_shared<SettingsStore>(std::move(records));
    device.addCommand("P", [store](Session &s) {
        const SettingsRecords r = store->get();
        s.reply("practice", sentPart(r.practice, settings::practicePieces(), r.practiceSilentAfter));
    });
    device.addCommand("R", [store](Session &s) {
        const SettingsRecords r = store->get();
        if (!s.reply("rallystatus", r.rallyStatus) || r.rallyStatus != "OK")
            return;
        s.reply("rallycross", sentPart(r.rallycross, settings::rallyPieces(), r.rallySilentAfter));
    });
    return store;
}

void addSettingsOptions(QCommandLineParser &parser)
{
    parser.addOptions({
        {kPracticeOption, QStringLiteral("The practice settings record \"P\" sends, 137 characters."),
         QStringLiteral("text")},
        {kRallyOption, QStringLiteral("The rallycross settings record \"R\" sends after \"OK\", 37 characters."),
         QStringLiteral("text")},
        {kSettingOption,
         QStringLiteral("Set one field of a settings record, named by its label (LTType=2, RdmRange=08501200, "
                        "SURTR=0500; repeatable)."),
         QStringLiteral("name=chars")},
        {kRallyStatusOption, QStringLiteral("The status \"R\" answers with (default OK; ER refuses)."),
         QStringLiteral("text")},
        {kPracticeSilentOption, QStringLiteral("Fall silent after this many of the practice record's 23 pieces."),
         QStringLiteral("n")},
        {kRallySilentOption, QStringLiteral("Fall silent after this many of the rallycross record's 7 pieces."),
         QStringLiteral("n")},
    });
}

SettingsRecords settingsFromOptions(const QCommandLineParser &parser, QString &error)
{
    SettingsRecords records = defaultSettingsRecords();
    const auto wholeRecord = [&](const QString &option, QByteArray &record) {
        if (!parser.isSet(option))
            return;
        const QByteArray text = parser.value(option).toLatin1();
        if (text.size() != record.size())
            error = QStringLiteral("--%1 needs %2 characters").arg(option).arg(record.size());
        else
            record = text;
    };
    wholeRecord(kPracticeOption, records.practice);
    wholeRecord(kRallyOption, records.rallycross);
    for (const QString &setting : parser.values(kSettingOption)) {
        const QString name = setting.section(QLatin1Char('='), 0, 0);
        if (!setting.contains(QLatin1Char('='))
            || !setSettingsField(records, name, setting.section(QLatin1Char('='), 1).toLatin1()))
            error = QStringLiteral("bad --setting \"%1\"").arg(setting);
    }
    if (parser.isSet(kRallyStatusOption))
        records.rallyStatus = parser.value(kRallyStatusOption).toLatin1().leftJustified(2, ' ', true);
    const auto pieces = [&](const QString &option, int count, int &target) {
        if (!parser.isSet(option))
            return;
        bool ok = false;
        const int n = parser.value(option).toInt(&ok);
        if (!ok || n < 0 || n > count)
            error = QStringLiteral("--%1 needs a number from 0 to %2").arg(option).arg(count);
        else
            target = n;
    };
    pieces(kPracticeSilentOption, int(settings::practicePieces().size()), records.practiceSilentAfter);
    pieces(kRallySilentOption, int(settings::rallyPieces().size()), records.rallySilentAfter);
    return records;
}

} // namespace sim
