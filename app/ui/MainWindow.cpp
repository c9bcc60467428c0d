#include "app/ui/MainWindow.h"

#include "app/FolderCreation.h"
#include "app/ui/Forms.h"
#include "base/Files.h"
#include "device/ui/SetupDialog.h"
#include "history/HistoryStore.h"
#include "history/ui/HistoryWindow.h"
#include "image/Picture.h"
#include "image/ui/PicturePreview.h"
#include "report/ui/ReportActions.h"
#include "settings/ui/SettingsWindow.h"
#include "stats/ui/RunChart.h"
#include "widgets/Busy.h"
#include "widgets/ClickLabel.h"
#include "widgets/ColorPanel.h"
#include "widgets/FileListBox.h"
#include "widgets/FocusRing.h"
#include "widgets/Fonts.h"
#include "widgets/ImageView.h"
#include "widgets/Prompter.h"
#include "widgets/ScreenFit.h"

#include <QChart>
#include <QChartView>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineSeries>
#include <QLocale>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QThread>
#include <QValueAxis>

namespace {

const QColor kAqua(0, 255, 255);
// The readout's face: the light button face its black and red values are made for, whatever the
// desktop's palette.
const QColor kReadoutFace(240, 240, 240);
// The usual colour of an active window's title bar.
const QColor kActiveCaption(153, 180, 209);

template <typename Label = QLabel>
Label *makeLabel(QWidget *parent, const char *name, const QString &text, int x, int y,
                 const QFont *font = nullptr)
{
    auto *label = new Label(text, parent);
    label->setObjectName(QLatin1String(name));
    // Device and file text (version, serial number, file names) is shown as it is, never as markup.
    label->setTextFormat(Qt::PlainText);
    if (font)
        label->setFont(*font);
    label->move(x, y);
    label->adjustSize();
    return label;
}

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, const QRect &geometry,
                        const QString &hint = {})
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setFont(arial(15));
    button->setStyle(focusRingStyle()); // a focus ring that shows on the aqua
    button->setGeometry(geometry);
    if (!hint.isEmpty())
        button->setToolTip(hint);
    return button;
}

// Qt takes the patterns from the parentheses of a filter's description, so each description is
// shown with the patterns that its mask really accepts.
QStringList nameFilters(const QString &descriptionMaskPairs)
{
    const QStringList parts = descriptionMaskPairs.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts.at(i);
        const int open = description.indexOf(QLatin1String(" ("));
        if (open >= 0)
            description.truncate(open);
        filters.append(description + QStringLiteral(" (")
                       + QString(parts.at(i + 1)).replace(QLatin1Char(';'), QLatin1Char(' ')) + QLatin1Char(')'));
    }
    return filters;
}

} // namespace

void initRunArrays(TForm1 &form)
{
    for (auto *reals : {&form.rt, &form.rta, &form.shift1, &form.shift1a, &form.shift2, &form.shift2a,
                        &form.shift3, &form.shift3a, &form.shift4, &form.shift4a})
        reals->fill(0.0);
    for (auto *shift : {&form.shift1, &form.shift1a, &form.shift2, &form.shift2a, &form.shift3,
                        &form.shift3a, &form.shift4, &form.shift4a})
        (*shift)[1] = 10.0;
    form.bump.fill(255);
    form.bumpa.fill(255);
    form.shftCnt = 0;
}

