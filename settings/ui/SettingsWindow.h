#pragma once

#include "settings/SettingsDecoders.h"

#include <QDialog>
#include <QHash>

#include <vector>

class ClickLabel;
class ColorPanel;
class ImageView;
class QLabel;
class ConnectGroup;

// The device settings window, opened by the main window's Settings button. It only shows the
// device's settings: the practice page, and on rallycross devices a rallycross page reached by
// clicking the heading.
class TForm3 : public QDialog {
    Q_OBJECT
public:
    TForm3(ConnectGroup &device, QWidget *parent = nullptr);

    QWidget *Content; // what the window shows, at its designed size; it scrolls on a small screen
    ClickLabel *Label1; // heading; a click switches pages
    ColorPanel *Panel1; // close panel
    ImageView *Image2;  // its return arrow
    QLabel *Label2, *Label3, *Label4; // section headings

    // Lane rows: caption, left value, right value.
    QLabel *Label21, *LLog, *RLog;
    QLabel *Label6, *LTType, *RTType;
    QLabel *Label7, *LTSpd, *RTSpd;
    QLabel *Label5, *LRoll, *RRoll;
    QLabel *Label8, *LDial, *RDial;
    QLabel *Label19, *LButton, *RButton;
    QLabel *Label13, *LDelay, *RDelay;
    QLabel *Label12, *LBump, *RBump;
    QLabel *Label10, *LCross, *RCross;
    QLabel *Label20, *LMulti, *RMult;
    QLabel *Label9, *LShift, *RShift;
    QLabel *Label15, *LShift1, *RShift1;
    QLabel *Label16, *LShift2, *RShift2;
    QLabel *Label17, *LShift3, *RShift3;
    QLabel *Label18, *LShift4, *RShift4;

    // General rows: left caption, left value, right value, right caption.
    QLabel *Label22, *RdmDial, *AutoStartTime, *Label11;
    QLabel *Label23, *RdmRange, *StageToStart, *Label31;
    QLabel *Label24, *Dmode, *StgOn, *Label32;
    QLabel *Label25, *UMode, *RdmStart, *Label33;
    QLabel *Label27, *SURT, *AutoReset, *Label34;
    QLabel *Label26, *RdmStg, *PerfectTree, *Label35;
    QLabel *Label28, *MultHit, *TBL, *Label36;
    QLabel *Label37, *MHTime, *WinLgt, *Label38;
    QLabel *Label29, *AutoStart, *RRed, *Label39;

    // The practice page's rows and headings lie on PracticePage, hidden while the rallycross page
    // covers it so that screen readers do not read the two pages mixed.
    QWidget *PracticePage;
    // The rallycross page over the practice page, and its rows.
    QWidget *Panel2;
    QLabel *Label14, *LRollR, *Label30, *RRollR, *Label40, *StlTimeR, *Label41, *RdyRaceR;
    QLabel *Label42, *LgtOffR, *Label43, *RdmDelayR, *Label44, *UModeR, *Label45, *SURTR;
    QLabel *Label46, *RdmStgR, *Label47, *BtnMtnR, *Label48, *WinLgtR, *Label49, *AutoRstR;

    // True while the rallycross page is shown.
    bool rally = false;
    // True when the rallycross settings were read completely at the last opening.
    bool rcTest = false;

    // Every opening reads the device first, so the user never sees stale values; when a read
    // fails the window closes before it is seen.
    int exec() override;

    // The opening sequence: the practice settings, then the rallycross settings, practice page.
    void FormActivate();
    // Reads the practice settings record ("P") into the practice labels.
    void LoadPracSettings();
    // Reads the rallycross settings record ("R") into the rallycross labels; true when all of it
    // was read. Sends nothing to a device without rallycross.
    bool LoadRallySettings();
    // Switches between the practice and the rallycross page.
    void Label1Click();
    void Panel1Click();
    void Image1Click();

private:
    struct ValueLabel {
        QLabel *label = nullptr;
        int centre = -1; // the column's centre; -1 for labels that are not re-centred
        QString what;    // its row and lane for screen readers: "Left lane, Tree Speed"
    };

    void buildPracticePage();
    void buildRallyPage();
    QLabel *valueLabel(const char *name, const QString &placeholder, QWidget *parent, const QFont &font,
                       int centre, int y, const QString &what);
    void showValue(const ValueLabel &value, const QString &text);
    void centreHeading();
    void showRallyPage(bool shown);
    void showFields(const std::vector<settings::DecodedField> &fields);
    // A read that timed out: the message, the link dropped, the window closed.
    void closeAfterTimeout();

    ConnectGroup &m_device; // its link, over which the settings are read
    QHash<QString, ValueLabel> m_values;
    bool m_closedWhileOpening = false;
};

// The return arrow of the close panel: a dark curved arrow on white, 25 x 25.
QImage returnArrowPicture();
