#include "trace/TraceLoader.h"

#include "trace/TraceFileReader.h"
#include "trace/TraceLineModel.h"

#include <QFileInfo>
#include <QMetaObject>
#include <QPointer>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace kitbox {

// The reader runs at most a few pieces ahead of the event loop, so that one
// pass of the loop never has a pile of pieces to take in.
struct TraceLoader::Flow {
    static constexpr int maximumAhead = 2;
    std::mutex mutex;
    std::condition_variable changed;
    int ahead = 0;
    bool cancelled = false;

    void cancel()
    {
        const std::lock_guard lock(mutex);
        cancelled = true;
        changed.notify_all();
    }
    // False when the load was cancelled meanwhile.
    bool waitForRoom()
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return cancelled || ahead < maximumAhead; });
        if (cancelled)
            return false;
        ++ahead;
        return true;
    }
    void taken()
    {
        const std::lock_guard lock(mutex);
        --ahead;
        changed.notify_all();
    }
    bool isCancelled()
    {
        const std::lock_guard lock(mutex);
        return cancelled;
    }
    // Sleeps, ended early by a cancel.
    void pause(int ms)
    {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return cancelled; });
    }
};

TraceLoader::TraceLoader(TraceLineModel &model, QObject *parent) : QObject(parent), m_model(model) {}

TraceLoader::~TraceLoader()
{
    stopThread();
}

void TraceLoader::stopThread()
{
    if (m_flow)
        m_flow->cancel();
    if (m_thread.joinable())
        m_thread.join();
    ++m_generation; // pieces still queued for the event loop are dropped
    m_busy = false;
}

void TraceLoader::cancel()
{
    stopThread();
}

void TraceLoader::load(const QString &path)
{
    start(path, 0, true);
}

void TraceLoader::loadAdded(const QString &path)
{
    if (m_busy)
        return;
    const qint64 size = QFileInfo(path).size();
    if (size < m_model.bytes())
        start(path, 0, true);
    else if (size > m_model.bytes())
        start(path, m_model.bytes(), false);
}

void TraceLoader::start(const QString &path, qint64 offset, bool reset)
{
    stopThread();
    if (reset)
        m_model.clear();
    m_busy = true;
    m_flow = std::make_shared<Flow>();
    const unsigned generation = m_generation;
    const int failing = failingOpensForTesting;
    failingOpensForTesting = 0;
    const int pauseMs = retryPauseMsForTesting;
    QPointer<TraceLoader> self(this);
    auto flow = m_flow;
    // Runs on the event loop; pieces of an earlier load are ignored.
    auto post = [self, generation](auto work) {
        QMetaObject::invokeMethod(
            self.data(),
            [self, generation, work = std::move(work)] {
                if (self && self->m_generation == generation)
                    work(*self);
            },
            Qt::QueuedConnection);
    };
    m_thread = std::thread([path, offset, failing, pauseMs, flow, post] {
        TraceFileReader reader([flow, pauseMs](int ms) { flow->pause(pauseMs >= 0 ? pauseMs : ms); });
        reader.failingOpensForTesting = failing;
        if (!reader.open(path, offset)) {
            post([](TraceLoader &loader) {
                loader.m_busy = false;
                emit loader.finished(false);
            });
            return;
        }
        const qint64 total = reader.size();
        while (!reader.atEnd() && flow->waitForRoom()) {
            QByteArray piece = reader.next();
            if (piece.isEmpty()) {
                flow->taken();
                break;
            }
            const qint64 done = reader.position();
            post([piece = std::move(piece), done, total, flow](TraceLoader &loader) {
                flow->taken();
                loader.m_model.append(piece);
                emit loader.progress(done, total);
            });
        }
        if (flow->isCancelled())
            return;
        post([](TraceLoader &loader) {
            loader.m_model.finish();
            loader.m_busy = false;
            emit loader.finished(true);
        });
    });
}

} // namespace kitbox
