#include <cmath>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "platform/formula/catalog/CFormulaDetail.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/market/CMarketStore.h"

using namespace enginetest;

namespace {

std::vector<double> closes(const QString& key, qint64 sec = 86400, int dr = 0)
{
    std::vector<double> out;
    for (const quoter::CBar& b : TC::CMarketStore::instance()->bars(key, sec, dr))
        out.push_back(b.close);
    return out;
}

std::vector<double> movingAverage(const std::vector<double>& x, int n)
{
    std::vector<double> out(x.size(), kNoValue);
    for (size_t i = size_t(n) - 1; i < x.size(); ++i) {
        double s = 0;
        for (size_t k = i + 1 - size_t(n); k <= i; ++k)
            s += x[k];
        out[i] = s / n;
    }
    return out;
}

std::vector<double> ema(const std::vector<double>& x, int n)
{
    std::vector<double> out(x.size());
    for (size_t i = 0; i < x.size(); ++i)
        out[i] = i == 0 ? x[0] : (2 * x[i] + (n - 1) * out[i - 1]) / (n + 1);
    return out;
}

void expectNear(const std::vector<double>& got, const std::vector<double>& want, const char* what)
{
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < got.size(); ++i) {
        if (want[i] == kNoValue)
            ASSERT_EQ(got[i], kNoValue) << what << " bar " << i;
        else
            ASSERT_NEAR(got[i], want[i], 1e-9 * std::max(1.0, std::fabs(want[i]))) << what << " bar " << i;
    }
}

} // namespace

