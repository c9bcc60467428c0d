#include "history/Filters.h"

#include <QLocale>

namespace history {

QString sessionsAndRuns(qint64 sessions, qint64 runs)
{
    const QLocale locale;
    return QStringLiteral("%1 %2, %3 %4")
        .arg(locale.toString(sessions), sessions == 1 ? QStringLiteral("session") : QStringLiteral("sessions"),
             locale.toString(runs), runs == 1 ? QStringLiteral("run") : QStringLiteral("runs"));
}

} // namespace history
