#include "history/PracticeView.h"

#include "history/PracticeStore.h"

namespace history {

QStringList PracticeView::bestsLines(const QLocale &locale) const
{
    return history::bestsLines(practice, goal, locale);
}

QStringList PracticeView::summaryLines(const QLocale &locale) const
{
    QStringList lines;
    if (driver)
        lines << QStringLiteral("Driver: %1").arg(driver->isEmpty() ? QStringLiteral("none") : *driver);
    return lines + history::summaryLines(practice, goal, locale);
}

PracticeView viewOf(PracticeStore &store, const DeviceFilter &device, const DriverFilter &driver, Reading reading)
{
    PracticeView view;
    view.device = device;
    view.driver = driver;
    if (reading != Reading::Sessions)
        view.goal = store.goalOf(driver);
    if (reading != Reading::Practice)
        view.sessions = store.sessions(device, driver);
    if (reading != Reading::Sessions)
        view.practice = store.practice(device, driver, view.goal);
    return view;
}

QString missingDriver(PracticeStore &store, const DriverFilter &driver)
{
    if (!driver || driver->isEmpty() || store.driver(*driver))
        return {};
    return QStringLiteral("there is no driver named '%1' in the practice history").arg(*driver);
}

} // namespace history
