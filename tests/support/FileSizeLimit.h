#pragma once

#include <sys/resource.h>

#include <csignal>

namespace penwick::test {

// While alive, files of this process cannot grow past `bytes`, as on a full disk: a longer
// write fails part-way with EFBIG (SIGXFSZ is ignored meanwhile).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_active = getrlimit(RLIMIT_FSIZE, &m_previous) == 0;
        if (!m_active)
            return;
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_previous;
        limited.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool isActive() const { return m_active; }

private:
    rlimit m_previous {};
    void (*m_previousHandler)(int) = SIG_DFL;
    bool m_active = false;
};

} // namespace penwick::test
