#pragma once
// Reading the installed fonts is the longest single step of the start. It
// runs in a thread of its own from the very beginning: first the system's
// font configuration, which needs nothing from Qt and so overlaps the
// creation of the application object; then, once that object exists, Qt's
// font database and the faces the window shows first. Building the window
// and opening the runtime wait for it (the font database is locked
// meanwhile) only when they first measure or draw text.
#include <latch>
#include <thread>

class FontWarmUp {
public:
    FontWarmUp();
    // Joins the thread (it may be waiting for applicationReady()).
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp &) = delete;
    FontWarmUp &operator=(const FontWarmUp &) = delete;

    // Declared right after the application object: lets the thread go on
    // with Qt's font database, and waits for it before the application
    // object goes away.
    class DatabaseFill {
    public:
        explicit DatabaseFill(FontWarmUp &warmUp) : m_warmUp(warmUp) { m_warmUp.applicationReady(); }
        ~DatabaseFill() { m_warmUp.finish(); }
        DatabaseFill(const DatabaseFill &) = delete;
        DatabaseFill &operator=(const DatabaseFill &) = delete;

    private:
        FontWarmUp &m_warmUp;
    };

    // The application object exists: go on with Qt's font database.
    void applicationReady();
    // Waits for the thread; without applicationReady() it stops after the
    // font configuration.
    void finish();

private:
    std::latch m_ready{1};
    bool m_readySignalled = false;
    bool m_withDatabase = false;
    std::thread m_thread;
};
