#include "base/WriteSteps.h"

#include <QMutex>

#include <algorithm>
#include <csignal>
#include <iterator>

namespace files {

namespace {

// The test seam: who watches the steps, and where the process stops itself.
QMutex observerMutex;
StepObserver stepObserver;

constexpr const char *kStepNames[] = {"created", "writing", "written", "flushed", "placing", "placed", "folder-flushed"};

struct StopAt {
    int step = -1;
    int time = 1;
    int seen = 0;
};

StopAt readStopAt()
{
    StopAt stop;
    const QString value = qEnvironmentVariable(kStopAtVariable);
    const QString name = value.section(QLatin1Char(':'), 0, 0);
    for (int i = 0; i < int(std::size(kStepNames)); ++i) {
        if (name == QLatin1String(kStepNames[i]))
            stop.step = i;
    }
    if (value.contains(QLatin1Char(':')))
        stop.time = std::max(1, value.section(QLatin1Char(':'), 1).toInt());
    return stop;
}

} // namespace

void step(WriteStep at, const QString &temporary, const QString &target)
{
    static StopAt stop = readStopAt();
    StepObserver observer;
    bool stopHere = false;
    {
        const QMutexLocker locker(&observerMutex);
        observer = stepObserver;
        stopHere = stop.step == int(at) && ++stop.seen == stop.time;
    }
    if (observer)
        observer(at, temporary, target);
#ifdef SIGSTOP
    if (stopHere)
        std::raise(SIGSTOP);
#else
    (void)stopHere;
#endif
}

void setStepObserver(StepObserver observer)
{
    const QMutexLocker locker(&observerMutex);
    stepObserver = std::move(observer);
}

} // namespace files
