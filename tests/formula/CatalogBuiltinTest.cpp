// The shipped formula catalogue: every record, the tree the menus walk, and
// the lookups the chart makes.
#include <cfloat>
#include <cmath>
#include <functional>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/config/CAppConfig.h"
#include "platform/config/CLogCapture.h"
#include "platform/config/QLLog.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/formula/lang/CFormulaEvaluator.h"

using namespace TC;

namespace {

const QStringList kIndicators = {"VOL", "MACD", "KDJ",  "RSI", "CCI",  "OBV", "PSY", "AD",  "CR",  "BIAS",
                                 "WR",  "DMI",  "TRIX", "DMA", "BRAR", "VR",  "MTM", "EMV", "ROC", "ASI"};
const QStringList kMainGraph = {"MA", "EMA", "BOLL", "BBI", "SAR"};
const QStringList kNative = {"KLINE", "TICKDATA", "TICKVOL", QStringLiteral("价位线")};
const QStringList kModels = {"GROUPDEMO", "PYDEMO", "VBADEMO"};

QStringList childNames(const CFormulaCatalog::Ptr& node)
{
    QStringList names;
    for (int i = 0; node && i < node->size(); ++i)
        names << node->getChild(i)->catalogName();
    return names;
}

// A rising-then-falling close with an ordinary bar around it.
flang::CFormulaInput market(int n)
{
    flang::CFormulaInput in;
    in.barCount = n;
    for (int i = 0; i < n; ++i) {
        const double c = 100.0 + 20.0 * std::sin(i / 15.0) + 0.1 * i;
        in.close.push_back(c);
        in.open.push_back(c - 0.5);
        in.high.push_back(c + 1.0);
        in.low.push_back(c - 1.0);
        in.volume.push_back(1000.0 + 10 * i);
        in.amount.push_back(c * (1000.0 + 10 * i));
    }
    return in;
}

class CatalogBuiltinTest : public ::testing::Test
{
protected:
    QTemporaryDir home;
    CFormulaOperateManager m{CAppConfig::dataDir(), home.path()};

    flang::CFormulaRunResult run(const QString& name)
    {
        const auto d = m.formula(name);
        flang::CFormulaRunResult res;
        if (!d)
            return res;
        QString error;
        EXPECT_TRUE(CFormulaOperateManager::genLuaFormula(d, &error)) << error.toStdString();
        QMap<QString, double> params;
        for (const CFormulaParamDef& p : d->getParams())
            params[p.name] = p.defaultValue;
        EXPECT_TRUE(flang::CFormulaEvaluator::run(*d->getRunHandle(), market(120), params, res, &error))
            << error.toStdString();
        return res;
    }
};

} // namespace

TEST_F(CatalogBuiltinTest, EveryEntryResolvesAndCompiles)
{
    const QStringList all = kIndicators + kMainGraph + kNative + kModels;
    for (const QString& name : all) {
        const auto d = m.formula(name);
        ASSERT_TRUE(d) << name.toStdString();
        EXPECT_EQ(d->getName(), name);
        EXPECT_FALSE(d->getTitle().isEmpty()) << name.toStdString();
        EXPECT_TRUE(m.isBuiltin(name));
        QString error;
        EXPECT_TRUE(CFormulaOperateManager::genLuaFormula(d, &error)) << error.toStdString();
        if (d->isNative()) {
            EXPECT_FALSE(d->getRunHandle()) << "a native formula has no script: " << name.toStdString();
            EXPECT_FALSE(d->getOutputNames().isEmpty()) << name.toStdString();
        } else {
            ASSERT_TRUE(d->getRunHandle()) << name.toStdString();
            EXPECT_FALSE(d->getRunHandle()->isEmpty()) << name.toStdString();
            // The program binds exactly the record's parameters.
            EXPECT_EQ(d->getRunHandle()->paramNames(), d->getParamNames()) << name.toStdString();
        }
    }
    EXPECT_EQ(m.formulaNames().size(), all.size());
    EXPECT_TRUE(m.userCatalogErrors().isEmpty());
}

