#include "base/CommandLine.h"

#include <QTest>

using cmdline::OptionSpec;

namespace {

const OptionSpec kPort{QStringLiteral("--port"), {}, QStringLiteral("N"), {}};
const OptionSpec kOutput{QStringLiteral("--output"), QStringLiteral("-o"), QStringLiteral("FILE"), {}};
const OptionSpec kForce{QStringLiteral("--force"), QStringLiteral("-f"), {}, {}};
const std::vector<OptionSpec> kOptions{kPort, kOutput, kForce};

// "name=value" for each option given, then the words.
QStringList shown(const cmdline::Arguments &arguments)
{
    QStringList texts;
    for (const auto &[name, value] : arguments.values)
        texts << name + QLatin1Char('=') + value;
    return texts + arguments.words;
}

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("parsed"); // or, with a single "!", the usage error
        QTest::addColumn<QString>("error");
        const auto row = [](const char *name, QStringList args, QStringList parsed, QString error = {}) {
            QTest::newRow(name) << args << parsed << error;
        };
        row("words and options in any order", {"a", "--port", "3", "b", "-f"}, {"--force=", "--port=3", "a", "b"});
        row("values after = or a space", {"--output=x.pdf", "--port", "-5"}, {"--output=x.pdf", "--port=-5"});
        row("a short name", {"-o", "y.png"}, {"--output=y.png"});
        row("a short name with =", {"-o=z.pdf"}, {"--output=z.pdf"});
        row("the last of a repeated option", {"--port", "1", "--port=2"}, {"--port=2"});
        row("- is a word, -- ends the options", {"-", "--", "--force", "-o"}, {"-", "--force", "-o"});
        row("an unknown option", {"a", "--fast"}, {}, "unknown option --fast");
        row("an unknown option with a value", {"--fast=yes"}, {}, "unknown option --fast");
        row("a long name with one dash", {"-port", "1"}, {}, "unknown option -port");
        row("a missing value", {"a", "--port"}, {}, "--port needs a value");
        row("a missing value by the short name", {"-o"}, {}, "--output needs a value");
        row("a switch with a value", {"--force=yes"}, {}, "--force takes no value");
        row("the first of two faults", {"--fast", "--port"}, {}, "unknown option --fast");
    }
    void parse()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, parsed);
        QFETCH(QString, error);
        try {
            const cmdline::Arguments arguments = cmdline::parse(args, kOptions);
            QVERIFY2(error.isEmpty(), qPrintable(QStringLiteral("parsed, expected: ") + error));
            QCOMPARE(shown(arguments), parsed);
        } catch (const cmdline::UsageError &e) {
            QCOMPARE(e.message, error);
        }
    }

    // Before the tool knows its command, options it does not know yet are passed over, and the
    // words still name the command.
    void unknownOptionsIgnored()
    {
        const cmdline::Arguments arguments =
            cmdline::parse({"export", "--csv-option", "x", "--port", "2"}, {kPort}, true);
        QCOMPARE(shown(arguments), (QStringList{"--port=2", "export", "x"}));
        QVERIFY(arguments.has(kPort));
        QVERIFY(!arguments.has(kForce));
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "test_command_line.moc"
