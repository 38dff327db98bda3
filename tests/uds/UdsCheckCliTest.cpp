// The UDS function-table check on the demo fleet through kitbox32-cli check:
// report lines, report order, exit codes and the JUnit form.
#include "CliProcess.h"

#include <QString>

#include <gtest/gtest.h>

using kitbox::testing::runCli;
using namespace Qt::StringLiterals;

namespace {

const QString ecu = QStringLiteral(KITBOX_DATA_DIR "/ecu");

TEST(UdsCheckCli, ExitCodesAndReportLines)
{
    const struct {
        QStringList arguments;
        int exitCode;
        QStringList outContains;
        QStringList errContains;
    } cases[] = {
        // A table without findings frames its three steps and nothing else.
        {{u"check"_s, ecu + u"/D_MOTOR.prg"_s},
         0,
         {u"D_MOTOR: Start Prüfung"_s, u"  Tabelle Header ok"_s, u"D_MOTOR: Ende Prüfung"_s},
         {}},
        // The crafted description breaks one rule per row (the rules are UdsCheckTest's).
        {{u"check"_s, ecu + u"/D_PRUEF.prg"_s},
         3,
         {u"  ! DREHZAHL: Argument nicht eindeutig verwendet!\n    Zeile1: 0x5000 & Zeile2: 0x5001\n"_s,
          u"  ! Zeile12: 0x5011 ($2F), Fehler in RES_TABELLE RES_FEHLT!\n    ! RES_FEHLT: Tabelle nicht gefunden\n"_s},
         {}},
        {{u"check"_s, ecu + u"/D_PRUEF.prg"_s, u"--language"_s, u"en"_s},
         3,
         {u"D_PRUEF: Start Check"_s, u"Use of argument not unique!"_s, u"line1: 0x5000 & line2: 0x5001"_s},
         {}},
        {{u"check"_s, ecu + u"/D_MOTOR2.prg"_s}, 3, {u"  ! Tabelle SG_FUNKTIONEN existiert nicht!\n"_s}, {}},
        {{u"check"_s, ecu + u"/D_PRUEF.prg"_s, u"--format"_s, u"junit"_s}, 3, {u"failures=\"1\" errors=\"0\""_s}, {}},
        {{u"check"_s, ecu + u"/NO_SUCH.prg"_s, ecu + u"/D_MOTOR.prg"_s},
         1,
         {u"D_MOTOR: Ende Prüfung"_s},
         {u"NO_SUCH"_s}},
        {{u"check"_s, ecu + u"/D_MOTOR.prg"_s, u"--format"_s, u"xml"_s}, 2, {}, {u"usage:"_s}},
        {{u"check"_s}, 2, {}, {u"no description named"_s}},
        {{u"check"_s, u"--help"_s}, 0, {u"Exit codes:"_s}, {}},
    };
    for (const auto &c : cases) {
        const auto run = runCli(c.arguments);
        const QString out = QString::fromUtf8(run.out);
        const QString err = QString::fromUtf8(run.err);
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        EXPECT_EQ(run.exitCode, c.exitCode) << err.toStdString();
        for (const QString &part : c.outContains)
            EXPECT_TRUE(out.contains(part)) << part.toStdString() << "\n--- in:\n" << out.toStdString();
        for (const QString &part : c.errContains)
            EXPECT_TRUE(err.contains(part)) << part.toStdString() << "\n--- in:\n" << err.toStdString();
    }
}

// The missing file sits in the middle, so a worker that is out of turn shows;
// a directory's descriptions follow in name order.
TEST(UdsCheckCli, WorkerProcessesGiveTheSameOutputInArgumentOrder)
{
    const QStringList files{ecu + u"/D_PRUEF.prg"_s, ecu + u"/NO_SUCH.prg"_s, ecu};
    for (const QString &format : {u"text"_s, u"junit"_s}) {
        SCOPED_TRACE(format.toStdString());
        const QStringList words = QStringList{u"check"_s} + files + QStringList{u"--format"_s, format, u"--jobs"_s};
        const auto one = runCli(words + QStringList{u"1"_s});
        const auto three = runCli(words + QStringList{u"3"_s});
        EXPECT_EQ(one.exitCode, 1);
        EXPECT_EQ(three.exitCode, 1);
        EXPECT_EQ(three.out, one.out);
        EXPECT_EQ(three.err, one.err);
        const QString out = QString::fromUtf8(one.out);
        qsizetype at = 0;
        for (const char *name : {"D_PRUEF", "NO_SUCH.prg", "D_ALT", "D_BASIS", "D_MOTOR", "D_MOTOR2", "D_PRUEF"}) {
            if (format == u"text" && qstrcmp(name, "NO_SUCH.prg") == 0) {
                EXPECT_FALSE(out.contains(u"NO_SUCH"_s)); // named on standard error only
                continue;
            }
            const QString shown = QString::fromLatin1(name);
            const QString marker = shown + (format == u"text" ? u": Start Prüfung"_s : u"\""_s);
            const qsizetype next = out.indexOf(marker, at);
            ASSERT_GE(next, at) << name;
            at = next + 1;
        }
        if (format == u"junit") {
            EXPECT_TRUE(out.contains(u"tests=\"7\" failures=\"5\" errors=\"1\""_s)) << out.toStdString();
            EXPECT_TRUE(out.contains(u"<testcase classname=\"uds-check\" name=\"D_MOTOR\"></testcase>"_s));
            // Findings are the failure text, escaped for XML.
            EXPECT_TRUE(out.contains(u"RES_TABELLE RES_FEHLT!"_s));
            EXPECT_TRUE(out.contains(u"0x5000 &amp; Zeile2"_s));
        }
    }
    EXPECT_EQ(runCli({u"check"_s, ecu, u"--jobs"_s, u"0"_s}).exitCode, 2);
}

} // namespace
