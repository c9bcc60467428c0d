#include "fuzz/FuzzSupport.h"

#include "widgets/Prompter.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace fuzz {

namespace {
QTemporaryDir *scratch = nullptr;

class QuietPrompter : public Prompter {
public:
    QMessageBox::StandardButton message(QWidget *, BoxKind, const QString &,
                                        QMessageBox::StandardButtons buttons) override
    {
        return buttons.testFlag(QMessageBox::Yes) ? QMessageBox::No : QMessageBox::Ok;
    }
    QString chooseFile(QFileDialog &) override { return file; }
    QString file;
};
QuietPrompter *quiet = nullptr;
} // namespace

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void prepare(int *argc, char ***argv)
{
    if (scratch)
        return;
    scratch = new QTemporaryDir; // lives until the process ends; removed at a normal exit
    qputenv("HOME", QFile::encodeName(scratch->path()));
    qunsetenv("XDG_DOCUMENTS_DIR");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch->path() + QStringLiteral("/.config")));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own warnings about broken pictures would flood the fuzzer's output.
    qputenv("QT_LOGGING_RULES", "*.debug=false;qt.gui.imageio*=false");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type == QtFatalMsg) {
            std::fprintf(stderr, "Qt fatal: %s\n", qPrintable(text));
            std::abort();
        }
    });
    static int qtArgc = 1;
    static char name[] = "fuzz";
    static char *qtArgv[] = {name, nullptr};
    (void)argc;
    (void)argv;
    new QApplication(qtArgc, qtArgv); // lives until the process ends
    quiet = new QuietPrompter;
    setPrompter(quiet);
}

void answerFiles(const QString &path)
{
    quiet->file = path;
}

QString home()
{
    return scratch->path();
}

void fail(const char *condition, const char *file, int line)
{
    std::fprintf(stderr, "%s:%d: broken promise: %s\n", file, line, condition);
    std::fflush(stderr);
    std::abort();
}

} // namespace fuzz
