#pragma once

#include "base/CommandLine.h" // the exit statuses
#include "base/Errors.h"

#include <QDateTime>
#include <QStringList>
#include <QTextStream>

#include <atomic>
#include <functional>

// Where the command-line tool reads and writes, so tests run it in-process.
struct CliIo {
    QTextStream &out;
    QTextStream &err;
    QTextStream &in;
    bool errIsTerminal = false;              // progress lines only on a terminal
    const std::atomic<bool> *cancel = nullptr; // set by Ctrl-C
    // Above zero while work is on that a signal must let end by itself through `cancel` (the
    // port is open, a file is being written); otherwise a signal may end the tool at once.
    std::atomic<int> *finishing = nullptr;
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
};

// Runs `vantrelock ARGS...` (without the program name) and returns its exit status.
int runCli(const QStringList &args, CliIo &io);
