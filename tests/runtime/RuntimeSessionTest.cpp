#include "runtime/RuntimeSession.h"
#include "TestTexts.h"
#include "execution/ResultsOutput.h"
#include "runtime/FakeVedamisApi.h"
#include "shell/ScriptedDialogService.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kitbox;

namespace {

class RecordingOutput : public ResultsOutput {
public:
    void showNormal() override { ++shown; }
    QString text() const override { return m_text; }
    void setText(const QString &text) override { m_text = text; }
    int shown = 0;
    QString m_text;
};

struct SessionFixture : ::testing::Test {
    FakeVedamisApi api;
    ScriptedDialogService dialogs;
    TextCatalogue texts = loadTexts();
};

} // namespace

TEST_F(SessionFixture, RefusedPlainStartShowsThreeLineBoxAndEndsTheRuntime)
{
    api.refuseInit(123, QStringLiteral("T"));
    RuntimeSession session(api, dialogs, texts);
    EXPECT_FALSE(session.open(false, {}));
    EXPECT_FALSE(session.isOpen());

    ASSERT_EQ(dialogs.messages().size(), 1);
    const ShownDialog box = dialogs.messages().first();
    EXPECT_EQ(box.title, QStringLiteral("Fehler in apiInit()"));
    EXPECT_EQ(box.text, QStringLiteral("VEDAMIS Fehler 123\r\nT\r\nDas Programm wird abgebrochen!"));
    EXPECT_EQ(box.icon, MessageIcon::Critical);
    EXPECT_EQ(api.callCount(QStringLiteral("apiEnd")), 1);
    // A later unload must not end the runtime a second time.
    session.close();
    EXPECT_EQ(api.callCount(QStringLiteral("apiEnd")), 1);
}

TEST_F(SessionFixture, StartFailureBoxFollowsTheLanguage)
{
    texts.selectLanguage(QStringLiteral("E"));
    api.refuseInit(7, QStringLiteral("no interface"));
    RuntimeSession session(api, dialogs, texts);
    EXPECT_FALSE(session.open(false, {}));
    const ShownDialog box = dialogs.messages().value(0);
    EXPECT_EQ(box.title, QStringLiteral("Failure in apiInit()"));
    EXPECT_EQ(box.text, QStringLiteral("VEDAMIS failure7\r\nno interface\r\nabort the program!"));
}

TEST_F(SessionFixture, MultiInstanceStartUsesServerAndExtendedInitialisation)
{
    api.setConfig(QStringLiteral("VedamisVersion"), QStringLiteral("7.3.0"));
    RuntimeSession session(api, dialogs, texts);
    ASSERT_TRUE(session.open(true, {QStringLiteral("SIM"), QStringLiteral("u"), QStringLiteral("app"), QString()}));
    EXPECT_EQ(api.calls().value(0), QStringLiteral("enableServer(0)"));
    EXPECT_EQ(api.calls().value(1), QStringLiteral("apiInitExt(SIM,u,app,)"));
    EXPECT_EQ(api.callCount(QStringLiteral("apiInit")), 0);
    EXPECT_DOUBLE_EQ(session.vedamisVersion(), 7.3);
    EXPECT_TRUE(dialogs.shown().isEmpty());
}

TEST_F(SessionFixture, RefusedServerEndsWithoutEndingTheRuntime)
{
    api.refuseEnableServer(5, QStringLiteral("busy"));
    RuntimeSession session(api, dialogs, texts);
    EXPECT_FALSE(session.open(true, {}));
    EXPECT_EQ(dialogs.messages().value(0).title, QStringLiteral("Fehler in enableServer()"));
    EXPECT_EQ(api.callCount(QStringLiteral("apiInitExt")), 0);
    EXPECT_EQ(api.callCount(QStringLiteral("apiEnd")), 0);
}

TEST_F(SessionFixture, RefusedExtendedStartNamesTheFourTextsInTheTitle)
{
    api.refuseInitExt(9, QStringLiteral("x"));
    RuntimeSession session(api, dialogs, texts);
    EXPECT_FALSE(session.open(true, {QStringLiteral("a"), QStringLiteral("b"), QString(), QString()}));
    EXPECT_EQ(dialogs.messages().value(0).title, QStringLiteral("Fehler in apiInitExt(a,b,,)"));
    EXPECT_EQ(api.callCount(QStringLiteral("apiEnd")), 1);
}

TEST_F(SessionFixture, VersionIsZeroWhenUnreadableOrNotANumber)
{
    {
        RuntimeSession session(api, dialogs, texts);
        ASSERT_TRUE(session.open(false, {}));
        EXPECT_EQ(session.vedamisVersion(), 0.0);
    }
    api.setConfig(QStringLiteral("VedamisVersion"), QStringLiteral("beta"));
    RuntimeSession session(api, dialogs, texts);
    ASSERT_TRUE(session.open(false, {}));
    EXPECT_EQ(session.vedamisVersion(), 0.0);
}

TEST(RuntimeVersion, ReadsTheLeadingNumber)
{
    EXPECT_DOUBLE_EQ(RuntimeSession::parseVersion(QStringLiteral("  6.5")), 6.5);
    EXPECT_DOUBLE_EQ(RuntimeSession::parseVersion(QStringLiteral("7.3.0")), 7.3);
    EXPECT_DOUBLE_EQ(RuntimeSession::parseVersion(QStringLiteral("12abc")), 12.0);
    EXPECT_DOUBLE_EQ(RuntimeSession::parseVersion(QStringLiteral("-2")), -2.0);
    EXPECT_DOUBLE_EQ(RuntimeSession::parseVersion(QStringLiteral(".5")), 0.5);
    EXPECT_EQ(RuntimeSession::parseVersion(QStringLiteral("")), 0.0);
    EXPECT_EQ(RuntimeSession::parseVersion(QStringLiteral("-")), 0.0);
    EXPECT_EQ(RuntimeSession::parseVersion(QStringLiteral("v7")), 0.0);
}