TEST(EngineLanguage, movingAveragesEqualALoopOverTheCloses)
{
    const Computed c = compute(param("SH", "600519", "MA"));
    ASSERT_TRUE(c.ok) << c.error.toStdString();
    EXPECT_EQ(c.meta.names, (std::vector<std::string>{"MA1", "MA2", "MA3", "MA4"}));
    EXPECT_EQ(c.meta.styles, (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(c.meta.columns, (std::vector<std::vector<int>>{{0}, {1}, {2}, {3}}));
    EXPECT_EQ(c.meta.nameGroups[1], std::vector<std::string>{"MA2"});
    const std::vector<double> x = closes(QStringLiteral("SH600519"));
    expectNear(c.col(0), movingAverage(x, 5), "MA1");
    expectNear(c.col(1), movingAverage(x, 10), "MA2");
    expectNear(c.col(2), movingAverage(x, 20), "MA3");
    expectNear(c.col(3), movingAverage(x, 60), "MA4");
    // The basic data are the bars the formula ran over.
    ASSERT_EQ(c.result.basicData.size(), x.size());
    EXPECT_EQ(c.result.basicData.back().close, x.back());
}

TEST(EngineLanguage, macdEqualsTheEmaRecursion)
{
    TC::CFormulaParam p = param("SZ", "000651", "MACD", 300000, 0);
    const Computed c = compute(p);
    ASSERT_TRUE(c.ok) << c.error.toStdString();
    EXPECT_EQ(c.meta.names, (std::vector<std::string>{"DIF", "DEA", "MACD"}));
    EXPECT_EQ(c.meta.styles[2], 2);
    const std::vector<double> x = closes(QStringLiteral("SZ000651"), 300);
    const std::vector<double> e12 = ema(x, 12), e26 = ema(x, 26);
    std::vector<double> dif(x.size());
    for (size_t i = 0; i < x.size(); ++i)
        dif[i] = e12[i] - e26[i];
    const std::vector<double> dea = ema(dif, 9);
    std::vector<double> macd(x.size());
    for (size_t i = 0; i < x.size(); ++i)
        macd[i] = (dif[i] - dea[i]) * 2;
    expectNear(c.col(0), dif, "DIF");
    expectNear(c.col(1), dea, "DEA");
    expectNear(c.col(2), macd, "MACD");
}

TEST(EngineLanguage, parametersOverrideDefaultsAndAreClamped)
{
    const std::vector<double> x = closes(QStringLiteral("SH600519"));
    TC::CFormulaParam p = param("SH", "600519", "MA");
    // Names are matched case-insensitively; extra entries are ignored.
    p.params = {{"m1", "7"}, {"M2", "abc"}, {"M3", "1000"}, {"M4", "-3"}, {"__sys__account", "A1"}};
    const Computed c = compute(p);
    ASSERT_TRUE(c.ok) << c.error.toStdString();
    expectNear(c.col(0), movingAverage(x, 7), "MA1 = 7");
    expectNear(c.col(1), movingAverage(x, 10), "MA2 falls back to its default");
    expectNear(c.col(2), movingAverage(x, 250), "MA3 clamped to its maximum");
    expectNear(c.col(3), movingAverage(x, 1), "MA4 clamped to its minimum");
}

TEST(EngineLanguage, everyBuiltinRunsAndFillsConsistentRecords)
{
    const auto names = TC::CFormulaOperateManager::instance()->formulaNames();
    ASSERT_FALSE(names.isEmpty());
    int ran = 0;
    for (const QString& name : names) {
        const auto d = TC::CFormulaOperateManager::getFormula(name);
        ASSERT_TRUE(d);
        const Computed c = compute(param("SZ", "000063", name, 86400000, 1));
        ASSERT_TRUE(c.ok) << name.toStdString() << ": " << c.error.toStdString();
        ++ran;
        const int outputs = c.meta.outputCount();
        ASSERT_GT(outputs, 0) << name.toStdString();
        EXPECT_EQ(int(c.meta.styles.size()), outputs);
        EXPECT_EQ(int(c.meta.colors.size()), outputs);
        EXPECT_EQ(int(c.meta.widths.size()), outputs);
        EXPECT_EQ(int(c.meta.nameGroups.size()), outputs);
        EXPECT_EQ(int(c.meta.decimals.size()), outputs);
        EXPECT_EQ(int(c.result.texts.size()), outputs);
        EXPECT_EQ(int(c.result.outputInts.size()), outputs);
        size_t cols = 0;
        for (int i = 0; i < outputs; ++i) {
            cols += c.meta.columns[size_t(i)].size();
            EXPECT_EQ(c.meta.nameGroups[size_t(i)].size(), c.meta.columns[size_t(i)].size());
            EXPECT_GE(c.meta.widths[size_t(i)], 1);
            EXPECT_LE(c.meta.widths[size_t(i)], 9);
        }
        ASSERT_EQ(c.result.values.size(), cols) << name.toStdString();
        for (const auto& v : c.result.values) {
            ASSERT_EQ(int(v.size()), c.result.barCount());
            for (double x : v)
                ASSERT_TRUE(std::isfinite(x)) << name.toStdString();
        }
    }
    EXPECT_GE(ran, 25);
}

TEST(EngineLanguage, drawingFunctionsMapOntoColumnsTextsAndNumbers)
{
    TC::CFormulaDetail d;
    d.setName(QStringLiteral("DRAWTEST"));
    d.setParams({{QStringLiteral("W"), 3, 1, 10}});
    d.setDecimals({2});
    d.setSource(QStringLiteral("UP:=C>O;\n"
                               "DRAWTEXT(UP,H,'阳');\n"
                               "STICKLINE(UP,O,C,W,1);\n"
                               "DRAWKLINE(H,O,L,C);\n"
                               "DRAWNUMBER(UP,H,C);\n"
                               "X:C,NODRAW,COLORRED,LINETHICK3;"));
    se::RPCFormulaMetaResult meta;
    se::RPCFormulaResult result;
    QString error;
    ASSERT_TRUE(TC::CFormulaEngine::compute(param("SH", "600000", "DRAWTEST"), d, meta, result, &error))
        << error.toStdString();
    ASSERT_EQ(meta.outputCount(), 5);
    EXPECT_EQ(meta.styles, (std::vector<int>{13, 36, 12, 28, -1}));
    EXPECT_EQ(meta.columns, (std::vector<std::vector<int>>{{0}, {1, 2}, {3, 4, 5, 6}, {7}, {8}}));
    EXPECT_EQ(meta.nameGroups[2], (std::vector<std::string>{"OPEN", "HIGH", "LOW", "CLOSE"}));
    EXPECT_EQ(meta.params1[1], 3.0);
    EXPECT_EQ(meta.params2[1], 1.0);
    EXPECT_EQ(meta.colors[4], 0x000000FFu);
    EXPECT_EQ(meta.widths[4], 3);
    EXPECT_EQ(meta.decimals, (std::vector<int>{2, -1, -1, -1, -1}));
    ASSERT_EQ(result.values.size(), 9u);
    EXPECT_EQ(int(result.texts[0].size()), result.barCount());
    EXPECT_TRUE(result.texts[1].empty());
    EXPECT_EQ(int(result.numbers[3].size()), result.barCount());
    int up = 0;
    for (int i = 0; i < result.barCount(); ++i) {
        const quoter::CBar& b = result.basicData[size_t(i)];
        const size_t u = size_t(i);
        if (b.close > b.open) {
            ++up;
            EXPECT_EQ(result.texts[0][u], "阳");
            EXPECT_EQ(result.values[0][u], b.high);
            EXPECT_EQ(result.values[1][u], b.open);
            EXPECT_EQ(result.values[2][u], b.close);
            EXPECT_EQ(result.numbers[3][u], b.close);
        } else {
            EXPECT_EQ(result.texts[0][u], "");
            EXPECT_EQ(result.values[0][u], kNoValue);
        }
        EXPECT_EQ(result.values[3][u], b.open);
        EXPECT_EQ(result.values[6][u], b.close);
    }
    EXPECT_GT(up, 0);
}

TEST(EngineLanguage, compileErrorsAndMissingProgramsFailWithAMessage)
{
    TC::CFormulaDetail d;
    d.setName(QStringLiteral("BROKEN"));
    d.setSource(QStringLiteral("A:MA(C,;"));
    se::RPCFormulaMetaResult meta;
    se::RPCFormulaResult result;
    QString error;
    EXPECT_FALSE(TC::CFormulaEngine::compute(param("SH", "600000", "BROKEN"), d, meta, result, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("BROKEN"))) << error.toStdString();
    d.setSource(QString());
    error.clear();
    EXPECT_FALSE(TC::CFormulaEngine::compute(param("SH", "600000", "BROKEN"), d, meta, result, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(EngineLanguage, pythonFormulasArriveAsAFilePath)
{
    EXPECT_EQ(TC::CFormulaEngine::formulaNameOf(QStringLiteral("C:\\quant\\python\\PyDemo.py")),
              QStringLiteral("PYDEMO"));
    EXPECT_EQ(TC::CFormulaEngine::formulaNameOf(QStringLiteral(" ma ")), QStringLiteral("MA"));
    TC::CFormulaParam p = param("SH", "600519", "C:\\quant\\python\\PYDEMO.py");
    p.language = 1;
    const Computed c = compute(p);
    ASSERT_TRUE(c.ok) << c.error.toStdString();
    EXPECT_GT(c.meta.outputCount(), 0);
    EXPECT_EQ(c.result.barCount(), TC::CMarketStore::instance()->dayBars(QStringLiteral("SH600519")).size());
}
