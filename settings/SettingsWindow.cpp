#include "settings/SettingsWindow.h"

#include "app/MainWindow.h"
#include "app/Prompter.h"
#include "app/Widgets.h"
#include "device/Connection.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

QFont arial(int pixels, bool bold = false, bool italic = false)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

const QString kPracticeHeading = QStringLiteral("Current Practice Settings");
const QString kRallyHeading = QStringLiteral("Current Rallycross Settings");
const QString kLanePlaceholder = QStringLiteral("LLog");
const QString kGeneralPlaceholder = QStringLiteral("RdmDial");
const QString kRallyPlaceholder = QStringLiteral("LRollR");

constexpr int kClientWidth = 402;
constexpr int kClientHeight = 515;
constexpr int kHeadingRowHeight = 36;
// Column centres of the value labels.
constexpr int kLeftLaneCentre = 77;
constexpr int kRightLaneCentre = 322;
constexpr int kLaneCaptionCentre = 200;
constexpr int kGeneralLeftCentre = 158;
constexpr int kGeneralRightCentre = 249;
constexpr int kRowSpacing = 17;
constexpr int kLaneTop = 64;
constexpr int kGeneralHeadingTop = kLaneTop + 15 * kRowSpacing + 8;
constexpr int kGeneralTop = kGeneralHeadingTop + 26;
constexpr int kEdgeMargin = 4;
// The rallycross page.
constexpr int kRallyTop = 20;
constexpr int kRallySpacing = 25;
constexpr int kRallyCaptionRight = 196;
constexpr int kRallyValueLeft = 212;

const QFont &valueFont()
{
    static const QFont font = arial(13);
    return font;
}
const QFont &captionFont()
{
    static const QFont font = arial(13, false, true);
    return font;
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, const QFont &font)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(font);
    label->adjustSize();
    return label;
}

void centreAt(QLabel *label, int centre, int y)
{
    label->move(centre - label->width() / 2, y);
}

} // namespace

