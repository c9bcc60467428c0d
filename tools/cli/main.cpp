// vantrelock: the Vantrelock practice tree from the command line.

#include "base/Files.h"
#include "tools/cli/Cli.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

#include <cstdlib>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

namespace {
std::atomic<bool> interrupted{false};
std::atomic<int> finishing{0};

// Ctrl-C or SIGTERM. While the port is open or a file is being written, the work ends itself
// through the flag (the link looks at it every 100 ms); otherwise, and at a second signal, the
// tool ends here, even in the middle of a call that would block.
void interrupt(int)
{
    if (interrupted.exchange(true) || finishing.load() == 0) {
        static const char text[] = "vantrelock: interrupted\n";
#ifdef Q_OS_WIN
        (void)_write(2, text, sizeof text - 1);
#else
        (void)!::write(STDERR_FILENO, text, sizeof text - 1);
#endif
        std::_Exit(kExitInterrupted);
    }
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantrelock"));
    std::signal(SIGINT, interrupt);
    std::signal(SIGTERM, interrupt);
    files::failWritesPastSizeLimit();

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
    io.finishing = &finishing;
    const int status = runCli(QCoreApplication::arguments().mid(1), io);
    out.flush();
    err.flush();
    return status;
}
