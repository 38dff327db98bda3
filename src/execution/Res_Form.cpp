#include "execution/Res_Form.h"

#include "execution/RunFlags.h"
#include "shell/KitBoxFonts.h"
#include "shell/Settings.h"
#include "shell/TextCatalogue.h"
#include "shell/WindowPlacement.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

namespace kitbox {

namespace {
const QString placementPrefix = QStringLiteral("RES");
}

Res_Form::Res_Form(Settings &settings, const TextCatalogue &texts, RunFlags &runFlags, QWidget *parent)
    : QMdiSubWindow(parent), m_settings(settings), m_texts(texts), m_runFlags(runFlags)
{
    setObjectName(QStringLiteral("Res_Form"));
    setWindowTitle(QStringLiteral("Results"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto *body = new QWidget(this);
    auto *column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);

    auto *top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    m_delayAnzeige = new QFrame(body);
    m_delayAnzeige->setObjectName(QStringLiteral("DelayAnzeige"));
    m_delayAnzeige->setFrameShape(QFrame::StyledPanel);
    auto *delayRow = new QHBoxLayout(m_delayAnzeige);
    delayRow->setContentsMargins(4, 2, 4, 2);
    m_delayTime = new QScrollBar(Qt::Horizontal, m_delayAnzeige);
    m_delayTime->setObjectName(QStringLiteral("DelayTime"));
    m_delayTime->setRange(ResultsWindowRules::delayMinimum, ResultsWindowRules::delayMaximum);
    m_delayTime->setSingleStep(ResultsWindowRules::delaySmallStep);
    m_delayTime->setPageStep(ResultsWindowRules::delayLargeStep);
    m_delayText = new QLabel(ResultsWindowRules::initialDelayCaption(), m_delayAnzeige);
    m_delayText->setObjectName(QStringLiteral("DelayText"));
    m_delayText->setMinimumWidth(m_delayText->fontMetrics().horizontalAdvance(QStringLiteral("Pause : 10.00 sek")));
    delayRow->addWidget(m_delayTime, 1);
    delayRow->addWidget(m_delayText);
    m_delayAnzeige->setVisible(false);
    top->addWidget(m_delayAnzeige, 1);

    m_aktivFlagRahmen = new QFrame(body);
    m_aktivFlagRahmen->setObjectName(QStringLiteral("AktivFlagRahmen"));
    m_aktivFlagRahmen->setFrameShape(QFrame::Box);
    auto *lampBox = new QHBoxLayout(m_aktivFlagRahmen);
    lampBox->setContentsMargins(2, 2, 2, 2);
    m_aktivFlag = new QFrame(m_aktivFlagRahmen);
    m_aktivFlag->setObjectName(QStringLiteral("AktivFlag"));
    m_aktivFlag->setFixedSize(14, 14);
    m_aktivFlag->setAutoFillBackground(true);
    lampBox->addWidget(m_aktivFlag);
    top->addStretch(0);
    top->addWidget(m_aktivFlagRahmen);
    column->addLayout(top);

    m_ausgabe = new QPlainTextEdit(body);
    m_ausgabe->setObjectName(QStringLiteral("Ausgabe"));
    m_ausgabe->setReadOnly(true);
    m_ausgabe->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_ausgabe->setWordWrapMode(QTextOption::NoWrap);
    // Read-only, yet the caret moves so that its line and column can be shown.
    m_ausgabe->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_ausgabe->installEventFilter(this);
    m_ausgabe->viewport()->installEventFilter(this);
    column->addWidget(m_ausgabe, 1);
    setWidget(body);

    connect(m_delayTime, &QScrollBar::valueChanged, this, [this] { delayTimeChange(); });
    connect(m_ausgabe, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        if (m_ausgabe->hasFocus())
            reportEditorStatus(true);
    });
    m_activeStateReport = connect(this, &QMdiSubWindow::windowStateChanged, this,
                                  [this](Qt::WindowStates oldState, Qt::WindowStates newState) {
                                      const bool wasActive = oldState.testFlag(Qt::WindowActive);
                                      const bool isActive = newState.testFlag(Qt::WindowActive);
                                      if (isActive != wasActive)
                                          reportEditorStatus(isActive);
                                  });
    setActivity(ResultsWindowRules::Activity::Idle);
}

Res_Form::~Res_Form()
{
    // The base class's destructor deactivates the window when this part of
    // it is gone already; the last report is made here instead.
    disconnect(m_activeStateReport);
    if (windowState().testFlag(Qt::WindowActive))
        reportEditorStatus(false);
}

int Res_Form::toPixels(int twips) const
{
    return WindowPlacement::twipsToPixels(twips, logicalDpiY());
}

int Res_Form::toTwips(int pixels) const
{
    return WindowPlacement::pixelsToTwips(pixels, logicalDpiY());
}

void Res_Form::load()
{
    m_ausgabe->setFont(fixedPitchFont(9));
    setMinimumSize(toPixels(ResultsWindowRules::minimumSizeTwips), toPixels(ResultsWindowRules::minimumSizeTwips));

    const WindowPlacement p = m_settings.window(placementPrefix);
    showNormal();
    setGeometry(toPixels(p.left), toPixels(p.top), toPixels(p.width), toPixels(p.height));
    if (p.windowState == 1)
        showMinimized();
    else if (p.windowState == 2)
        showMaximized();

    m_text.clear();
    setText(ResultsWindowRules::initialText());
}

void Res_Form::setText(const QString &text)
{
    if (!ResultsWindowRules::isChange(m_text, text))
        return;
    m_text = text;
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_ausgabe->setPlainText(shown);
    emit printSourceChanged(m_text, windowTitle());
}

void Res_Form::appendText(const QString &more)
{
    if (more.isEmpty())
        return;
    m_text += more;
    QString shown = more;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_ausgabe->moveCursor(QTextCursor::End);
    m_ausgabe->insertPlainText(shown);
    emit printSourceChanged(m_text, windowTitle());
}

int Res_Form::delay() const
{
    return m_delayTime->value();
}

void Res_Form::setDelay(int milliseconds)
{
    m_delayTime->setValue(milliseconds);
}

void Res_Form::delayTimeChange()
{
    const int v = m_delayTime->value();
    const int r = ResultsWindowRules::roundDelay(v);
    if (r != v) {
        // Setting the corrected value raises the change again, which shows it.
        m_delayTime->setValue(r);
        return;
    }
    m_delayText->setText(ResultsWindowRules::delayLabel(v, m_texts));
}

void Res_Form::setDelayPanelVisible(bool visible)
{
    m_delayAnzeige->setVisible(visible);
}

bool Res_Form::delayPanelVisible() const
{
    return !m_delayAnzeige->isHidden();
}

void Res_Form::setActivity(ResultsWindowRules::Activity activity)
{
    m_lampColour = ResultsWindowRules::lampColour(activity);
    QPalette palette = m_aktivFlag->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(m_lampColour));
    m_aktivFlag->setPalette(palette);
}

