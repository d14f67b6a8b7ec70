#include "platform/Clock.h"

#include <QElapsedTimer>
#include <QTimer>

namespace penwick::platform {

namespace {

class SystemClock final : public Clock {
public:
    SystemClock() { m_timer.start(); }

    qint64 now() const override { return m_timer.elapsed(); }

    ScheduledCall schedule(int milliseconds, QObject* context, std::function<void()> callback) override
    {
        auto state = std::make_shared<ScheduledCall::State>();
        QTimer::singleShot(std::max(0, milliseconds), context, [state, callback = std::move(callback)] {
            if (state->cancelled)
                return;
            state->done = true;
            callback();
        });
        return ScheduledCall(state);
    }

private:
    QElapsedTimer m_timer;
};

} // namespace

Clock& Clock::system()
{
    static SystemClock clock;
    return clock;
}

} // namespace penwick::platform
