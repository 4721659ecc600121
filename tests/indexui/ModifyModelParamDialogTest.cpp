// The parameter editor of a pane's formula: rows from the catalogue, values
// from the pane's parameter text, limits kept, defaults restored, and what OK
// sends is the text the pane is asked again with.
#include <gtest/gtest.h>

#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "platform/indexui/CModifyModelParamDialog.h"

using TC::CModifyModelParamDialog;

namespace {

QVector<double> values(const CModifyModelParamDialog& d)
{
    QVector<double> out;
    for (const QDoubleSpinBox* b : d.spinBoxes())
        out.append(b->value());
    return out;
}

} // namespace

TEST(ModifyModelParam, ListsTheCatalogueParametersWithTheirLimitsAndDefaults)
{
    CModifyModelParamDialog d(QStringLiteral("macd"));
    d.show();
    EXPECT_EQ(d.formula(), QStringLiteral("MACD"));
    EXPECT_TRUE(d.windowTitle().startsWith(QStringLiteral("修改指标参数")));
    // data/formulas/builtin/MACD.fml: SHORT=12,2,200; LONG=26,2,200; MID=9,2,200
    ASSERT_EQ(d.spinBoxes().size(), 3);
    EXPECT_EQ(d.params()[0].name, QStringLiteral("SHORT"));
    EXPECT_EQ(d.params()[2].name, QStringLiteral("MID"));
    EXPECT_EQ(values(d), (QVector<double>{12, 26, 9}));
    for (const QDoubleSpinBox* b : d.spinBoxes()) {
        EXPECT_EQ(b->minimum(), 2);
        EXPECT_EQ(b->maximum(), 200);
        EXPECT_EQ(b->decimals(), 0);
    }
    EXPECT_TRUE(d.okButton()->isVisible());
    EXPECT_TRUE(d.restoreButton()->isVisible());
    EXPECT_FALSE(d.emptyLabel()->isVisible());
}

TEST(ModifyModelParam, ParamTextPresetsClampsAndFallsBackToDefaults)
{
    CModifyModelParamDialog d(QStringLiteral("MACD"));
    d.setParamText(QStringLiteral("5,30,7"));
    EXPECT_EQ(values(d), (QVector<double>{5, 30, 7}));
    EXPECT_EQ(d.paramText(), QStringLiteral("5,30,7"));
    d.setParamText(QStringLiteral("500, x"));
    EXPECT_EQ(values(d), (QVector<double>{200, 26, 9})); // clamped, then defaults
    d.setParamText(QStringLiteral("(1,,40,8)"));
    EXPECT_EQ(values(d), (QVector<double>{2, 26, 40})); // below the minimum; extra entry ignored
    d.setParamText(QString());
    EXPECT_EQ(values(d), (QVector<double>{12, 26, 9}));

    const QVector<TC::CFormulaParamDef> params = d.params();
    EXPECT_EQ(CModifyModelParamDialog::parseParamText(QStringLiteral("13"), params),
              (QVector<double>{13, 26, 9}));
    EXPECT_EQ(CModifyModelParamDialog::formatParamText({12, 0.5, 9}), QStringLiteral("12,0.5,9"));
}

TEST(ModifyModelParam, TypedValuesRestoreDefaultsAndOkSendsTheText)
{
    CModifyModelParamDialog d(QStringLiteral("KDJ")); // N=9,1,100; M1=3,2,40; M2=3,2,40
    QSignalSpy spy(&d, &CModifyModelParamDialog::paramsApplied);
    d.setParamText(QStringLiteral("20,5,5"));
    d.show();
    QDoubleSpinBox* n = d.spinBoxes().at(0);
    n->selectAll();
    QTest::keyClicks(n, QStringLiteral("34"));
    QTest::mouseClick(d.okButton(), Qt::LeftButton);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toString(), QStringLiteral("KDJ"));
    EXPECT_EQ(spy.at(0).at(1).toString(), QStringLiteral("34,5,5"));
    EXPECT_EQ(d.result(), QDialog::Accepted);

    d.show();
    QTest::mouseClick(d.restoreButton(), Qt::LeftButton);
    EXPECT_EQ(values(d), (QVector<double>{9, 3, 3}));
    EXPECT_TRUE(d.isVisible()); // restoring does not close
    QTest::mouseClick(d.cancelButton(), Qt::LeftButton);
    EXPECT_EQ(spy.count(), 1);
}

TEST(ModifyModelParam, FormulaWithoutParametersHasNothingToConfirmAndInitRetargets)
{
    CModifyModelParamDialog d(QStringLiteral("AD")); // {PARAMS:}
    QSignalSpy spy(&d, &CModifyModelParamDialog::paramsApplied);
    d.show();
    EXPECT_TRUE(d.spinBoxes().isEmpty());
    EXPECT_TRUE(d.emptyLabel()->isVisible());
    EXPECT_EQ(d.emptyLabel()->text(), QStringLiteral("该指标没有可修改的参数"));
    EXPECT_FALSE(d.okButton()->isVisible());
    EXPECT_FALSE(d.restoreButton()->isVisible());
    QTest::keyClick(&d, Qt::Key_Return);
    EXPECT_EQ(spy.count(), 0);

    d.init(QStringLiteral("VOL")); // M1=5,1,250; M2=10,1,250
    EXPECT_EQ(d.formula(), QStringLiteral("VOL"));
    EXPECT_EQ(values(d), (QVector<double>{5, 10}));
    EXPECT_TRUE(d.okButton()->isVisible());
    EXPECT_FALSE(d.emptyLabel()->isVisible());
    d.init(QStringLiteral("NO_SUCH_FORMULA"));
    EXPECT_TRUE(d.spinBoxes().isEmpty());
    EXPECT_TRUE(d.emptyLabel()->isVisible());
}
