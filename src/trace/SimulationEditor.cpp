#include "trace/SimulationEditor.h"

#include "runtime/RuntimeSession.h"
#include "shell/DialogService.h"
#include "shell/FileSave.h"
#include "shell/TextCatalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace kitbox {

namespace {

const QString crlf = QStringLiteral("\r\n");

} // namespace

SimulationEditor::SimulationEditor(RuntimeSession &runtime, DialogService &dialogs, const TextCatalogue &texts)
    : m_runtime(runtime), m_dialogs(dialogs), m_texts(texts)
{
}

QString SimulationEditor::simulationFilePath(const QString &directory, const QString &description)
{
    QString dir = directory;
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    const QString name = description.trimmed().toUpper() + QStringLiteral(".SIM");
    const QString exact = dir + QLatin1Char('/') + name;
    if (QFileInfo(exact).isFile())
        return exact;
    const QStringList candidates = QDir(dir).entryList(QDir::Files);
    for (const QString &candidate : candidates)
        if (candidate.compare(name, Qt::CaseInsensitive) == 0)
            return dir + QLatin1Char('/') + candidate;
    return exact;
}

Status SimulationEditor::writeText(const QString &path, const QString &text, int *errorCode)
{
    return saveFileAtomically(path, text.toUtf8(), errorCode);
}

SimulationView SimulationEditor::load(const QString &description, bool udsCheckActive, const QString &currentText)
{
    (void)save(true, currentText);
    m_loading = true;
    m_faults.clear();
    SimulationView view;
    m_path.clear();
    m_shownName.clear();
    if (m_runtime.configValue(QStringLiteral("Simulation")).trimmed() == QLatin1String("1")) {
        const QString path = simulationFilePath(m_runtime.configValue(QStringLiteral("SimulationPath")), description);
        const QString shown = path.toUpper();
        QFile file(path);
        if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
            view.caption = m_texts.text(60);
            if (!udsCheckActive)
                m_dialogs.message(m_texts.text(61) + crlf + shown + crlf + m_texts.text(70), m_texts.text(62),
                                  MessageIcon::Warning);
        } else {
            m_path = path;
            m_shownName = shown;
            view.visible = true;
            view.fileOpen = true;
            view.caption = m_texts.text(61) + QStringLiteral(" : ") + shown;
            const QByteArray bytes = file.readAll();
            QStringDecoder utf8(QStringDecoder::Utf8);
            view.text = utf8.decode(bytes);
            if (utf8.hasError())
                view.text = QString::fromLatin1(bytes);
            m_faults = SimulationCheck::check(view.text);
        }
    } else {
        view.caption = m_texts.text(63);
    }
    m_changed = false;
    if (afterLoad)
        afterLoad();
    m_loading = false;
    return view;
}

void SimulationEditor::markChanged()
{
    if (!m_loading && !m_path.isEmpty())
        m_changed = true;
}

bool SimulationEditor::save(bool ask, const QString &text)
{
    if (!m_changed || m_path.isEmpty())
        return true;
    if (ask) {
        const DialogAnswer answer =
            m_dialogs.message(m_shownName + crlf + m_texts.text(65) + crlf + crlf + m_texts.text(66), m_texts.text(61),
                              MessageIcon::Warning, MessageButtons::YesNoCancel);
        if (answer == DialogAnswer::Cancel)
            return false;
        if (answer == DialogAnswer::No)
            return true;
    }
    // The file is saved as it is, faults and all; they are marked, not refused.
    m_faults = SimulationCheck::check(text);
    int errorCode = 0;
    const Status saved = writeText(m_path, text, &errorCode);
    if (!saved) {
        m_dialogs.message(m_texts.text(95) + QStringLiteral(" (") + QString::number(errorCode) + QStringLiteral("): ") +
                              m_texts.text(59) + QLatin1Char('!'),
                          m_texts.text(95), MessageIcon::Critical);
        return false;
    }
    m_changed = false;
    return true;
}

QString SimulationEditor::faultSummary() const
{
    if (m_faults.isEmpty())
        return {};
    QString text = m_texts.text(21500).arg(m_faults.first().line).arg(m_faults.first().reason);
    if (m_faults.size() > 1)
        text += m_texts.text(21501).arg(m_faults.size() - 1);
    return text;
}

} // namespace kitbox
