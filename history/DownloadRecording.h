#pragma once

#include "history/PracticeStore.h"
#include "stats/RunFileTransfer.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace history {

// The files of one download, gathered as they are stored (DownloadObserver::stored) and recorded
// together when it ends, however it ends: one write to the disk for the whole download.
class DownloadRecording {
public:
    // `store` may be null (no history): then nothing is recorded.
    DownloadRecording(PracticeStore *store, QString serial, QString firmware, std::function<QDateTime()> now);
    ~DownloadRecording() { finish(); }
    DownloadRecording(const DownloadRecording &) = delete;
    DownloadRecording &operator=(const DownloadRecording &) = delete;

    // The driver the sessions go to; without it, the store's driver for new downloads.
    void setDriver(const QString &driver) { m_driver = driver; }
    void add(const StoredRunFile &file);
    void finish();

private:
    PracticeStore *m_store;
    QString m_serial, m_firmware;
    std::function<QDateTime()> m_now;
    std::optional<QString> m_driver;
    std::vector<Arrival> m_arrivals;
};

} // namespace history
