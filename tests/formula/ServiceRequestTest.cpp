// Request bookkeeping of the formula service with a small fake backend: when
// and in which order answers come, and that nothing comes after a cancel.
#include <QCoreApplication>
#include <QSet>

#include <gtest/gtest.h>

#include "platform/formula/service/CFormulaManager.h"
#include "platform/formula/service/CMergeRequestManager.h"

using TC::CFormulaBackend;
using TC::CFormulaManager;
using TC::CFormulaParam;

namespace {

// Three bars per record whose values encode the record; "BAD" fails; group
// models ("GRP") draw a line crossing zero twice.
CFormulaBackend fakeBackend()
{
    CFormulaBackend b;
    b.compute = [](const CFormulaParam& p, se::RPCFormulaMetaResult& meta, se::RPCFormulaResult& result,
                   QString* error) {
        if (p.formula == QLatin1String("BAD")) {
            if (error)
                *error = QStringLiteral("no such formula BAD");
            return false;
        }
        meta.names = {p.formula.toStdString()};
        meta.columns = {{0}};
        result.stockKey = p.stockKey().toStdString();
        const std::vector<double> line = p.formula == QLatin1String("GRP")
                                             ? std::vector<double>{-1, 1, 2, -3, 4}
                                             : std::vector<double>{1, 2, 3};
        for (size_t i = 0; i < line.size(); ++i) {
            result.times.push_back({qint64(i + 1) * 60000, 0});
            result.barFlags.push_back(1);
        }
        result.values = {line};
        result.columnMap = {{0, 0}};
        return true;
    };
    b.computeTail = [](const CFormulaParam&, const se::RPCFormulaResult&, CFormulaBackend::Updates&,
                       QString*) { return true; };
    b.isGroupModel = [](const CFormulaParam& p) { return p.formula == QLatin1String("GRP"); };
    return b;
}

CFormulaParam record(const QString& formula, const QString& id = QString())
{
    CFormulaParam p;
    p.market = QStringLiteral("SH");
    p.code = QStringLiteral("600000");
    p.formula = formula;
    p.requestId = id;
    return p;
}

struct Answer {
    QString id;
    int dataType = -1;
    QString text;
    bool metaNull = true;
    bool resultNull = true;
    int bars = -1;
};

class ServiceRequest : public ::testing::Test
{
protected:
    void SetUp() override { manager()->setBackend(fakeBackend()); }
    void TearDown() override
    {
        QCoreApplication::processEvents();
        manager()->unrequestFormulas(manager()->requestIds().toVector());
        manager()->resetBackend();
    }
    static CFormulaManager* manager() { return CFormulaManager::instance(); }

    CFormulaManager::HistoryCallback recorder()
    {
        return [this](const CFormulaManager::MetaPtr& meta, const CFormulaManager::ResultPtr& result,
                      QString id, int dataType, QString text, bool) {
            Answer a;
            a.id = id;
            a.dataType = dataType;
            a.text = text;
            a.metaNull = !meta;
            a.resultNull = !result;
            a.bars = result ? result->barCount() : -1;
            m_answers.append(a);
        };
    }
    QStringList answeredIds() const
    {
        QStringList ids;
        for (const Answer& a : m_answers)
            ids << a.id;
        return ids;
    }

    QVector<Answer> m_answers;
};

} // namespace

TEST_F(ServiceRequest, historyComesFromTheEventLoopInRecordOrder)
{
    manager()->requestFormulas({record("MA", "b"), record("KDJ", "a"), record("VOL", "c")}, recorder(), {});
    manager()->requestFormulas({record("MACD", "d")}, recorder(), {});
    EXPECT_TRUE(m_answers.isEmpty()) << "answered inside the call";
    QCoreApplication::processEvents();
    EXPECT_EQ(answeredIds(), QStringList({"b", "a", "c", "d"}));
    for (const Answer& a : m_answers) {
        EXPECT_EQ(a.dataType, CFormulaManager::kHistoryComplete);
        EXPECT_EQ(a.bars, 3);
        EXPECT_TRUE(a.text.isEmpty());
    }
    // Answered once: more turns of the loop say nothing more.
    QCoreApplication::processEvents();
    EXPECT_EQ(m_answers.size(), 4);
}

TEST_F(ServiceRequest, recordsWithoutIdGetUniqueIds)
{
    manager()->requestFormulas({record("MA"), record("MA"), record("MA")}, recorder(), {});
    QCoreApplication::processEvents();
    ASSERT_EQ(m_answers.size(), 3);
    const QStringList answered = answeredIds();
    const QSet<QString> ids(answered.begin(), answered.end());
    EXPECT_EQ(ids.size(), 3);
    EXPECT_FALSE(ids.contains(QString()));
}

