// Layout texts: what the full and the default parameter write, round trips
// onto fresh charts, the order of the restore, stored texts of this version,
// and damaged texts that must stop where they turn bad without crashing.
#include <gtest/gtest.h>

#include <set>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include "common/TestHelpers.h"
#include "kline/CKLineWidget.h"
#include "kline/KLineTestSupport.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/config/CLogCapture.h"
#include "platform/config/QLLog.h"
#include "platform/config/CUserConfig.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/framework/CDragWidgetList.h"
#include "platform/market/CStockManager.h"

using ktest::CSpyChart;
using ktest::upper;
using Layout = QMap<int, QList<QString>>;

namespace {

QString fixture(const char* name)
{
    QFile f(QFileInfo(QStringLiteral(__FILE__)).absolutePath() + "/fixtures/" + name);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return QString::fromUtf8(f.readAll()).trimmed();
}

QString json(const bson::BSONObj& o)
{
    return QString::fromStdString(bson::toJson(o));
}

auto strings(std::initializer_list<const char*> items)
{
    bson::BSONArrayBuilder b;
    for (const char* s : items)
        b.append(s);
    return b.arr();
}

QStringList fieldNames(const bson::BSONObj& o)
{
    QStringList names;
    bson::BSONObjIterator it(o);
    while (it.more())
        names << QString::fromUtf8(it.next().fieldName());
    return names;
}

// Main-pane formulas, then each sub-pane's formulas joined by "+".
QStringList panes(const CSpyChart& chart)
{
    QStringList out{upper(chart.mainPane()->indexNames()).join('+')};
    for (const TC::CKLineWidget* p : chart.subPanes())
        out << upper(p->indexNames()).join('+');
    return out;
}

// `text` with "stretchFactor" added, as a host that keeps pane sizes stores it.
QString withStretch(const QString& text, const std::vector<int>& factors)
{
    bson::BSONObjBuilder b;
    b.appendElements(bson::fromjson(text.toStdString()));
    bson::BSONArrayBuilder a;
    for (int f : factors)
        a.append(f);
    b.append("stretchFactor", a.arr());
    return json(b.obj());
}

class ChartPersistence : public ::testing::Test
{
protected:
    // Every period change puts that period's layout on the panes.
    void SetUp() override
    {
        luawrapper::LuaModuleCtrl::setModuleEnabled("mdl_ui_custom", false);
        luawrapper::LuaModuleCtrl::setModuleEnabled("mdl_ui_custom_use_fixed_attached_figure", false);
    }
    void TearDown() override
    {
        luawrapper::LuaModuleCtrl::setModuleEnabled("mdl_ui_custom", true);
        luawrapper::LuaModuleCtrl::setModuleEnabled("mdl_ui_custom_use_fixed_attached_figure", true);
    }
    // Day chart: BOLL over the candles, VOL and MACD panes.
    static std::unique_ptr<CSpyChart> dayChart()
    {
        auto chart = std::make_unique<CSpyChart>(nullptr, 0);
        chart->setIndex("BOLL");
        chart->addIndexWidget()->addIndex("VOL", QString());
        chart->addIndexWidget()->addIndex("MACD", QString());
        return chart;
    }
    ktest::ScopedUserConfig m_config{std::make_shared<TC::CUserConfig>()};
};

TEST_F(ChartPersistence, ParamWritesTheFieldsInOrderAndFreshIdsChangeOnlyPositionKey)
{
    auto chart = dayChart();
    const std::vector<int> ids = chart->getKeyList();
    ASSERT_EQ(ids.size(), 3u);
    bson::BSONArrayBuilder index;
    index.append(86400);
    index.append(strings({"BOLL", "VOL", "MACD"}));
    bson::BSONArrayBuilder keys;
    for (int id : ids)
        keys.append(id);
    const auto indexArray = index.arr();
    const auto keyArray = keys.arr();
    const auto none = bson::BSONArrayBuilder().arr();
    auto expected = [&](bool withKeys) {
        // Concise style off and nothing superposed: no "slectindex",
        // "selecttempalte" or "superposstock".
        bson::BSONObjBuilder b;
        b.append("index", indexArray);
        b.append("drtype", 3);
        b.append("period", 86400);
        b.append("positionkey", withKeys ? keyArray : none);
        b.append("linkagedialogsetting", none);
        b.append("swbkzslevel", -1);
        b.append("addstockflags", 0);
        b.append("addconvertiblecodes", none);
        return json(b.obj());
    };
    EXPECT_EQ(chart->param(false), expected(true));
    EXPECT_EQ(chart->param(true), expected(false));
}

TEST_F(ChartPersistence, LinkageAndSuperpositionAreWrittenAndComeBack)
{
    auto chart = dayChart();
    chart->loadLinkageDialogSetting({{"b", false}, {"a", true}});
    chart->addSuperposedStock(TC::CStockManager::getInstrumentDetail("SH600519"));
    const bson::BSONObj o = bson::fromjson(chart->param(false).toStdString());
    EXPECT_EQ(json(o.getObjectField("linkagedialogsetting")), json(strings({"1", "a", "0", "b"})));
    EXPECT_EQ(json(o.getObjectField("superposstock")), json(strings({"SH600519"})));
    EXPECT_EQ(fieldNames(o), (QStringList{"index", "drtype", "period", "superposstock", "positionkey",
                                          "linkagedialogsetting", "swbkzslevel", "addstockflags",
                                          "addconvertiblecodes"}));

    CSpyChart copy(nullptr, 0);
    copy.setParam(chart->param(false));
    EXPECT_EQ(copy.superposedStock(), QStringList{"SH600519"});
    EXPECT_EQ(copy.getLinkageDialogSetting(), (QMap<QString, bool>{{"a", true}, {"b", false}}));
}

TEST_F(ChartPersistence, TheConciseStyleWritesAndRestoresTheTemplateSelections)
{
    TC::getConfig()->setConciseStyle(true);
    struct Plain {
        ~Plain() { TC::getConfig()->setConciseStyle(false); }
    } plain;
    CSpyChart chart(nullptr, 0);
    ASSERT_TRUE(chart.indexModel());
    chart.updateSelectIndex({"KDJ", "MACD"});
    chart.updateSelectTemplate({"86400|常用"});
    const bson::BSONObj o = bson::fromjson(chart.param(false).toStdString());
    EXPECT_EQ(fieldNames(o).mid(0, 4), (QStringList{"index", "slectindex", "selecttempalte", "drtype"}));
    EXPECT_EQ(json(o.getObjectField("slectindex")), json(strings({"KDJ", "MACD"})));
    EXPECT_EQ(json(o.getObjectField("selecttempalte")), json(strings({"86400|常用"})));

    CSpyChart copy(nullptr, 0);
    copy.setParam(chart.param(false));
    EXPECT_EQ(copy.getSelectIndex(), (QVector<QString>{"KDJ", "MACD"}));
    EXPECT_EQ(copy.getSelectTempalte(), (QVector<QString>{"86400|常用"}));
}

TEST_F(ChartPersistence, ATextRestoredOnAFreshChartWritesTheSameText)
{
    auto chart = dayChart();
    chart->setDrType(1);
    chart->setPeriod(300);
    chart->subPanes().first()->setIndex("KDJ", QString());
    chart->addSuperposedStock(TC::CStockManager::getInstrumentDetail("SH600519"));
    chart->loadLinkageDialogSetting({{"acc", true}});
    const QString text = chart->param(false);
    CSpyChart copy(nullptr, 0);
    copy.setParam(text);
    EXPECT_EQ(copy.param(false), text);
    EXPECT_EQ(panes(copy), panes(*chart));
    EXPECT_EQ(copy.getKeyList(), chart->getKeyList());
}

TEST_F(ChartPersistence, EveryPeriodKeepsItsLayoutAcrossARestore)
{
    auto chart = dayChart();
    chart->setPeriod(300);
    chart->mainPane()->setIndex("KLINE", QString()); // no overlay on 300
    chart->subPanes().first()->setIndex("RSI", QString());
    chart->addIndexWidget()->addIndex("CCI", QString());
    const QStringList day{"KLINE+BOLL", "VOL", "MACD"};
    const QStringList five{"KLINE", "RSI", "MACD", "CCI"};
    ASSERT_EQ(panes(*chart), five);

    CSpyChart copy(nullptr, 0);
    copy.setParam(withStretch(chart->param(false), chart->getStretchFactorList()));
    EXPECT_EQ(copy.getPeriod(), 300);
    EXPECT_EQ(panes(copy), five);
    copy.setPeriod(86400);
    EXPECT_EQ(panes(copy), day);
    copy.setPeriod(300);
    EXPECT_EQ(panes(copy), five);
}

TEST_F(ChartPersistence, ThePeriodIsAppliedBeforeThePanesAreRebuilt)
{
    bson::BSONArrayBuilder index;
    index.append(300);
    index.append(strings({"BOLL", "VOL"}));
    index.append(86400);
    index.append(strings({"MA", "KDJ", "MACD"}));
    // Without a user configuration a period change leaves the panes alone:
    // only a restore that applies the period first shows 300's layout.
    ktest::ScopedUserConfig none(nullptr);
    CSpyChart chart(nullptr, 0); // on 86400
    chart.setParam(json(BSON("index" << index.arr() << "period" << 300)));
    EXPECT_EQ(chart.getPeriod(), 300);
    EXPECT_EQ(panes(chart), (QStringList{"KLINE+BOLL", "VOL"}));
    EXPECT_EQ(chart.getIndexParam().value(86400), (QList<QString>{"MA", "KDJ", "MACD"}));
}

TEST_F(ChartPersistence, APeriodWithoutLayoutLeavesTheStretchPanesEmpty)
{
    bson::BSONArrayBuilder index;
    index.append(60);
    index.append(strings({"MA", "VOL"}));
    index.append(86400);
    index.append(strings({"MA", "KDJ"}));
    CSpyChart chart(nullptr, 0);
    chart.setPeriod(300);
    chart.setParam(json(BSON("index" << index.arr() << "stretchFactor" << BSON_ARRAY(4 << 1 << 1))));
    EXPECT_EQ(panes(chart), (QStringList{"KLINE", "", ""}));
    // Three factors and no ids: two sub-panes with fresh, distinct ids.
    const std::vector<int> ids = chart.getKeyList();
    ASSERT_EQ(ids.size(), 3u);
    EXPECT_EQ(ids[0], chart.mainId());
    EXPECT_TRUE(ids[1] > 0 && ids[2] > 0 && ids[1] != ids[2] && ids[1] != ids[0]);
    EXPECT_EQ(chart.getStretchFactorList(), (std::vector<int>{4, 1, 1}));
}

TEST_F(ChartPersistence, DefaultTextsRoundTripAndRestoreWhatTheFullTextRestores)
{
    auto chart = dayChart();
    chart->setPeriod(300);
    chart->subPanes().first()->setIndex("KDJ", QString());
    chart->setPeriod(86400);

    CSpyChart fromDefault(nullptr, 0);
    fromDefault.setDefaultParam(chart->getDefaultParam());
    CSpyChart fromFull(nullptr, 0);
    fromFull.setParam(chart->param(false));
    EXPECT_EQ(panes(fromDefault), panes(*chart));
    EXPECT_EQ(panes(fromFull), panes(*chart));
    EXPECT_EQ(fromDefault.getIndexParam(), chart->getIndexParam());
    EXPECT_EQ(fromDefault.getDefaultParam(), chart->getDefaultParam());

    CSpyChart fresh(nullptr, 0); // 86400 with "MA" only
    EXPECT_EQ(fresh.getDefaultParam(), bson::toJson(BSON("mapPeriod2Index" << "86400#MA")));
}

TEST_F(ChartPersistence, DefaultTextFailuresAreLoggedAndThePanesRebuiltFromWhatWasRead)
{
    qlog::CLogCapture log(qlog::kStdLogger);
    auto chart = dayChart();
    chart->setDefaultParam("");
    int errors = 0;
    for (const auto& line : log.lines())
        if (line.level == qlog::LevelError && line.text.find("] begin request data") != std::string::npos)
            ++errors;
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(panes(*chart), QStringList{"KLINE"});

    log.clear();
    chart->setDefaultParam(R"({"mapPeriod2Index": "300#RSI|86400#MA,VOL|day#KDJ|60#CCI"})");
    EXPECT_TRUE(log.contains("begin request data"));
    EXPECT_EQ(panes(*chart), (QStringList{"KLINE+MA", "VOL"}));
    EXPECT_EQ(chart->getIndexParam().keys(), (QList<int>{300, 86400}));

    log.clear();
    chart->setDefaultParam(R"({"mapPeriod2Index": 5})");
    EXPECT_TRUE(log.contains("begin request data"));
    EXPECT_EQ(panes(*chart), QStringList{"KLINE"});
}

TEST_F(ChartPersistence, ADefaultTextWithoutItsFieldGivesEveryPeriodTheStandardLayout)
{
    CSpyChart chart(nullptr, 0);
    chart.setDefaultParam("{}");
    const Layout map = chart.getIndexParam();
    EXPECT_EQ(map.size(), 17);
    for (int p : {60, 180, 300, 600, 900, 1800, 3600, 86400, 604800, 2592000, 7776000, 15552000, 31536000, 10,
                  11, 13, 0})
        EXPECT_EQ(map.value(p, {"missing"}), (QList<QString>{"MA", "KDJ", "VOL", "MACD"})) << p;
    EXPECT_EQ(panes(chart), (QStringList{"KLINE+MA", "KDJ", "VOL", "MACD"}));
}

TEST_F(ChartPersistence, BadFullTextsStopWhereTheyTurnBad)
{
    struct Case {
        const char* text;
        int drType;              // after the restore (3 untouched)
        qint64 period;           // 86400 untouched
        QStringList panesAfter;  // empty: untouched
    };
    const QStringList untouched{"KLINE+BOLL", "VOL", "MACD"};
    const Case cases[] = {
        {"{\"index\": [300, [\"RSI\"]", 3, 86400, untouched},
        {"not json", 3, 86400, untouched},
        {R"({"index": 5, "drtype": 1})", 3, 86400, untouched},
        {R"({"index": [300, "RSI"], "drtype": 1})", 3, 86400, untouched},
        {R"({"stretchFactor": [2, "1"], "drtype": 1})", 3, 86400, untouched},
        {R"({"drtype": 1, "period": "300", "positionkey": []})", 1, 86400, untouched},
        {R"({"drtype": 1, "period": 300.0})", 1, 86400, untouched},
        {R"({"period": 300, "positionkey": [1.5]})", 3, 300, {"KLINE+BOLL", "VOL", "MACD"}},
        {R"({"index": [300, ["RSI"]], "period": 300, "superposstock": 1})", 3, 300, untouched},
        {R"({"index": [300, ["", "RSI"]], "period": 300, "linkagedialogsetting": 1, "swbkzslevel": 2})", 3, 300,
         {"KLINE", "RSI"}},
    };
    for (const Case& c : cases) {
        auto chart = dayChart();
        chart->setParam(QString::fromUtf8(c.text));
        EXPECT_EQ(chart->getDrType(), c.drType) << c.text;
        EXPECT_EQ(chart->getPeriod(), c.period) << c.text;
        EXPECT_EQ(panes(*chart), c.panesAfter) << c.text;
        EXPECT_EQ(chart->getUiParam()->swLevel, -1) << c.text;
    }
}

TEST_F(ChartPersistence, HugeOrOddNumbersAndDeepTextsNeverCrash)
{
    std::string deep = "{\"index\": [300, ";
    deep += std::string(200000, '[') + std::string(200000, ']') + "]}";
    auto chart = dayChart();
    chart->setParam(QString::fromStdString(deep));
    chart->setDefaultParam(deep);
    EXPECT_EQ(panes(*chart), QStringList{"KLINE"}); // the default text failed: no layout

    bson::BSONArrayBuilder huge;
    huge.append(2147483647);
    for (int i = 0; i < 100000; ++i)
        huge.append(i % 3 - 1); // -1, 0, 1: factors below 1 are taken as 1
    chart->setParam(json(BSON("index" << BSON_ARRAY(86400 << strings({"MA", "VOL"})) << "stretchFactor"
                                      << huge.arr() << "period" << 2147483647 << "drtype" << -7)));
    ASSERT_EQ(chart->subPanes().size(), CSpyChart::kMaxRestoredSubPanes);
    const std::vector<int> factors = chart->getStretchFactorList();
    EXPECT_EQ(factors.front(), 2147483647);
    for (size_t i = 1; i < factors.size(); ++i)
        EXPECT_EQ(factors[i], 1);
    EXPECT_EQ(chart->getPeriod(), 86400); // not a period of the table
    EXPECT_EQ(chart->getDrType(), 3);     // not an ex-rights type
    chart->resize(600, 2400);
    chart->show();
    QCoreApplication::processEvents();
    chart->paneList()->updateWidgetLength();
    for (int i = 0; i < chart->paneList()->count(); ++i)
        EXPECT_GE(chart->paneList()->itemLength(i), chart->minimumPaneHeight()) << i;
}

TEST_F(ChartPersistence, PeriodKeysOfOtherTypesAndUnknownFormulasAreReadSoundly)
{
    qlog::CLogCapture log(qlog::kStdLogger);
    CSpyChart chart(nullptr, 0);
    // 300.7 truncates; 2^32 + 300 (a 64-bit number) keeps its low 32 bits; a
    // string reads as 0.
    chart.setParam(R"({"index": [300.7, ["VOL"], 4294967596, ["KDJ", 7, "NOSUCHF"],
                                  "x", ["RSI"], 86400, ["NOSUCHMAIN", "VOL", "NOSUCHF", "MACD"]]})");
    EXPECT_EQ(chart.getIndexParam(), (Layout{{0, {"RSI"}}, {300, {"KDJ"}}, {86400, {"", "VOL", "MACD"}}}));
    EXPECT_EQ(panes(chart), (QStringList{"KLINE", "VOL", "MACD"}));
    EXPECT_TRUE(log.contains("NOSUCHMAIN"));
    EXPECT_TRUE(log.contains("NOSUCHF"));
    for (const TC::CKLineWidget* p : chart.subPanes())
        for (const QString& f : p->indexNames())
            EXPECT_TRUE(TC::CFormulaOperateManager::getFormula(f)) << f.toStdString();
}

