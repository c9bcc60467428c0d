#include "settings/ui/SettingsWindow.h"

#include "device/Connection.h"
#include "device/ui/ConnectGroup.h"
#include "settings/SettingsExchange.h"
#include "widgets/ClickLabel.h"
#include "widgets/ColorPanel.h"
#include "widgets/Fonts.h"
#include "widgets/ImageView.h"
#include "widgets/LabelText.h"
#include "widgets/Prompter.h"
#include "widgets/ScreenFit.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace {

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

const QString kContentName = QStringLiteral("Form3Content");

// The window's content as screen readers see it: the page that is covered is left out of its
// children, not merely marked hidden, so that nothing reads the two pages mixed.
class SettingsContentAccessible : public QAccessibleWidget {
public:
    explicit SettingsContentAccessible(QWidget *content) : QAccessibleWidget(content, QAccessible::Client) {}

    int childCount() const override { return int(shownChildren().size()); }
    QAccessibleInterface *child(int index) const override
    {
        const QList<QWidget *> children = shownChildren();
        return index >= 0 && index < children.size() ? QAccessible::queryAccessibleInterface(children.at(index)) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child || !child->object() || !child->object()->isWidgetType())
            return -1;
        return int(shownChildren().indexOf(static_cast<QWidget *>(child->object())));
    }

private:
    QList<QWidget *> shownChildren() const
    {
        QList<QWidget *> shown;
        for (QObject *object : widget()->children()) {
            auto *child = qobject_cast<QWidget *>(object);
            if (child && !child->isWindow() && !child->isHidden())
                shown.append(child);
        }
        return shown;
    }
};

QAccessibleInterface *settingsContentAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1String("QWidget") && object && object->isWidgetType() && object->objectName() == kContentName)
        return new SettingsContentAccessible(static_cast<QWidget *>(object));
    return nullptr;
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

