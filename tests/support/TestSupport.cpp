#include "tests/support/TestSupport.h"

#include "device/Ports.h"
#include "history/Store.h"

#include <QDir>
#include <QFileDialog>
#include <QSqlDatabase>
#include <QSqlQuery>

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

void writeCraftedHistory(const QString &path, const QString &kind)
{
    { history::Store made(path); } // the real tables, mark and version
    const QString name = QStringLiteral("crafting");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("cannot open %s", qPrintable(path));
        QSqlQuery query(db);
        const QString endless = QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) ");
        QStringList statements;
        if (kind == QLatin1String("view")) {
            statements << QStringLiteral("DROP TABLE sessions")
                       << QStringLiteral("CREATE VIEW sessions AS %1 SELECT x AS id, 0 AS arrived, 0 AS imported, '' AS serial,"
                                         " '' AS firmware, 'F' AS file, 'h' || x AS hash, 0 AS size, 0 AS rallycross,"
                                         " NULL AS runs, NULL AS wins, NULL AS reds, NULL AS average, NULL AS spread,"
                                         " NULL AS best, NULL AS shift1, NULL AS shift2, NULL AS shift3, NULL AS shift4"
                                         " FROM c WHERE x < 0")
                              .arg(endless);
        } else {
            statements << QStringLiteral("CREATE VIEW forever AS %1 SELECT x FROM c WHERE x < 0").arg(endless)
                       << QStringLiteral("CREATE TRIGGER endless BEFORE INSERT ON runs BEGIN SELECT count(*) FROM forever; END");
        }
        for (const QString &statement : statements)
            if (!query.exec(statement))
                qFatal("cannot craft the history: %s", qPrintable(query.lastError().text()));
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
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

QByteArray sessionRunFile(std::uint32_t seed, sim::RunFileKind kind)
{
    return sim::encodeRunFile(sim::generateSession(seed, 15), kind);
}

std::shared_ptr<sim::DeviceRunFiles> holdRunFiles(SimFixture &fixture)
{
    sim::RunFileSet set;
    set.files = {{"ABC", sessionRunFile(1)}, {"NEW", sessionRunFile(2)}};
    set.rallycross = {{"ABC", sessionRunFile(3, sim::RunFileKind::Rallycross)}};
    auto files = std::make_shared<sim::DeviceRunFiles>(set);
    sim::installRunFileCommands(fixture.device(), files);
    return files;
}
