#include "catalogue/JobWindowRules.h"

#include <gtest/gtest.h>

#include "CatalogueTestSupport.h"

using kitbox::JobWindowRules;
using kitbox::test::s;

TEST(JobWindowRules, HistoryKeepsOneEntryAtTheTopAndAtMostTwenty)
{
    QStringList history;
    JobWindowRules::addToHistory(history, s("  1;2 "));
    JobWindowRules::addToHistory(history, s("x"));
    JobWindowRules::addToHistory(history, s("1;2"));
    EXPECT_EQ(history, (QStringList{s("1;2"), s("x")}));
    JobWindowRules::addToHistory(history, s("   "));
    EXPECT_EQ(history.size(), 2);
    for (int i = 0; i < 25; ++i)
        JobWindowRules::addToHistory(history, QString::number(i));
    EXPECT_EQ(std::tuple(history.size(), history.first(), history.last()), std::tuple(qsizetype(20), s("24"), s("5")));
}

TEST(JobWindowRules, ResultFilterJoinsUpToTheFirstDashedEntry)
{
    EXPECT_EQ(JobWindowRules::resultFilter({s("stat_a"), s("stat_b")}), s("stat_a;stat_b"));
    EXPECT_EQ(JobWindowRules::resultFilter({s("stat_a"), s("---- preview ----"), s("stat_b")}), s("stat_a"));
    EXPECT_EQ(JobWindowRules::resultFilter({s("---- x")}), QString());
    const QStringList names(25, QString(10, u'r'));
    EXPECT_TRUE(JobWindowRules::resultSelectionFits(names + QStringList{s("12345")}));   // 255
    EXPECT_FALSE(JobWindowRules::resultSelectionFits(names + QStringList{s("123456")})); // 256
}

TEST(JobWindowRules, SearchIsCircularFromTheSelectedEntryAndCaseSensitive)
{
    const QStringList jobs{s("ident"), s("status_lesen"), s("steuern"), s("---- uses: d_basis"), s("status_x")};
    const auto search = [&jobs](int selected, const char *prefix) {
        return JobWindowRules::search(jobs, selected, s(prefix));
    };
    EXPECT_EQ((QList<int>{search(0, "st"), search(2, "stat"), search(4, "id"), search(1, "status_l"), search(0, "ST"),
                          search(0, "q"), JobWindowRules::search({}, 0, s("q"))}),
              (QList<int>{1, 4, 0, 1, -1, -1, -1}));
}

TEST(JobWindowRules, AssistantsAndComposeButton)
{
    EXPECT_TRUE(JobWindowRules::composeEnabled(s(" status_lesen "), true));
    EXPECT_FALSE(JobWindowRules::composeEnabled(s("status_lesen"), false));
    EXPECT_FALSE(JobWindowRules::composeEnabled(s("status_lesen2"), true));
    EXPECT_EQ(JobWindowRules::assistantFor(s("steuern_io")).service, s("2F"));
    EXPECT_EQ(JobWindowRules::assistantFor(s("status_lesen")).assistant, JobWindowRules::Assistant::StatusRead);
}