TEST_F(CatalogBuiltinTest, RecordsCarryWhatTheChartReads)
{
    for (const QString& name : kIndicators) {
        const auto d = m.formula(name);
        EXPECT_EQ(d->getPlacement(), 0) << name.toStdString();
        EXPECT_EQ(d->getKind(), 0) << name.toStdString();
        EXPECT_TRUE(d->isSuperposable()) << name.toStdString();
    }
    for (const QString& name : kMainGraph) {
        const auto d = m.formula(name);
        EXPECT_EQ(d->getPlacement(), 1) << name.toStdString();
        EXPECT_EQ(d->getKind(), 1) << name.toStdString();
        EXPECT_TRUE(d->isSuperposable()) << name.toStdString();
    }
    const auto kline = m.formula("KLINE");
    EXPECT_EQ(kline->getTitle(), QStringLiteral("K线"));
    EXPECT_EQ(kline->getPlacement(), 1);
    EXPECT_EQ(kline->getKind(), 1);
    EXPECT_EQ(kline->getOutputNames(), QStringList({"OPEN", "HIGH", "LOW", "CLOSE", QStringLiteral("成交量"),
                                                    QStringLiteral("成交额")}));
    EXPECT_EQ(m.formula("TICKDATA")->getPlacement(), 1);
    EXPECT_EQ(m.formula(QStringLiteral("价位线"))->getPlacement(), 1);
    EXPECT_EQ(m.formula("TICKVOL")->getPlacement(), 0);

    // Axis decimals: VOL labels whole numbers; prices of the K-line follow the tick.
    int d = -1;
    EXPECT_TRUE(m.formula("VOL")->outputDecimals(0, d));
    EXPECT_EQ(d, 0);
    EXPECT_FALSE(kline->outputDecimals(0, d));
    EXPECT_TRUE(kline->outputDecimals(4, d));
    EXPECT_FALSE(kline->outputDecimals(-1, d));
    EXPECT_FALSE(kline->outputDecimals(6, d));
    EXPECT_FALSE(m.formula("DMI")->outputDecimals(0, d));

    // Indicators have the chart's bars; the count-limited group model aligns on its newest bar.
    EXPECT_EQ(m.formula("MACD")->getAlignment(), 0);
    EXPECT_EQ(m.formula("MACD")->getCountLimit(), 0);
    EXPECT_EQ(m.formula("MACD")->getDrType(), -1);
    EXPECT_GT(m.formula("GROUPDEMO")->getCountLimit(), 0);
    EXPECT_GE(m.formula("GROUPDEMO")->getAlignment(), 1);
}

TEST_F(CatalogBuiltinTest, ParametersComeFromTheSourceAndDefaultsAreInRange)
{
    const auto macd = m.formula("MACD");
    ASSERT_EQ(macd->getParams().size(), 3);
    EXPECT_EQ(macd->getParams()[0].name, QStringLiteral("SHORT"));
    EXPECT_EQ(macd->getParams()[0].defaultValue, 12);
    EXPECT_EQ(macd->getParams()[1].name, QStringLiteral("LONG"));
    EXPECT_EQ(macd->getParams()[1].defaultValue, 26);
    EXPECT_EQ(macd->getParams()[2].maxValue, 200);
    EXPECT_TRUE(m.formula("AD")->getParams().isEmpty());
    for (const QString& name : m.formulaNames()) {
        const auto d = m.formula(name);
        EXPECT_EQ(d->isNative(), d->getSource().isEmpty()) << name.toStdString();
        for (const CFormulaParamDef& p : d->getParams()) {
            EXPECT_LE(p.minValue, p.defaultValue) << name.toStdString() << " " << p.name.toStdString();
            EXPECT_LE(p.defaultValue, p.maxValue) << name.toStdString() << " " << p.name.toStdString();
        }
    }
}

