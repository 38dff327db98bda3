#include "FontWarmUp.h"

#include <QFontDatabase>
#include <QStringList>

#include <dlfcn.h>

namespace {

// The font configuration library comes with Qt's GUI library when Qt reads
// fonts through it; it is looked up rather than linked so that the program
// does not depend on how Qt was built.
void loadFontConfiguration()
{
    using Init = int (*)();
    if (auto init = reinterpret_cast<Init>(::dlsym(RTLD_DEFAULT, "FcInit")))
        (void)init();
}

} // namespace

// Nothing else runs in the thread before the font configuration is read:
// with both threads running freely, this thread is already the longer way to
// the window's first text. Only its heap is made present first (reading the
// configuration allocates half a megabyte in small pieces, and faulting those
// pages in one by one slows the window's thread as well), and the short work
// handed over as first is done, which the window would otherwise do itself
// while this thread still had time to spare.
FontWarmUp::FontWarmUp(const kitbox::StartHeap &heap, std::function<void()> first)
    : m_thread([this, &heap, first = std::move(first)] {
          heap.populate();
          if (first)
              first();
          loadFontConfiguration();
          m_configured.count_down();
          m_ready.wait();
          if (!m_withDatabase)
              return;
          (void)QFontDatabase::families();
          if (m_then)
              m_then();
      })
{
}

FontWarmUp::~FontWarmUp()
{
    finish();
}

void FontWarmUp::applicationReady(std::function<void()> then)
{
    if (m_readySignalled)
        return;
    m_readySignalled = true;
    m_withDatabase = true;
    m_then = std::move(then);
    m_ready.count_down();
}

void FontWarmUp::waitForConfiguration()
{
    m_configured.wait();
}

void FontWarmUp::finish()
{
    if (!m_readySignalled) {
        m_readySignalled = true;
        m_ready.count_down();
    }
    if (m_thread.joinable())
        m_thread.join();
}