void Res_Form::storePlacement()
{
    WindowPlacement p;
    const QRect g = (isMinimized() || isMaximized()) ? normalGeometry() : geometry();
    const QRect usable = g.isValid() ? g : geometry();
    p.left = toTwips(usable.x());
    p.top = toTwips(usable.y());
    p.width = toTwips(usable.width());
    p.height = toTwips(usable.height());
    p.windowState = isMinimized() ? 1 : isMaximized() ? 2 : 0;
    m_settings.setWindow(placementPrefix, p);
}

void Res_Form::unload()
{
    m_programmaticClose = true;
    close();
}

void Res_Form::closeEvent(QCloseEvent *event)
{
    using ResultsWindowRules::CloseDecision;
    if (ResultsWindowRules::decideClose(!m_programmaticClose, m_runFlags.continuousRun) ==
        CloseDecision::MinimiseAndRefuse) {
        showMinimized();
        event->ignore();
        return;
    }
    m_programmaticClose = false;
    m_runFlags.continuousRun = false;
    storePlacement();
    emit editorStatusChanged(false, true, false, 0, 0, 0);
    QMdiSubWindow::closeEvent(event);
}

void Res_Form::reportEditorStatus(bool active)
{
    const QTextCursor cursor = m_ausgabe->textCursor();
    emit editorStatusChanged(active, true, m_ausgabe->overwriteMode(), cursor.blockNumber() + 1,
                             m_ausgabe->document()->blockCount(), cursor.positionInBlock() + 1);
}

bool Res_Form::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::FocusIn ||
        event->type() == QEvent::KeyRelease)
        reportEditorStatus(true);
    return QMdiSubWindow::eventFilter(watched, event);
}

} // namespace kitbox
