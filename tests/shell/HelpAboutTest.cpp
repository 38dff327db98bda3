#include "shell/HelpAbout.h"
#include "Support.h"
#include "shell/ScriptedDialogService.h"
#include "shell/Settings.h"
#include "shell/TextCatalogue.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QUrl>

#include <vector>

using namespace kitbox;
using namespace Qt::StringLiterals;

TEST(HelpAbout, EntriesAreEnabledExactlyWhenTheirFileIsThere)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString bin = root.filePath(u"bin"_s);
    const QString data = root.filePath(u"share/kitbox32"_s);
    QDir().mkpath(bin);
    // FAQ beside the program tree, UDS guide only in the data directory,
    // news and runtime help nowhere; a directory named like a document does not count.
    writeAll(root.filePath(u"doku/deutsch/FAQ.pdf"_s));
    writeAll(data + u"/doku/deutsch/Anleitung_STATUS_STEUERN_UDS.pdf"_s);
    writeAll(data + u"/doku/english/FAQ.pdf"_s);
    QDir().mkpath(data + u"/Kitbox32_News.pdf"_s);

    const struct {
        bool english;
        std::vector<bool> available;
        QString faqPath;
    } cases[] = {
        {false, {true, true, false, false}, root.filePath(u"doku/deutsch/FAQ.pdf"_s)},
        {true, {false, true, false, false}, data + u"/doku/english/FAQ.pdf"_s},
    };
    for (const auto &c : cases) {
        const QList<HelpDocument> docs = HelpAbout::documents(bin, data, c.english);
        ASSERT_EQ(docs.size(), 4);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(docs[i].available, c.available[size_t(i)]) << docs[i].path.toStdString();
        EXPECT_EQ(QDir::cleanPath(docs[1].path), QDir::cleanPath(c.faqPath));
    }
    // Nothing installed: every entry disabled.
    for (const HelpDocument &d : HelpAbout::documents(root.filePath(u"none/bin"_s), QString(), false))
        EXPECT_FALSE(d.available) << d.path.toStdString();

    // Without a guide there is no context help.
    EXPECT_TRUE(HelpAbout::contextHelpUrl(bin, data, false, u"Job_Form"_s).isEmpty());
}

TEST(HelpAbout, AboutBoxListsEveryValueThroughTheDialogSeam)
{
    TextCatalogue texts;
    ASSERT_TRUE(texts.loadBuiltIn().ok());
    QTemporaryDir dir;
    const QString ini = dir.filePath(u"kitbox32.INI"_s);
    writeAll(ini);
    HelpAbout::AboutValues v;
    v.version = u"1.2.3"_s;
    v.settingsPath = ini;
    v.screenWidth = 1400;
    v.screenHeight = 900;
    v.storeSizes = {10, 0, 12345, 7};
    ScriptedDialogService dialogs;
    HelpAbout::showAbout(v, texts, dialogs);
    ASSERT_EQ(dialogs.messages().size(), 1);
    const ShownDialog shown = dialogs.messages().first();
    EXPECT_EQ(std::pair(shown.title, shown.icon), std::pair(u"About ..."_s, MessageIcon::Information));
    // Labels padded to 15, groups apart, sizes in bytes.
    EXPECT_TRUE(shown.text.startsWith(u"Version        \t: 1.2.3\n"_s)) << shown.text.toStdString();
    EXPECT_TRUE(shown.text.contains(u"\n\nINI            \t: "_s + ini + u"\n\n"_s));
    EXPECT_TRUE(
        shown.text.endsWith(u"\nVideo          \t: 1400*900\nPuffer:\nArgument       \t: 10 Byte\n"
                            "Result         \t: 0 Byte\nComment        \t: 12345 Byte\nTable          \t: 7 Byte\n"_s));

    // A settings file that does not exist is left out, and the labels follow the language.
    v.settingsPath = dir.filePath(u"gone.INI"_s);
    texts.selectLanguage(u"E"_s);
    const QString english = HelpAbout::aboutText(v, texts);
    EXPECT_FALSE(english.contains(u"INI"_s));
    EXPECT_TRUE(english.startsWith(texts.text(51).leftJustified(15) + u"\t: 1.2.3"_s));
}

