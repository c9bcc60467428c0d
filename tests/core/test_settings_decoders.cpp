#include "settings/SettingsDecoders.h"

#include <QTest>

#include <map>

using namespace settings;

Q_DECLARE_METATYPE(std::optional<QString>)

// The decode rules of the settings records and the records' layout.
class SettingsDecodersTest : public QObject {
    Q_OBJECT

    static DecodeRule rule(const QString &name)
    {
        static const std::map<QString, DecodeRule> rules{
            {"Name", decodeName},         {"Tree", decodeTree},
            {"Motion", decodeMotion},     {"Flag", decodeFlag},
            {"Fraction", decodeFraction}, {"Time", decodeTime},
            {"Dial", decodeDial},         {"Bump", decodeBump},
            {"ShiftLight", decodeShiftLight}, {"RandomDial", decodeRandomDial},
            {"Range", decodeRange},       {"UserMode", decodeUserMode},
            {"TwoDigits", decodeTwoDigits}, {"LongTime", decodeLongTime},
            {"MotionR", decodeMotionR},
        };
        return rules.at(name);
    }

private slots:
    // Field characters and the text each rule shows; "no text" keeps the label as it was.
    void rules_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("chars");
        QTest::addColumn<std::optional<QString>>("shown");
        const std::optional<QString> none;
        const auto text = [](const char *t) { return std::optional<QString>(QString::fromLatin1(t)); };
        QTest::newRow("name as sent") << "Name" << "JASON   " << text("JASON   ");
        QTest::newRow("name with blanks kept") << "Name" << "AB      " << text("AB      ");
        QTest::newRow("name all blanks") << "Name" << "        " << text("Off");
        QTest::newRow("name with a leading blank") << "Name" << "       X" << text("       X");
        QTest::newRow("tree 1") << "Tree" << "1" << text("Full");
        QTest::newRow("tree 2") << "Tree" << "2" << text("Pro");
        QTest::newRow("tree 4") << "Tree" << "4" << text("Block");
        QTest::newRow("tree 3 unknown") << "Tree" << "3" << none;
        QTest::newRow("tree blank unknown") << "Tree" << " " << none;
        QTest::newRow("motion 1") << "Motion" << "1" << text("Release");
        QTest::newRow("motion 2") << "Motion" << "2" << text("Press");
        QTest::newRow("motion 4") << "Motion" << "4" << text("Prs/Rls");
        QTest::newRow("motion 0 unknown") << "Motion" << "0" << none;
        QTest::newRow("flag Y") << "Flag" << "Y" << text("On");
        QTest::newRow("flag N") << "Flag" << "N" << text("Off");
        QTest::newRow("flag lower-case y") << "Flag" << "y" << text("Off");
        QTest::newRow("fraction 400") << "Fraction" << "400" << text("0.400");
        QTest::newRow("time 0500") << "Time" << "0500" << text("0.500");
        QTest::newRow("time 1234") << "Time" << "1234" << text("1.234");
        QTest::newRow("dial 0950") << "Dial" << "0950" << text("9.50");
        QTest::newRow("dial 1234") << "Dial" << "1234" << text("12.34");
        QTest::newRow("dial 0000") << "Dial" << "0000" << text("0.00");
        QTest::newRow("dial 0005") << "Dial" << "0005" << text("0.05");
        QTest::newRow("bump up") << "Bump" << "010U" << text("0.010 Up");
        QTest::newRow("bump down") << "Bump" << "025D" << text("0.025 Down");
        QTest::newRow("bump blank direction") << "Bump" << "025 " << text("0.025 Down");
        QTest::newRow("bump lower-case u") << "Bump" << "025u" << text("0.025 Down");
        QTest::newRow("shift light on tree") << "ShiftLight" << "YT" << text("On Tree");
        QTest::newRow("shift light off display") << "ShiftLight" << "NX" << text("Off Display");
        QTest::newRow("shift light on display") << "ShiftLight" << "YD" << text("On Display");
        QTest::newRow("random dial 0") << "RandomDial" << "0" << text("Off");
        QTest::newRow("random dial 1") << "RandomDial" << "1" << text("Random");
        QTest::newRow("random dial 2") << "RandomDial" << "2" << text("Left First");
        QTest::newRow("random dial 3") << "RandomDial" << "3" << text("Right First");
        QTest::newRow("random dial 4 unknown") << "RandomDial" << "4" << none;
        QTest::newRow("range") << "Range" << "08501200" << text("8.50-12.00");
        QTest::newRow("range of zeros") << "Range" << "00000000" << text("0.00-0.00");
        QTest::newRow("user mode S") << "UserMode" << "S" << text("Single");
        QTest::newRow("user mode D") << "UserMode" << "D" << text("Dual");
        QTest::newRow("user mode blank") << "UserMode" << " " << text("Dual");
        QTest::newRow("two digits 05") << "TwoDigits" << "05" << text("5");
        QTest::newRow("two digits 15") << "TwoDigits" << "15" << text("15");
        QTest::newRow("two digits 00") << "TwoDigits" << "00" << text("0");
        QTest::newRow("long time 01500") << "LongTime" << "01500" << text("1.500");
        QTest::newRow("long time 12345") << "LongTime" << "12345" << text("12.345");
        QTest::newRow("long time 00250") << "LongTime" << "00250" << text("0.250");
        QTest::newRow("long time 00000") << "LongTime" << "00000" << text("0.000");
        QTest::newRow("motion R 1") << "MotionR" << "1" << text("Release");
        QTest::newRow("motion R 2") << "MotionR" << "2" << text("Press");
        QTest::newRow("motion R 4") << "MotionR" << "4" << text("Press/Release");
        QTest::newRow("motion R 3 unknown") << "MotionR" << "3" << none;
        // Bytes are copied, never converted: a byte above 127 stays its own character.
        QTest::newRow("time with a high byte") << "Time" << QString::fromLatin1("1\xE9" "05") << text("1.\xE9" "05");
    }
    void rules()
    {
        QFETCH(QString, rule);
        QFETCH(QString, chars);
        QFETCH(std::optional<QString>, shown);
        const QString none = QStringLiteral("<label unchanged>");
        QCOMPARE(this->rule(rule)(chars).value_or(none), shown.value_or(none));
    }

    // A field cut short (never so from the link, which always delivers whole pieces) is read as if
    // blank-filled rather than past its end.
    void shortFieldsReadNothingBeyondTheirEnd()
    {
        QCOMPARE(decodeBump(u"01"), std::optional<QString>(QStringLiteral("0.01  Down")));
        QCOMPARE(decodeRange(u"0850"), std::optional<QString>(QStringLiteral("8.50-  .  ")));
        QCOMPARE(decodeTree(u""), std::optional<QString>());
    }

    // Each piece is filled by its fields without gap or overlap, and the pieces add up to the
    // records' lengths: a slip in the tables would shift every value after it.
    void layoutCoversTheRecords_data()
    {
        QTest::addColumn<bool>("practice");
        QTest::addColumn<int>("pieceCount");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("fieldCount");
        QTest::newRow("practice") << true << 23 << 137 << 48;
        QTest::newRow("rallycross") << false << 7 << 37 << 12;
    }
    void layoutCoversTheRecords()
    {
        QFETCH(bool, practice);
        QFETCH(int, pieceCount);
        QFETCH(int, length);
        QFETCH(int, fieldCount);
        const std::vector<Piece> &pieces = practice ? practicePieces() : rallyPieces();
        QCOMPARE(int(pieces.size()), pieceCount);
        QCOMPARE(recordLength(pieces, pieceCount), length);
        QSet<QString> labels;
        for (const Piece &piece : pieces) {
            int next = 0;
            for (const Field &field : piece.fields) {
                QCOMPARE(field.offset, next);
                next += field.length;
                labels.insert(QLatin1String(field.label));
            }
            QCOMPARE(next, piece.length);
        }
        QCOMPARE(labels.size(), fieldCount);
    }

    void pieceDecodesEachFieldInOrder()
    {
        const Piece &flags = practicePieces().at(17);
        const std::vector<DecodedField> decoded = decodePiece(flags, u"YNYNNNY");
        QStringList got;
        for (const DecodedField &field : decoded)
            got.append(field.label + QLatin1Char('=') + field.text.value_or(QStringLiteral("-")));
        QCOMPARE(got, QStringList({"Dmode=On", "AutoStart=Off", "AutoReset=On", "PerfectTree=Off", "TBL=Off",
                                   "WinLgt=Off", "RRed=On"}));
    }
};

QTEST_GUILESS_MAIN(SettingsDecodersTest)
#include "test_settings_decoders.moc"
