#include "tests/support/TestSupport.h"

#include "device/Ports.h"

#include <QDir>
#include <QFileDialog>

#include <fcntl.h>
#include <unistd.h>
#ifdef Q_OS_LINUX
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif

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

bool setReadOnly(const QString &path, bool readOnly)
{
#ifdef Q_OS_LINUX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd >= 0) {
        int flags = 0;
        if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags = readOnly ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            ::ioctl(fd, FS_IOC_SETFLAGS, &flags); // allowed to root only: the bits below do for others
        }
        ::close(fd);
    }
#endif
    const QFileDevice::Permissions read = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    QFile::setPermissions(path, readOnly ? read : read | QFileDevice::WriteOwner);
    if (!readOnly)
        return true;
    const int probe = ::open(QFile::encodeName(path).constData(), O_WRONLY);
    if (probe < 0)
        return true;
    ::close(probe);
    return false;
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
