// klineview's "公式" menu: the list with search, and import of files the
// host's formula export wrote, into the editor as a new formula.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "CKLineViewFormulaExport.h"
#include "CKLineViewFormulaMenu.h"
#include "CKLineViewFormulaPicker.h"
#include "CKLineViewLayout.h"
#include "CKLineViewWindow.h"
#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/formula/editor/CFormulaEditorManager.h"
#include "platform/formula/editor/CFormulaWindow.h"
#include "platform/framework/CMessageBox.h"

using TC::CFormulaEditorManager;
using TC::CFormulaOperateManager;
using TC::CFormulaWindow;
using TC::CKLineViewFormulaMenu;

namespace {

class FormulaMenu : public ::testing::Test
{
protected:
    void SetUp() override { KW::CMessageBox::setAutoAnswer(QMessageBox::Ok); }
    void TearDown() override
    {
        CFormulaEditorManager::instance()->closeAll();
        QCoreApplication::processEvents();
        for (const QString& n : {QStringLiteral("IMPORTED"), QStringLiteral("ROUNDTRIP")})
            CFormulaOperateManager::instance()->removeUserFormula(n);
        KW::CMessageBox::setAutoAnswer(-1);
    }
    static QVector<TC::CFormulaParamDef> tableParams(CFormulaWindow* w)
    {
        QVector<TC::CFormulaParamDef> params;
        EXPECT_TRUE(w->collectParams(params, nullptr));
        return params;
    }
    static void write(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QTemporaryDir m_dir;
};

TEST_F(FormulaMenu, AnExportedUserFormulaImportsBackAsANewFormulaWithItsParameters)
{
    TC::CKLineViewWindow window(TC::CKLineViewLayout{}, QString());
    CKLineViewFormulaMenu* menu = window.formulaMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(window.menuBar()->actions().contains(menu->menuAction()));
    EXPECT_EQ(menu->title(), QStringLiteral("公式"));
    EXPECT_EQ(menu->newAction()->text(), QStringLiteral("新建公式…"));
    EXPECT_EQ(menu->editAction()->text(), QStringLiteral("编辑公式…"));
    EXPECT_EQ(menu->importAction()->text(), QStringLiteral("导入公式…"));

    TC::CFormulaDetail d;
    d.setName("ROUNDTRIP");
    d.setTitle("round trip");
    d.setParams({{"N", 9, 1, 100}, {"M", 2.5, 0.5, 40}});
    d.setSource("A:MA(C,N);\nB:EMA(C,M),COLORRED;");
    ASSERT_TRUE(CFormulaOperateManager::instance()->saveUserFormula(d));
    const QString path = m_dir.filePath("imported.fml");
    ASSERT_TRUE(TC::CKLineViewFormulaExport::write("ROUNDTRIP", path));
    ASSERT_TRUE(CFormulaOperateManager::instance()->removeUserFormula("ROUNDTRIP"));

    CKLineViewFormulaMenu::setOpenFilePrompt([&](QWidget*, const QString&, const QString&) { return path; });
    menu->importAction()->trigger();
    CKLineViewFormulaMenu::setOpenFilePrompt({});
    QList<CFormulaWindow*> windows = CFormulaEditorManager::instance()->windows();
    ASSERT_EQ(windows.size(), 1);
    CFormulaWindow* w = windows.first();
    EXPECT_TRUE(w->isNewFormula());
    EXPECT_EQ(w->nameEdit()->text(), QStringLiteral("IMPORTED"));
    EXPECT_EQ(w->sourceEdit()->toPlainText(), d.getSource());
    const QVector<TC::CFormulaParamDef> params = tableParams(w);
    ASSERT_EQ(params.size(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(params[i].name, d.getParams()[i].name);
        EXPECT_EQ(params[i].defaultValue, d.getParams()[i].defaultValue);
        EXPECT_EQ(params[i].minValue, d.getParams()[i].minValue);
        EXPECT_EQ(params[i].maxValue, d.getParams()[i].maxValue);
    }

    // Saved, it lands on the window's chart.
    EXPECT_EQ(w->targetChart(), window.chart());
    const int panes = window.chart()->subPanes().size();
    ASSERT_TRUE(w->confirm());
    const auto saved = CFormulaOperateManager::getFormula("IMPORTED");
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->getSource(), d.getSource());
    EXPECT_EQ(saved->getParams().size(), 2);
    EXPECT_TRUE(window.chart()->hasIndex("IMPORTED"));
    EXPECT_GE(window.chart()->subPanes().size(), std::max(1, panes));
}

TEST_F(FormulaMenu, ImportRefusesBrokenFilesAndTakenNames)
{
    TC::CKLineViewWindow window(TC::CKLineViewLayout{}, QString());
    CKLineViewFormulaMenu* menu = window.formulaMenu();

    const QString bad = m_dir.filePath("bad.fml");
    write(bad, "{PARAMS: N=9,1}\nA:C;");
    EXPECT_EQ(menu->importFormula(bad), nullptr);
    EXPECT_TRUE(KW::CMessageBox::lastText().contains(QStringLiteral("参数格式错误")));
    EXPECT_EQ(menu->importFormula(m_dir.filePath("missing.fml")), nullptr);
    EXPECT_TRUE(KW::CMessageBox::lastText().contains(QStringLiteral("无法读取")));
    EXPECT_TRUE(CFormulaEditorManager::instance()->windows().isEmpty());

    // A built-in's export: its parameters and text, but the name is taken.
    const QString path = m_dir.filePath("MACD.fml");
    ASSERT_TRUE(TC::CKLineViewFormulaExport::write("MACD", path));
    CFormulaWindow* w = menu->importFormula(path);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(tableParams(w).size(), CFormulaOperateManager::getFormula("MACD")->getParams().size());
    EXPECT_FALSE(w->sourceEdit()->toPlainText().contains(QStringLiteral("{PARAMS")));
    EXPECT_FALSE(w->confirm());
    EXPECT_TRUE(KW::CMessageBox::lastText().contains(QStringLiteral("已存在")));
}

TEST_F(FormulaMenu, TheWindowClosesOnlyWhenUnsavedFormulaChangesMayGo)
{
    TC::CKLineViewWindow window(TC::CKLineViewLayout{}, QString());
    window.show();
    CFormulaWindow* w = window.formulaMenu()->newFormula();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->parentWidget(), &window);
    QTest::keyClicks(w->sourceEdit(), "X:C;");
    ASSERT_TRUE(w->isModified());

