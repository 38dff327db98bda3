#pragma once
// Loads the trace file into a TraceLineModel from a background thread: the
// pieces reach the model through the event loop, so the window keeps
// answering and can show how far the load is.
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <thread>

namespace kitbox {

class TraceLineModel;

class TraceLoader : public QObject {
    Q_OBJECT
public:
    explicit TraceLoader(TraceLineModel &model, QObject *parent = nullptr);
    ~TraceLoader() override;

    // Empties the model and loads the whole file.
    void load(const QString &path);
    // Adds what was written to the file since the model's end; a file that
    // became shorter (cleared meanwhile) is loaded anew.
    void loadAdded(const QString &path);
    void cancel();
    bool busy() const { return m_busy; }

    // Tests make the first opening attempts fail and see the pauses.
    int failingOpensForTesting = 0;
    int retryPauseMsForTesting = -1;

signals:
    void progress(qint64 done, qint64 total);
    // opened is false when the file could not be opened after all attempts.
    void finished(bool opened);

private:
    void start(const QString &path, qint64 offset, bool reset);
    void stopThread();

    TraceLineModel &m_model;
    std::thread m_thread;
    struct Flow;
    std::shared_ptr<Flow> m_flow;
    unsigned m_generation = 0;
    bool m_busy = false;
};

} // namespace kitbox
