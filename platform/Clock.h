#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

namespace penwick::platform {

// A call scheduled on a clock. Cancelling keeps it from running; dropping the handle does not.
class ScheduledCall {
public:
    struct State {
        bool cancelled = false;
        bool done = false;
    };
    ScheduledCall() = default;
    explicit ScheduledCall(std::shared_ptr<State> state) : m_state(std::move(state)) {}

    void cancel()
    {
        if (m_state)
            m_state->cancelled = true;
    }
    bool isPending() const { return m_state && !m_state->cancelled && !m_state->done; }

private:
    std::shared_ptr<State> m_state;
};

// Time and delayed calls on the main thread, behind one interface so that what depends on
// elapsed time (fades, delayed panes) can be driven by hand in tests.
class Clock {
public:
    virtual ~Clock() = default;

    // Milliseconds on a monotonic scale.
    virtual qint64 now() const = 0;
    // Runs `callback` once, `milliseconds` from now, unless cancelled or `context` is gone.
    virtual ScheduledCall schedule(int milliseconds, QObject* context, std::function<void()> callback) = 0;

    // The real clock: the monotonic system time and Qt's timers.
    static Clock& system();
};

} // namespace penwick::platform
