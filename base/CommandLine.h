#pragma once

// The command line of both programs, `vantrelock` and `vantrelock-mirelon --report`: their
// options, one parser, one kind of usage error and one set of exit statuses.

#include <QString>
#include <QTextStream>
#include <QStringList>

#include <map>
#include <utility>
#include <vector>

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1; // the device or a file failed
inline constexpr int kExitUsage = 2;  // bad arguments
inline constexpr int kExitInterrupted = 130;

namespace cmdline {

struct OptionSpec {
    QString name;      // "--port"
    QString shortName; // "-o", or empty
    QString valueName; // empty for a switch
    QString help;
};

// Arguments that do not make a command: the message says what is wrong with them.
class UsageError {
public:
    explicit UsageError(QString text) : message(std::move(text)) {}
    QString message;
};

struct Arguments {
    std::map<QString, QString> values; // by the option's long name; a switch's value is empty
    QStringList words;                 // the positional arguments, in order
    bool has(const OptionSpec &option) const { return values.count(option.name) != 0; }
};

// Splits `args` (without the program's name) into options and words: "--name VALUE",
// "--name=VALUE", "-o VALUE", "-o=VALUE"; "--" ends the options, "-" is a word. Throws
// UsageError for an option not in `options` (unless `ignoreUnknown`), one that needs a value
// without one, or a switch given a value.
Arguments parse(const QStringList &args, const std::vector<OptionSpec> &options, bool ignoreUnknown = false);

// An option's line in a help text.
QString optionLine(const OptionSpec &option);

// Standard output is a file too: flushes it, and says why what was written there did not all
// arrive (a full disk), or gives empty text.
QString outputFailure(QTextStream &out);

} // namespace cmdline