TEST_F(ServiceRequest, failedRecordIsAnsweredWithEmptyRecordsAndTheError)
{
    manager()->requestFormulas({record("BAD", "x"), record("MA", "y")}, recorder(), {});
    QCoreApplication::processEvents();
    ASSERT_EQ(m_answers.size(), 2);
    EXPECT_EQ(m_answers[0].id, "x");
    EXPECT_EQ(m_answers[0].dataType, CFormulaManager::kHistoryFailed);
    EXPECT_EQ(m_answers[0].text, "no such formula BAD");
    EXPECT_FALSE(m_answers[0].metaNull);
    EXPECT_FALSE(m_answers[0].resultNull);
    EXPECT_EQ(m_answers[0].bars, 0);
    EXPECT_EQ(m_answers[1].dataType, CFormulaManager::kHistoryComplete);
}

TEST_F(ServiceRequest, syncBatchAnswersInOrderAndStopsAtTheFirstFailure)
{
    QVector<CFormulaManager::MetaPtr> metas;
    QVector<CFormulaManager::ResultPtr> results;
    ASSERT_TRUE(manager()->requestFormulasSync({record("MA", "s1"), record("KDJ", "s2")}, metas, results));
    ASSERT_EQ(metas.size(), 2);
    ASSERT_EQ(results.size(), 2);
    EXPECT_EQ(metas[1]->names.front(), "KDJ");
    EXPECT_EQ(results[0]->requestId, "s1");
    EXPECT_EQ(results[1]->requestId, "s2");
    // Without a real-time callback nothing stays subscribed.
    EXPECT_FALSE(manager()->isRequested("s1"));

    EXPECT_FALSE(
        manager()->requestFormulasSync({record("MA"), record("BAD"), record("VOL")}, metas, results));
    EXPECT_EQ(metas.size(), 1);
    EXPECT_EQ(results.size(), 1);

    EXPECT_TRUE(manager()->requestFormulasSync({record("MA", "live")}, metas, results,
                                               [](int, QString, const CFormulaManager::InstantPtr&) {}));
    EXPECT_TRUE(manager()->isRequested("live"));
}

TEST_F(ServiceRequest, noAnswerAfterCancelNotEvenAQueuedHistory)
{
    manager()->requestFormulas(
        {record("MA", "k1"), record("MA", "k2"), record("MA", "k3"), record("MA", "k4")}, recorder(), {});
    manager()->unrequestFormula("k2");
    manager()->removeFormulaCallBackFuncMap(std::vector<std::string>{"k3"});
    manager()->unrequestFormulas({"unknown", ""});
    QCoreApplication::processEvents();
    EXPECT_EQ(answeredIds(), QStringList({"k1", "k4"}));
    EXPECT_FALSE(manager()->isRequested("k2"));
    EXPECT_FALSE(manager()->isRequested("k3"));
}

TEST_F(ServiceRequest, aCallbackMayCancelLaterRecordsOfItsBatch)
{
    auto rec = recorder();
    manager()->requestFormulas({record("MA", "first"), record("MA", "second")},
                               [&](const CFormulaManager::MetaPtr& m, const CFormulaManager::ResultPtr& r,
                                   QString id, int t, QString text, bool q) {
                                   rec(m, r, id, t, text, q);
                                   manager()->unrequestFormula("second");
                               },
                               {});
    QCoreApplication::processEvents();
    EXPECT_EQ(answeredIds(), QStringList({"first"}));
}

TEST_F(ServiceRequest, reRequestingALiveIdAnswersOnlyTheNewRequest)
{
    int oldAnswers = 0;
    manager()->requestFormulas({record("MA", "same")},
                               [&](const CFormulaManager::MetaPtr&, const CFormulaManager::ResultPtr&,
                                   QString, int, QString, bool) { ++oldAnswers; },
                               {});
    manager()->requestFormulas({record("KDJ", "same")}, recorder(), {});
    QCoreApplication::processEvents();
    EXPECT_EQ(oldAnswers, 0);
    EXPECT_EQ(answeredIds(), QStringList({"same"}));
}

TEST_F(ServiceRequest, remappedIdIsReportedBackAndUsedForTheQueuedHistory)
{
    QVector<QString> backIds;
    QVector<CFormulaParam> backRecords;
    manager()->requestFormulas({record("MA", "old")}, recorder(), {},
                               [&](const QVector<QString>& ids, const QVector<CFormulaParam>& records) {
                                   backIds += ids;
                                   backRecords += records;
                               });
    const QString newId = manager()->remapRequestId("old");
    ASSERT_FALSE(newId.isEmpty());
    EXPECT_NE(newId, "old");
    ASSERT_EQ(backIds.size(), 1);
    EXPECT_EQ(backIds[0], newId);
    EXPECT_EQ(backRecords[0].requestId, newId);
    EXPECT_EQ(backRecords[0].formula, "MA");
    EXPECT_FALSE(manager()->isRequested("old"));
    QCoreApplication::processEvents();
    EXPECT_EQ(answeredIds(), QStringList({newId}));
    EXPECT_TRUE(manager()->remapRequestId("never").isEmpty());
}

