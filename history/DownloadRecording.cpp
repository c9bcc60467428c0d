#include "history/DownloadRecording.h"

namespace history {

DownloadRecording::DownloadRecording(PracticeStore *store, QString serial, QString firmware, std::function<QDateTime()> now)
    : m_store(store), m_serial(std::move(serial)), m_firmware(std::move(firmware)), m_now(std::move(now))
{
}

void DownloadRecording::add(const StoredRunFile &file)
{
    if (!m_store)
        return;
    Arrival arrival;
    arrival.path = file.path;
    arrival.bytes = file.data;
    arrival.rallycross = file.rallycross;
    arrival.when = m_now();
    arrival.serial = m_serial;
    arrival.firmware = m_firmware;
    m_arrivals.push_back(std::move(arrival));
}

void DownloadRecording::finish()
{
    if (m_store && !m_arrivals.empty()) {
        const QString driver = m_driver ? *m_driver : m_store->thisComputer().downloadDriver();
        for (Arrival &arrival : m_arrivals)
            arrival.driver = driver;
        m_store->record(m_arrivals);
    }
    m_arrivals.clear();
}

} // namespace history
