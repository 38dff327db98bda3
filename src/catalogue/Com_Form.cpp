#include "catalogue/Com_Form.h"

#include "catalogue/JobInfoReference.h"
#include "shell/KitBoxFonts.h"
#include "shell/TextCatalogue.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>

namespace kitbox {

namespace {

constexpr int textTitle = 21608;

} // namespace

Com_Form::Com_Form(const TextCatalogue &texts, QWidget *parent) : QWidget(parent), m_texts(texts)
{
    setObjectName(QStringLiteral("Com_Form"));
    m_ausgabe = new QPlainTextEdit(this);
    m_ausgabe->setObjectName(QStringLiteral("Ausgabe"));
    m_ausgabe->setReadOnly(true);
    m_ausgabe->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_ausgabe->setFont(fixedPitchFont(9));
    m_ausgabe->installEventFilter(this);
    m_ausgabe->viewport()->installEventFilter(this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_ausgabe);
    applyTexts();
}

void Com_Form::applyTexts()
{
    setWindowTitle(m_texts.text(textTitle));
}

void Com_Form::showJobInfo(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    const int vertical = m_ausgabe->verticalScrollBar()->value();
    const int horizontal = m_ausgabe->horizontalScrollBar()->value();
    const int cursor = m_ausgabe->textCursor().position();
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_ausgabe->setPlainText(shown);
    QTextCursor c = m_ausgabe->textCursor();
    c.setPosition(qMin(cursor, int(shown.size())));
    m_ausgabe->setTextCursor(c);
    m_ausgabe->verticalScrollBar()->setValue(vertical);
    m_ausgabe->horizontalScrollBar()->setValue(horizontal);
    if (m_ausgabe->hasFocus())
        emit printSourceChanged(m_text, windowTitle());
}

void Com_Form::followReference(qsizetype position)
{
    const QString shown = m_ausgabe->toPlainText();
    const auto reference = JobInfoReference::onLine(JobInfoReference::lineAt(shown, position));
    if (reference)
        emit tableReferenced(reference->tableName, reference->searchValue, m_text);
}

void Com_Form::closeEvent(QCloseEvent *event)
{
    emit closed();
    QWidget::closeEvent(event);
}

bool Com_Form::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ausgabe && event->type() == QEvent::FocusIn)
        emit printSourceChanged(m_text, windowTitle());
    if (watched == m_ausgabe->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        followReference(m_ausgabe->cursorForPosition(mouse->position().toPoint()).position());
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kitbox
