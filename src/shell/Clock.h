#pragma once
// Time as the program sees it: a millisecond counter that wraps like a 32-bit
// counter, the wall clock, and a wait that keeps the event loop running.
// Runs and pauses take their time from here so that tests can drive it.
#include <QDateTime>
#include <QtGlobal>

namespace kitbox {

class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic milliseconds; wraps around at 2^32. Differences of two
    // readings taken less than 49 days apart are correct with elapsedMs().
    virtual quint32 milliseconds() const = 0;
    // Local wall-clock time (date and time of day).
    virtual QDateTime now() const = 0;
    // Waits at most ms milliseconds while the event loop keeps running; user
    // input (key or mouse button) ends the wait early.
    virtual void wait(int ms) = 0;

    static quint32 elapsedMs(quint32 start, quint32 end) { return end - start; }
    // Seconds since midnight of the wall clock, with milliseconds.
    double secondsSinceMidnight() const;
};

class SystemClock : public Clock {
public:
    SystemClock();
    quint32 milliseconds() const override;
    QDateTime now() const override;
    void wait(int ms) override;

private:
    qint64 m_origin;
};

} // namespace kitbox