TForm3::TForm3(ConnectGroup &device, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_device(device)
{
    static const bool accessible = (QAccessible::installFactory(settingsContentAccessible), true);
    Q_UNUSED(accessible);
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Settings"));
    setModal(true);
    // Every control is placed by hand on the content, which scrolls where the window does not fit.
    Content = new QWidget;
    Content->setObjectName(kContentName);
    Content->resize(kClientWidth, kClientHeight);
    fitToScreen(this, Content);

    Panel1 = new ColorPanel(QString(), Content);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(kEdgeMargin, kEdgeMargin, 30, 30);
    Panel1->setClickable(true);
    Panel1->setAccessibleName(QStringLiteral("Close"));
    Image2 = new ImageView(Panel1);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(2, 2, 25, 25);
    Image2->setPicture(returnArrowPicture());
    Image2->setToolTip(QStringLiteral("Close"));
    Image2->setAccessibleName(QStringLiteral("Return arrow"));

    Label1 = new ClickLabel(kPracticeHeading, Content);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(arial(20, true));
    centreHeading();
    connect(Label1, &ClickLabel::clicked, this, [this] { guarded(this, [this] { Label1Click(); }); });
    connect(Panel1, &ColorPanel::clicked, this, [this] { guarded(this, [this] { Panel1Click(); }); });
    connect(Image2, &ImageView::clicked, this, [this] { guarded(this, [this] { Image1Click(); }); });

    buildPracticePage();
    buildRallyPage();
}

void TForm3::buildPracticePage()
{
    // The page spans the window in its coordinates, below the heading and the close panel.
    QWidget *const page = PracticePage = new QWidget(Content);
    page->setObjectName(QStringLiteral("PracticePage"));
    page->setGeometry(0, 0, kClientWidth, kClientHeight);
    page->lower();
    const QFont sectionFont = arial(16);
    Label2 = makeLabel(page, "Label2", QStringLiteral("Left Lane"), sectionFont);
    centreAt(Label2, kLeftLaneCentre, 40);
    Label3 = makeLabel(page, "Label3", QStringLiteral("Right Lane"), sectionFont);
    centreAt(Label3, kRightLaneCentre, 40);
    Label4 = makeLabel(page, "Label4", QStringLiteral("General Settings"), sectionFont);
    centreAt(Label4, kClientWidth / 2, kGeneralHeadingTop);

    // The members in the order of the rows' table.
    QLabel **lanes[][3] = {
        {&Label21, &LLog, &RLog},       {&Label6, &LTType, &RTType},   {&Label7, &LTSpd, &RTSpd},
        {&Label5, &LRoll, &RRoll},      {&Label8, &LDial, &RDial},     {&Label19, &LButton, &RButton},
        {&Label13, &LDelay, &RDelay},   {&Label12, &LBump, &RBump},    {&Label10, &LCross, &RCross},
        {&Label20, &LMulti, &RMult},    {&Label9, &LShift, &RShift},   {&Label15, &LShift1, &RShift1},
        {&Label16, &LShift2, &RShift2}, {&Label17, &LShift3, &RShift3}, {&Label18, &LShift4, &RShift4},
    };
    Q_ASSERT(std::size(lanes) == settings::laneRows().size());
    int y = kLaneTop;
    for (std::size_t i = 0; i < std::size(lanes); ++i) {
        const settings::LaneRow &row = settings::laneRows()[i];
        QLabel *caption = makeLabel(page, row.captionLabel, QLatin1String(row.caption), captionFont());
        *lanes[i][0] = caption;
        centreAt(caption, kLaneCaptionCentre, y);
        *lanes[i][1] = valueLabel(row.left, kLanePlaceholder, page, valueFont(), kLeftLaneCentre, y,
                                  QStringLiteral("Left lane, ") + QLatin1String(row.caption));
        *lanes[i][2] = valueLabel(row.right, kLanePlaceholder, page, valueFont(), kRightLaneCentre, y,
                                  QStringLiteral("Right lane, ") + QLatin1String(row.caption));
        y += kRowSpacing;
    }

    QLabel **general[][4] = {
        {&Label22, &RdmDial, &AutoStartTime, &Label11}, {&Label23, &RdmRange, &StageToStart, &Label31},
        {&Label24, &Dmode, &StgOn, &Label32},          {&Label25, &UMode, &RdmStart, &Label33},
        {&Label27, &SURT, &AutoReset, &Label34},       {&Label26, &RdmStg, &PerfectTree, &Label35},
        {&Label28, &MultHit, &TBL, &Label36},          {&Label37, &MHTime, &WinLgt, &Label38},
        {&Label29, &AutoStart, &RRed, &Label39},
    };
    Q_ASSERT(std::size(general) == settings::generalRows().size());
    y = kGeneralTop;
    for (std::size_t i = 0; i < std::size(general); ++i) {
        const settings::GeneralRow &row = settings::generalRows()[i];
        QLabel *leftCaption = makeLabel(page, row.leftCaptionLabel, QLatin1String(row.leftCaption), captionFont());
        *general[i][0] = leftCaption;
        leftCaption->move(kEdgeMargin, y);
        *general[i][1] = valueLabel(row.left, kGeneralPlaceholder, page, valueFont(), kGeneralLeftCentre, y,
                                    QLatin1String(row.leftCaption));
        *general[i][2] = valueLabel(row.right, kGeneralPlaceholder, page, valueFont(), kGeneralRightCentre, y,
                                    QLatin1String(row.rightCaption));
        QLabel *rightCaption =
            makeLabel(page, row.rightCaptionLabel, QLatin1String(row.rightCaption), captionFont());
        *general[i][3] = rightCaption;
        rightCaption->move(kClientWidth - kEdgeMargin - rightCaption->width(), y);
        y += kRowSpacing;
    }
}

void TForm3::buildRallyPage()
{
    // Opaque and borderless, below the heading row, so the heading and the close panel stay usable.
    Panel2 = new QWidget(Content);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setAutoFillBackground(true);
    Panel2->setGeometry(0, kHeadingRowHeight, kClientWidth, kClientHeight - kHeadingRowHeight);
    Panel2->hide();

    const QFont rallyValue = arial(15);
    const QFont rallyCaption = arial(15, false, true);
    QLabel **rows[][2] = {
        {&Label14, &LRollR},   {&Label30, &RRollR},    {&Label40, &StlTimeR}, {&Label41, &RdyRaceR},
        {&Label42, &LgtOffR},  {&Label43, &RdmDelayR}, {&Label44, &UModeR},   {&Label45, &SURTR},
        {&Label46, &RdmStgR},  {&Label47, &BtnMtnR},   {&Label48, &WinLgtR},  {&Label49, &AutoRstR},
    };
    Q_ASSERT(std::size(rows) == settings::rallyRows().size());
    int y = kRallyTop;
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const settings::RallyRow &row = settings::rallyRows()[i];
        QLabel *caption = makeLabel(Panel2, row.captionLabel, QLatin1String(row.caption), rallyCaption);
        *rows[i][0] = caption;
        caption->move(kRallyCaptionRight - caption->width(), y);
        *rows[i][1] = valueLabel(row.value, kRallyPlaceholder, Panel2, rallyValue, -1, y, QLatin1String(row.caption));
        (*rows[i][1])->move(kRallyValueLeft, y);
        y += kRallySpacing;
    }
}

