#include "trace/TraceLoader.h"

#include "trace/TraceFileReader.h"
#include "trace/TraceLineModel.h"

#include <QFileInfo>
#include <QMetaObject>
#include <QPointer>

#include <chrono>

namespace kitbox {

TraceLoader::TraceLoader(TraceLineModel &model, QObject *parent) : QObject(parent), m_model(model) {}

TraceLoader::~TraceLoader()
{
    stopThread();
}

void TraceLoader::stopThread()
{
    if (m_cancel)
        m_cancel->store(true);
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
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    const unsigned generation = m_generation;
    const int failing = failingOpensForTesting;
    failingOpensForTesting = 0;
    const int pauseMs = retryPauseMsForTesting;
    QPointer<TraceLoader> self(this);
    auto cancel = m_cancel;
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
    m_thread = std::thread([path, offset, failing, pauseMs, cancel, post] {
        TraceFileReader reader([cancel, pauseMs](int ms) {
            const int wait = pauseMs >= 0 ? pauseMs : ms;
            const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait);
            while (!cancel->load() && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        });
        reader.failingOpensForTesting = failing;
        if (!reader.open(path, offset)) {
            post([](TraceLoader &loader) {
                loader.m_busy = false;
                emit loader.finished(false);
            });
            return;
        }
        const qint64 total = reader.size();
        while (!cancel->load() && !reader.atEnd()) {
            QByteArray piece = reader.next();
            if (piece.isEmpty())
                break;
            const qint64 done = reader.position();
            post([piece = std::move(piece), done, total](TraceLoader &loader) {
                loader.m_model.append(piece);
                emit loader.progress(done, total);
            });
        }
        post([](TraceLoader &loader) {
            loader.m_model.finish();
            loader.m_busy = false;
            emit loader.finished(true);
        });
    });
}

} // namespace kitbox
