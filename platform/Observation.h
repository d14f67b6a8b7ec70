#pragma once

#include <functional>
#include <utility>

namespace penwick::platform {

// Move-only handle of a subscription: destroying or resetting it unsubscribes.
class Observation {
public:
    Observation() = default;
    explicit Observation(std::function<void()> cancel) : m_cancel(std::move(cancel)) {}
    Observation(Observation&& other) noexcept : m_cancel(std::exchange(other.m_cancel, {})) {}
    Observation& operator=(Observation&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_cancel = std::exchange(other.m_cancel, {});
        }
        return *this;
    }
    Observation(const Observation&) = delete;
    Observation& operator=(const Observation&) = delete;
    ~Observation() { reset(); }

    void reset()
    {
        if (auto cancel = std::exchange(m_cancel, {}))
            cancel();
    }
    bool isActive() const { return static_cast<bool>(m_cancel); }

private:
    std::function<void()> m_cancel;
};

} // namespace penwick::platform
