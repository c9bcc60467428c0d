#pragma once

#include "base/WorkingFolders.h"

#include <QWidget>

class ConnectGroup;
class HistoryKeeper;
class ImageGroup;
class StatisticsGroup;

// The main window: the Connect, Image and Statistics groups at their designed places, and the
// practice history behind them. It is the one place that knows every group: it builds them,
// gives each what it takes from another, and runs their start-up in order.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // What the window shows, at its designed size; it scrolls on a screen too small for it.
    QWidget *Content;

    ConnectGroup *connection;
    ImageGroup *image;
    StatisticsGroup *statistics;
    HistoryKeeper *historyKeeper;

    WorkingFolders folders;

    void FormCreate();

protected:
    void closeEvent(QCloseEvent *event) override;
};
