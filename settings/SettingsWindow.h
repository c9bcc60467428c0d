#pragma once

#include <QDialog>

class QLabel;
class TForm1;

// The device settings window, opened by the main window's Settings button.
class TForm3 : public QDialog {
    Q_OBJECT
public:
    TForm3(TForm1 &main, QWidget *parent = nullptr);

    QLabel *Label1;

    // The opening sequence: reads the device's settings before the user sees them.
    void FormActivate();

private:
    TForm1 &m_main;
};