TForm1::TForm1(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Vantrelock Mirelon"));
    // The groups are placed by hand on the content, which scrolls where the window does not fit
    // the screen (a small one at a large scale).
    Content = new QWidget;
    Content->setObjectName(QStringLiteral("Form1Content"));
    Content->resize(775, 530);
    fitToScreen(this, Content);
    setFont(tahoma(11));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kAqua);
    // Text on the aqua is black whatever the desktop's palette: a dark palette's white would
    // not read on it. Buttons, lists and the like keep the palette's colours.
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);

    buildConnectGroup();
    buildImageGroup();
    buildStatisticsGroup();
    // The windows stay painted while the link waits for the tree.
    link.setWaitHook([] { keepWindowsPainted(); });

    connect(Button1, &QPushButton::clicked, this, [this] { guarded(this, [this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { guarded(this, [this] { Button2Click(); }); });
    connect(Button10, &QPushButton::clicked, this, [this] { guarded(this, [this] { Button10Click(); }); });
    wireStatistics();
    wireRunFileTransfer();
    wireImage();
    wireHistory();
    addRunFileReportActions(*this);

    guarded(this, [this] { FormCreate(); });
}

TForm1::~TForm1()
{
    stopHistoryImport = true;
    if (historyImport) {
        historyImport->wait(); // it reads and writes files of its own, nothing of the window's
        delete historyImport;
    }
}

QLineSeries *TForm1::series(int number) const
{
    const std::array<QLineSeries *, 10> all{Series1, Series2, Series3, Series4, Series5,
                                            Series6, Series7, Series8, Series9, Series10};
    return number >= 1 && number <= 10 ? all[number - 1] : nullptr;
}

void TForm1::buildConnectGroup()
{
    GroupBox1 = new QGroupBox(QStringLiteral("Connect"), Content);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setFont(arial(16, true));
    GroupBox1->setGeometry(24, 8, 305, 241);

    const QFont regular = arial(16);
    Panel1 = new ColorPanel(QStringLiteral("Not Connected"), GroupBox1);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFont(regular);
    Panel1->setGeometry(12, 28, 185, 34);

    const int labelX = 12, valueX = 150;
    Label1 = makeLabel(GroupBox1, "Label1", QStringLiteral("Version:"), labelX, 76);
    Version = makeLabel(GroupBox1, "Version", kNotConnected, valueX, 76, &regular);
    Label2 = makeLabel(GroupBox1, "Label2", QStringLiteral("Serial Number:"), labelX, 102);
    SerialNumber = makeLabel(GroupBox1, "SerialNumber", kNotConnected, valueX, 102, &regular);
    Label3 = makeLabel(GroupBox1, "Label3", QStringLiteral("Connect Date:"), labelX, 128);
    Date = makeLabel(GroupBox1, "Date", kNotConnected, valueX, 128, &regular);
    Label4 = makeLabel(GroupBox1, "Label4", QStringLiteral("Connect Time:"), labelX, 154);
    Time = makeLabel(GroupBox1, "Time", kNotConnected, valueX, 154, &regular);

    Button1 = makeButton(GroupBox1, "Button1", QStringLiteral("Connect"), {8, 188, 89, 42});
    Button2 = makeButton(GroupBox1, "Button2", QStringLiteral("Setup"), {108, 188, 89, 42});
    Button10 = makeButton(GroupBox1, "Button10", QStringLiteral("Settings"), {208, 188, 89, 42});
    Button10->setEnabled(false);
}

void TForm1::buildImageGroup()
{
    GroupBox2 = new QGroupBox(QStringLiteral("Image"), Content);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setFont(arial(16, true));
    GroupBox2->setGeometry(352, 8, 415, 241);

    Panel2 = new ColorPanel(QStringLiteral("No Image Loaded"), GroupBox2);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFont(arial(16));
    Panel2->setColor(kActiveCaption);
    Panel2->setGeometry(8, 24, 315, 188);

    Image1 = new ImageView(Panel2);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 315, 188);
    Image1->setVisible(false);
    Panel2->setCaptionCover(Image1); // "No Image Loaded" only while no picture shows

    ImageStatus = makeLabel(GroupBox2, "ImageStatus", QStringLiteral("Select Image"), 8, 216);
    ImageStatus->setFont(arial(15, false, true));
    ImageStatus->adjustSize();

    ProgressBar1 = new QProgressBar(GroupBox2);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(173, 218, 150, 17);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setVisible(false);

    Button3 = makeButton(GroupBox2, "Button3", QStringLiteral("Load"), {332, 24, 75, 35},
                         QStringLiteral("Load Image from File"));
    Button6 = makeButton(GroupBox2, "Button6", QStringLiteral("Clear"), {332, 66, 75, 35},
                         QStringLiteral("Clear Image on Screen"));
    Button7 = makeButton(GroupBox2, "Button7", QStringLiteral("Show"), {332, 108, 75, 35},
                         QStringLiteral("Show Image on Vantrelock"));
    Button4 = makeButton(GroupBox2, "Button4", QStringLiteral("Send"), {332, 150, 75, 35},
                         QStringLiteral("Send Image to Vantrelock"));
    Button5 = makeButton(GroupBox2, "Button5", QStringLiteral("Delete"), {332, 192, 75, 35},
                         QStringLiteral("Delete Image from Vantrelock"));
    Button7->setEnabled(false);
    Button4->setEnabled(false);
    Button5->setEnabled(false);
}

void TForm1::buildStatisticsGroup()
{
    GroupBox3 = new QGroupBox(QStringLiteral("Statistics"), Content);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    GroupBox3->setFont(arial(16, true));
    GroupBox3->setGeometry(24, 264, 743, 257);

    const QFont regular = arial(16);
    FileListBox1 = new FileListBox(GroupBox3);
    FileListBox1->setObjectName(QStringLiteral("FileListBox1"));
    FileListBox1->setFont(regular);
    FileListBox1->setStyleSheet(QStringLiteral("QListWidget::item { height: 18px; }"));
    FileListBox1->setGeometry(8, 24, 130, 184);
    FileListBox1->setMask(QStringLiteral("*.txt"));

    Button8 = makeButton(GroupBox3, "Button8", QStringLiteral("Load"), {8, 216, 80, 32},
                         QStringLiteral("Get Statistcs Files from Vantrelock"));
    Button8->setEnabled(false);
    Button9 = makeButton(GroupBox3, "Button9", QStringLiteral("Delete"), {94, 216, 80, 32},
                         QStringLiteral("Delete Files from Vantrelock"));
    Button11 = makeButton(GroupBox3, "Button11", QStringLiteral("Export"), {180, 216, 80, 32});
    Panel4 = new ColorPanel(QStringLiteral("Overlay"), GroupBox3);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    Panel4->setFont(arial(15));
    Panel4->setGeometry(266, 216, 80, 32);
    Panel4->setClickable(true);
    Panel4->setCheckable(true);

    const int labelX = 144, valueX = 232;
    Label11 = makeLabel(GroupBox3, "Label11", QStringLiteral("Label11"), labelX, 22, &regular);
    Label11->setVisible(false);
    Label5 = makeLabel(GroupBox3, "Label5", QStringLiteral("# Runs:"), labelX, 44);
    NumRuns = makeLabel(GroupBox3, "NumRuns", QStringLiteral("N/A"), valueX, 44, &regular);
    Label6 = makeLabel(GroupBox3, "Label6", QStringLiteral("# Reds:"), labelX, 68);
    NumReds = makeLabel(GroupBox3, "NumReds", QStringLiteral("N/A"), valueX, 68, &regular);
    Label7 = makeLabel(GroupBox3, "Label7", QStringLiteral("# Wins:"), labelX, 92);
    NumWins = makeLabel(GroupBox3, "NumWins", QStringLiteral("N/A"), valueX, 92, &regular);
    Label8 = makeLabel(GroupBox3, "Label8", QStringLiteral("Average:"), labelX, 116);
    Avg = makeLabel(GroupBox3, "Avg", QStringLiteral("N/A"), valueX, 116, &regular);
    Label9 = makeLabel(GroupBox3, "Label9", QStringLiteral("Spread:"), labelX, 140);
    Sprd = makeLabel(GroupBox3, "Sprd", QStringLiteral("N/A"), valueX, 140, &regular);
    Label10 = makeLabel(GroupBox3, "Label10", QStringLiteral("Shift Avg:"), labelX, 164);
    ShftAvg1 = makeLabel<ClickLabel>(GroupBox3, "ShftAvg1", QStringLiteral("N/A"), valueX, 164, &regular);
    ShftAvg2 = makeLabel<ClickLabel>(GroupBox3, "ShftAvg2", QStringLiteral("N/A"), valueX, 164, &regular);
    ShftAvg3 = makeLabel<ClickLabel>(GroupBox3, "ShftAvg3", QStringLiteral("N/A"), valueX, 164, &regular);
    ShftAvg4 = makeLabel<ClickLabel>(GroupBox3, "ShftAvg4", QStringLiteral("N/A"), valueX, 164, &regular);
    ShftAvg2->setVisible(false);
    ShftAvg3->setVisible(false);
    ShftAvg4->setVisible(false);
    Label12 = makeLabel(GroupBox3, "Label12", QStringLiteral("Label12"), labelX, 190, &regular);
    Label12->setVisible(false);

    Panel3 = new ColorPanel(QString(), GroupBox3);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    // 9 pixels wider than the design's 75, taken from the chart: with Arial's metrics the
    // longest readouts ("Bump: 999", "RT: -30.000") need 80.
    Panel3->setGeometry(279, 40, 84, 142);
    Panel3->setColor(kReadoutFace);
    Panel3->setVisible(false);
    const QFont readout = arial(15, true);
    struct Row {
        QLabel **label;
        const char *name;
        const char *caption;
        const char *hint;
    };
    const Row rows[] = {{&RTLabel, "RTLabel", "RT:", "RT"},
                        {&BumpLabel, "BumpLabel", "Bump:", "Bump Count"},
                        {&Shft1Label, "Shft1Label", "S1:", "First Shift Time"},
                        {&Shft2Label, "Shft2Label", "S2:", "Second Shift Time"},
                        {&Shft3Label, "Shft3Label", "S3:", "Third Shift Time"},
                        {&Shft4Label, "Shft4Label", "S4:", "Fourth Shift Time"}};
    int y = 4;
    for (const Row &row : rows) {
        *row.label = makeLabel(Panel3, row.name, QLatin1String(row.caption), 4, y, &readout);
        (*row.label)->setToolTip(QLatin1String(row.hint));
        (*row.label)->setVisible(row.label == &RTLabel);
        y += 22;
    }

    buildChart(GroupBox3);
}

void TForm1::buildChart(QWidget *parent)
{
    const RunChart run = buildRunChart();
    AxisX = run.axisX;
    AxisY = run.axisY;
    QLineSeries **targets[10] = {&Series1, &Series2, &Series3, &Series4, &Series5,
                               &Series6, &Series7, &Series8, &Series9, &Series10};
    for (int i = 0; i < 10; ++i)
        *targets[i] = run.series[size_t(i)];

    Chart1 = new QChartView(run.chart, parent);
    Chart1->setObjectName(QStringLiteral("Chart1"));
    Chart1->setGeometry(363, 22, 372, 226);
    Chart1->setRubberBand(QChartView::NoRubberBand);
    Chart1->setCursor(Qt::CrossCursor);
    Chart1->viewport()->setCursor(Qt::CrossCursor);
    Chart1->setRenderHint(QPainter::Antialiasing, false);

    const auto makeCombo = [this](const char *name) {
        auto *combo = new QComboBox(Chart1);
        combo->setObjectName(QLatin1String(name));
        combo->setEditable(false);
        combo->addItem(QStringLiteral("RT"));
        combo->setCurrentIndex(0);
        combo->setGeometry(4, 226 - 22 - 4, 62, 22);
        combo->setFocusPolicy(Qt::ClickFocus); // skipped by the Tab key
        // Its own face: it would take the group's bold 16 pixels, where "Shift 1" does not fit.
        combo->setFont(arial(11));
        combo->setVisible(false);
        return combo;
    };
    ComboBox1 = makeCombo("ComboBox1");
    ComboBox2 = makeCombo("ComboBox2");
}

QFileDialog &TForm1::openPictureDialog()
{
    if (!OpenPictureDialog1) {
        OpenPictureDialog1 = new QFileDialog(this, QString(), m_pictureFolder);
        OpenPictureDialog1->setObjectName(QStringLiteral("OpenPictureDialog1"));
        OpenPictureDialog1->setFileMode(QFileDialog::ExistingFile);
        OpenPictureDialog1->setAcceptMode(QFileDialog::AcceptOpen);
        OpenPictureDialog1->setNameFilters(nameFilters(QStringLiteral(
            "All (*.gif;*.png;*.jpg;*.jpeg;*.bmp;*.tif;*.tiff;*.ico;*.emf;*.wmf)|*.gif;*.png;*.jpg;*.jpeg;*.bmp|"
            "GIF Image (*.gif)|*.gif|Portable Network Graphics (*.png)|*.png|JPEG Image File (*.jpg)|*.jpg|"
            "JPEG Image File (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp")));
        addPicturePreview(*OpenPictureDialog1);
    }
    return *OpenPictureDialog1;
}

QFileDialog &TForm1::saveDialog()
{
    if (!FileSaveDialog1)
        FileSaveDialog1 = makeSaveDialog(this, FileListBox1->directory()); // the statistics folder
    return *FileSaveDialog1;
}

QFileDialog *TForm1::makeSaveDialog(QWidget *parent, const QString &folder)
{
    auto *dialog = new QFileDialog(parent, QString(), folder);
    dialog->setObjectName(QStringLiteral("FileSaveDialog1"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setDefaultSuffix(QStringLiteral("csv"));
    dialog->setNameFilters({QStringLiteral("CSV (*.csv)")});
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    return dialog;
}

void TForm1::clearSaveName()
{
    // A file dialog keeps the last name typed into it, and QFileDialog::selectFile() ignores
    // empty text: a dialog holding a name gives way to a new one in the same folder. (Making one
    // lists its folder, so a dialog that holds no name, only its folder, stays.)
    if (!FileSaveDialog1)
        return;
    const QString folder = FileSaveDialog1->directory().absolutePath();
    if (FileSaveDialog1->selectedFiles() == QStringList{folder})
        return;
    delete FileSaveDialog1;
    FileSaveDialog1 = makeSaveDialog(this, folder);
}

void TForm1::FormCreate()
{
    link.comport = 0;
    link.hCommFile = -1;
    initRunArrays(*this);
    Button11->setEnabled(false);

    // The picture dialog opens where the program was started, before the working folders and
    // the file list move the current folder.
    m_pictureFolder = QDir::currentPath();
    const QString documents = GetSpecialFolderPath(CSIDL_PERSONAL);
    folders = workingFolders(documents);
    // A failed folder step is reported, and start-up goes on with what exists.
    guarded(this, [this] { createWorkingFolders(folders); });
    // What a write cut short by a crash left behind.
    files::removeLeftovers(folders.program);
    files::removeLeftovers(folders.statistics);

    FileListBox1->setDirectory(folders.statistics);
    openHistory();

    const QString picture = folders.inProgram(kWorkingBitmapName);
    // Only a regular file: a pipe of that name would block the start for good.
    if (files::isRegularFile(picture)) {
        fileName = picture;
        Image1->setVisible(true);
        bool tooLarge = false;
        const QByteArray bytes = files::readFile(fileName, picture::kBitmapFileLimit, &tooLarge);
        const QImage image = tooLarge ? QImage() : QImage::fromData(bytes);
        if (image.isNull())
            throw AppError(QStringLiteral("Bitmap image is not valid"));
        Image1->setPicture(image);
    }
}

HistoryWindow *TForm1::makeHistoryWindow()
{
    auto *window = new HistoryWindow(*history, [this](const QString &path) { return pickRunFile(path); }, this);
    addHistoryReportActions(*window, *history);
    return window;
}

void TForm1::Button2Click()
{
    Form2->exec();
}

void TForm1::Button10Click()
{
    Form3->exec();
}

void TForm1::closeEvent(QCloseEvent *event)
{
    if (link.isOpen())
        guarded(this, [this] { Button1Click(); });
    event->accept();
}
