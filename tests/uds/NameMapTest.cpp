// The name map behind the check's lookups: every key kept through growth,
// and keys that differ only in length, in their last character or in a
// character of a full eight-byte step are told apart.
#include "uds/NameMap.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace kitbox;

TEST(NameMap, KeepsEveryKeyThroughGrowthAndTellsNearKeysApart)
{
    // Lengths 0..19 cover keys shorter than one hashing step, exactly one
    // or two steps, and steps with a tail.
    QStringList keys;
    for (int i = 0; i < 3000; ++i)
        keys << QStringLiteral("RES_%1").arg(i).leftJustified(i % 20, QLatin1Char('X'), true);
    keys.removeDuplicates();
    ASSERT_GT(keys.size(), 1000);
    NameMap<int> map;
    for (qsizetype i = 0; i < keys.size(); ++i)
        map[keys.at(i)] = int(i) + 1;
    ASSERT_EQ(map.size(), keys.size());

    for (qsizetype i = 0; i < keys.size(); ++i) {
        const QString &key = keys.at(i);
        const int *found = map.find(key);
        ASSERT_NE(found, nullptr) << qPrintable(key);
        EXPECT_EQ(*found, i + 1) << qPrintable(key);
        // A key again gives its value and adds nothing.
        EXPECT_EQ(map[QString(key)], i + 1);
    }
    EXPECT_EQ(map.size(), keys.size());

    // Near misses of every key: one more character, the last or the first
    // one changed, the key in lower case.
    int nearMisses = 0;
    for (const QString &key : std::as_const(keys)) {
        QStringList near = {key + QLatin1Char('#'), key.toLower()};
        if (!key.isEmpty())
            near << key.chopped(1) + QLatin1Char('#') << QLatin1Char('#') + key.mid(1);
        for (const QString &miss : std::as_const(near)) {
            if (keys.contains(miss))
                continue;
            ++nearMisses;
            EXPECT_EQ(map.find(miss), nullptr) << qPrintable(miss);
        }
    }
    EXPECT_GT(nearMisses, 2000);
    EXPECT_EQ(NameMap<int>().find(QStringLiteral("A")), nullptr);
}
