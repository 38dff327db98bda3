#include "shell/TextCatalogue.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

class BuiltInCatalogue : public ::testing::Test {
protected:
    void SetUp() override
    {
        const kitbox::Status loaded = m_texts.loadBuiltIn();
        ASSERT_TRUE(loaded.ok()) << loaded.error();
        m_texts.setMissingTextHandler(
            [this](const QString &title, const QString &message) { m_reports.emplace_back(title, message); });
    }
    QString english(int id) { return m_texts.rawText(10000 + id); }

    TextCatalogue m_texts;
    std::vector<std::pair<QString, QString>> m_reports;
};

} // namespace

TEST_F(BuiltInCatalogue, EveryGermanTextHasItsEnglishTwin)
{
    // German ids are 1..611 and the program's own 20000..29999; English ones 10000 above.
    const auto isGerman = [](int id) { return id < 10000 || (id >= 20000 && id < 30000); };
    int german = 0;
    int original = 0;
    for (int id : m_texts.ids()) {
        if (isGerman(id)) {
            ++german;
            original += id < 10000 ? 1 : 0;
            EXPECT_TRUE(m_texts.contains(10000 + id)) << id;
        } else {
            EXPECT_TRUE(m_texts.contains(id - 10000)) << id;
            EXPECT_TRUE(isGerman(id - 10000)) << id;
        }
    }
    EXPECT_EQ(original, 253);
    EXPECT_EQ(m_texts.size(), 2 * german);
    EXPECT_EQ(TextCatalogue::shared().size(), m_texts.size());
}

TEST_F(BuiltInCatalogue, TextsAreExactIncludingBlanksQuotesAndAccelerators)
{
    const std::pair<int, QString> cases[] = {
        {2, u" "_s},
        {93, u"ERGEBNIS:  "_s},
        {83, u"Kilometerstand"_s + QString(26, u' ')},
        {34, u"Argument vom Typ Data (ja oder \"\"\"\"=nein)"_s},
        {41, u"Logik (if \"\"Resultname\"\"==\"\"Wert\"\" then Ja else Nein) : Schritt Nr im Nein-Fall\""_s},
        {503, u"\\IFH.TRC nicht löschbar!"_s},
    };
    for (const auto &[id, text] : cases)
        EXPECT_EQ(m_texts.rawText(id), text) << id;
    EXPECT_EQ(english(83).size(), 40);
}

// The first letter of the language picks the English offset; a missing id is reported in the language and yields "".
TEST_F(BuiltInCatalogue, LanguageSelectsTheOffsetAndAMissingIdIsReported)
{
    EXPECT_EQ(m_texts.text(200), u"&Datei"_s);
    m_texts.selectLanguage(u"english"_s);
    EXPECT_EQ(m_texts.text(200), u"&File"_s);
    m_texts.selectLanguage(u"x"_s);
    EXPECT_EQ(m_texts.languageOffset(), 0);
    EXPECT_TRUE(m_reports.empty());
    EXPECT_EQ(m_texts.text(29), QString());
    m_texts.selectLanguage(u"e"_s);
    EXPECT_EQ(m_texts.text(29), QString());
    ASSERT_EQ(m_reports.size(), 2u);
    for (const auto &[report, start] : {std::pair(m_reports[0], u"Unbekannter ResourceString 29\n"_s),
                                        std::pair(m_reports[1], u"Unknown resource string 10029\n"_s)}) {
        EXPECT_EQ(report.first, u"Select_Language"_s);
        EXPECT_TRUE(report.second.startsWith(start)) << report.second.toStdString();
    }
}

TEST(TextCatalogueLookup, NoReportForTheReportTextsThemselves)
{
    TextCatalogue empty;
    int reports = 0;
    QString message;
    empty.setMissingTextHandler([&](const QString &, const QString &m) {
        ++reports;
        message = m;
    });
    EXPECT_EQ(empty.text(3), QString());
    EXPECT_EQ(empty.text(4), QString());
    EXPECT_EQ(reports, 0);
    EXPECT_EQ(empty.text(10), QString());
    EXPECT_EQ(reports, 1);
    EXPECT_TRUE(message.startsWith(u" 10\n"_s)); // text 3 itself is missing
}

TEST(TextCatalogueLookup, AnOffsetThatPushesIdsOutOfRangeFindsNothing)
{
    for (const char *offset : {"2147483647", "-2147483648", "99999999999"}) {
        TextCatalogue texts;
        ASSERT_TRUE(texts.load("1\t"_ba + offset + "|\n10\tTen|\n"_ba).ok());
        int reports = 0;
        texts.setMissingTextHandler([&](const QString &, const QString &) { ++reports; });
        texts.selectLanguage(u"E"_s);
        EXPECT_EQ(texts.text(10), QString()) << offset;
        EXPECT_GT(reports, 0) << offset;
    }
}

TEST(TextCatalogueData, MalformedDataIsRejectedWithTheLine)
{
    TextCatalogue texts;
    ASSERT_TRUE(texts.load("# header\n\n1\t10000|\r\n10001\ta\\tb\\\\c\\r\\n|\n").ok());
    EXPECT_EQ(texts.rawText(10001), u"a\tb\\c\r\n"_s);

    const std::vector<std::pair<QByteArray, std::string>> bad = {
        {"1\t10000|\n2\tno end marker\n", "line 2"},
        {"1\tx|\n1\ty|\n", "twice"},
        {"700\tout of range|\n", "id"},
        {"abc\tx|\n", "id"},
        {"5 without tab|\n", "tab"},
        {"5\tbad \\q escape|\n", "escape"},
        {"5\tcut off \\|\n", "escape"},
        {"5\t\xFF\xFE|\n", "UTF-8"},
    };
    for (const auto &[data, expected] : bad) {
        const kitbox::Status status = texts.load(data);
        ASSERT_FALSE(status.ok()) << data.toStdString();
        EXPECT_NE(status.error().find(expected), std::string::npos) << status.error();
        EXPECT_EQ(texts.rawText(1), u"10000"_s) << "a failed load keeps the old texts";
    }
}
