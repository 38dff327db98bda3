#include "testmatrix/TestDocument.h"

#include "runtime/VedamisApi.h"
#include "shell/DialogService.h"
#include "shell/TextCatalogue.h"
#include "testmatrix/TestFile.h"

#include <QDir>
#include <QFileInfo>

namespace kitbox {

namespace {

constexpr int textAskSave = 66;
constexpr int textChanged = 67;
constexpr int textNotFound = 69;
constexpr int textSaveFrom = 71;
constexpr int textSaveAs = 72;
constexpr int textOverwrite = 74;
constexpr int textExists = 75;
constexpr int textSaveFailed = 76;
constexpr int textTestFileLabel = 304;
constexpr int textErrorIn = 505;
constexpr int textInvalidName = 506;
constexpr int textLoad = 509;

// The dialogs add this extension to a name typed without one.
QString withDefaultExtension(const QString &path, const QString &extension)
{
    if (path.isEmpty() || QFileInfo(path).fileName().contains(u'.'))
        return path;
    return path + u'.' + extension;
}

} // namespace

TestDocument::TestDocument(DialogService &dialogs, const TextCatalogue &texts, VedamisApi &api)
    : m_dialogs(dialogs), m_texts(texts), m_api(api)
{
}

QString TestDocument::statusText() const
{
    return u' ' + m_texts.text(textTestFileLabel) + m_path;
}

QString TestDocument::caption() const
{
    return QString(m_texts.text(textTestFileLabel) + m_path).trimmed();
}

QString TestDocument::ecuPath(const QString &title)
{
    QString value;
    if (!m_api.apiGetConfig(QStringLiteral("EcuPath"), value))
        m_dialogs.message(m_texts.text(textErrorIn) + u" ApiGetConfig()", title, MessageIcon::Critical);
    return value;
}

bool TestDocument::changeCheck()
{
    if (!m_changed)
        return true;
    const DialogAnswer answer =
        m_dialogs.message(m_texts.text(textChanged) + u"\n\n" + m_texts.text(textAskSave),
                          m_texts.text(textSaveFrom) + m_path, MessageIcon::Question, MessageButtons::YesNoCancel);
    switch (answer) {
    case DialogAnswer::Yes:
        // A save that does not happen (cancelled name, refused overwrite,
        // write error) keeps the edits: the operation does not go on.
        return save(false);
    case DialogAnswer::No:
        return true;
    default:
        return false;
    }
}

bool TestDocument::testNeu()
{
    if (!changeCheck())
        return false;
    m_matrix.clearSteps();
    m_matrix.initialise();
    m_path.clear();
    m_changed = false;
    return true;
}

bool TestDocument::testLaden()
{
    if (!changeCheck())
        return false;
    const QString chosen = withDefaultExtension(
        m_dialogs.openFileName(m_texts.text(textLoad), ecuPath(m_texts.text(textLoad)), testFileFilter(m_texts)),
        QStringLiteral("tst"));
    if (chosen.isEmpty())
        return false;
    if (!isTestFileName(chosen)) {
        m_dialogs.message(m_texts.text(textInvalidName), m_texts.text(textLoad), MessageIcon::Warning);
        return false;
    }
    return load(chosen);
}

bool TestDocument::openFile(const QString &path)
{
    return changeCheck() && load(path);
}

bool TestDocument::load(const QString &path)
{
    if (!QFileInfo(path).isFile()) {
        m_dialogs.message(m_texts.text(textNotFound) + u'\n' + path, m_texts.text(textLoad), MessageIcon::Warning);
        return false;
    }
    auto read = readTestFile(path, m_texts);
    if (!read) {
        m_dialogs.message(QString::fromStdString(read.error()), m_texts.text(textLoad), MessageIcon::Critical);
        return false;
    }
    if (read.value().truncated)
        m_dialogs.message(oversizedTestFileMessage(path, read.value().fileSize, m_texts), m_texts.text(textLoad),
                          MessageIcon::Warning);
    m_matrix.paste(read.value().text);
    m_matrix.initialise();
    m_path = path;
    m_changed = false;
    return true;
}

void TestDocument::unload()
{
    m_matrix.clearSteps();
    m_path.clear();
    m_changed = false;
}

bool TestDocument::testSpeichern()
{
    return save(false);
}

bool TestDocument::testSpeichernUnter()
{
    return save(true);
}

bool TestDocument::save(bool askForName)
{
    const QString title = m_texts.text(textSaveAs);
    QString target = m_path;
    if (askForName || target.isEmpty()) {
        const QString start = QDir(ecuPath(title)).filePath(QFileInfo(m_path).fileName());
        const QString chosen =
            withDefaultExtension(m_dialogs.saveFileName(title, start, testFileFilter(m_texts)), QStringLiteral("TST"));
        if (chosen.isEmpty())
            return false;
        const std::optional<QString> name = testFileSaveName(chosen);
        if (!name) {
            m_dialogs.message(chosen + u'\n' + m_texts.text(textInvalidName) + u'.', title, MessageIcon::Warning);
            return false;
        }
        target = *name;
        if (QFileInfo::exists(target) &&
            m_dialogs.message(target + u'\n' + m_texts.text(textExists) + u"\n\n" + m_texts.text(textOverwrite), title,
                              MessageIcon::Question, MessageButtons::YesNo) != DialogAnswer::Yes)
            return false;
    }
    const Status saved = saveTestFile(target, m_matrix);
    if (!saved) {
        m_dialogs.message(m_texts.text(textSaveFailed) + u'\n' + QString::fromStdString(saved.error()), title,
                          MessageIcon::Critical);
        return false;
    }
    m_path = target;
    m_changed = false;
    return true;
}

} // namespace kitbox
