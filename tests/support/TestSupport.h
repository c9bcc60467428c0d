#pragma once

#include "app/Desktop.h"
#include "tools/sim/RunFileCommands.h"
#include "tools/sim/RunFiles.h"
#include "tools/sim/SimDevice.h"
#include "widgets/Prompter.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <deque>
#include <memory>

// Answers message boxes and file dialogs without a modal loop, and remembers what was shown.
class RecordingPrompter : public Prompter {
public:
    struct Shown {
        BoxKind kind;
        QString text;
        QMessageBox::StandardButtons buttons;
    };
    RecordingPrompter() { setPrompter(this); }
    ~RecordingPrompter() override { setPrompter(nullptr); }

    QMessageBox::StandardButton message(QWidget *, BoxKind kind, const QString &text,
                                        QMessageBox::StandardButtons buttons) override;
    QString chooseFile(QFileDialog &dialog) override;

    QList<Shown> shown;
    // Answers to Yes/No questions, in order; a question without an answer gets No.
    std::deque<QMessageBox::StandardButton> answers;
    // Paths the file dialogs return, in order; none left means the dialog was cancelled. A path
    // is picked in the dialog as a user would, so the dialog keeps it as it would keep theirs.
    std::deque<QString> files;
    // What each file dialog held when it opened (its selectedFiles(): the folder alone when no
    // name is filled in).
    QList<QStringList> offered;

    QStringList texts() const;
    void clear() { shown.clear(); }
};

// A simulated device on a fresh pseudo-terminal that the program finds through VANTRELOCK_PORT.
class SimFixture {
public:
    explicit SimFixture(sim::Config config = {});
    ~SimFixture();
    sim::SimDevice &device() { return *m_device; }
    QString path() const { return m_device->portPath(); }

private:
    std::unique_ptr<sim::SimDevice> m_device;
};

// A generated practice session as a run file of `kind`; `seed` picks the session.
QByteArray sessionRunFile(std::uint32_t seed, sim::RunFileKind kind = sim::RunFileKind::Full);

// Gives the simulated tree the run files ABC and NEW and a rallycross ABC, and returns them.
std::shared_ptr<sim::DeviceRunFiles> holdRunFiles(SimFixture &fixture);

// Waits, with a bound, until `condition` holds, letting events through meanwhile.
template <typename Condition>
bool waitFor(Condition condition, int timeoutMs = 5000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Makes a file read-only (or writable again) for this process, root included: the permission
// bits, and on Linux the immutable flag, which binds root too. False when the file could still be
// written (a file system without the flag): the caller skips.
bool setReadOnly(const QString &path, bool readOnly);

// A practice history at `path` with the program's mark and version whose SQL would never end:
// "view" (the sessions table an endless view) or "trigger" (an endless trigger on recording).
void writeCraftedHistory(const QString &path, const QString &kind);

// Points HOME (and with it the documents folder) at a temporary folder for the whole test
// program, so no test touches the real one, and runs the windows off screen.
void prepareTestEnvironment();
QString testHome();

#define MIRELON_TEST_MAIN(TestClass)                                                               \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        prepareTestEnvironment();                                                                  \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        addTahoma();                                                                               \
        TestClass test;                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