TEST(RecentFiles, ListRules)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto file = [&dir](const char *name) { return dir.filePath(QString::fromLatin1(name)); };
    // Each letter a file of the list, the newest first.
    const char *const names[] = {"A.PRG", "B.PRG", "C.GRP", "D.TST", "E.PRG", "F.PRG"};
    auto files = [&](const char *letters) {
        QStringList list;
        for (const char *l = letters; *l; ++l)
            list << file(names[*l - 'A']);
        return list;
    };
    for (const QString &f : files("ABCDEF"))
        writeAll(f);
    const struct {
        const char *name, *start;
        QString added;
        bool changed;
        const char *expected;
    } cases[] = {
        {"sixth file drops the oldest", "EDCBA", file("F.PRG"), true, "FEDCB"},
        {"entry 3 moves first, 4 and 5 stay", "EDCBA", file("C.GRP"), true, "CEDBA"},
        {"entry 1 again changes nothing visible", "EDCBA", file("E.PRG"), true, "EDCBA"},
        {"missing file ignored", "EDCBA", file("X.PRG"), false, "EDCBA"},
        {"empty path ignored", "EDCBA", QString(), false, "EDCBA"},
        {"a directory is no file", "", dir.path(), false, ""},
        {"cut at NUL", "", file("A.PRG") + QChar(u'\0') + u"rubbish"_s, true, "A"},
        {"cut three after the extension's dot", "", file("B.PRGxyz  "), true, "B"},
        {"blanks trimmed", "", u"  "_s + file("C.GRP") + u" "_s, true, "C"},
    };
    for (const auto &c : cases) {
        Settings s;
        s.recentFiles() = files(c.start);
        EXPECT_EQ(s.addRecentFile(c.added), c.changed) << c.name;
        EXPECT_EQ(s.recentFiles(), files(c.expected)) << c.name;
    }
    // A dot in a directory name is not the extension.
    EXPECT_EQ(Settings::recentFileName(u"/x.y/data/ABC"_s), u"/x.y/data/ABC"_s);
}

TEST(HelpAbout, BuiltDocumentsAreFoundInTheDataDirectory)
{
    // The build makes every document but the runtime's own help; the context
    // help finds its window's section in the HTML guide.
    const QString bin = QStringLiteral(KITBOX_BIN_DIR);
    const QString data = QStringLiteral(KITBOX_DATA_DIR);
    for (bool english : {false, true}) {
        const QList<HelpDocument> docs = HelpAbout::documents(bin, data, english);
        ASSERT_EQ(docs.size(), 4);
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(docs[i].available) << docs[i].path.toStdString();
        const QUrl url(HelpAbout::contextHelpUrl(bin, data, english, u"Prg_Kon_Form"_s));
        QFile html(url.toLocalFile());
        ASSERT_TRUE(html.open(QIODevice::ReadOnly)) << url.toString().toStdString();
        EXPECT_TRUE(html.readAll().contains("name=\"prg_kon_form\""));
    }
}

TEST(HelpAbout, ContextHelpPrefersTheCatalogueHelpFileAndFallsBackToTheGuide)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString bin = root.filePath(u"Kit/bin"_s);
    const QString data = root.filePath(u"Kit/share/kitbox32"_s);
    writeAll(data + u"/doku/deutsch/Kitbox32_Anleitung.html"_s);
    writeAll(data + u"/doku/english/Kitbox32_Anleitung.html"_s);
    TextCatalogue texts;
    ASSERT_TRUE(texts.loadBuiltIn().ok());
    // German text 2 is a blank (trimmed away), English "_E"; the directory keeps its case.
    for (const auto &[language, file] :
         {std::pair{u"D"_s, u"KITBOX32.CHM"_s}, std::pair{u"E"_s, u"KITBOX32_E.CHM"_s}}) {
        texts.selectLanguage(language);
        const QString helpFile = texts.helpFileName(bin, u"kitbox32"_s);
        EXPECT_EQ(helpFile, bin + u'/' + file);
        const QUrl guide(HelpAbout::contextHelpUrl(bin, data, texts.isEnglish(), u"Job_Form"_s, helpFile));
        EXPECT_EQ(guide.fileName(), u"Kitbox32_Anleitung.html"_s);
        EXPECT_EQ(guide.fragment(), u"job_form"_s);
        writeAll(helpFile);
        const QUrl help(HelpAbout::contextHelpUrl(bin, data, texts.isEnglish(), u"Job_Form"_s, helpFile));
        EXPECT_EQ(help.toLocalFile(), helpFile);
        EXPECT_TRUE(help.fragment().isEmpty());
    }
}
