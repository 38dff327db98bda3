#include "shell/ScriptedDialogService.h"

namespace kitbox {

namespace {

bool answerFits(DialogAnswer answer, MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::Ok:
        return answer == DialogAnswer::Ok;
    case MessageButtons::OkCancel:
        return answer == DialogAnswer::Ok || answer == DialogAnswer::Cancel;
    case MessageButtons::YesNo:
        return answer == DialogAnswer::Yes || answer == DialogAnswer::No;
    case MessageButtons::YesNoCancel:
        return answer != DialogAnswer::Ok;
    }
    return false;
}

} // namespace

QList<ShownDialog> ScriptedDialogService::messages() const
{
    QList<ShownDialog> result;
    for (const ShownDialog &d : m_shown) {
        if (d.kind == ShownDialog::Kind::Message)
            result.append(d);
    }
    return result;
}

DialogAnswer ScriptedDialogService::message(const QString &text, const QString &title, MessageIcon icon,
                                            MessageButtons buttons)
{
    // A queued answer the box cannot give (Yes for an OK box) would hide a
    // mistake in the test, so such a box is answered cautiously and the
    // queued answer stays for the next box.
    DialogAnswer answer = cautiousAnswer(buttons);
    if (!m_answers.isEmpty() && answerFits(m_answers.head(), buttons))
        answer = m_answers.dequeue();
    ShownDialog d;
    d.kind = ShownDialog::Kind::Message;
    d.title = title;
    d.text = text;
    d.icon = icon;
    d.buttons = buttons;
    d.answer = answer;
    m_shown.append(d);
    return answer;
}

QStringList ScriptedDialogService::nextFiles()
{
    return m_fileNames.isEmpty() ? QStringList() : m_fileNames.dequeue();
}

QString ScriptedDialogService::openFileName(const QString &title, const QString &directory, const QString &filter)
{
    const QStringList files = nextFiles();
    m_shown.append({ShownDialog::Kind::OpenFile, title, directory, filter, MessageIcon::None, MessageButtons::Ok,
                    files.isEmpty() ? DialogAnswer::Cancel : DialogAnswer::Ok});
    return files.value(0);
}

QStringList ScriptedDialogService::openFileNames(const QString &title, const QString &directory, const QString &filter)
{
    const QStringList files = nextFiles();
    m_shown.append({ShownDialog::Kind::OpenFiles, title, directory, filter, MessageIcon::None, MessageButtons::Ok,
                    files.isEmpty() ? DialogAnswer::Cancel : DialogAnswer::Ok});
    return files;
}

QString ScriptedDialogService::saveFileName(const QString &title, const QString &path, const QString &filter)
{
    const QStringList files = nextFiles();
    m_shown.append({ShownDialog::Kind::SaveFile, title, path, filter, MessageIcon::None, MessageButtons::Ok,
                    files.isEmpty() ? DialogAnswer::Cancel : DialogAnswer::Ok});
    return files.value(0);
}

} // namespace kitbox