    KW::CMessageBox::setAutoAnswer(QMessageBox::No);
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(w->isVisible());
    KW::CMessageBox::setAutoAnswer(QMessageBox::Yes);
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(w->isVisible());
}

TEST_F(FormulaMenu, TheListFiltersByNameOrTitleAndOpensThePickedFormula)
{
    TC::CKLineViewWindow window(TC::CKLineViewLayout{}, QString());
    TC::CKLineViewFormulaPicker* picker = window.formulaMenu()->showPicker();
    ASSERT_NE(picker, nullptr);
    // Expected lines found from the catalogue directly.
    auto matching = [](const QString& key) {
        QStringList names;
        for (const QString& n : CFormulaOperateManager::instance()->formulaNames()) {
            const auto d = CFormulaOperateManager::getFormula(n);
            if (d && !d->isNative() && !d->getSource().trimmed().isEmpty() &&
                (d->getName().contains(key, Qt::CaseInsensitive) ||
                 d->getTitle().contains(key, Qt::CaseInsensitive)))
                names.append(d->getName());
        }
        return names;
    };
    EXPECT_EQ(picker->visibleNames(), matching(QString()));
    EXPECT_FALSE(picker->visibleNames().contains("KLINE"));
    QTest::keyClicks(picker->searchEdit(), "macd");
    EXPECT_EQ(picker->visibleNames(), matching("macd"));
    ASSERT_TRUE(picker->visibleNames().contains("MACD"));
    picker->list()->setCurrentItem(picker->list()->findItems("MACD ", Qt::MatchStartsWith).first());
    QTest::mouseClick(picker->okButton(), Qt::LeftButton);
    CFormulaWindow* w = CFormulaEditorManager::instance()->findWindow("MACD");
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isReadOnly());
    EXPECT_EQ(w->targetChart(), window.chart());
}

} // namespace
