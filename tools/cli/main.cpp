// vantrelock: the Vantrelock practice tree from the command line.

#include "tools/cli/Cli.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

namespace {
std::atomic<bool> interrupted{false};
void interrupt(int)
{
    interrupted = true;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantrelock"));
    std::signal(SIGINT, interrupt);
    std::signal(SIGTERM, interrupt);

#ifdef Q_OS_WIN
    // The CSV on standard output keeps its CR LF line ends as they are.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    QTextStream out(stdout);
    QTextStream err(stderr);
    QTextStream in(stdin);
    CliIo io{out, err, in};
#ifdef Q_OS_UNIX
    io.errIsTerminal = isatty(STDERR_FILENO);
#endif
    io.cancel = &interrupted;
    const int status = runCli(QCoreApplication::arguments().mid(1), io);
    out.flush();
    err.flush();
    return status;
}