TEST_F(CatalogBuiltinTest, LookupsIgnoreCaseAndUnknownNamesGiveNothing)
{
    EXPECT_EQ(m.formula("macd"), m.formula("MACD"));
    EXPECT_EQ(m.formula(" Boll "), m.formula("BOLL"));
    EXPECT_TRUE(m.formula("kline"));
    EXPECT_FALSE(m.formula("NOSUCH"));
    EXPECT_FALSE(m.formula(QString()));
    EXPECT_FALSE(m.formulaByRealName("NOSUCH"));
    // Built-ins report their own name; the Python entry its file base name,
    // which the chart derives from a path in upper case.
    EXPECT_EQ(m.formulaByRealName("MACD"), m.formula("MACD"));
    const auto py = m.formula("PYDEMO");
    EXPECT_EQ(py->getRealName(), QStringLiteral("pydemo"));
    EXPECT_EQ(m.formulaByRealName("pydemo"), py);
    EXPECT_EQ(m.formulaByRealName("PYDEMO"), py);
}

TEST_F(CatalogBuiltinTest, SampleModelsTakeTheirBranches)
{
    EXPECT_TRUE(m.isGroupModel("groupdemo"));
    EXPECT_EQ(m.formula("GROUPDEMO")->getModelType(), 4);
    EXPECT_EQ(m.formula("GROUPDEMO")->getPlacement(), 0);
    EXPECT_TRUE(m.isPython("PYDEMO"));
    EXPECT_EQ(m.formula("PYDEMO")->getLanguage(), 1);
    EXPECT_TRUE(m.isVba("VBADEMO"));
    EXPECT_EQ(m.formula("VBADEMO")->getModelType(), 5);
    for (const QString& name : kModels) {
        EXPECT_EQ(m.formula(name)->getKind(), 2) << name.toStdString();
        EXPECT_FALSE(m.isUserModel(name)) << name.toStdString();
    }
    EXPECT_FALSE(m.isGroupModel("MACD"));
    EXPECT_FALSE(m.isPython("MACD"));
    EXPECT_FALSE(m.isVba("NOSUCH"));

    // The group model stand-in: relative strength over 20 bars and its 20-bar average.
    const auto res = run("GROUPDEMO");
    ASSERT_EQ(res.outputs.size(), 2u);
    const flang::CFormulaInput in = market(120);
    const std::vector<double>& rs = res.outputs[0].columns[0];
    EXPECT_EQ(rs[19], DBL_MAX);
    EXPECT_NEAR(rs[50], in.close[50] / in.close[30] - 1, 1e-12);
    double sum = 0;
    for (int i = 81; i <= 100; ++i)
        sum += in.close[size_t(i)] / in.close[size_t(i - 20)] - 1;
    EXPECT_NEAR(res.outputs[1].columns[0][100], sum / 20, 1e-12);

    // The timing model marks at least one buy and one sell on a swinging market.
    const auto vba = run("VBADEMO");
    int buys = 0, sells = 0;
    for (const flang::COutput& o : vba.outputs)
        for (const QString& t : o.texts) {
            buys += t == QStringLiteral("买");
            sells += t == QStringLiteral("卖");
        }
    EXPECT_GT(buys, 0);
    EXPECT_GT(sells, 0);
    EXPECT_FALSE(run("PYDEMO").outputs.empty());
}

