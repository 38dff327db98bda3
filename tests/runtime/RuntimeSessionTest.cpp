#include "runtime/RuntimeSession.h"
#include "execution/ResultsOutput.h"
#include "runtime/FakeVedamisApi.h"
#include "shell/ScriptedDialogService.h"
#include "shell/TextCatalogue.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>
#include <tuple>

#include <gtest/gtest.h>

using namespace kitbox;
using namespace Qt::StringLiterals;

namespace {

TextCatalogue loadTexts()
{
    TextCatalogue texts;
    EXPECT_TRUE(texts.loadBuiltIn().ok());
    texts.selectLanguage(u"D"_s);
    return texts;
}

class RecordingOutput : public ResultsOutput {
public:
    void showNormal() override { ++shown; }
    QString text() const override { return m_text; }
    void setText(const QString &text) override { m_text = text; }
    int shown = 0;
    QString m_text;
};

struct SessionFixture : ::testing::Test {
    // A session opened in single-instance mode.
    std::unique_ptr<RuntimeSession> opened()
    {
        auto session = std::make_unique<RuntimeSession>(api, dialogs, texts);
        EXPECT_TRUE(session->open(false, {}));
        return session;
    }
    void failJob(const QString &description, qint16 code, const QString &text)
    {
        api.setJobError(description, u"_JOBS"_s, code, text);
        api.apiJob(description, u"_JOBS"_s, QString(), QString());
    }
    FakeVedamisApi api;
    ScriptedDialogService dialogs;
    TextCatalogue texts = loadTexts();
};

} // namespace

TEST_F(SessionFixture, RefusedStartsShowTheirBoxAndEndTheRuntimeOnlyWhenItWasOpened)
{
    enum class Refused { Init, InitExt, Server };
    const struct Case {
        Refused refused;
        bool multi;
        QString title;
        QString text; // empty: not checked
        int ends;
    } cases[] = {
        {Refused::Init, false, u"Fehler in apiInit()"_s, u"VEDAMIS Fehler 123\r\nT\r\nDas Programm wird abgebrochen!"_s,
         1},
        {Refused::InitExt, true, u"Fehler in apiInitExt(a,b,,)"_s, {}, 1},
        {Refused::Server, true, u"Fehler in enableServer()"_s, {}, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.title.toStdString());
        FakeVedamisApi api;
        ScriptedDialogService dialogs;
        (c.refused == Refused::Init      ? api.refuseInit(123, u"T"_s)
         : c.refused == Refused::InitExt ? api.refuseInitExt(123, u"T"_s)
                                         : api.refuseEnableServer(123, u"T"_s));
        RuntimeSession session(api, dialogs, texts);
        EXPECT_FALSE(session.open(c.multi, {u"a"_s, u"b"_s, QString(), QString()}) || session.isOpen());
        ASSERT_EQ(dialogs.messages().size(), 1);
        const ShownDialog box = dialogs.messages().first();
        EXPECT_EQ(std::tuple(box.title, box.icon), std::tuple(c.title, MessageIcon::Critical));
        EXPECT_TRUE(c.text.isEmpty() || box.text == c.text) << box.text.toStdString();
        EXPECT_TRUE(c.refused != Refused::Server || api.callCount(u"apiInitExt"_s) == 0);
        // A later unload ends nothing: the refused start ended what it had to.
        session.close();
        EXPECT_EQ(api.callCount(u"apiEnd"_s), c.ends);
    }
}

TEST_F(SessionFixture, MultiInstanceStartUsesServerAndExtendedInitialisation)
{
    api.setConfig(u"VedamisVersion"_s, u"7.3.0"_s);
    RuntimeSession session(api, dialogs, texts);
    ASSERT_TRUE(session.open(true, {u"SIM"_s, u"u"_s, u"app"_s, QString()}));
    EXPECT_EQ(api.calls().mid(0, 2), (QStringList{u"enableServer(0)"_s, u"apiInitExt(SIM,u,app,)"_s}));
    EXPECT_EQ(api.callCount(u"apiInit"_s) + dialogs.shown().size(), 0);
    EXPECT_DOUBLE_EQ(session.vedamisVersion(), 7.3);
}

TEST_F(SessionFixture, VersionIsTheLeadingNumberOrZero)
{
    EXPECT_EQ(opened()->vedamisVersion(), 0.0); // unreadable

    const std::pair<QString, double> cases[] = {{u"  6.5"_s, 6.5}, {u"7.3.0"_s, 7.3}, {u"12abc"_s, 12.0},
                                                {u"-2"_s, -2.0},   {u".5"_s, 0.5},    {QString(), 0.0},
                                                {u"-"_s, 0.0},     {u"v7"_s, 0.0}};
    for (const auto &[text, version] : cases)
        EXPECT_DOUBLE_EQ(RuntimeSession::parseVersion(text), version) << text.toStdString();
}

TEST_F(SessionFixture, ConfigurationReadAndRuntimeErrorsReplaceOrExtendTheResults)
{
    api.setConfig(u"EcuPath"_s, u"/data/ecu"_s);
    auto session = opened();
    EXPECT_EQ(session->configValue(u"EcuPath"_s) + session->configValue(u"NoSuchValue"_s), u"/data/ecu"_s);

    RecordingOutput output;
    output.m_text = u"old report\r\n"_s;
    api.apiJob(u"D_MOTOR"_s, u"_JOBS"_s, QString(), QString());
    EXPECT_FALSE(session->reportRuntimeError(output, false)); // no error: the window is left alone
    EXPECT_EQ(std::pair(output.m_text, output.shown), std::pair(u"old report\r\n"_s, 0));

    failJob(u"D_MOTOR"_s, 20, u"description not found"_s);
    EXPECT_TRUE(session->reportRuntimeError(output, false));
    EXPECT_EQ(std::pair(output.m_text, output.shown), std::pair(u"VEDAMIS Fehler 20 : description not found\r\n"_s, 1));

    // The prefix stays German in English.
    texts.selectLanguage(u"E"_s);
    failJob(u"D_GETRIEBE"_s, 21, u"invalid"_s);
    EXPECT_TRUE(session->reportRuntimeError(output, true));
    EXPECT_EQ(output.m_text, u"VEDAMIS Fehler 20 : description not found\r\nVEDAMIS Fehler 21 : invalid\r\n"_s);
}

TEST_F(SessionFixture, EndsOnceAndTheTraceMenuFollowsTraceFileAndLevel)
{
    auto session = opened();
    session->close();
    session->close();
    session.reset();
    opened().reset();
    EXPECT_EQ(api.callCount(u"apiEnd"_s), 2);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    session = opened();
    // Without TracePath the entries keep their state.
    EXPECT_FALSE(session->traceMenuState().known);

    api.setConfig(u"TracePath"_s, dir.path() + QLatin1Char('/'));
    api.setConfig(u"IfhTrace"_s, u"0"_s);
    auto state = [&] {
        const TraceMenuState s = session->traceMenuState();
        return std::tuple(s.known, s.showEnabled, s.clearEnabled);
    };
    EXPECT_EQ(state(), std::tuple(true, false, false));
    EXPECT_EQ(session->traceFilePath(), dir.path() + u"/IFH.TRC"_s);

    QFile trace(dir.filePath(u"IFH.TRC"_s));
    ASSERT_TRUE(trace.open(QIODevice::WriteOnly) && trace.write("telegram\n") > 0);
    trace.close();
    EXPECT_EQ(state(), std::tuple(true, true, true));
    api.setConfig(u"IfhTrace"_s, u"2"_s);
    EXPECT_EQ(state(), std::tuple(true, false, true));
}