TEST_F(ServiceRequest, mergedRequestsAnswerAllAndSplitAnIdHeldByAnotherKey)
{
    TC::CMergeRequestManager* merge = TC::CMergeRequestManager::instance();
    QVector<QString> backIds;
    merge->requestFormulas("chart1", {record("MA", "m1"), record("VOL", "m2")}, recorder(), {});
    merge->requestFormulas(
        "chart2", {record("MA", "m1")}, recorder(), {},
        [&](const QVector<QString>& ids, const QVector<CFormulaParam>&) { backIds += ids; });
    ASSERT_EQ(backIds.size(), 1);
    EXPECT_NE(backIds[0], "m1");
    EXPECT_EQ(merge->requestIds("chart2"), QStringList({backIds[0]}));
    QCoreApplication::processEvents();
    EXPECT_EQ(answeredIds(), QStringList({"m1", "m2", backIds[0]}));

    merge->unrequestFormula({"m1", "m2"});
    EXPECT_TRUE(merge->requestIds("chart1").isEmpty());
    EXPECT_FALSE(manager()->isRequested("m1"));
    EXPECT_TRUE(manager()->isRequested(backIds[0]));
    merge->unrequestFormula({backIds[0]});
}

TEST_F(ServiceRequest, groupModelProgressAndTradesFollowItsHistory)
{
    int done = -1, total = -1;
    manager()->requestFormulas({record("GRP", "g1"), record("MA", "plain")}, recorder(), {});
    manager()->getGroupRunProgress(done, total, "g1");
    EXPECT_EQ(done, 0);
    EXPECT_EQ(total, 0);
    QCoreApplication::processEvents();
    manager()->getGroupRunProgress(done, total, "g1");
    EXPECT_EQ(done, 1);
    EXPECT_EQ(total, 1);

    const auto group = manager()->getFormulaForGroup("g1");
    ASSERT_TRUE(group);
    EXPECT_EQ(group->codes, std::vector<std::string>({"SH600000"}));
    // Line -1, 1, 2, -3, 4 crosses zero up, down, up.
    ASSERT_EQ(group->trades.size(), 3u);
    EXPECT_EQ(group->trades[0].side, 1);
    EXPECT_EQ(group->trades[0].timeTag, 120);
    EXPECT_EQ(group->trades[1].side, -1);
    EXPECT_EQ(group->trades[2].side, 1);
    EXPECT_FALSE(manager()->getFormulaForGroup("plain"));

    std::vector<std::shared_ptr<se::RPCGroupResult>> all;
    manager()->getGroupResult("grp", all);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0], group);

    QStringList names;
    manager()->getGroupExtendNames("GRP", names);
    EXPECT_EQ(names, QStringList({"GRP"}));
    manager()->clearExtendCache("GRP");
    manager()->getGroupExtendNames("GRP", names);
    EXPECT_TRUE(names.isEmpty());

    manager()->unrequestFormula("g1");
    EXPECT_FALSE(manager()->getFormulaForGroup("g1"));
    manager()->getGroupRunProgress(done, total, "g1");
    EXPECT_EQ(done + total, 0);
}

TEST_F(ServiceRequest, remapInsideAnAnswerStillAnswersTheMovedRecord)
{
    QString moved;
    auto rec = recorder();
    manager()->requestFormulas({record("MA", "r1"), record("MA", "r2")},
                               [&](const CFormulaManager::MetaPtr& m, const CFormulaManager::ResultPtr& r,
                                   QString id, int t, QString text, bool q) {
                                   rec(m, r, id, t, text, q);
                                   if (id == "r1")
                                       moved = manager()->remapRequestId("r2");
                               },
                               {});
    QCoreApplication::processEvents();
    ASSERT_FALSE(moved.isEmpty());
    EXPECT_EQ(answeredIds(), QStringList({"r1", moved}));
}

TEST_F(ServiceRequest, failedSyncBatchLeavesNothingLive)
{
    QVector<CFormulaManager::MetaPtr> metas;
    QVector<CFormulaManager::ResultPtr> results;
    EXPECT_FALSE(manager()->requestFormulasSync({record("MA", "ok1"), record("BAD", "bad1")}, metas, results,
                                                [](int, QString, const CFormulaManager::InstantPtr&) {}));
    EXPECT_EQ(results.size(), 1);
    EXPECT_FALSE(manager()->isRequested("ok1"));
    EXPECT_FALSE(manager()->isRequested("bad1"));
}
