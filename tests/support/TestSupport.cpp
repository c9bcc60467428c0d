#include "tests/support/TestSupport.h"

#include "device/Ports.h"

#include <QDir>
#include <QFileDialog>

QMessageBox::StandardButton RecordingPrompter::message(QWidget *, BoxKind kind, const QString &text,
                                                       QMessageBox::StandardButtons buttons)
{
    shown.append({kind, text, buttons});
    if (buttons.testFlag(QMessageBox::Yes)) {
        if (answers.empty())
            return QMessageBox::No;
        const QMessageBox::StandardButton answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return QMessageBox::Ok;
}

QString RecordingPrompter::chooseFile(QFileDialog &dialog)
{
    offered.append(dialog.selectedFiles());
    if (files.empty())
        return {};
    const QString path = files.front();
    files.pop_front();
    dialog.selectFile(path);
    return path;
}

QStringList RecordingPrompter::texts() const
{
    QStringList list;
    for (const Shown &s : shown)
        list.append(s.text);
    return list;
}

SimFixture::SimFixture(sim::Config config) : m_device(std::make_unique<sim::SimDevice>(std::move(config)))
{
    if (!m_device->start())
        qFatal("no pseudo-terminal for the simulated device");
    qputenv(kPortEnvironmentVariable, QFile::encodeName(m_device->portPath()));
}

SimFixture::~SimFixture()
{
    m_device->stop();
    qunsetenv(kPortEnvironmentVariable);
}

namespace {
QTemporaryDir *home = nullptr;
}

void prepareTestEnvironment()
{
    home = new QTemporaryDir; // lives until the process ends
    qputenv("HOME", QFile::encodeName(home->path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home->path() + QStringLiteral("/.config")));
    qunsetenv("XDG_DOCUMENTS_DIR");
    const QString runtime = home->path() + QStringLiteral("/.runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    qunsetenv(kPortEnvironmentVariable);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

QString testHome()
{
    return home->path();
}
