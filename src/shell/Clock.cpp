#include "shell/Clock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QObject>
#include <QTimer>

namespace kitbox {

double Clock::secondsSinceMidnight() const
{
    return now().time().msecsSinceStartOfDay() / 1000.0;
}

namespace {

qint64 monotonicNow()
{
    return QDeadlineTimer::current(Qt::PreciseTimer).deadline();
}

// Ends an event loop on the first key press or mouse button.
class InputWatcher : public QObject {
public:
    explicit InputWatcher(QEventLoop &loop) : m_loop(loop) {}
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            m_loop.quit();
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QEventLoop &m_loop;
};

} // namespace

SystemClock::SystemClock() : m_origin(monotonicNow()) {}

quint32 SystemClock::milliseconds() const
{
    return static_cast<quint32>(static_cast<quint64>(monotonicNow() - m_origin));
}

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTime();
}

void SystemClock::wait(int ms)
{
    if (ms <= 0 || QCoreApplication::instance() == nullptr) {
        if (QCoreApplication::instance() != nullptr)
            QCoreApplication::processEvents();
        return;
    }
    QEventLoop loop;
    InputWatcher watcher(loop);
    QCoreApplication::instance()->installEventFilter(&watcher);
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(ms);
    loop.exec();
    QCoreApplication::instance()->removeEventFilter(&watcher);
}

} // namespace kitbox
