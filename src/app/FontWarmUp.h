#pragma once
// Reading the installed fonts is the longest single step of the start. It
// runs in a thread of its own from the very beginning: first the system's
// font configuration, which needs nothing from Qt and so overlaps the
// creation of the application object; then, once that object exists, Qt's
// font database and what else the start hands the thread for after it.
// Building the window and opening the runtime go on beside it; the start
// waits for the font configuration (waitForConfiguration) before it first
// measures text, and for the font database, which is locked meanwhile, only
// when a measurement needs it.
//
// The faces themselves are not loaded here: Qt keeps its font engines and
// FreeType faces per thread, so a face loaded in this thread would be loaded
// again by the window, and the work would only take processor time and the
// font database lock from the window's thread.
#include "shell/StartHeap.h"

#include <functional>
#include <latch>
#include <thread>

class FontWarmUp {
public:
    // The thread first makes its share of the start heap present (its
    // allocations come from a heap of their own) and runs first: work the
    // window needs only once the application object exists, which this
    // thread has time for. Then it reads the fonts.
    explicit FontWarmUp(const kitbox::StartHeap &heap, std::function<void()> first = {});
    // Joins the thread (it may be waiting for applicationReady()).
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp &) = delete;
    FontWarmUp &operator=(const FontWarmUp &) = delete;

    // Declared right after the application object: lets the thread go on
    // with Qt's font database and then with the work given here, and waits
    // for it before the application object goes away.
    class DatabaseFill {
    public:
        explicit DatabaseFill(FontWarmUp &warmUp, std::function<void()> then = {}) : m_warmUp(warmUp)
        {
            m_warmUp.applicationReady(std::move(then));
        }
        ~DatabaseFill() { m_warmUp.finish(); }
        DatabaseFill(const DatabaseFill &) = delete;
        DatabaseFill &operator=(const DatabaseFill &) = delete;

    private:
        FontWarmUp &m_warmUp;
    };

    // The application object exists: go on with Qt's font database, then
    // with then.
    void applicationReady(std::function<void()> then = {});
    // Waits until the font configuration has been read. Called before the
    // first text is measured: the font library reads its configuration anew
    // in every thread that asks for it before another thread has finished
    // reading it, so asking early would read it twice instead of waiting for
    // the rest.
    void waitForConfiguration();
    // Waits for the thread; without applicationReady() it stops after the
    // font configuration.
    void finish();

private:
    std::function<void()> m_then;
    std::latch m_configured{1};
    std::latch m_ready{1};
    bool m_readySignalled = false;
    bool m_withDatabase = false;
    std::thread m_thread;
};
