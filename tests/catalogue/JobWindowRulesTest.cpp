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
    EXPECT_EQ(history.size(), 20);
    EXPECT_EQ(history.first(), s("24"));
    EXPECT_EQ(history.last(), s("5"));
}

TEST(JobWindowRules, ResultFilterJoinsUpToTheFirstDashedEntry)
{
    EXPECT_EQ(JobWindowRules::resultFilter({s("stat_a"), s("stat_b")}), s("stat_a;stat_b"));
    EXPECT_EQ(JobWindowRules::resultFilter({s("stat_a"), s("---- preview ----"), s("stat_b")}), s("stat_a"));
    EXPECT_EQ(JobWindowRules::resultFilter({s("---- x")}), QString());
    QStringList names;
    for (int i = 0; i < 25; ++i)
        names.append(QString(10, QLatin1Char('r')));
    EXPECT_TRUE(JobWindowRules::resultSelectionFits(names)); // 250
    names.append(s("123456"));
    EXPECT_FALSE(JobWindowRules::resultSelectionFits(names)); // 256
}

TEST(JobWindowRules, SearchIsCircularFromTheSelectedEntryAndCaseSensitive)
{
    const QStringList jobs{s("ident"), s("status_lesen"), s("steuern"), s("---- uses: d_basis"), s("status_x")};
    EXPECT_EQ(JobWindowRules::search(jobs, 0, s("st")), 1);
    EXPECT_EQ(JobWindowRules::search(jobs, 2, s("stat")), 4);
    EXPECT_EQ(JobWindowRules::search(jobs, 4, s("id")), 0);
    EXPECT_EQ(JobWindowRules::search(jobs, 1, s("status_l")), 1);
    EXPECT_EQ(JobWindowRules::search(jobs, 0, s("ST")), -1);
    EXPECT_EQ(JobWindowRules::search(jobs, 0, s("q")), -1);
    EXPECT_EQ(JobWindowRules::search({}, 0, s("q")), -1);
}

TEST(JobWindowRules, AssistantsAndComposeButton)
{
    EXPECT_TRUE(JobWindowRules::composeEnabled(s(" status_lesen "), true));
    EXPECT_FALSE(JobWindowRules::composeEnabled(s("status_lesen"), false));
    EXPECT_FALSE(JobWindowRules::composeEnabled(s("status_lesen2"), true));
    EXPECT_EQ(JobWindowRules::assistantFor(s("steuern_io")).service, s("2F"));
    EXPECT_EQ(JobWindowRules::assistantFor(s("STEUERN")).service, s("2E"));
    EXPECT_EQ(JobWindowRules::assistantFor(s("steuern_routine")).service, s("31"));
    EXPECT_EQ(JobWindowRules::assistantFor(s("status_lesen")).assistant, JobWindowRules::Assistant::StatusRead);
}
