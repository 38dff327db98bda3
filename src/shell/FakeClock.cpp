#include "shell/FakeClock.h"

namespace kitbox {

void FakeClock::advance(int ms)
{
    if (ms <= 0)
        return;
    m_counter += static_cast<quint32>(ms);
    m_now = m_now.addMSecs(ms);
}

void FakeClock::wait(int ms)
{
    m_waits.append(ms);
    advance(ms);
    if (m_hook)
        m_hook(ms);
}

} // namespace kitbox
