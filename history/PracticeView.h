#pragma once

#include "history/Practice.h"
#include "history/Sessions.h"
#include "history/Filters.h"

#include <QLocale>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace history {

class PracticeStore;

// What the history shows for a filter (a device, a driver): the driver's goal, how the practice
// went (the sessions' overview, personal bests, distribution and the goal's count) and, where
// they are listed whole, the sessions. The window, the report and the tool all take it from here.
struct PracticeView {
    DeviceFilter device;
    DriverFilter driver;
    std::optional<Goal> goal;
    Practice practice;
    // Every session of the filter by date; read only when asked (the window reads its table's
    // rows a block at a time instead).
    std::vector<Session> sessions;

    // The goal, the personal bests and the goal's count as text lines (the report).
    QStringList bestsLines(const QLocale &locale = QLocale()) const;
    // Those and the distribution, after the driver picked where one is (the tool's summary).
    QStringList summaryLines(const QLocale &locale = QLocale()) const;
};

// What a view reads: how the practice went (with the driver's goal), the sessions whole, or both.
enum class Reading { Practice, Sessions, Both };
PracticeView viewOf(PracticeStore &store, const DeviceFilter &device, const DriverFilter &driver,
                    Reading reading = Reading::Practice);

// For the tool and the report command, which are given a driver's name: why the history has
// nothing to show of it (it has no driver of that name), in words; empty when the filter is all
// drivers, no driver or a driver the history has.
QString missingDriver(PracticeStore &store, const DriverFilter &driver);

} // namespace history
