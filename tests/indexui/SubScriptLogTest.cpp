#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/indexui/CSubScriptLogInfo.h"

using TC::CSubScriptLogInfo;

TEST(SubScriptLog, FollowsOnlySubscribedRequestsOfItsFormula)
{
    auto s = std::make_shared<CSubScriptLogInfo>(QStringLiteral(" PYDEMO "));
    EXPECT_EQ(s->getFormula(), QStringLiteral("PYDEMO"));

    CSubScriptLogInfo::subscribe(s, QStringLiteral("pydemo"), QStringLiteral("r1"));
    CSubScriptLogInfo::subscribe(s, QStringLiteral("PYDEMO"), QStringLiteral("r1")); // once only
    CSubScriptLogInfo::subscribe(s, QStringLiteral("MACD"), QStringLiteral("r2"));   // another formula
    CSubScriptLogInfo::subscribe(s, QStringLiteral("PYDEMO"), QString());
    CSubScriptLogInfo::subscribe(nullptr, QStringLiteral("PYDEMO"), QStringLiteral("r3"));
    EXPECT_EQ(s->requestIds(), QStringList{QStringLiteral("r1")});

    s->appendLog(QStringLiteral("r1"), QStringLiteral("buy 100"));
    s->appendLog(QStringLiteral("r2"), QStringLiteral("not mine"));
    s->appendLog(QStringLiteral("r1"), QStringLiteral("a\nb\r\nc\n"));
    EXPECT_EQ(s->lines(), (QStringList{QStringLiteral("buy 100"), QStringLiteral("a"), QStringLiteral("b"),
                                       QStringLiteral("c")}));
    s->appendLog(QStringLiteral("r1"), QString());
    EXPECT_EQ(s->lines().size(), 5); // an empty print is a line too
    s->clearLines();
    EXPECT_TRUE(s->lines().isEmpty());
    EXPECT_TRUE(s->follows(QStringLiteral("r1")));
}

TEST(SubScriptLog, KeepsTheNewestLinesAndIds)
{
    auto s = std::make_shared<CSubScriptLogInfo>(QStringLiteral("F"));
    for (int i = 0; i < CSubScriptLogInfo::kMaxRequestIds + 10; ++i)
        CSubScriptLogInfo::subscribe(s, QStringLiteral("F"), QStringLiteral("id%1").arg(i));
    const QStringList ids = s->requestIds();
    ASSERT_EQ(ids.size(), CSubScriptLogInfo::kMaxRequestIds);
    EXPECT_EQ(ids.front(), QStringLiteral("id10"));
    EXPECT_FALSE(s->follows(QStringLiteral("id0")));

    const QString id = ids.back();
    for (int i = 0; i < CSubScriptLogInfo::kMaxLines + 250; ++i)
        s->appendLog(id, QString::number(i));
    const QStringList lines = s->lines();
    ASSERT_EQ(lines.size(), CSubScriptLogInfo::kMaxLines);
    EXPECT_EQ(lines.front(), QStringLiteral("250"));
    EXPECT_EQ(lines.back(), QString::number(CSubScriptLogInfo::kMaxLines + 249));
}

TEST(SubScriptLog, LinesFromSeveralThreadsAreAllKept)
{
    auto s = std::make_shared<CSubScriptLogInfo>(QStringLiteral("F"));
    CSubScriptLogInfo::subscribe(s, QStringLiteral("F"), QStringLiteral("a"));
    CSubScriptLogInfo::subscribe(s, QStringLiteral("F"), QStringLiteral("b"));
    std::vector<std::thread> threads;
    for (const char* id : {"a", "b", "a", "b"})
        threads.emplace_back([s, id] {
            for (int i = 0; i < 200; ++i)
                s->appendLog(QString::fromLatin1(id), QStringLiteral("x"));
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(s->lines().size(), 800);
}
