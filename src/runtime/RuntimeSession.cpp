#include "runtime/RuntimeSession.h"

#include "execution/ResultsOutput.h"
#include "shell/DialogService.h"
#include "shell/TextCatalogue.h"

#include <QFileInfo>

namespace kitbox {

namespace {

const QString crlf = QStringLiteral("\r\n");

constexpr int textFailureIn = 505;
constexpr int textRuntimeError = 56;
constexpr int textProgramAborts = 510;

} // namespace

RuntimeSession::RuntimeSession(VedamisApi &api, DialogService &dialogs, const TextCatalogue &texts)
    : m_api(api), m_dialogs(dialogs), m_texts(texts)
{
}

RuntimeSession::~RuntimeSession()
{
    if (m_open)
        close();
}

QString RuntimeSession::startFailureTitle(const QString &call) const
{
    return m_texts.text(textFailureIn) + QLatin1Char(' ') + call;
}

QString RuntimeSession::startFailureMessage(qint16 code, const QString &errorText) const
{
    return m_texts.text(textRuntimeError) + QString::number(code) + crlf + errorText + crlf +
           m_texts.text(textProgramAborts);
}

void RuntimeSession::showStartFailure(const QString &call)
{
    const qint16 code = m_api.apiErrorCode();
    const QString text = m_api.apiErrorText();
    m_dialogs.message(startFailureMessage(code, text), startFailureTitle(call), MessageIcon::Critical);
}

bool RuntimeSession::open(bool multiInstance, const InterfaceTexts &interfaceTexts)
{
    if (m_open)
        return true;
    if (!multiInstance) {
        if (!m_api.apiInit()) {
            showStartFailure(QStringLiteral("apiInit()"));
            // The runtime may hold resources of the refused start.
            m_api.apiEnd();
            m_ended = true;
            return false;
        }
    } else {
        if (!m_api.enableServer(0)) {
            showStartFailure(QStringLiteral("enableServer()"));
            // Nothing was started, so nothing may be ended.
            m_ended = true;
            return false;
        }
        if (!m_api.apiInitExt(interfaceTexts[0], interfaceTexts[1], interfaceTexts[2], interfaceTexts[3])) {
            showStartFailure(QStringLiteral("apiInitExt(") + interfaceTexts[0] + QLatin1Char(',') + interfaceTexts[1] +
                             QLatin1Char(',') + interfaceTexts[2] + QLatin1Char(',') + interfaceTexts[3] +
                             QLatin1Char(')'));
            m_api.apiEnd();
            m_ended = true;
            return false;
        }
    }
    m_open = true;
    m_ended = false;
    m_version = parseVersion(configValue(QStringLiteral("VedamisVersion")));
    return true;
}

QString RuntimeSession::configValue(const QString &name)
{
    QString value;
    if (!m_api.apiGetConfig(name, value))
        return {};
    return value;
}

bool RuntimeSession::setConfigValue(const QString &name, const QString &value)
{
    return m_api.apiSetConfig(name.trimmed(), value);
}

QString RuntimeSession::traceFilePath()
{
    QString directory = configValue(QStringLiteral("TracePath"));
    if (directory.isEmpty())
        return {};
    while (directory.size() > 1 && directory.endsWith(QLatin1Char('/')))
        directory.chop(1);
    return directory + QStringLiteral("/IFH.TRC");
}

TraceMenuState RuntimeSession::traceMenuState()
{
    TraceMenuState state;
    const QString file = traceFilePath();
    if (file.isEmpty())
        return state;
    state.known = true;
    // A file-system error while testing counts as a missing file.
    const bool exists = QFileInfo(file).isFile();
    QString level = configValue(QStringLiteral("IfhTrace")).trimmed();
    const bool traceOn = !level.isEmpty() && level != QLatin1String("0");
    state.clearEnabled = exists;
    state.showEnabled = exists && !traceOn;
    return state;
}

QString RuntimeSession::runtimeErrorLine()
{
    const qint16 code = m_api.apiErrorCode();
    if (code == 0)
        return {};
    return QStringLiteral("VEDAMIS Fehler ") + QString::number(code) + QStringLiteral(" : ") + m_api.apiErrorText() +
           crlf;
}

bool RuntimeSession::reportRuntimeError(ResultsOutput &output, bool udsCheckActive)
{
    const QString line = runtimeErrorLine();
    if (line.isEmpty())
        return false;
    output.showNormal();
    if (udsCheckActive)
        output.appendText(line);
    else
        output.setText(line);
    return true;
}

void RuntimeSession::close()
{
    if (m_ended)
        return;
    m_api.apiEnd();
    m_ended = true;
    m_open = false;
}

double RuntimeSession::parseVersion(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    qsizetype start = i;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        ++i;
    bool digits = false;
    while (i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128) {
        ++i;
        digits = true;
    }
    if (i < text.size() && text.at(i) == QLatin1Char('.')) {
        ++i;
        while (i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128) {
            ++i;
            digits = true;
        }
    }
    if (!digits)
        return 0.0;
    bool ok = false;
    const double value = text.mid(start, i - start).toDouble(&ok);
    return ok ? value : 0.0;
}

} // namespace kitbox
