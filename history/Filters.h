#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// Which sessions the window, the report and the tool show, and what those sessions come to: their
// count and span, whatever the history's size.
namespace history {

// Which sessions: all, or one device's (an empty text: those whose device is not known).
using DeviceFilter = std::optional<QString>;
// Which sessions: all, or one driver's (an empty text: those of no driver).
using DriverFilter = std::optional<QString>;

struct Overview {
    qint64 sessions = 0;
    qint64 runs = 0;
    QDateTime first, last; // of the sessions' arrivals; invalid without sessions
};

// "1 session, 12 runs", "3 sessions, 1 run", "2,000 sessions, ..." in the locale's digits.
QString sessionsAndRuns(qint64 sessions, qint64 runs);

} // namespace history