TEST_F(CatalogBuiltinTest, TreeShapeAndMenuFilterNames)
{
    const auto root = m.rootCatalog();
    ASSERT_TRUE(root);
    EXPECT_EQ(childNames(root), QStringList({QStringLiteral("技术指标"), QStringLiteral("常用模板"),
                                             QStringLiteral("择时策略示范"), QStringLiteral("PYTHON模型指标"),
                                             QStringLiteral("财务指标"), QStringLiteral("因子函数"),
                                             QStringLiteral("Level2专用"), QStringLiteral("用户指标")}));
    const auto tech = root->findChild(QStringLiteral("技术指标"));
    EXPECT_EQ(childNames(tech), QStringList({QStringLiteral("趋势指标"), QStringLiteral("超买超卖"),
                                             QStringLiteral("成交量"), QStringLiteral("能量指标")}));
    EXPECT_EQ(childNames(tech->findChild(QStringLiteral("趋势指标"))),
              QStringList({"MA", "EMA", "BOLL", "BBI", "SAR", "DMA", "TRIX", "DMI"}));
    EXPECT_EQ(childNames(tech->findChild(QStringLiteral("超买超卖"))),
              QStringList({"KDJ", "RSI", "CCI", "WR", "BIAS", "ROC", "MTM"}));
    EXPECT_EQ(childNames(tech->findChild(QStringLiteral("成交量"))),
              QStringList({"VOL", "OBV", "VR", "AD", "EMV"}));
    EXPECT_EQ(childNames(tech->findChild(QStringLiteral("能量指标"))),
              QStringList({"BRAR", "CR", "PSY", "ASI", "MACD"}));

    EXPECT_EQ(root->findChild(QStringLiteral("常用模板"))->modelType(), 4);
    EXPECT_EQ(childNames(root->findChild(QStringLiteral("常用模板"))), QStringList({"GROUPDEMO"}));
    EXPECT_EQ(root->findChild(QStringLiteral("择时策略示范"))->modelType(), 5);
    EXPECT_EQ(childNames(root->findChild(QStringLiteral("择时策略示范"))), QStringList({"VBADEMO"}));
    EXPECT_EQ(childNames(root->findChild(QStringLiteral("PYTHON模型指标"))), QStringList({"PYDEMO"}));
    const auto user = root->findChild(QStringLiteral("用户指标"));
    EXPECT_EQ(user->type(), CFormulaCatalog::kUser);
    EXPECT_EQ(user->modelType(), 1);

    // Walk it the way the menus do: catalogues are type 0 or 1, every other
    // node is a formula leaf that resolves; each indicator is listed once.
    QStringList leaves;
    std::function<void(const CFormulaCatalog::Ptr&)> walk = [&](const CFormulaCatalog::Ptr& node) {
        for (int i = 0; i < node->size(); ++i) {
            const auto c = node->getChild(i);
            if (c->type() == 0 || c->type() == 1) {
                EXPECT_TRUE(c->formulaName().isEmpty());
                walk(c);
            } else {
                EXPECT_EQ(c->type(), CFormulaCatalog::kFormula);
                EXPECT_EQ(c->size(), 0);
                EXPECT_TRUE(m.formula(c->formulaName())) << c->formulaName().toStdString();
                leaves << c->formulaName();
            }
        }
    };
    walk(root);
    EXPECT_EQ(leaves.size(), kIndicators.size() + kMainGraph.size() + kModels.size());
    EXPECT_EQ(leaves.removeDuplicates(), 0);
    EXPECT_FALSE(root->getChild(-1));
    EXPECT_FALSE(root->getChild(root->size()));
}

TEST_F(CatalogBuiltinTest, ExtensionDataCatalogueIsAddedOnceAndSurvivesReload)
{
    EXPECT_FALSE(m.catalog(QStringLiteral("扩展数据")));
    const auto ext = m.insertCatalog(QStringLiteral("扩展数据"), 2);
    ASSERT_TRUE(ext);
    EXPECT_EQ(ext->type(), CFormulaCatalog::kExtendData);
    EXPECT_EQ(m.insertCatalog(QStringLiteral("扩展数据"), 2), ext);
    EXPECT_TRUE(ext->addChild(CFormulaCatalog::makeLeaf("X_HOLDING")));
    EXPECT_FALSE(ext->addChild(CFormulaCatalog::makeLeaf("x_holding")));
    EXPECT_EQ(m.catalog(QStringLiteral("扩展数据")), ext);
    // Nested catalogues are found too.
    EXPECT_EQ(m.catalog(QStringLiteral("超买超卖"))->size(), 7);
    EXPECT_FALSE(m.insertCatalog(QString(), 2));
    EXPECT_FALSE(m.insertCatalog(QStringLiteral("坏"), 7));
    EXPECT_FALSE(m.insertCatalog(QStringLiteral("坏"), -1));

    m.reload();
    EXPECT_EQ(m.catalog(QStringLiteral("扩展数据")), ext);
    EXPECT_EQ(ext->size(), 1);
}

