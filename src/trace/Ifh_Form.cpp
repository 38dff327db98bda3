#include "trace/Ifh_Form.h"

#include "shell/KitBoxFonts.h"
#include "shell/Settings.h"
#include "shell/TextCatalogue.h"
#include "shell/WindowPlacement.h"
#include "trace/TraceLineModel.h"
#include "trace/TraceLoader.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListView>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

namespace kitbox {

namespace {

const QString kPrefix = QStringLiteral("IFH");
constexpr int followIntervalMs = 500;

} // namespace

Ifh_Form::Ifh_Form(Settings &settings, const TextCatalogue &texts, QWidget *parent)
    : QMdiSubWindow(parent), m_settings(settings), m_texts(texts)
{
    setObjectName(QStringLiteral("Ifh_Form"));
    m_model = new TraceLineModel(this);
    m_loader = new TraceLoader(*m_model, this);

    auto *body = new QWidget(this);
    auto *column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    m_view = new QListView(body);
    m_view->setObjectName(QStringLiteral("IfhFile"));
    m_view->setModel(m_model);
    // Every row has the same height: the view then needs no pass over a
    // million lines to lay them out.
    m_view->setUniformItemSizes(true);
    m_view->setFont(fixedPitchFont(9, QStringLiteral("Fixedsys")));
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->installEventFilter(this);
    m_view->viewport()->installEventFilter(this);
    column->addWidget(m_view, 1);

    auto *row = new QHBoxLayout;
    row->setContentsMargins(4, 0, 4, 2);
    m_follow = new QCheckBox(m_texts.text(21508), body);
    m_follow->setObjectName(QStringLiteral("chkNachfuehren"));
    m_progress = new QProgressBar(body);
    m_progress->setObjectName(QStringLiteral("pbLaden"));
    m_progress->setRange(0, 100);
    m_progress->setTextVisible(true);
    m_progress->hide();
    row->addWidget(m_follow);
    row->addWidget(m_progress, 1);
    column->addLayout(row);
    setWidget(body);

    m_followTimer = new QTimer(this);
    m_followTimer->setInterval(followIntervalMs);
    connect(m_followTimer, &QTimer::timeout, this, &Ifh_Form::followTick);
    connect(m_follow, &QCheckBox::toggled, this, [this](bool on) {
        if (on) {
            m_followTimer->start();
            followTick();
        } else {
            m_followTimer->stop();
        }
    });

    connect(m_loader, &TraceLoader::progress, this, [this](qint64 done, qint64 total) {
        const int percent = total > 0 ? int(done * 100 / total) : 100;
        m_progress->setValue(percent);
        m_progress->setFormat(m_texts.text(21507).arg(percent));
    });
    connect(m_loader, &TraceLoader::finished, this, [this] {
        m_progress->hide();
        m_printTextStale = true;
        if (m_follow->isChecked())
            m_view->scrollToBottom();
        if (windowState().testFlag(Qt::WindowActive)) {
            reportPrintSource();
            // The line count shown when the window opened was that of an empty model.
            reportStatus(true);
        }
    });
    connect(this, &QMdiSubWindow::windowStateChanged, this, [this](Qt::WindowStates before, Qt::WindowStates now) {
        const bool was = before.testFlag(Qt::WindowActive);
        const bool is = now.testFlag(Qt::WindowActive);
        if (is && !was)
            reportPrintSource();
        if (is != was)
            reportStatus(is);
    });
}

Ifh_Form::~Ifh_Form()
{
    // QMdiSubWindow's destructor deactivates the window after this part of
    // it is gone; the state handler must not run on it then.
    disconnect(this, &QMdiSubWindow::windowStateChanged, this, nullptr);
    m_loader->cancel();
}

void Ifh_Form::load()
{
    const WindowPlacement p = m_settings.window(kPrefix);
    auto px = [this](int twips) { return WindowPlacement::twipsToPixels(twips, logicalDpiY()); };
    showNormal();
    setGeometry(px(p.left), px(p.top), px(p.width), px(p.height));
}

void Ifh_Form::storePlacement()
{
    if (isMinimized() || isMaximized())
        showNormal();
    auto tw = [this](int pixels) { return WindowPlacement::pixelsToTwips(pixels, logicalDpiY()); };
    WindowPlacement p = m_settings.window(kPrefix);
    const QRect g = geometry();
    p.left = tw(g.x());
    p.top = tw(g.y());
    p.width = tw(g.width());
    p.height = tw(g.height());
    m_settings.setWindow(kPrefix, p);
}

void Ifh_Form::showTrace(const TraceDisplay &display, const QString &tracePath)
{
    m_tracePath = tracePath;
    m_loader->cancel();
    m_model->clear();
    m_printTextStale = true;
    setWindowTitle(display.caption);
    if (display.minimised) {
        m_progress->hide();
        showMinimized();
    } else {
        if (isMinimized())
            showNormal();
        show();
        if (!display.file.isEmpty()) {
            m_progress->setValue(0);
            m_progress->setFormat(m_texts.text(21507).arg(0));
            m_progress->show();
            m_loader->load(display.file);
        }
    }
    if (windowState().testFlag(Qt::WindowActive))
        reportPrintSource();
}

void Ifh_Form::followTick()
{
    if (m_tracePath.isEmpty() || m_loader->busy())
        return;
    m_loader->loadAdded(m_tracePath);
}

void Ifh_Form::reportPrintSource()
{
    if (m_printTextStale) {
        m_printText = m_model->text();
        m_printTextStale = false;
    }
    emit printSourceChanged(m_printText, windowTitle());
}

void Ifh_Form::reportStatus(bool active)
{
    const QModelIndex current = m_view->currentIndex();
    emit editorStatusChanged(active, true, false, current.isValid() ? current.row() + 1 : 1, m_model->rowCount(), 1);
}

void Ifh_Form::closeEvent(QCloseEvent *event)
{
    m_loader->cancel();
    storePlacement();
    emit editorStatusChanged(false, true, false, 0, 0, 0);
    QMdiSubWindow::closeEvent(event);
}

bool Ifh_Form::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::ShortcutOverride || type == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        // F5 runs a job elsewhere; in this window it loads the trace again.
        if (key->key() == Qt::Key_F5 && key->modifiers() == Qt::NoModifier) {
            event->accept();
            if (type == QEvent::KeyPress)
                emit reloadRequested();
            return true;
        }
    }
    if (type == QEvent::KeyRelease || type == QEvent::MouseButtonRelease || type == QEvent::FocusIn)
        reportStatus(true);
    return QMdiSubWindow::eventFilter(watched, event);
}

} // namespace kitbox