QLabel *TForm3::valueLabel(const char *name, const QString &placeholder, QWidget *parent, const QFont &font,
                           int centre, int y, const QString &what)
{
    QLabel *label = makeLabel(parent, name, placeholder, font);
    // The device's characters are shown as they are, never taken for markup.
    label->setTextFormat(Qt::PlainText);
    if (centre >= 0)
        centreAt(label, centre, y);
    const ValueLabel value{label, centre, what};
    m_values.insert(QLatin1String(name), value);
    showValue(value, placeholder);
    return label;
}

void TForm3::showValue(const ValueLabel &value, const QString &text)
{
    setLabelText(value.label, text);
    // Read out with its row and lane: a bare "Off" could be any of thirty.
    value.label->setAccessibleName(value.what + QStringLiteral(", ") + text);
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
    // The heading acts as a button (pointer, Tab, Space) only when it switches pages.
    Label1->setClickable(rcTest);
    showRallyPage(false);
    Label1->setText(kPracticeHeading);
    centreHeading();
}

void TForm3::LoadPracSettings()
{
    if (!settings::readPracticeSettings(m_device.link, [this](const auto &fields) { showFields(fields); }))
        closeAfterTimeout();
}

bool TForm3::LoadRallySettings()
{
    if (!m_device.rallycross)
        return false;
    switch (settings::readRallySettings(m_device.link, [this](const auto &fields) { showFields(fields); })) {
    case settings::RallyRead::Read:
        return true;
    case settings::RallyRead::Refused:
        return false;
    case settings::RallyRead::TimedOut:
        closeAfterTimeout();
        return false;
    }
    return false;
}

void TForm3::showFields(const std::vector<settings::DecodedField> &fields)
{
    for (const settings::DecodedField &field : fields) {
        const ValueLabel value = m_values.value(field.label);
        if (!value.label)
            continue;
        if (field.text)
            showValue(value, *field.text);
        // Re-centred even when the text stayed.
        if (value.centre >= 0)
            centreAt(value.label, value.centre, value.label->y());
    }
}

void TForm3::closeAfterTimeout()
{
    m_device.dropLink(kNoResponse);
    m_closedWhileOpening = true;
    close();
}

void TForm3::Label1Click()
{
    if (m_device.rallycross && !rally && rcTest) {
        rally = true;
        Label1->setText(kRallyHeading);
        showRallyPage(true);
    } else if (m_device.rallycross && rally) {
        rally = false;
        Label1->setText(kPracticeHeading);
        showRallyPage(false);
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

void TForm3::showRallyPage(bool shown)
{
    Panel2->setVisible(shown);
    PracticePage->setVisible(!shown);
    QAccessibleEvent changed(Content, QAccessible::ObjectReorder);
    QAccessible::updateAccessibility(&changed);
}
