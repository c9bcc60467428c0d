#pragma once

// Unix only: Windows has no size limit for files to lower.

#include <csignal>
#include <sys/resource.h>

// Lowers the size limit for files (ulimit -f) for its lifetime, with SIGXFSZ ignored as both
// programs do, so a write past it fails with EFBIG; the old limit and handler come back after.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_set = getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_ignored = std::signal(SIGXFSZ, SIG_IGN);
        m_set = m_set && setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        if (m_set)
            setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_ignored);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    bool isSet() const { return m_set; }

private:
    rlimit m_old{};
    void (*m_ignored)(int) = SIG_DFL;
    bool m_set = false;
};