TEST_F(CatalogBuiltinTest, CompileErrorNamesLineAndColumn)
{
    CFormulaDetail d;
    d.setName("broken");
    d.setSource(QStringLiteral("A:CLOSE;\nB:CLOSE+NOSUCH;\n"));
    QString error;
    EXPECT_FALSE(CFormulaOperateManager::genLuaFormula(d, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("BROKEN"))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("line 2, column"))) << error.toStdString();
    EXPECT_FALSE(d.getRunHandle());
    EXPECT_FALSE(CFormulaOperateManager::genLuaFormula(CFormulaOperateManager::DetailPtr(), &error));

    // A changed source drops the handle so the formula is compiled again.
    d.setSource(QStringLiteral("A:CLOSE;"));
    ASSERT_TRUE(CFormulaOperateManager::genLuaFormula(d, &error));
    EXPECT_TRUE(d.getRunHandle());
    d.setSource(QStringLiteral("A:OPEN;"));
    EXPECT_FALSE(d.getRunHandle());
}

TEST(CatalogMissingTest, MissingBuiltinCatalogueLeavesAnEmptyCatalogue)
{
    QTemporaryDir data, home;
    qlog::CLogCapture log(qlog::kStdLogger);
    CFormulaOperateManager m(data.path(), home.path());
    EXPECT_TRUE(m.formulaNames().isEmpty());
    EXPECT_FALSE(m.formula("MACD"));
    ASSERT_TRUE(m.rootCatalog());
    // The user's formulas still have their catalogue.
    ASSERT_EQ(m.rootCatalog()->size(), 1);
    EXPECT_EQ(m.rootCatalog()->getChild(0)->type(), CFormulaCatalog::kUser);
    EXPECT_TRUE(log.contains("catalog.json"));
}

TEST(CatalogMissingTest, ANodeOfTheUserCatalogueNameWithAnotherTypeIsReplaced)
{
    QTemporaryDir data, home;
    QDir().mkpath(data.filePath("formulas"));
    QFile f(data.filePath("formulas/catalog.json"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(R"({"formulas": [], "catalogs": [{"name": "用户指标", "type": 2, "children": []}]})");
    f.close();
    qlog::CLogCapture log(qlog::kStdLogger);
    CFormulaOperateManager m(data.path(), home.path());
    ASSERT_EQ(m.rootCatalog()->size(), 1);
    EXPECT_EQ(m.rootCatalog()->getChild(0)->type(), CFormulaCatalog::kUser);
    EXPECT_TRUE(log.contains("not of the user's type"));
    CFormulaDetail d;
    d.setName("MINE");
    d.setTitle("mine");
    d.setSource("X:CLOSE;");
    ASSERT_TRUE(m.saveUserFormula(d));
    // The saved formula is reachable from the tree the menus show.
    EXPECT_TRUE(m.rootCatalog()->getChild(0)->findChild("MINE"));
}

TEST(CatalogMissingTest, ProcessWideCatalogue)
{
    EXPECT_EQ(CFormulaOperateManager::instance(), CFormulaOperateManager::instance());
    EXPECT_TRUE(CFormulaOperateManager::getFormula("ma"));
    EXPECT_EQ(CFormulaOperateManager::getFormulaByRealName("PYDEMO"),
              CFormulaOperateManager::getFormula("PYDEMO"));
    EXPECT_TRUE(CFormulaOperateManager::getRootCatalog()->findChild(QStringLiteral("技术指标")));
    EXPECT_TRUE(CFormulaOperateManager::isVbaIndex("VBADEMO"));
    EXPECT_TRUE(CFormulaOperateManager::isPythonIndex("PYDEMO"));
    EXPECT_TRUE(CFormulaOperateManager::isGroupModelExist("GROUPDEMO"));
    EXPECT_FALSE(CFormulaOperateManager::isUserModelExist("GROUPDEMO"));
    EXPECT_TRUE(CFormulaOperateManager::getCatalog(QStringLiteral("常用模板")));
}