TEST_F(ChartPersistence, StoredIdsNeverClashWithinAChart)
{
    // The generator's next ids are stored ones: it must step over them.
    const int next = TC::genPositionID() + 1;
    CSpyChart chart(nullptr, 0);
    // Not positive, repeated, zero, and an id for a pane the layout list adds.
    chart.setParam(json(BSON("index" << BSON_ARRAY(86400 << strings({"MA", "VOL", "KDJ", "RSI", "CCI"}))
                                     << "positionkey"
                                     << BSON_ARRAY(-1 << (next + 1) << (next + 1) << 0 << (next + 100))
                                     << "stretchFactor" << BSON_ARRAY(2 << 1 << 1))));
    chart.addIndexWidget();
    const std::vector<int> ids = chart.getKeyList();
    ASSERT_EQ(ids.size(), 6u);
    EXPECT_EQ(ids[0], chart.mainId());
    EXPECT_EQ(ids[1], next + 1);
    EXPECT_EQ(ids[4], next + 100);
    const std::set<int> distinct(ids.begin(), ids.end());
    EXPECT_EQ(distinct.size(), ids.size());
    EXPECT_GT(*distinct.begin(), 0);
}

TEST_F(ChartPersistence, StoredTextsOfThisVersionLoad)
{
    CSpyChart chart(nullptr, 0);
    chart.setParam(fixture("param_v1.json"));
    EXPECT_EQ(chart.getPeriod(), 300);
    EXPECT_EQ(chart.getDrType(), 1);
    EXPECT_EQ(panes(chart), (QStringList{"KLINE+BOLL", "VOL"}));
    EXPECT_EQ(chart.getKeyList(), (std::vector<int>{6001, 20001}));
    EXPECT_EQ(chart.superposedStock(), QStringList{"SH600519"});
    EXPECT_EQ(chart.getLinkageDialogSetting(), (QMap<QString, bool>{{"acc1", true}, {"acc2", false}}));
    EXPECT_EQ(chart.param(false), fixture("param_v1.json"));
    chart.setPeriod(86400);
    EXPECT_EQ(panes(chart), (QStringList{"KLINE+MA", "MACD", "KDJ"}));

    CSpyChart sized(nullptr, 0);
    sized.setParam(fixture("param_sized_v1.json"));
    EXPECT_EQ(panes(sized), (QStringList{"KLINE+BOLL", "VOL", "MACD", "KDJ"}));
    EXPECT_EQ(sized.getKeyList(), (std::vector<int>{6002, 20011, 20012, 20013}));
    EXPECT_EQ(sized.getStretchFactorList(), (std::vector<int>{420, 120, 90, 90}));

    CSpyChart byDefault(nullptr, 0);
    byDefault.setDefaultParam(fixture("default_v1.json").toStdString());
    EXPECT_EQ(panes(byDefault), (QStringList{"KLINE+MA", "MACD", "KDJ", "RSI"}));
    EXPECT_EQ(byDefault.getDefaultParam(), fixture("default_v1.json").toStdString());
}

TEST_F(ChartPersistence, DrawingsTravelThroughTheMainPane)
{
    CSpyChart a(nullptr, 0);
    a.mainPane()->graph()->addLine({1.6e9, 10.0}, {1.7e9, 12.0});
    CSpyChart b(nullptr, 0);
    b.setParam(a.getParam());
    EXPECT_EQ(b.mainPane()->graph()->graphCount(), 1);
    EXPECT_EQ(b.getParam().woCompare(a.getParam()), 0);
}

TEST_F(ChartPersistence, StretchFactorsAreTheRememberedOnesWhileDraggingIsOff)
{
    auto chart = dayChart();
    chart->paneList()->changeStretchAt(1, 5);
    chart->paneList()->setDragEnable(false); // remembers 2, 5, 1
    chart->paneList()->changeStretchAt(0, 9);
    EXPECT_EQ(chart->getStretchFactorList(), (std::vector<int>{2, 5, 1}));
    chart->paneList()->setDragEnable(true);
    EXPECT_EQ(chart->getStretchFactorList(), (std::vector<int>{9, 5, 1}));
}

} // namespace
