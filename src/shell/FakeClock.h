#pragma once
// A clock for tests: time moves only when the test (or a wait) moves it.
#include "shell/Clock.h"

#include <QList>

#include <functional>

namespace kitbox {

class FakeClock : public Clock {
public:
    explicit FakeClock(QDateTime start = QDateTime(QDate(2024, 1, 15), QTime(12, 0)), quint32 counter = 0)
        : m_now(std::move(start)), m_counter(counter)
    {
    }

    quint32 milliseconds() const override { return m_counter; }
    QDateTime now() const override { return m_now; }
    // Advances the clock by ms, records the wait and then calls the wait hook.
    void wait(int ms) override;

    void advance(int ms);
    void setCounter(quint32 counter) { m_counter = counter; }
    void setNow(const QDateTime &now) { m_now = now; }
    const QList<int> &waits() const { return m_waits; }
    // Called after every wait, for example to stop a run from inside it.
    void setWaitHook(std::function<void(int)> hook) { m_hook = std::move(hook); }

private:
    QDateTime m_now;
    quint32 m_counter;
    QList<int> m_waits;
    std::function<void(int)> m_hook;
};

} // namespace kitbox
