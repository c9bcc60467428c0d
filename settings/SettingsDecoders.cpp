#include "settings/SettingsDecoders.h"

namespace settings {

namespace {

// The field held to the rule's length, so that a short field never reads past its end.
QString fit(QStringView chars, int length)
{
    return chars.left(length).toString().leftJustified(length, QLatin1Char(' '));
}

std::optional<QString> pick(QChar code, std::initializer_list<std::pair<char, const char *>> table)
{
    for (const auto &[key, text] : table)
        if (code == QLatin1Char(key))
            return QString::fromLatin1(text);
    return std::nullopt;
}

// c0 left out when it is "0", then c1, a point and the rest.
QString dropLeadingZero(const QString &f)
{
    const QString whole = f.at(0) == QLatin1Char('0') ? QString(f.at(1)) : f.left(2);
    return whole + QLatin1Char('.') + f.mid(2);
}

} // namespace

std::optional<QString> decodeName(QStringView chars)
{
    const QString f = fit(chars, 8);
    return f == QString(8, QLatin1Char(' ')) ? QStringLiteral("Off") : f;
}

std::optional<QString> decodeTree(QStringView chars)
{
    return pick(fit(chars, 1).at(0), {{'1', "Full"}, {'2', "Pro"}, {'4', "Block"}});
}

std::optional<QString> decodeMotion(QStringView chars)
{
    return pick(fit(chars, 1).at(0), {{'1', "Release"}, {'2', "Press"}, {'4', "Prs/Rls"}});
}

std::optional<QString> decodeFlag(QStringView chars)
{
    return fit(chars, 1).at(0) == QLatin1Char('Y') ? QStringLiteral("On") : QStringLiteral("Off");
}

std::optional<QString> decodeFraction(QStringView chars)
{
    return QStringLiteral("0.") + fit(chars, 3);
}

std::optional<QString> decodeTime(QStringView chars)
{
    const QString f = fit(chars, 4);
    return f.left(1) + QLatin1Char('.') + f.mid(1);
}

std::optional<QString> decodeDial(QStringView chars)
{
    return dropLeadingZero(fit(chars, 4));
}

std::optional<QString> decodeBump(QStringView chars)
{
    const QString f = fit(chars, 4);
    return QStringLiteral("0.") + f.left(3)
           + (f.at(3) == QLatin1Char('U') ? QStringLiteral(" Up") : QStringLiteral(" Down"));
}

std::optional<QString> decodeShiftLight(QStringView chars)
{
    const QString f = fit(chars, 2);
    return (f.at(0) == QLatin1Char('Y') ? QStringLiteral("On ") : QStringLiteral("Off "))
           + (f.at(1) == QLatin1Char('T') ? QStringLiteral("Tree") : QStringLiteral("Display"));
}

std::optional<QString> decodeRandomDial(QStringView chars)
{
    return pick(fit(chars, 1).at(0), {{'0', "Off"}, {'1', "Random"}, {'2', "Left First"}, {'3', "Right First"}});
}

std::optional<QString> decodeRange(QStringView chars)
{
    const QString f = fit(chars, 8);
    return *decodeDial(QStringView(f).left(4)) + QLatin1Char('-') + *decodeDial(QStringView(f).mid(4));
}

std::optional<QString> decodeUserMode(QStringView chars)
{
    return fit(chars, 1).at(0) == QLatin1Char('S') ? QStringLiteral("Single") : QStringLiteral("Dual");
}

std::optional<QString> decodeTwoDigits(QStringView chars)
{
    const QString f = fit(chars, 2);
    return f.at(0) == QLatin1Char('0') ? f.mid(1) : f;
}

std::optional<QString> decodeLongTime(QStringView chars)
{
    return dropLeadingZero(fit(chars, 5));
}

std::optional<QString> decodeMotionR(QStringView chars)
{
    return pick(fit(chars, 1).at(0), {{'1', "Release"}, {'2', "Press"}, {'4', "Press/Release"}});
}

const std::vector<Piece> &practicePieces()
{
    static const std::vector<Piece> pieces{
        {8, {{"LLog", 0, 8, decodeName}}},
        {8, {{"RLog", 0, 8, decodeName}}},
        {2, {{"LTType", 0, 1, decodeTree}, {"RTType", 1, 1, decodeTree}}},
        {6, {{"LTSpd", 0, 3, decodeFraction}, {"RTSpd", 3, 3, decodeFraction}}},
        {8, {{"LRoll", 0, 4, decodeTime}, {"RRoll", 4, 4, decodeTime}}},
        {8, {{"LDial", 0, 4, decodeDial}, {"RDial", 4, 4, decodeDial}}},
        {2, {{"LButton", 0, 1, decodeMotion}, {"RButton", 1, 1, decodeMotion}}},
        {8, {{"LDelay", 0, 4, decodeTime}, {"RDelay", 4, 4, decodeTime}}},
        {8, {{"LBump", 0, 4, decodeBump}, {"RBump", 4, 4, decodeBump}}},
        {2, {{"LCross", 0, 1, decodeFlag}, {"RCross", 1, 1, decodeFlag}}},
        {2, {{"LMulti", 0, 1, decodeFlag}, {"RMult", 1, 1, decodeFlag}}},
        {4, {{"LShift", 0, 2, decodeShiftLight}, {"RShift", 2, 2, decodeShiftLight}}},
        {8, {{"LShift1", 0, 4, decodeTime}, {"RShift1", 4, 4, decodeTime}}},
        {8, {{"LShift2", 0, 4, decodeTime}, {"RShift2", 4, 4, decodeTime}}},
        {8, {{"LShift3", 0, 4, decodeTime}, {"RShift3", 4, 4, decodeTime}}},
        {8, {{"LShift4", 0, 4, decodeTime}, {"RShift4", 4, 4, decodeTime}}},
        {9, {{"RdmDial", 0, 1, decodeRandomDial}, {"RdmRange", 1, 8, decodeRange}}},
        {7,
         {{"Dmode", 0, 1, decodeFlag},
          {"AutoStart", 1, 1, decodeFlag},
          {"AutoReset", 2, 1, decodeFlag},
          {"PerfectTree", 3, 1, decodeFlag},
          {"TBL", 4, 1, decodeFlag},
          {"WinLgt", 5, 1, decodeFlag},
          {"RRed", 6, 1, decodeFlag}}},
        {10,
         {{"UMode", 0, 1, decodeUserMode},
          {"SURT", 1, 3, decodeFraction},
          {"RdmStg", 4, 1, decodeFlag},
          {"MultHit", 5, 1, decodeFlag},
          {"MHTime", 6, 4, decodeDial}}},
        {2, {{"AutoStartTime", 0, 2, decodeTwoDigits}}},
        {4, {{"StgOn", 0, 4, decodeTime}}},
        {4, {{"StageToStart", 0, 4, decodeTime}}},
        {3, {{"RdmStart", 0, 3, decodeFraction}}},
    };
    return pieces;
}

const std::vector<Piece> &rallyPieces()
{
    static const std::vector<Piece> pieces{
        {8, {{"LRollR", 0, 4, decodeTime}, {"RRollR", 4, 4, decodeTime}}},
        {5, {{"StlTimeR", 0, 5, decodeLongTime}}},
        {5, {{"RdyRaceR", 0, 5, decodeLongTime}}},
        {5, {{"LgtOffR", 0, 5, decodeLongTime}}},
        {5, {{"RdmDelayR", 0, 5, decodeLongTime}}},
        {6, {{"UModeR", 0, 1, decodeUserMode}, {"SURTR", 1, 4, decodeTime}, {"RdmStgR", 5, 1, decodeFlag}}},
        {3, {{"BtnMtnR", 0, 1, decodeMotionR}, {"WinLgtR", 1, 1, decodeFlag}, {"AutoRstR", 2, 1, decodeFlag}}},
    };
    return pieces;
}

int recordLength(const std::vector<Piece> &pieces, int count)
{
    int length = 0;
    for (int i = 0; i < count && i < int(pieces.size()); ++i)
        length += pieces[size_t(i)].length;
    return length;
}

std::vector<DecodedField> decodePiece(const Piece &piece, QStringView pieceText)
{
    std::vector<DecodedField> decoded;
    decoded.reserve(piece.fields.size());
    for (const Field &field : piece.fields)
        decoded.push_back({QString::fromLatin1(field.label), field.rule(pieceText.mid(field.offset, field.length))});
    return decoded;
}

} // namespace settings
