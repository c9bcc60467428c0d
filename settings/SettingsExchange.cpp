#include "settings/SettingsExchange.h"

#include "device/SerialLink.h"
#include "device/StatusReply.h"

namespace settings {

bool readRecord(SerialLink &link, const std::vector<Piece> &pieces, const PieceSink &sink)
{
    for (const Piece &piece : pieces) {
        link.vrcvstra(piece.length);
        if (link.TimeOut)
            return false;
        sink(decodePiece(piece, link.text(piece.length)));
    }
    return true;
}

bool readPracticeSettings(SerialLink &link, const PieceSink &sink)
{
    link.send_cmda(QStringLiteral("P"));
    return readRecord(link, practicePieces(), sink);
}

RallyRead readRallySettings(SerialLink &link, const PieceSink &sink)
{
    link.send_cmda(QStringLiteral("R"));
    switch (readStatus(link, AfterRefusal::Nothing)) {
    case Status::TimedOut:
        return RallyRead::TimedOut;
    case Status::ER:
    case Status::Other:
        return RallyRead::Refused;
    case Status::Ok:
        break;
    }
    return readRecord(link, rallyPieces(), sink) ? RallyRead::Read : RallyRead::TimedOut;
}

const std::vector<LaneRow> &laneRows()
{
    static const std::vector<LaneRow> rows = {
        {"Log On", "Label21", "LLog", "RLog"},
        {"Tree Type", "Label6", "LTType", "RTType"},
        {"Tree Speed", "Label7", "LTSpd", "RTSpd"},
        {"Roll Out", "Label5", "LRoll", "RRoll"},
        {"Dial-In", "Label8", "LDial", "RDial"},
        {"Button Motion", "Label19", "LButton", "RButton"},
        {"Delay Box", "Label13", "LDelay", "RDelay"},
        {"Bump Value", "Label12", "LBump", "RBump"},
        {"Cross Over", "Label10", "LCross", "RCross"},
        {"Multi-Hit", "Label20", "LMulti", "RMult"},
        {"Shift Light", "Label9", "LShift", "RShift"},
        {"Shift Time 1", "Label15", "LShift1", "RShift1"},
        {"Shift Time 2", "Label16", "LShift2", "RShift2"},
        {"Shift Time 3", "Label17", "LShift3", "RShift3"},
        {"Shift Time 4", "Label18", "LShift4", "RShift4"},
    };
    return rows;
}

const std::vector<GeneralRow> &generalRows()
{
    static const std::vector<GeneralRow> rows = {
        {"Random Dial", "Label22", "RdmDial", "AutoStartTime", "Autostart Time", "Label11"},
        {"Random Range", "Label23", "RdmRange", "StageToStart", "Stage to Start", "Label31"},
        {"Distraction Mode", "Label24", "Dmode", "StgOn", "Stage On Time", "Label32"},
        {"User Mode", "Label25", "UMode", "RdmStart", "Start Delay", "Label33"},
        {"Single User RT", "Label27", "SURT", "AutoReset", "Auto Reset", "Label34"},
        {"Random Stage", "Label26", "RdmStg", "PerfectTree", "Perfect Tree", "Label35"},
        {"Hit Both Lanes", "Label28", "MultHit", "TBL", "Top Bulb Lock", "Label36"},
        {"Multi-Hit Time", "Label37", "MHTime", "WinLgt", "Win Lights", "Label38"},
        {"Autostart", "Label29", "AutoStart", "RRed", "Real Red", "Label39"},
    };
    return rows;
}

const std::vector<RallyRow> &rallyRows()
{
    static const std::vector<RallyRow> rows = {
        {"Left Roll", "Label14", "LRollR"},
        {"Right Roll", "Label30", "RRollR"},
        {"Settle Time", "Label40", "StlTimeR"},
        {"Ready to Race", "Label41", "RdyRaceR"},
        {"Lights Off", "Label42", "LgtOffR"},
        {"Random Delay", "Label43", "RdmDelayR"},
        {"User Mode", "Label44", "UModeR"},
        {"Single Lane RT", "Label45", "SURTR"},
        {"Random Stage", "Label46", "RdmStgR"},
        {"Button Motion", "Label47", "BtnMtnR"},
        {"Win Lights", "Label48", "WinLgtR"},
        {"Auto Reset", "Label49", "AutoRstR"},
    };
    return rows;
}

QString captionOf(const QString &valueLabel)
{
    for (const LaneRow &row : laneRows()) {
        if (valueLabel == QLatin1String(row.left))
            return QStringLiteral("%1 (left lane)").arg(QLatin1String(row.caption));
        if (valueLabel == QLatin1String(row.right))
            return QStringLiteral("%1 (right lane)").arg(QLatin1String(row.caption));
    }
    for (const GeneralRow &row : generalRows()) {
        if (valueLabel == QLatin1String(row.left))
            return QLatin1String(row.leftCaption);
        if (valueLabel == QLatin1String(row.right))
            return QLatin1String(row.rightCaption);
    }
    for (const RallyRow &row : rallyRows()) {
        if (valueLabel == QLatin1String(row.value))
            return QLatin1String(row.caption);
    }
    return {};
}

} // namespace settings
