// vantrelock-sim: a simulated Vantrelock on a pseudo-terminal, for trying the program without a
// device. It prints the terminal's path on its first line, then answers until it is stopped.

#include "tools/sim/ImageCommands.h"
#include "tools/sim/RunFileCommands.h"
#include "tools/sim/SettingsCommands.h"
#include "tools/sim/SimDevice.h"

#include <QCoreApplication>
#include <QCommandLineParser>
#include <QFile>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {
volatile std::sig_atomic_t stopRequested = 0;
void requestStop(int)
{
    stopRequested = 1;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantrelock-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated Vantrelock on a pseudo-terminal. Prints the terminal's path, then answers the "
        "program's commands until interrupted.\n\n"
        "Faults (--fault EXCHANGE=KIND): KIND is silent, wrong[:TEXT], short:N, extra:TEXT, "
        "vanish[:N] or slow:MS (each byte MS ms after the last), optionally followed by @K (only the Kth reply of that exchange). Exchanges: greeting, connected, datetime, version, serial, disconnect; "
        "run files: list, name, status, data, rxlist, rxcount, rxname, rxstatus, rxdata, delete, "
        "rxdelete, rxdelete2 (a refusal: wrong:ERx); settings: practice, rallystatus, rallycross; "
        "picture: image-start, image-header-length, image-header, image-raw-length, image-stored "
        "(the reply after the raw image), image-show, image-delete (a refusal: wrong:ER!)."));
    parser.addHelpOption();
    const QCommandLineOption version({QStringLiteral("firmware")},
                                     QStringLiteral("Version text, 6 characters (default \"1.24  \"; "
                                                    "an R marks a rallycross device)."),
                                     QStringLiteral("text"), QStringLiteral("1.24  "));
    const QCommandLineOption serial({QStringLiteral("serial")},
                                    QStringLiteral("Serial number, 8 characters."),
                                    QStringLiteral("text"), QStringLiteral("VM004711"));
    const QCommandLineOption fault({QStringLiteral("fault")},
                                   QStringLiteral("Misbehave in one exchange (repeatable)."),
                                   QStringLiteral("exchange=kind"));
    const QCommandLineOption paced({QStringLiteral("paced")},
                                   QStringLiteral("Take and send bytes no faster than 115200 baud."));
    const QCommandLineOption log({QStringLiteral("log")},
                                 QStringLiteral("Append every byte received to this file."),
                                 QStringLiteral("file"));
    const QCommandLineOption link({QStringLiteral("link")},
                                  QStringLiteral("Also make this path a symbolic link to the terminal."),
                                  QStringLiteral("path"));
    const QCommandLineOption demo({QStringLiteral("demo")},
                                  QStringLiteral("Offer generated data, as a device that has been used."));
    const QCommandLineOption picturePng({QStringLiteral("picture-png")},
                                        QStringLiteral("Write the device's stored picture to this PNG file "
                                                       "whenever one is uploaded (removed on delete)."),
                                        QStringLiteral("file"));
    const QCommandLineOption stopReading({QStringLiteral("stop-reading")},
                                         QStringLiteral("Take no more bytes after this many, keeping the port "
                                                        "open (a hung device or adapter)."),
                                         QStringLiteral("bytes"));
    const QCommandLineOption flood({QStringLiteral("flood")},
                                   QStringLiteral("Once reading has stopped, send bytes without end."));
    parser.addOptions({version, serial, fault, paced, log, link, demo, picturePng, stopReading, flood});
    sim::addRunFileOptions(parser);
    sim::addSettingsOptions(parser);
    parser.process(app);
    QString settingsError;
    const sim::SettingsRecords settingsRecords = sim::settingsFromOptions(parser, settingsError);
    if (!settingsError.isEmpty()) {
        std::fprintf(stderr, "vantrelock-sim: %s\n", qPrintable(settingsError));
        return 2;
    }

    sim::Config config;
    config.version = parser.value(version).toLatin1().leftJustified(6, ' ', true);
    config.serialNumber = parser.value(serial).toLatin1().leftJustified(8, ' ', true);
    config.paced = parser.isSet(paced);
    config.demo = parser.isSet(demo);
    if (parser.isSet(stopReading)) {
        bool isNumber = false;
        config.stopReadingAfter = parser.value(stopReading).toLongLong(&isNumber);
        if (!isNumber || config.stopReadingAfter < 0) {
            std::fprintf(stderr, "vantrelock-sim: --stop-reading takes a number of bytes\n");
            return 2;
        }
    }
    config.flood = parser.isSet(flood);

    sim::SimDevice device(config);
    sim::installImageCommands(device, parser.value(picturePng));
    QString runFileError;
    if (!sim::installRunFileCommands(device, parser, runFileError)) {
        std::fprintf(stderr, "vantrelock-sim: %s\n", qPrintable(runFileError));
        return 2;
    }
    sim::installSettingsCommands(device, settingsRecords);
    for (const QString &faultText : parser.values(fault)) {
        sim::Fault f;
        const QString exchange = faultText.section(QLatin1Char('='), 0, 0);
        if (!faultText.contains(QLatin1Char('=')) || !sim::parseFault(faultText.section(QLatin1Char('='), 1), f)) {
            std::fprintf(stderr, "vantrelock-sim: bad fault \"%s\"\n", qPrintable(faultText));
            return 2;
        }
        device.setFault(exchange.toStdString(), f);
    }

    QFile logFile(parser.value(log));
    if (parser.isSet(log)) {
        if (!logFile.open(QIODevice::Append)) {
            std::fprintf(stderr, "vantrelock-sim: cannot open %s\n", qPrintable(logFile.fileName()));
            return 2;
        }
        device.setReceiveLog([&logFile](const QByteArray &bytes) {
            logFile.write(bytes);
            logFile.flush();
        });
    }

    if (!device.start()) {
        std::fprintf(stderr, "vantrelock-sim: no pseudo-terminal could be opened\n");
        return 1;
    }
    const QByteArray linkPath = QFile::encodeName(parser.value(link));
    if (!linkPath.isEmpty()) {
        ::unlink(linkPath.constData());
        if (::symlink(QFile::encodeName(device.portPath()).constData(), linkPath.constData()) != 0)
            std::fprintf(stderr, "vantrelock-sim: cannot make the link %s\n", linkPath.constData());
    }
    std::printf("%s\n", qPrintable(device.portPath()));
    std::fflush(stdout);

    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    while (!stopRequested)
        ::usleep(50 * 1000);
    device.stop();
    if (!linkPath.isEmpty())
        ::unlink(linkPath.constData());
    return 0;
}