TEST_F(SessionFixture, ConfigurationReadTrimsTheNameAndGivesEmptyOnFailure)
{
    api.setConfig(QStringLiteral("EcuPath"), QStringLiteral("/data/ecu"));
    RuntimeSession session(api, dialogs, texts);
    ASSERT_TRUE(session.open(false, {}));
    EXPECT_EQ(session.configValue(QStringLiteral("  EcuPath ")), QStringLiteral("/data/ecu"));
    EXPECT_TRUE(api.calls().contains(QStringLiteral("apiGetConfig(EcuPath)")));
    EXPECT_EQ(session.configValue(QStringLiteral("NoSuchValue")), QString());
}

TEST_F(SessionFixture, RuntimeErrorReplacesTheResultTextOrAppendsDuringUdsListCheck)
{
    RuntimeSession session(api, dialogs, texts);
    ASSERT_TRUE(session.open(false, {}));
    RecordingOutput output;
    output.m_text = QStringLiteral("old report\r\n");

    api.setJobError(QStringLiteral("D_MOTOR"), QStringLiteral("_JOBS"), 20, QStringLiteral("description not found"));
    api.apiJob(QStringLiteral("D_MOTOR"), QStringLiteral("_JOBS"), QString(), QString());
    EXPECT_TRUE(session.reportRuntimeError(output, false));
    EXPECT_EQ(output.m_text, QStringLiteral("VEDAMIS Fehler 20 : description not found\r\n"));
    EXPECT_EQ(output.shown, 1);

    api.setJobError(QStringLiteral("D_GETRIEBE"), QStringLiteral("_JOBS"), 21, QStringLiteral("invalid"));
    api.apiJob(QStringLiteral("D_GETRIEBE"), QStringLiteral("_JOBS"), QString(), QString());
    EXPECT_TRUE(session.reportRuntimeError(output, true));
    EXPECT_EQ(output.m_text,
              QStringLiteral("VEDAMIS Fehler 20 : description not found\r\nVEDAMIS Fehler 21 : invalid\r\n"));
}

TEST_F(SessionFixture, NoRuntimeErrorLeavesTheResultsWindowAlone)
{
    RuntimeSession session(api, dialogs, texts);
    ASSERT_TRUE(session.open(false, {}));
    RecordingOutput output;
    output.m_text = QStringLiteral("report");
    api.apiJob(QStringLiteral("D_MOTOR"), QStringLiteral("_JOBS"), QString(), QString());
    EXPECT_FALSE(session.reportRuntimeError(output, false));
    EXPECT_EQ(output.m_text, QStringLiteral("report"));
    EXPECT_EQ(output.shown, 0);
}

TEST_F(SessionFixture, ErrorLinePrefixIsTheSameInEnglish)
{
    texts.selectLanguage(QStringLiteral("E"));
    RuntimeSession session(api, dialogs, texts);
    ASSERT_TRUE(session.open(false, {}));
    api.setJobError(QStringLiteral("X"), QStringLiteral("J"), 44, QStringLiteral("failed"));
    api.apiJob(QStringLiteral("X"), QStringLiteral("J"), QString(), QString());
    EXPECT_EQ(session.runtimeErrorLine(), QStringLiteral("VEDAMIS Fehler 44 : failed\r\n"));
}

TEST_F(SessionFixture, SessionEndsOnceAtUnloadAndOnDestruction)
{
    {
        RuntimeSession session(api, dialogs, texts);
        ASSERT_TRUE(session.open(false, {}));
        session.close();
        session.close();
    }
    EXPECT_EQ(api.callCount(QStringLiteral("apiEnd")), 1);
    {
        RuntimeSession session(api, dialogs, texts);
        ASSERT_TRUE(session.open(false, {}));
    }
    EXPECT_EQ(api.callCount(QStringLiteral("apiEnd")), 2);
}

TEST_F(SessionFixture, TraceMenuFollowsTraceFileAndLevel)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    RuntimeSession session(api, dialogs, texts);
    ASSERT_TRUE(session.open(false, {}));

    // Without TracePath the entries keep their state.
    EXPECT_FALSE(session.traceMenuState().known);

    api.setConfig(QStringLiteral("TracePath"), dir.path() + QLatin1Char('/'));
    api.setConfig(QStringLiteral("IfhTrace"), QStringLiteral("0"));
    TraceMenuState state = session.traceMenuState();
    EXPECT_TRUE(state.known);
    EXPECT_FALSE(state.showEnabled);
    EXPECT_FALSE(state.clearEnabled);
    EXPECT_EQ(session.traceFilePath(), dir.path() + QStringLiteral("/IFH.TRC"));

    QFile trace(dir.filePath(QStringLiteral("IFH.TRC")));
    ASSERT_TRUE(trace.open(QIODevice::WriteOnly));
    trace.write("telegram\n");
    trace.close();
    state = session.traceMenuState();
    EXPECT_TRUE(state.showEnabled);
    EXPECT_TRUE(state.clearEnabled);

    api.setConfig(QStringLiteral("IfhTrace"), QStringLiteral("2"));
    state = session.traceMenuState();
    EXPECT_FALSE(state.showEnabled);
    EXPECT_TRUE(state.clearEnabled);
}
