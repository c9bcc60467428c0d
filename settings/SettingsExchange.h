#pragma once

#include "settings/SettingsDecoders.h"

#include <functional>
#include <vector>

class SerialLink;

// Reading the settings records from the device, and what the settings window calls each value.
namespace settings {

using PieceSink = std::function<void(const std::vector<DecodedField> &)>;

// Receives a record piece by piece after its command went out; each piece's decoded fields go
// to `sink` as the piece arrives. False when a piece did not come in time (the fields of the
// pieces before it have been handed on).
bool readRecord(SerialLink &link, const std::vector<Piece> &pieces, const PieceSink &sink);

// "P" and the practice record.
bool readPracticeSettings(SerialLink &link, const PieceSink &sink);

enum class RallyRead { Read, Refused, TimedOut };
// "R", the status, and after "OK" the rallycross record.
RallyRead readRallySettings(SerialLink &link, const PieceSink &sink);

// The caption a value label stands under or beside, with its lane for the two lane columns:
// "Tree Type (left lane)". Empty for an unknown label.
QString captionOf(const QString &valueLabel);

// The settings window's rows: captions and the value labels they describe, top to bottom.
struct LaneRow {
    const char *caption, *captionLabel, *left, *right;
};
struct GeneralRow {
    const char *leftCaption, *leftCaptionLabel, *left, *right, *rightCaption, *rightCaptionLabel;
};
struct RallyRow {
    const char *caption, *captionLabel, *value;
};
const std::vector<LaneRow> &laneRows();
const std::vector<GeneralRow> &generalRows();
const std::vector<RallyRow> &rallyRows();

} // namespace settings
