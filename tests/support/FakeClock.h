#pragma once

#include "platform/Clock.h"

#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

namespace penwick::test {

// A clock that stands still until the test advances it; advancing runs every call that falls
// due, in time order, with the clock set to each call's time.
class FakeClock final : public platform::Clock {
public:
    qint64 now() const override { return m_now; }

    platform::ScheduledCall schedule(int milliseconds, QObject* context, std::function<void()> callback) override
    {
        auto state = std::make_shared<platform::ScheduledCall::State>();
        m_calls.push_back({ m_now + std::max(0, milliseconds), m_sequence++, QPointer<QObject>(context),
            context != nullptr, state, std::move(callback) });
        return platform::ScheduledCall(state);
    }

    void advance(qint64 milliseconds)
    {
        const qint64 end = m_now + milliseconds;
        for (;;) {
            auto next = m_calls.end();
            for (auto it = m_calls.begin(); it != m_calls.end(); ++it) {
                if (it->due <= end && (next == m_calls.end() || it->due < next->due
                        || (it->due == next->due && it->sequence < next->sequence)))
                    next = it;
            }
            if (next == m_calls.end())
                break;
            Call call = std::move(*next);
            m_calls.erase(next);
            m_now = call.due;
            if (call.state->cancelled || (call.hasContext && !call.context))
                continue;
            call.state->done = true;
            call.callback();
        }
        m_now = end;
    }

    int pendingCount() const
    {
        int n = 0;
        for (const Call& c : m_calls)
            n += !c.state->cancelled;
        return n;
    }

private:
    struct Call {
        qint64 due = 0;
        quint64 sequence = 0;
        QPointer<QObject> context;
        bool hasContext = false;
        std::shared_ptr<platform::ScheduledCall::State> state;
        std::function<void()> callback;
    };
    qint64 m_now = 1000;
    quint64 m_sequence = 0;
    std::vector<Call> m_calls;
};

} // namespace penwick::test
