#include "trace/Sim_Form.h"

#include "shell/KitBoxFonts.h"
#include "shell/KitBoxPictures.h"
#include "shell/Settings.h"
#include "shell/TextCatalogue.h"
#include "shell/WindowPlacement.h"

#include <QCloseEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSet>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QUrl>

namespace kitbox {

namespace {

const QString kPrefix = QStringLiteral("SIM");

} // namespace

class SimulationHighlighter : public QSyntaxHighlighter {
public:
    using QSyntaxHighlighter::QSyntaxHighlighter;

    void setFaultLines(QSet<int> lines)
    {
        m_faultLines = std::move(lines);
        rehighlight();
    }

protected:
    void highlightBlock(const QString &text) override
    {
        const SimulationLineParts p = SimulationCheck::parts(text);
        QTextCharFormat request;
        request.setForeground(QColor(0x00, 0x33, 0x99));
        QTextCharFormat response;
        response.setForeground(QColor(0x00, 0x70, 0x20));
        QTextCharFormat comment;
        comment.setForeground(QColor(0x80, 0x80, 0x80));
        comment.setFontItalic(true);
        const bool faulty = m_faultLines.contains(currentBlock().blockNumber() + 1);
        if (faulty) {
            for (QTextCharFormat *f : {&request, &response}) {
                f->setUnderlineStyle(QTextCharFormat::WaveUnderline);
                f->setUnderlineColor(Qt::red);
                f->setBackground(QColor(0xFF, 0xE0, 0xE0));
            }
        }
        if (p.requestLength > 0)
            setFormat(p.requestStart, p.requestLength, request);
        if (p.responseLength > 0)
            setFormat(p.responseStart, p.responseLength, response);
        if (p.commentLength > 0)
            setFormat(p.commentStart, p.commentLength, comment);
    }

private:
    QSet<int> m_faultLines;
};

Sim_Form::Sim_Form(Settings &settings, const TextCatalogue &texts, QWidget *parent)
    : QMdiSubWindow(parent), m_settings(settings), m_texts(texts)
{
    setObjectName(QStringLiteral("Sim_Form"));
    setWindowTitle(QStringLiteral("Simulation"));
    m_edit = new QPlainTextEdit(this);
    m_edit->setObjectName(QStringLiteral("SimFile"));
    m_edit->setFont(fixedPitchFont(10, QStringLiteral("Fixedsys")));
    m_edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_edit->setAcceptDrops(false);
    m_edit->installEventFilter(this);
    m_edit->viewport()->installEventFilter(this);
    m_highlighter = new SimulationHighlighter(m_edit->document());
    setWidget(m_edit);
    setAcceptDrops(true);
    installEventFilter(this);
    applyCaret();

    connect(m_edit, &QPlainTextEdit::textChanged, this, [this] {
        // The highlighter's colouring also reports a text change; only an
        // edit of the text makes the document modified.
        if (m_showing || !m_edit->document()->isModified())
            return;
        emit textEdited();
        emit printSourceChanged(m_edit->toPlainText(), windowTitle());
    });
    connect(m_edit, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        if (shownActive())
            reportStatus(true);
    });
    connect(this, &QMdiSubWindow::windowStateChanged, this, [this](Qt::WindowStates before, Qt::WindowStates now) {
        // A hidden editor (no file, simulation off) counts as inactive too.
        const bool was = before.testFlag(Qt::WindowActive) && !before.testFlag(Qt::WindowMinimized);
        const bool is = now.testFlag(Qt::WindowActive) && !now.testFlag(Qt::WindowMinimized) && isVisible();
        if (is != was)
            reportStatus(is);
        if (is && !was)
            emit printSourceChanged(m_edit->toPlainText(), windowTitle());
    });
}

Sim_Form::~Sim_Form()
{
    // QMdiSubWindow's destructor deactivates the window after this part of
    // it is gone; the state handler must not run on it then.
    disconnect(this, &QMdiSubWindow::windowStateChanged, this, nullptr);
}

void Sim_Form::load()
{
    const WindowPlacement p = m_settings.window(kPrefix);
    auto px = [this](int twips) { return WindowPlacement::twipsToPixels(twips, logicalDpiY()); };
    setGeometry(px(p.left), px(p.top), px(p.width), px(p.height));
    m_stateWhenShown = p.windowState;
}

