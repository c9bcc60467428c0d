#pragma once

#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

// Decoding of the device's settings records. The device sends its settings as fixed-width ASCII
// fields; every character is copied as it is (digits are never converted) and a decimal point is
// put in at a fixed place. A rule returns the text to show, or nothing when the field's code
// matches none of the rule's codes: the label then keeps the text it had.
namespace settings {

using DecodeRule = std::optional<QString> (*)(QStringView chars);

// 8 characters as they are, trailing blanks included; "Off" when all are blanks.
std::optional<QString> decodeName(QStringView chars);
// "1" Full, "2" Pro, "4" Block.
std::optional<QString> decodeTree(QStringView chars);
// "1" Release, "2" Press, "4" Prs/Rls.
std::optional<QString> decodeMotion(QStringView chars);
// "Y" On, anything else Off.
std::optional<QString> decodeFlag(QStringView chars);
// "0." and the 3 characters.
std::optional<QString> decodeFraction(QStringView chars);
// 4 characters with the point after the first: 0500 is 0.500.
std::optional<QString> decodeTime(QStringView chars);
// 4 characters with the point after the second, a leading "0" left out: 0950 is 9.50.
std::optional<QString> decodeDial(QStringView chars);
// "0." and 3 digits, then " Up" for a "U", otherwise " Down".
std::optional<QString> decodeBump(QStringView chars);
// "On "/"Off " by the first character ("Y"), "Tree"/"Display" by the second ("T").
std::optional<QString> decodeShiftLight(QStringView chars);
// "0" Off, "1" Random, "2" Left First, "3" Right First.
std::optional<QString> decodeRandomDial(QStringView chars);
// Two dial values of 4 characters joined by "-".
std::optional<QString> decodeRange(QStringView chars);
// "S" Single, anything else Dual.
std::optional<QString> decodeUserMode(QStringView chars);
// 2 characters, a leading "0" left out.
std::optional<QString> decodeTwoDigits(QStringView chars);
// 5 characters with the point after the second, a leading "0" left out: 01500 is 1.500.
std::optional<QString> decodeLongTime(QStringView chars);
// "1" Release, "2" Press, "4" Press/Release.
std::optional<QString> decodeMotionR(QStringView chars);

// One field of a piece: the label it lands in, where it starts in the piece, its length and rule.
struct Field {
    const char *label;
    int offset;
    int length;
    DecodeRule rule;
};

// The program receives a record in pieces, each landing at the start of the receive buffer.
struct Piece {
    int length;
    std::vector<Field> fields;
};

// The practice settings record (137 bytes in 23 pieces), sent after "P".
const std::vector<Piece> &practicePieces();
// The rallycross settings record (37 bytes in 7 pieces), sent after "R" and the status "OK".
const std::vector<Piece> &rallyPieces();

// The sum of the pieces' lengths, from the first up to (not including) piece `count`.
int recordLength(const std::vector<Piece> &pieces, int count);

struct DecodedField {
    QString label;
    std::optional<QString> text;
};

// Decodes one received piece, field by field in its order.
std::vector<DecodedField> decodePiece(const Piece &piece, QStringView pieceText);

} // namespace settings
