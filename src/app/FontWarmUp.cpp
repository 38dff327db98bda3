#include "FontWarmUp.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
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

// Measuring a text once in the faces the main window shows first (the
// application font, and bold and larger for the header title) leaves the
// font matches and face look-ups in the font database's shared caches, so
// that the window's own first measurements find them there.
void warmUpFaces()
{
    QFont font = QGuiApplication::font();
    (void)QFontMetrics(font).horizontalAdvance(QStringLiteral("Kitbox"));
    font.setBold(true);
    font.setPointSize(font.pointSize() + 8);
    (void)QFontMetrics(font).horizontalAdvance(QStringLiteral("Kitbox"));
}

} // namespace

FontWarmUp::FontWarmUp()
    : m_thread([this] {
          loadFontConfiguration();
          m_ready.wait();
          if (m_withDatabase) {
              (void)QFontDatabase::families();
              warmUpFaces();
          }
      })
{
}

FontWarmUp::~FontWarmUp()
{
    finish();
}

void FontWarmUp::applicationReady()
{
    if (m_readySignalled)
        return;
    m_readySignalled = true;
    m_withDatabase = true;
    m_ready.count_down();
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