QImage returnArrowPicture()
{
    QImage picture(25, 25, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor dark(32, 32, 48);
    // A hook bending back to the left, with its head pointing left at the top.
    QPainterPath shaft;
    shaft.moveTo(9, 7);
    shaft.lineTo(15, 7);
    shaft.cubicTo(22, 7, 22, 19, 15, 19);
    shaft.lineTo(6, 19);
    painter.setPen(QPen(dark, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(shaft);
    QPainterPath head;
    head.moveTo(3, 7);
    head.lineTo(10, 2);
    head.lineTo(10, 12);
    head.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(dark);
    painter.drawPath(head);
    return picture;
}

TForm3::TForm3(TForm1 &main, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_main(main)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Settings"));
    setModal(true);
    setFixedSize(kClientWidth, kClientHeight);

    Label1 = makeLabel(this, "Label1", kPracticeHeading, arial(20, true));
    Label1->installEventFilter(this);
    centreHeading();

    Panel1 = new ColorPanel(QString(), this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(kEdgeMargin, kEdgeMargin, 30, 30);
    Image2 = new ImageView(Panel1);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(2, 2, 25, 25);
    Image2->setPicture(returnArrowPicture());
    Image2->setToolTip(QStringLiteral("Close"));
    connect(Panel1, &ColorPanel::clicked, this, [this] { guarded(this, [this] { Panel1Click(); }); });
    connect(Image2, &ImageView::clicked, this, [this] { guarded(this, [this] { Image1Click(); }); });

    buildPracticePage();
    buildRallyPage();
}

void TForm3::buildPracticePage()
{
    const QFont sectionFont = arial(16);
    Label2 = makeLabel(this, "Label2", QStringLiteral("Left Lane"), sectionFont);
    centreAt(Label2, kLeftLaneCentre, 40);
    Label3 = makeLabel(this, "Label3", QStringLiteral("Right Lane"), sectionFont);
    centreAt(Label3, kRightLaneCentre, 40);
    Label4 = makeLabel(this, "Label4", QStringLiteral("General Settings"), sectionFont);
    centreAt(Label4, kClientWidth / 2, kGeneralHeadingTop);

    struct LaneRow {
        QLabel **caption, **left, **right;
        const char *captionName, *captionText, *leftName, *rightName;
    };
    const LaneRow lanes[] = {
        {&Label21, &LLog, &RLog, "Label21", "Log On", "LLog", "RLog"},
        {&Label6, &LTType, &RTType, "Label6", "Tree Type", "LTType", "RTType"},
        {&Label7, &LTSpd, &RTSpd, "Label7", "Tree Speed", "LTSpd", "RTSpd"},
        {&Label5, &LRoll, &RRoll, "Label5", "Roll Out", "LRoll", "RRoll"},
        {&Label8, &LDial, &RDial, "Label8", "Dial-In", "LDial", "RDial"},
        {&Label19, &LButton, &RButton, "Label19", "Button Motion", "LButton", "RButton"},
        {&Label13, &LDelay, &RDelay, "Label13", "Delay Box", "LDelay", "RDelay"},
        {&Label12, &LBump, &RBump, "Label12", "Bump Value", "LBump", "RBump"},
        {&Label10, &LCross, &RCross, "Label10", "Cross Over", "LCross", "RCross"},
        {&Label20, &LMulti, &RMult, "Label20", "Multi-Hit", "LMulti", "RMult"},
        {&Label9, &LShift, &RShift, "Label9", "Shift Light", "LShift", "RShift"},
        {&Label15, &LShift1, &RShift1, "Label15", "Shift Time 1", "LShift1", "RShift1"},
        {&Label16, &LShift2, &RShift2, "Label16", "Shift Time 2", "LShift2", "RShift2"},
        {&Label17, &LShift3, &RShift3, "Label17", "Shift Time 3", "LShift3", "RShift3"},
        {&Label18, &LShift4, &RShift4, "Label18", "Shift Time 4", "LShift4", "RShift4"},
    };
    int y = kLaneTop;
    for (const LaneRow &row : lanes) {
        *row.caption = makeLabel(this, row.captionName, QLatin1String(row.captionText), captionFont());
        centreAt(*row.caption, kLaneCaptionCentre, y);
        *row.left = valueLabel(row.leftName, kLanePlaceholder, this, valueFont(), kLeftLaneCentre, y);
        *row.right = valueLabel(row.rightName, kLanePlaceholder, this, valueFont(), kRightLaneCentre, y);
        y += kRowSpacing;
    }

    struct GeneralRow {
        QLabel **leftCaption, **left, **right, **rightCaption;
        const char *leftCaptionName, *leftCaptionText, *leftName, *rightName, *rightCaptionName,
            *rightCaptionText;
    };
    const GeneralRow general[] = {
        {&Label22, &RdmDial, &AutoStartTime, &Label11, "Label22", "Random Dial", "RdmDial", "AutoStartTime",
         "Label11", "Autostart Time"},
        {&Label23, &RdmRange, &StageToStart, &Label31, "Label23", "Random Range", "RdmRange", "StageToStart",
         "Label31", "Stage to Start"},
        {&Label24, &Dmode, &StgOn, &Label32, "Label24", "Distraction Mode", "Dmode", "StgOn", "Label32",
         "Stage On Time"},
        {&Label25, &UMode, &RdmStart, &Label33, "Label25", "User Mode", "UMode", "RdmStart", "Label33",
         "Start Delay"},
        {&Label27, &SURT, &AutoReset, &Label34, "Label27", "Single User RT", "SURT", "AutoReset", "Label34",
         "Auto Reset"},
        {&Label26, &RdmStg, &PerfectTree, &Label35, "Label26", "Random Stage", "RdmStg", "PerfectTree",
         "Label35", "Perfect Tree"},
        {&Label28, &MultHit, &TBL, &Label36, "Label28", "Hit Both Lanes", "MultHit", "TBL", "Label36",
         "Top Bulb Lock"},
        {&Label37, &MHTime, &WinLgt, &Label38, "Label37", "Multi-Hit Time", "MHTime", "WinLgt", "Label38",
         "Win Lights"},
        {&Label29, &AutoStart, &RRed, &Label39, "Label29", "Autostart", "AutoStart", "RRed", "Label39",
         "Real Red"},
    };
    y = kGeneralTop;
    for (const GeneralRow &row : general) {
        *row.leftCaption = makeLabel(this, row.leftCaptionName, QLatin1String(row.leftCaptionText), captionFont());
        (*row.leftCaption)->move(kEdgeMargin, y);
        *row.left = valueLabel(row.leftName, kGeneralPlaceholder, this, valueFont(), kGeneralLeftCentre, y);
        *row.right = valueLabel(row.rightName, kGeneralPlaceholder, this, valueFont(), kGeneralRightCentre, y);
        *row.rightCaption =
            makeLabel(this, row.rightCaptionName, QLatin1String(row.rightCaptionText), captionFont());
        (*row.rightCaption)->move(kClientWidth - kEdgeMargin - (*row.rightCaption)->width(), y);
        y += kRowSpacing;
    }
}

void TForm3::buildRallyPage()
{
    // Opaque and borderless, below the heading row, so the heading and the close panel stay usable.
    Panel2 = new QWidget(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setAutoFillBackground(true);
    Panel2->setGeometry(0, kHeadingRowHeight, kClientWidth, kClientHeight - kHeadingRowHeight);
    Panel2->hide();

    const QFont rallyValue = arial(15);
    const QFont rallyCaption = arial(15, false, true);
    struct RallyRow {
        QLabel **caption, **value;
        const char *captionName, *captionText, *valueName;
    };
    const RallyRow rows[] = {
        {&Label14, &LRollR, "Label14", "Left Roll", "LRollR"},
        {&Label30, &RRollR, "Label30", "Right Roll", "RRollR"},
        {&Label40, &StlTimeR, "Label40", "Settle Time", "StlTimeR"},
        {&Label41, &RdyRaceR, "Label41", "Ready to Race", "RdyRaceR"},
        {&Label42, &LgtOffR, "Label42", "Lights Off", "LgtOffR"},
        {&Label43, &RdmDelayR, "Label43", "Random Delay", "RdmDelayR"},
        {&Label44, &UModeR, "Label44", "User Mode", "UModeR"},
        {&Label45, &SURTR, "Label45", "Single Lane RT", "SURTR"},
        {&Label46, &RdmStgR, "Label46", "Random Stage", "RdmStgR"},
        {&Label47, &BtnMtnR, "Label47", "Button Motion", "BtnMtnR"},
        {&Label48, &WinLgtR, "Label48", "Win Lights", "WinLgtR"},
        {&Label49, &AutoRstR, "Label49", "Auto Reset", "AutoRstR"},
    };
    int y = kRallyTop;
    for (const RallyRow &row : rows) {
        *row.caption = makeLabel(Panel2, row.captionName, QLatin1String(row.captionText), rallyCaption);
        (*row.caption)->move(kRallyCaptionRight - (*row.caption)->width(), y);
        *row.value = valueLabel(row.valueName, kRallyPlaceholder, Panel2, rallyValue, -1, y);
        (*row.value)->move(kRallyValueLeft, y);
        y += kRallySpacing;
    }
}

QLabel *TForm3::valueLabel(const char *name, const QString &placeholder, QWidget *parent, const QFont &font,
                           int centre, int y)
{
    QLabel *label = makeLabel(parent, name, placeholder, font);
    // The device's characters are shown as they are, never taken for markup.
    label->setTextFormat(Qt::PlainText);
    if (centre >= 0)
        centreAt(label, centre, y);
    m_values.insert(QLatin1String(name), {label, centre});
    return label;
}

void TForm3::centreHeading()
{
    Label1->adjustSize();
    Label1->move((kClientWidth - Label1->width()) / 2, 6);
}

int TForm3::exec()
{
    FormActivate();
    if (m_closedWhileOpening)
        return QDialog::Rejected;
    return QDialog::exec();
}

void TForm3::FormActivate()
{
    m_closedWhileOpening = false;
    rally = false;
    LoadPracSettings();
    // The rallycross read runs even after a failed practice read.
    rcTest = LoadRallySettings();
    // The heading looks clickable only when it switches pages.
    Label1->setCursor(rcTest ? Qt::PointingHandCursor : Qt::ArrowCursor);
    Panel2->hide();
    Label1->setText(kPracticeHeading);
    centreHeading();
}

void TForm3::LoadPracSettings()
{
    m_main.send_cmda(QStringLiteral("P"));
    readPieces(settings::practicePieces());
}

bool TForm3::LoadRallySettings()
{
    if (!m_main.rallycross)
        return false;
    SerialLink &link = m_main.link;
    m_main.send_cmda(QStringLiteral("R"));
    m_main.vrcvstra(2);
    if (link.TimeOut) {
        closeAfterTimeout();
        return false;
    }
    // A refusal is silent, and nothing follows it.
    if (link.text(2) != QLatin1String("OK"))
        return false;
    return readPieces(settings::rallyPieces());
}

bool TForm3::readPieces(const std::vector<settings::Piece> &pieces)
{
    SerialLink &link = m_main.link;
    for (const settings::Piece &piece : pieces) {
        m_main.vrcvstra(piece.length);
        if (link.TimeOut) {
            closeAfterTimeout();
            return false;
        }
        showFields(settings::decodePiece(piece, link.text(piece.length)));
    }
    return true;
}

void TForm3::showFields(const std::vector<settings::DecodedField> &fields)
{
    for (const settings::DecodedField &field : fields) {
        const ValueLabel value = m_values.value(field.label);
        if (!value.label)
            continue;
        if (field.text)
            setLabelText(value.label, *field.text);
        // Re-centred even when the text stayed.
        if (value.centre >= 0)
            centreAt(value.label, value.centre, value.label->y());
    }
}

void TForm3::closeAfterTimeout()
{
    m_main.dropLink(kNoResponse);
    m_closedWhileOpening = true;
    close();
}

void TForm3::Label1Click()
{
    if (m_main.rallycross && !rally && rcTest) {
        rally = true;
        Label1->setText(kRallyHeading);
        Panel2->show();
    } else if (m_main.rallycross && rally) {
        rally = false;
        Label1->setText(kPracticeHeading);
        Panel2->hide();
    } else {
        return;
    }
    centreHeading();
}

void TForm3::Panel1Click()
{
    close();
}

void TForm3::Image1Click()
{
    close();
}

bool TForm3::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Label1 && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        guarded(this, [this] { Label1Click(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
