#include "trace/TraceViewer.h"

#include "runtime/RuntimeSession.h"
#include "shell/DialogService.h"
#include "shell/TextCatalogue.h"

#include <QFile>
#include <QFileInfo>

namespace kitbox {

namespace {

const QString kIfhTrace = QStringLiteral("IfhTrace");

bool isOn(const QString &level)
{
    return !level.isEmpty() && level != QLatin1String("0");
}

} // namespace

TraceViewer::TraceViewer(RuntimeSession &runtime, DialogService &dialogs, const TextCatalogue &texts)
    : removeFile([](const QString &path) { return QFile::remove(path); }), m_runtime(runtime), m_dialogs(dialogs),
      m_texts(texts)
{
}

QString TraceViewer::traceLevel()
{
    const QString level = m_runtime.configValue(kIfhTrace).trimmed();
    return level.isEmpty() ? QStringLiteral("0") : level;
}

TraceDisplay TraceViewer::show()
{
    TraceDisplay display;
    if (isOn(traceLevel())) {
        display.caption = captionTraceOn();
        display.minimised = true;
        return display;
    }
    const QString file = m_runtime.traceFilePath();
    if (file.isEmpty() || !QFileInfo(file).isFile()) {
        display.caption = captionNoFile();
        display.minimised = true;
        return display;
    }
    display.caption = captionShown();
    display.file = file;
    return display;
}

bool TraceViewer::clear()
{
    const QString level = m_runtime.configValue(kIfhTrace).trimmed();
    const QString file = m_runtime.traceFilePath();
    if (level.isEmpty() || file.isEmpty())
        return false;
    const bool wasOn = isOn(level);
    if (wasOn)
        m_runtime.setConfigValue(kIfhTrace, QStringLiteral("0"));
    if (QFileInfo::exists(file) && !removeFile(file)) {
        const QString directory = file.left(file.size() - QStringLiteral("/IFH.TRC").size());
        m_dialogs.message(m_texts.text(502) + directory + m_texts.text(503), m_texts.text(504), MessageIcon::Warning);
    }
    if (wasOn)
        m_runtime.setConfigValue(kIfhTrace, level);
    return true;
}

} // namespace kitbox
