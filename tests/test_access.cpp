#include "app/ui/Forms.h"
#include "app/ui/MainWindow.h"
#include "device/ui/ConnectGroup.h"
#include "device/ui/SetupDialog.h"
#include "history/ui/HistoryKeeper.h"
#include "history/ui/HistoryWindow.h"
#include "image/ui/ImageGroup.h"
#include "settings/ui/SettingsWindow.h"
#include "stats/ui/StatisticsGroup.h"
#include "tests/support/RunFiles.h"
#include "tests/support/TestSupport.h"
#include "tools/sim/ImageCommands.h"
#include "tools/sim/SettingsCommands.h"
#include "widgets/Busy.h"
#include "widgets/ClickLabel.h"
#include "widgets/ColorPanel.h"
#include "widgets/Colors.h"
#include "widgets/EventHook.h"
#include "widgets/FileListBox.h"
#include "widgets/FocusRing.h"
#include "widgets/ScreenFit.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QProgressBar>
#include <QPushButton>
#include <QScatterSeries>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>

#include <atomic>

// The windows at every desk: readable under a light and a dark palette, usable with the keyboard
// alone, described to screen readers, and deaf to input while an exchange runs.
class AccessTest : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingPrompter> prompts;
    std::unique_ptr<SimFixture> sim;

    static QPalette darkPalette()
    {
        QPalette p;
        const QColor window(45, 45, 48), base(30, 30, 32), text(235, 235, 235);
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            p.setColor(group, QPalette::Window, window);
            p.setColor(group, QPalette::WindowText, text);
            p.setColor(group, QPalette::Base, base);
            p.setColor(group, QPalette::AlternateBase, window);
            p.setColor(group, QPalette::Text, text);
            p.setColor(group, QPalette::Button, QColor(60, 60, 64));
            p.setColor(group, QPalette::ButtonText, text);
            p.setColor(group, QPalette::Highlight, QColor(61, 174, 233));
            p.setColor(group, QPalette::HighlightedText, Qt::black);
            p.setColor(group, QPalette::Light, QColor(80, 80, 84));
            p.setColor(group, QPalette::Midlight, QColor(70, 70, 74));
            p.setColor(group, QPalette::Mid, QColor(40, 40, 42));
            p.setColor(group, QPalette::Dark, QColor(25, 25, 27));
            p.setColor(group, QPalette::Shadow, Qt::black);
            p.setColor(group, QPalette::ToolTipBase, window);
            p.setColor(group, QPalette::ToolTipText, text);
            p.setColor(group, QPalette::PlaceholderText, QColor(160, 160, 160));
        }
        return p;
    }

    static QString describe(const QWidget *w)
    {
        const QString name = w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                                       : w->objectName();
        if (const auto *label = qobject_cast<const QLabel *>(w))
            return name + QStringLiteral(" \"") + label->text() + QLatin1Char('"');
        return name;
    }

    // The colour the user sees behind `w`: the nearest colour panel, or the nearest widget that
    // fills its own background (a window always does).
    static QColor backgroundBehind(const QWidget *w)
    {
        for (const QWidget *p = w->parentWidget(); p; p = p->parentWidget()) {
            if (const auto *panel = qobject_cast<const ColorPanel *>(p))
                return panel->color();
            if (p->autoFillBackground() || p->isWindow())
                return p->palette().color(p->backgroundRole());
        }
        return QApplication::palette().color(QPalette::Window);
    }

    // Every text shown in `window` whose contrast is below what it needs: 4.5:1, and for the
    // readout's designed red (RGB 255, 0, 0, which reaches at most 4:1 on any light face),
    // 3:1, the least for a marking colour.
    static QStringList unreadable(QWidget *window)
    {
        QStringList faults;
        const auto check = [&](const QWidget *w, const QColor &text, const QColor &background) {
            const double need = text == QColor(255, 0, 0) ? 3.0 : 4.5;
            const double ratio = contrastRatio(text, background);
            if (ratio < need)
                faults << QStringLiteral("%1: %2 on %3, %4:1")
                              .arg(describe(w), text.name(), background.name())
                              .arg(ratio, 0, 'f', 2);
        };
        for (QLabel *label : window->findChildren<QLabel *>())
            if (label->isVisibleTo(window) && !label->text().isEmpty())
                check(label, label->palette().color(label->foregroundRole()), backgroundBehind(label));
        for (ColorPanel *panel : window->findChildren<ColorPanel *>())
            if (panel->isVisibleTo(window) && !panel->caption().isEmpty())
                check(panel, panel->textColor(), panel->color());
        for (QGroupBox *group : window->findChildren<QGroupBox *>())
            check(group, group->palette().color(QPalette::WindowText), backgroundBehind(group));
        // Enabled buttons: a disabled one may be faint, as everywhere.
        for (QAbstractButton *button : window->findChildren<QAbstractButton *>())
            if (button->isVisibleTo(window) && button->isEnabledTo(window) && button->window() == window)
                check(button, button->palette().color(QPalette::ButtonText), button->palette().color(QPalette::Button));
        return faults;
    }

    void connectTo(sim::Config config)
    {
        sim = std::make_unique<SimFixture>(std::move(config));
        sim::installSettingsCommands(sim->device(), sim::defaultSettingsRecords());
        sim::installImageCommands(sim->device());
        Form1->connection->Button1Click();
        QVERIFY(Form1->connection->link.isOpen());
    }

    // Two full run files in the list, the first loaded.
    static void loadRunFiles()
    {
        RunFileBytes file;
        file.runs(12).wins(5).reds(1).average(512).spread(120).shiftAverage(1, 1647);
        for (int r = 1; r <= 12; ++r) {
            file.rt(r, 400 + 10 * r).bump(r, r % 3);
            for (int n = 1; n <= 2; ++n)
                file.shift(r, n, 1500 * n + r);
        }
        const QDir dir(Form1->folders.statistics);
        QVERIFY(file.save(dir.filePath(QStringLiteral("FIRST.txt"))));
        QVERIFY(file.save(dir.filePath(QStringLiteral("SECOND.txt"))));
        Form1->statistics->FileListBox1->refresh();
        Form1->statistics->FileListBox1->setCurrentRow(0);
        QCOMPARE(Form1->statistics->Label11->text(), QStringLiteral("FIRST.txt"));
    }

    static void show(QWidget *window)
    {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }

    // The widgets Tab reaches in `window`, in order, starting from its first.
    static QList<QWidget *> tabChain(QWidget *window)
    {
        QList<QWidget *> chain;
        window->setFocus();
        QTest::keyClick(window, Qt::Key_Tab);
        for (int i = 0; i < 100; ++i) {
            QWidget *focus = QApplication::focusWidget();
            if (!focus || chain.contains(focus))
                break;
            chain.append(focus);
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        return chain;
    }

    // What a screen reader is given of `window`: every node of its accessible tree that is
    // not hidden, as "role name".
    static void collect(QAccessibleInterface *node, QList<QAccessibleInterface *> &out)
    {
        if (!node || node->state().invisible)
            return;
        out.append(node);
        for (int i = 0; i < node->childCount(); ++i)
            collect(node->child(i), out);
    }
    static QList<QAccessibleInterface *> exposed(QWidget *window)
    {
        QList<QAccessibleInterface *> nodes;
        collect(QAccessible::queryAccessibleInterface(window), nodes);
        return nodes;
    }
    static QStringList exposedNames(QWidget *window)
    {
        QStringList names;
        for (QAccessibleInterface *node : exposed(window))
            names << node->text(QAccessible::Name);
        return names;
    }

private slots:
    void init()
    {
        prompts = std::make_unique<RecordingPrompter>();
    }
    void cleanup()
    {
        destroyWindows();
        sim.reset();
        prompts.reset();
        QApplication::setPalette(QApplication::style()->standardPalette());
        QDir statistics(testHome() + QStringLiteral("/Documents/Halvorent/VantrelockMirelon/Statistics"));
        for (const QString &name : statistics.entryList(QDir::Files))
            statistics.remove(name);
    }

    void everyTextReadsUnderAnyPalette_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    // The focus ring of the main window's controls stands out from the aqua at 3:1 at least,
    // under either palette: buttons, the Overlay switch and the shift average.
    void focusRingShowsOnTheAqua_data() { everyTextReadsUnderAnyPalette_data(); }
    void focusRingShowsOnTheAqua()
    {
        QFETCH(bool, dark);
        if (dark)
            QApplication::setPalette(darkPalette());
        createWindows();
        loadRunFiles();
        show(Form1);
        const QColor aqua = Form1->palette().color(QPalette::Window);
        for (QWidget *w : std::initializer_list<QWidget *>{Form1->connection->Button1, Form1->image->Button3, Form1->statistics->Button9, Form1->statistics->Panel4,
                                                            Form1->statistics->ShftAvg1}) {
            w->setFocus(Qt::TabFocusReason);
            QVERIFY(w->hasFocus());
            const QImage image = w->grab().toImage();
            // The ring's left and top edges, half way along.
            for (const QPoint at : {QPoint(1, image.height() / 2), QPoint(image.width() / 2, 1)}) {
                const double ratio = contrastRatio(image.pixelColor(at), aqua);
                QVERIFY2(ratio >= 3.0, qPrintable(QStringLiteral("%1 at %2,%3: %4").arg(describe(w)).arg(at.x()).arg(at.y()).arg(ratio)));
            }
        }
        QVERIFY(contrastRatio(focusRingColor(QColor(48, 140, 198), aqua), aqua) >= 3.0); // Fusion's highlight
        QVERIFY(contrastRatio(focusRingColor(QColor(61, 174, 233), QColor(30, 30, 32)), QColor(30, 30, 32)) >= 3.0);
    }

    // Every label, panel caption, group title and button, in the states that change colours:
    // connected (green status), overlay on (green switch), the readout with red and black rows,
    // and both pages of the settings window.
    void everyTextReadsUnderAnyPalette()
    {
        QFETCH(bool, dark);
        QApplication::setPalette(dark ? darkPalette() : QApplication::style()->standardPalette());
        createWindows();
        show(Form1);
        QCOMPARE(Form1->palette().color(QPalette::Window), QColor(0, 255, 255));
        QStringList faults = unreadable(Form1);

        sim::Config config;
        config.version = "1.24 R";
        connectTo(config);
        loadRunFiles();
        Form1->statistics->Chart1ClickSeries(Form1->statistics->Series1, 2);
        QVERIFY(Form1->statistics->Panel3->isVisible());
        QCOMPARE(Form1->statistics->RTLabel->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QVERIFY(Form1->statistics->BumpLabel->isVisible());
        faults << unreadable(Form1);
        Form1->statistics->Panel4Click();
        faults << unreadable(Form1);

        Form3->show();
        Form3->FormActivate();
        QVERIFY(Form3->rcTest);
        // The settings window keeps the palette's colours, dark ones too.
        QCOMPARE(Form3->palette().color(QPalette::Window), QApplication::palette().color(QPalette::Window));
        QCOMPARE(contrastRatio(Form3->palette().color(QPalette::Window), Qt::white) > 4.5, dark);
        faults << unreadable(Form3);
        Form3->Label1Click();
        QVERIFY(Form3->Panel2->isVisible());
        faults << unreadable(Form3);
        Form3->hide();

        show(Form2);
        faults << unreadable(Form2);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
    }

    // Tab reaches every control of each window, and each shows that it has the focus.
    void tabReachesEveryControl()
    {
        createWindows();
        sim::Config config;
        config.version = "1.24 R";
        connectTo(config);
        loadRunFiles();
        show(Form1);
        const QList<QWidget *> mainChain = tabChain(Form1);
        const QList<QWidget *> mainControls{Form1->connection->Button1, Form1->connection->Button10, Form1->image->Button3, Form1->image->Button6,
                                            Form1->image->Button7, Form1->image->Button4, Form1->image->Button5, Form1->statistics->FileListBox1,
                                            Form1->statistics->Button8, Form1->statistics->Button9, Form1->statistics->Button11, Form1->statistics->Panel4,
                                            Form1->statistics->ShftAvg1, Form1->statistics->Chart1};
        for (QWidget *control : mainControls)
            QVERIFY2(mainChain.contains(control), qPrintable(describe(control)));
        // Any other button too; the chart's selectors are skipped, as designed.
        for (QAbstractButton *button : Form1->findChildren<QAbstractButton *>())
            if (button->window() == Form1 && button->isVisible() && button->isEnabled())
                QVERIFY2(mainChain.contains(button), qPrintable(describe(button)));
        QVERIFY(!mainChain.contains(Form1->statistics->ComboBox1));

        Form1->hide();
        Form3->show();
        Form3->FormActivate();
        show(Form3);
        const QList<QWidget *> settingsChain = tabChain(Form3);
        QVERIFY(settingsChain.contains(Form3->Panel1));
        QVERIFY(settingsChain.contains(Form3->Label1));
        Form3->hide();

        show(Form2);
        QCOMPARE(tabChain(Form2), (QList<QWidget *>{Form2->Edit1, Form2->Button1, Form2->Button2}));
    }

    // Space and Enter press what Tab reaches, and a focused control looks focused.
    void keyboardUsesTheControls()
    {
        createWindows();
        sim::Config config;
        config.version = "1.24 R";
        connectTo(config);
        loadRunFiles();
        show(Form1);

        const auto focusShows = [](QWidget *w) {
            w->clearFocus();
            const QImage plain = w->grab().toImage();
            w->setFocus(Qt::TabFocusReason);
            QCoreApplication::processEvents();
            return w->hasFocus() && w->grab().toImage() != plain;
        };
        for (QWidget *w : std::initializer_list<QWidget *>{Form1->statistics->Panel4, Form1->statistics->ShftAvg1, Form1->statistics->Chart1})
            QVERIFY2(focusShows(w), qPrintable(describe(w)));

        Form1->statistics->Panel4->setFocus();
        QTest::keyClick(Form1->statistics->Panel4, Qt::Key_Space);
        QCOMPARE(Form1->statistics->Panel4->color(), QColor(0, 128, 0));
        QTest::keyClick(Form1->statistics->Panel4, Qt::Key_Return);
        QVERIFY(!Form1->statistics->FileListBox1->multiSelect());

        Form1->statistics->ShftAvg1->setFocus();
        QTest::keyClick(Form1->statistics->ShftAvg1, Qt::Key_Space);
        QVERIFY(Form1->statistics->ShftAvg2->isVisible());

        // The chart: Right shows run 1, again run 2; Down picks the selector's next series.
        Form1->statistics->Chart1->setFocus();
        QTest::keyClick(Form1->statistics->Chart1, Qt::Key_Right);
        QTest::keyClick(Form1->statistics->Chart1, Qt::Key_Right);
        QVERIFY(Form1->statistics->Panel3->isVisible());
        QCOMPARE(Form1->statistics->RTLabel->text(), QStringLiteral("RT: 0.420"));
        QTest::keyClick(Form1->statistics->Chart1, Qt::Key_Down);
        QCOMPARE(Form1->statistics->ComboBox1->currentIndex(), 1);
        QVERIFY(Form1->statistics->Series3->isVisible());
        QVERIFY(!Form1->statistics->Series1->isVisible());
        Form1->hide();

        Form3->show();
        Form3->FormActivate();
        show(Form3);
        QVERIFY(focusShows(Form3->Label1));
        QVERIFY(focusShows(Form3->Panel1));
        Form3->Label1->setFocus();
        QTest::keyClick(Form3->Label1, Qt::Key_Space);
        QVERIFY(Form3->rally);
        Form3->Panel1->setFocus();
        QTest::keyClick(Form3->Panel1, Qt::Key_Enter);
        QVERIFY(!Form3->isVisible());
    }

    // Each control has a name and the role it acts in; the overlay switch says whether it is on;
    // the chart says what it shows.
    void screenReadersGetNamesAndRoles()
    {
        createWindows();
        sim::Config config;
        config.version = "1.24 R";
        connectTo(config);
        loadRunFiles();
        show(Form1);

        struct Expected {
            QWidget *widget;
            QAccessible::Role role;
            const char *name;
        };
        const Expected expected[] = {
            {Form1->statistics->FileListBox1, QAccessible::List, "Run files"},
            {Form1->statistics->Chart1, QAccessible::Chart, "Run chart"},
            {Form1->statistics->Panel4, QAccessible::CheckBox, "Overlay"}, // a toggle, as Qt's checkable buttons
            {Form1->connection->Panel1, QAccessible::StaticText, "Connected"},
            {Form1->statistics->ComboBox1, QAccessible::ComboBox, nullptr}, // on Linux named by its item
            {Form1->image->Button4, QAccessible::Button, "Send"},
            {Form1->statistics->ShftAvg1, QAccessible::Button, nullptr},
            {Form3->Panel1, QAccessible::Button, "Close"},
        };
        for (const Expected &e : expected) {
            QAccessibleInterface *node = QAccessible::queryAccessibleInterface(e.widget);
            QVERIFY2(node, qPrintable(describe(e.widget)));
            QCOMPARE(node->role(), e.role);
            QVERIFY2(!node->text(QAccessible::Name).isEmpty(), qPrintable(describe(e.widget)));
            if (e.name)
                QCOMPARE(node->text(QAccessible::Name), QLatin1String(e.name));
        }

        QAccessibleInterface *overlay = QAccessible::queryAccessibleInterface(Form1->statistics->Panel4);
        QVERIFY(overlay->state().checkable);
        QVERIFY(!overlay->state().checked);
        overlay->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QVERIFY(Form1->statistics->FileListBox1->multiSelect());
        QVERIFY(overlay->state().checked);

        QAccessibleInterface *chart = QAccessible::queryAccessibleInterface(Form1->statistics->Chart1);
        QCOMPARE(chart->text(QAccessible::Description), QStringLiteral("Reaction times of FIRST.txt, 12 runs"));

        // What the eye reads: the shift average's value with what it is; the series lists
        // through the label a Linux screen reader follows (it names a combo box by its item).
        QAccessibleInterface *average = QAccessible::queryAccessibleInterface(Form1->statistics->ShftAvg1);
        QCOMPARE(average->text(QAccessible::Name), QStringLiteral("Shift 1 average 1.647"));
        for (auto [combo, name] : {std::pair{Form1->statistics->ComboBox1, "Series shown"}, std::pair{Form1->statistics->ComboBox2, "Series compared"}}) {
            const auto labels = QAccessible::queryAccessibleInterface(combo)->relations(QAccessible::Label);
            QCOMPARE(labels.size(), 1);
            QCOMPARE(labels.first().first->text(QAccessible::Name), QLatin1String(name));
        }
        // Each settings value with its row and its lane, on both pages.
        Form3->FormActivate();
        const std::pair<QLabel *, QString> values[] = {
            {Form3->LTSpd, QStringLiteral("Left lane, Tree Speed, ")},
            {Form3->RLog, QStringLiteral("Right lane, Log On, ")},
            {Form3->RdmDial, QStringLiteral("Random Dial, ")},
            {Form3->AutoStartTime, QStringLiteral("Autostart Time, ")},
            {Form3->StlTimeR, QStringLiteral("Settle Time, ")},
        };
        for (const auto &[label, what] : values) {
            QVERIFY(label->text() != label->objectName()); // read from the device
            QCOMPARE(QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name), what + label->text());
        }

        // Every control a user can act on is named, in each window.
        for (QWidget *window : std::initializer_list<QWidget *>{Form1, Form2}) {
            for (QAccessibleInterface *node : exposed(window)) {
                const bool control = node->role() == QAccessible::Button || node->role() == QAccessible::List
                                     || node->role() == QAccessible::ComboBox || node->role() == QAccessible::Chart
                                     || node->role() == QAccessible::EditableText
                                     || node->role() == QAccessible::ProgressBar;
                if (control)
                    QVERIFY2(!node->text(QAccessible::Name).isEmpty(),
                             qPrintable(QStringLiteral("%1 without a name").arg(describe(static_cast<QWidget *>(node->object())))));
            }
        }
    }

    // A point's readout shows with the pointer within a few pixels of its 3-pixel marker, by
    // resting there or by a click; further off, nothing shows.
    void chartPointsAreHitWithinAFewPixels()
    {
        createWindows();
        loadRunFiles();
        show(Form1);
        QChart *chart = Form1->statistics->Chart1->chart();
        const QPoint point = Form1->statistics->Chart1->mapFromScene(
            chart->mapToScene(chart->mapToPosition(Form1->statistics->Series1->at(6), Form1->statistics->Series1)));
        struct Case {
            QPoint offset;
            bool click;
            bool shown;
        };
        const Case cases[] = {{{0, 0}, false, true},  {{4, -3}, false, true}, {{-5, 0}, false, true},
                              {{3, 4}, true, true},   {{0, 20}, false, false}, {{0, -20}, true, false}};
        QWidget *viewport = Form1->statistics->Chart1->viewport();
        for (const Case &c : cases) {
            Form1->statistics->Panel3->hide();
            QTest::mouseMove(viewport, QPoint(2, 2)); // away from every point first
            if (c.click)
                QTest::mouseClick(viewport, Qt::LeftButton, {}, point + c.offset);
            else
                QTest::mouseMove(viewport, point + c.offset);
            QCOMPARE(Form1->statistics->Panel3->isVisible(), c.shown);
            if (c.shown)
                QCOMPARE(Form1->statistics->RTLabel->text(), QStringLiteral("RT: 0.470"));
        }
    }

    // The run the readout shows is ringed on the chart (in overlay mode on both files' series)
    // and named in the chart's description; the file list shows the file(s) on the chart.
    void readoutNamesAndMarksTheRun()
    {
        createWindows();
        loadRunFiles();
        show(Form1);
        QAccessibleInterface *chart = QAccessible::queryAccessibleInterface(Form1->statistics->Chart1);
        Form1->statistics->Chart1->setFocus();
        for (int i = 0; i < 7; ++i)
            QTest::keyClick(Form1->statistics->Chart1, Qt::Key_Right);
        QVERIFY(Form1->statistics->Panel3->isVisible());
        QVERIFY(Form1->statistics->RunMark1->isVisible() && !Form1->statistics->RunMark2->isVisible());
        QCOMPARE(Form1->statistics->RunMark1->points(), QList<QPointF>{Form1->statistics->Series1->at(6)});
        QCOMPARE(chart->text(QAccessible::Description),
                 QStringLiteral("Run 7: RT 0.470, bump 1, shift 1 1.507, shift 2 3.007, shift 3 0.000, shift 4 0.000. "
                                "Reaction times of FIRST.txt, 12 runs"));

        const auto selected = [] {
            QStringList names;
            for (const QListWidgetItem *item : Form1->statistics->FileListBox1->selectedItems())
                names << item->text();
            names.sort();
            return names;
        };
        const auto click = [](int row) {
            QListWidget *list = Form1->statistics->FileListBox1;
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
        };
        Form1->statistics->Panel4Click();
        QVERIFY(!Form1->statistics->RunMark1->isVisible()); // the readout went with the switch
        QCOMPARE(chart->text(QAccessible::Description), QStringLiteral("Reaction times of FIRST.txt, 12 runs"));
        click(1);
        QCOMPARE(Form1->statistics->Label12->text(), QStringLiteral("SECOND.txt"));
        QCOMPARE(selected(), (QStringList{QStringLiteral("FIRST.txt"), QStringLiteral("SECOND.txt")}));
        click(0); // toggles the primary file off in the list: it is still on the chart
        QCOMPARE(selected(), (QStringList{QStringLiteral("FIRST.txt"), QStringLiteral("SECOND.txt")}));

        Form1->statistics->Chart1ClickSeries(Form1->statistics->Series2, 0); // the overlay file's first point
        QVERIFY(Form1->statistics->RunMark1->isVisible() && Form1->statistics->RunMark2->isVisible());
        QCOMPARE(Form1->statistics->RunMark1->points(), QList<QPointF>{Form1->statistics->Series1->at(0)});
        QCOMPARE(Form1->statistics->RunMark2->points(), QList<QPointF>{Form1->statistics->Series2->at(0)});
        QVERIFY2(chart->text(QAccessible::Description)
                     .startsWith(QStringLiteral("Run 1: FIRST.txt RT 0.410, bump 1; SECOND.txt RT 0.410, bump 1. ")),
                 qPrintable(chart->text(QAccessible::Description)));

        Form1->statistics->Panel4Click(); // off: the list shows the primary file alone
        QCOMPARE(selected(), QStringList{QStringLiteral("FIRST.txt")});
        QCOMPARE(Form1->statistics->FileListBox1->currentRow(), 0);
    }

    // At 150 % on a 1366 x 768 and on a 1024 x 600 screen (their areas below a panel, in
    // device-independent pixels), every window lies on the screen and every control in it can be
    // pressed: a window that does not fit scrolls its content to the control.
    void everyControlReachableAtLargeScale_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::newRow("1366 x 768 at 150 %") << QRect(0, 18, 910, 494);
        QTest::newRow("1024 x 600 at 150 %") << QRect(0, 18, 682, 382);
    }
    void everyControlReachableAtLargeScale()
    {
        QFETCH(QRect, available);
        createWindows();
        show(Form1);
        Form1->historyKeeper->showHistory();
        QVERIFY(Form1->historyKeeper->historyWindow);
        for (QWidget *window : std::initializer_list<QWidget *>{Form1, Form2, Form3, Form1->historyKeeper->historyWindow}) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            if (window == Form1->historyKeeper->historyWindow)
                window->setGeometry(historyGeometry(available));
            else
                fitWindowTo(window, available);
            QCoreApplication::processEvents();
            QVERIFY2(available.contains(window->geometry().marginsAdded(kWindowFrame)),
                     qPrintable(describe(window) + QStringLiteral(" at %1,%2 %3 x %4").arg(window->geometry().x()).arg(window->geometry().y()).arg(window->width()).arg(window->height())));
            const QSize least = window->minimumSizeHint(); // what its layout needs
            QVERIFY2(least.width() <= window->width() && least.height() <= window->height(), qPrintable(describe(window)));
            auto *area = window->findChild<QScrollArea *>(QStringLiteral("ScreenFit"));
            QList<QWidget *> controls;
            for (QWidget *w : window->findChildren<QWidget *>()) {
                const auto *panel = qobject_cast<ColorPanel *>(w);
                const auto *label = qobject_cast<ClickLabel *>(w);
                if ((qobject_cast<QAbstractButton *>(w) || qobject_cast<QComboBox *>(w) || (panel && panel->isClickable())
                     || (label && label->isClickable()))
                    && w->isVisibleTo(window) && w->window() == window)
                    controls << w;
            }
            QVERIFY(!controls.isEmpty());
            for (QWidget *control : controls) {
                if (area)
                    area->ensureWidgetVisible(control, 0, 0);
                QCoreApplication::processEvents();
                const QRect place(control->mapTo(window, QPoint(0, 0)), control->size());
                QVERIFY2(window->rect().contains(place), qPrintable(describe(control)));
                // Nothing of it hidden under the scroll area's edge or a scroll bar.
                QVERIFY2(control->visibleRegion().boundingRect() == control->rect(), qPrintable(describe(control)));
            }
        }
    }

    // Where the designed size fits, the windows are exactly that, and nothing scrolls.
    void designedSizeWhereItFits()
    {
        createWindows();
        show(Form1);
        Form3->show();
        QVERIFY(QTest::qWaitForWindowExposed(Form3));
        for (auto [window, designed] : {std::pair<QWidget *, QSize>{Form1, {775, 530}}, {Form3, {402, 515}}}) {
            fitWindowTo(window, QRect(0, 0, 1366, 768));
            QCOMPARE(window->size(), designed);
            QCOMPARE(window->minimumSize(), designed);
            QCOMPARE(window->maximumSize(), designed);
            auto *area = window->findChild<QScrollArea *>(QStringLiteral("ScreenFit"));
            QVERIFY(area);
            QCOMPARE(area->widget()->geometry(), QRect(QPoint(0, 0), designed));
            QVERIFY(!area->horizontalScrollBar()->isVisible() && !area->verticalScrollBar()->isVisible());
        }
    }

    // The names of every node of the accessible tree under `window`, shown or not.
    static QStringList treeNames(QAccessibleInterface *node, int depth = 0)
    {
        if (!node || depth > 30)
            return {};
        QStringList names{node->text(QAccessible::Name)};
        for (int i = 0; i < node->childCount(); ++i)
            names << treeNames(node->child(i), depth + 1);
        return names;
    }

    // The settings page that is covered is not read out with the one shown, and is not in the
    // tree at all.
    void hiddenSettingsPageIsNotExposed()
    {
        createWindows();
        sim::Config config;
        config.version = "1.24 R";
        connectTo(config);
        Form3->show();
        Form3->FormActivate();
        QVERIFY(QTest::qWaitForWindowExposed(Form3));
        QStringList names = exposedNames(Form3);
        QVERIFY(names.contains(QStringLiteral("Tree Type")));
        QVERIFY(!names.contains(QStringLiteral("Settle Time")));
        QVERIFY(!treeNames(QAccessible::queryAccessibleInterface(Form3)).contains(QStringLiteral("Settle Time")));
        QAccessibleInterface *heading = QAccessible::queryAccessibleInterface(Form3->Label1);
        QCOMPARE(heading->role(), QAccessible::Button);

        Form3->Label1Click();
        names = exposedNames(Form3);
        QVERIFY(names.contains(QStringLiteral("Current Rallycross Settings")));
        QVERIFY(names.contains(QStringLiteral("Settle Time")));
        QVERIFY(!names.contains(QStringLiteral("Tree Type")));
        QVERIFY(!names.contains(QStringLiteral("General Settings")));
        QVERIFY(!treeNames(QAccessible::queryAccessibleInterface(Form3)).contains(QStringLiteral("Tree Type")));
    }

    void inputDuringAnUploadIsDropped_data()
    {
        QTest::addColumn<bool>("key");
        QTest::newRow("click on Delete") << false;
        QTest::newRow("Space on Delete") << true;
    }
    // A click or key press that reaches the window while an upload runs is dropped, not acted on
    // once "Send Successful!" shows; meanwhile the window is painted.
    void inputDuringAnUploadIsDropped()
    {
        QFETCH(bool, key);
        createWindows();
        sim::Config config;
        config.paced = true; // about half a second for this picture
        connectTo(config);
        show(Form1);
        const QString path = testHome() + QStringLiteral("/small.png");
        QImage picture(60, 40, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        QVERIFY(picture.save(path, "PNG"));
        prompts->files.push_back(path);
        Form1->image->Button3Click();
        Form1->image->Button5->setFocus();

        // The events are made here and posted by the device's thread while it takes the picture.
        QList<QEvent *> input;
        const QPointF centre = QRectF(Form1->image->Button5->rect()).center();
        if (key) {
            input << new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "))
                  << new QKeyEvent(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        } else {
            const QPointF global = Form1->image->Button5->mapToGlobal(centre);
            input << new QMouseEvent(QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton,
                                     Qt::NoModifier)
                  << new QMouseEvent(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton, Qt::NoButton,
                                     Qt::NoModifier);
        }
        std::atomic<qint64> taken{0};
        std::atomic<bool> posted{false};
        QPushButton *target = Form1->image->Button5;
        sim->device().clearReceived();
        sim->device().setReceiveLog([&](const QByteArray &bytes) {
            if ((taken += bytes.size()) > 2000 && !posted.exchange(true))
                for (QEvent *event : input)
                    QCoreApplication::postEvent(target, event);
        });
        int paintedMidway = 0, busyMidway = 0;
        new EventHook(Form1->image->ProgressBar1, [&](QEvent *event) {
            const int value = Form1->image->ProgressBar1->value();
            if (event->type() == QEvent::Paint && value > 0 && value < Form1->image->ProgressBar1->maximum()) {
                ++paintedMidway;
                if (QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor)
                    ++busyMidway;
            }
            return false;
        });

        Form1->image->Button4Click();
        QVERIFY(posted);
        QCOMPARE(Form1->image->ImageStatus->text(), QStringLiteral("Send Successful!"));
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        sim->device().setReceiveLog({});
        QCOMPARE(Form1->image->ImageStatus->text(), QStringLiteral("Send Successful!"));
        QVERIFY(!sim->device().received().endsWith("ID"));
        QVERIFY(prompts->shown.isEmpty());
        QVERIFY(paintedMidway > 0);
        // The busy cursor throughout, and the normal one once the program is idle again.
        QCOMPARE(busyMidway, paintedMidway);
        QTRY_VERIFY(!QApplication::overrideCursor());
    }

    // Every exchange, however short, shows the busy cursor while it waits for the tree.
    void busyCursorDuringAnExchange()
    {
        createWindows();
        connectTo(sim::Config());
        bool busy = false;
        Form1->connection->link.setWaitHook([&busy] {
            keepWindowsPainted();
            busy |= QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        });
        Form1->connection->Button1Click(); // Disconnect: one short exchange
        QVERIFY(busy);
        QTRY_VERIFY(!QApplication::overrideCursor());
    }
};

MIRELON_TEST_MAIN(AccessTest)
#include "test_access.moc"