void Sim_Form::storePlacement()
{
    auto tw = [this](int pixels) { return WindowPlacement::pixelsToTwips(pixels, logicalDpiY()); };
    WindowPlacement p;
    const QRect g = (isMinimized() || isMaximized()) && normalGeometry().isValid() ? normalGeometry() : geometry();
    p.left = tw(g.x());
    p.top = tw(g.y());
    p.width = tw(g.width());
    p.height = tw(g.height());
    p.windowState = !isVisible() ? m_stateWhenShown : isMinimized() ? 1 : isMaximized() ? 2 : 0;
    m_settings.setWindow(kPrefix, p);
}

void Sim_Form::showView(const SimulationView &view)
{
    m_showing = true;
    m_edit->setPlainText(view.text);
    m_showing = false;
    m_edit->setReadOnly(!view.fileOpen);
    setWindowTitle(view.caption);
    // The open file shows the save picture, no file the same one greyed.
    const QPixmap save = picture(QStringLiteral("save-simulation"), QSize(16, 16), devicePixelRatioF());
    QIcon icon;
    icon.addPixmap(save, view.fileOpen ? QIcon::Normal : QIcon::Disabled);
    if (!view.fileOpen)
        icon = QIcon(icon.pixmap(QSize(16, 16), QIcon::Disabled));
    setWindowIcon(icon);
    if (view.visible) {
        // A window the user sees keeps the state the user gave it.
        if (!isVisible()) {
            if (m_stateWhenShown == 1)
                showMinimized();
            else if (m_stateWhenShown == 2)
                showMaximized();
            else
                showNormal();
        }
    } else {
        if (isVisible())
            m_stateWhenShown = isMinimized() ? 1 : isMaximized() ? 2 : 0;
        showMinimized();
        hide();
    }
}

void Sim_Form::setFaults(const QList<SimulationFault> &faults)
{
    QSet<int> lines;
    for (const SimulationFault &f : faults)
        lines.insert(f.line);
    m_highlighter->setFaultLines(std::move(lines));
}

void Sim_Form::setUnmodified()
{
    m_edit->document()->setModified(false);
}

QString Sim_Form::text() const
{
    return m_edit->toPlainText();
}

void Sim_Form::applyCaret()
{
    m_edit->setOverwriteMode(m_overwrite);
    m_edit->setCursorWidth(m_overwrite ? 8 : 1);
}

bool Sim_Form::shownActive() const
{
    // A minimised editor shows no position, even while it is the active window.
    return isVisible() && windowState().testFlag(Qt::WindowActive) && !isMinimized();
}

void Sim_Form::reportStatus(bool active)
{
    const QTextCursor cursor = m_edit->textCursor();
    emit editorStatusChanged(active, m_edit->isReadOnly(), m_overwrite, cursor.blockNumber() + 1,
                             m_edit->document()->blockCount(), cursor.positionInBlock() + 1);
}

void Sim_Form::closeEvent(QCloseEvent *event)
{
    if (!m_closing) {
        // The editor stays open for the next description: closing minimises.
        event->ignore();
        showMinimized();
        return;
    }
    storePlacement();
    emit editorStatusChanged(false, true, false, 0, 0, 0);
    QMdiSubWindow::closeEvent(event);
}

bool Sim_Form::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto *key = static_cast<QKeyEvent *>(event);
        if (watched == m_edit && key->key() == Qt::Key_Insert && key->modifiers() == Qt::NoModifier) {
            if (!m_edit->isReadOnly()) {
                m_overwrite = !m_overwrite;
                applyCaret();
                reportStatus(true);
            }
            return true;
        }
        break;
    }
    case QEvent::FocusIn:
        if (watched == m_edit)
            applyCaret();
        reportStatus(shownActive());
        break;
    case QEvent::KeyRelease:
    case QEvent::MouseButtonRelease:
        reportStatus(shownActive());
        break;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDropEvent *>(event);
        if (drag->mimeData()->hasUrls()) {
            drag->acceptProposedAction();
            return true;
        }
        break;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QList<QUrl> urls = drop->mimeData()->urls();
        if (!urls.isEmpty() && urls.first().isLocalFile()) {
            drop->acceptProposedAction();
            emit fileDropped(urls.first().toLocalFile());
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QMdiSubWindow::eventFilter(watched, event);
}

} // namespace kitbox
