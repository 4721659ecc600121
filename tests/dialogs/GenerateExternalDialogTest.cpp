// External series: stored per series in the user folder and read back by a
// fresh manager, bad files skipped; the "生成外部数据" dialog's check list,
// its overwrite question and what it stores.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>

#include "common/WriteFailure.h"
#include "dialogs/CKLineGenerateExternalDialog.h"
#include "platform/formula/service/CExternalDataManager.h"
#include "platform/framework/CCheckBox.h"
#include "platform/framework/CMessageBox.h"
#include "platform/framework/CPushButton.h"
#include "platform/framework/CVScrollWidgetList.h"

using TC::CExternalDataInfo;
using TC::CExternalDataManager;
using Points = CExternalDataManager::Points;

namespace {

const double kNone = std::numeric_limits<double>::max();

CExternalDataInfo info(const QString& name)
{
    CExternalDataInfo i;
    i.name = name;
    i.market = "SH";
    i.code = "600000";
    i.periodMs = 86400000;
    i.unit = "元";
    return i;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(ExternalDataStore, SeriesSurviveARestartAndRemovalDeletesTheFile)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("external");
    {
        CExternalDataManager m(folder);
        // Out of order, with a bar without value and a fraction that needs
        // all 17 digits.
        ASSERT_TRUE(m.generateData1(info("DIF"), {{3000, 0}, {1000, 0}, {2000, 0}}, {0.1 + 0.2, -1.5, kNone}));
        // Odd characters stay inside one file name.
        ASSERT_TRUE(m.generateData1(info("a/b.c\tx"), {{5000, 0}}, {7.0}));
        // Text would drop the sign of -0: it is a plain 0 in memory too.
        ASSERT_TRUE(m.generateData1(info("ZERO"), {{1000, 0}}, {-0.0}));
        EXPECT_FALSE(std::signbit(m.data("ZERO").value(0).second));
        EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 3);
    }
    CExternalDataManager again(folder);
    EXPECT_EQ(again.names(), QStringList({"DIF", "ZERO", "a/b.c\tx"}));
    EXPECT_FALSE(std::signbit(again.data("ZERO").value(0).second));
    EXPECT_EQ(again.data("DIF"), Points({{1000, -1.5}, {3000, 0.1 + 0.2}}));
    const CExternalDataInfo read = again.info("DIF");
    EXPECT_EQ(read.market, "SH");
    EXPECT_EQ(read.code, "600000");
    EXPECT_EQ(read.periodMs, 86400000);
    EXPECT_EQ(read.unit, QStringLiteral("元"));
    EXPECT_EQ(again.data("a/b.c\tx"), Points({{5000, 7.0}}));

    EXPECT_TRUE(again.removeData("DIF"));
    EXPECT_FALSE(again.removeData("DIF"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 2);
    EXPECT_FALSE(CExternalDataManager(folder).isExist("DIF"));
}

TEST(ExternalDataStore, BadFilesAreSkippedAndLeftAsTheyAre)
{
    QTemporaryDir dir;
    {
        CExternalDataManager m(dir.path());
        ASSERT_TRUE(m.generateData1(info("GOOD"), {{1000, 0}, {2000, 0}}, {1.0, 2.0}));
        ASSERT_TRUE(m.generateData1(info("CUT"), {{1000, 0}, {2000, 0}}, {1.0, 2.0}));
    }
    const QString cut = dir.filePath(CExternalDataManager::fileNameOf("CUT"));
    QByteArray bytes = readAll(cut);
    bytes.chop(bytes.size() - bytes.lastIndexOf("2000")); // the last point lost
    writeAll(cut, bytes);
    writeAll(dir.filePath("junk.xdat"), QByteArray("\x00\xff garbage\n", 11));
    const QByteArray backwards = "#KLINEVIEW EXTERNAL DATA 1\nname\tBACK\npoints\t2\n2000\t1\n1000\t2\n";
    writeAll(dir.filePath("back.xdat"), backwards);
    const QByteArray twin = readAll(dir.filePath(CExternalDataManager::fileNameOf("GOOD")));
    writeAll(dir.filePath("zz_copy.xdat"), twin); // a second file of the same name

    CExternalDataManager m(dir.path());
    EXPECT_EQ(m.names(), QStringList({"GOOD"}));
    EXPECT_EQ(m.data("GOOD"), Points({{1000, 1.0}, {2000, 2.0}}));
    EXPECT_EQ(readAll(cut), bytes);
    EXPECT_EQ(readAll(dir.filePath("back.xdat")), backwards);
    // Generating the name again replaces the broken file.
    ASSERT_TRUE(m.generateData1(info("CUT"), {{1000, 0}}, {3.0}));
    EXPECT_EQ(CExternalDataManager(dir.path()).data("CUT"), Points({{1000, 3.0}}));
}

TEST(ExternalDataStore, AnUnwritableFolderRefusesAndChangesNothing)
{
    QTemporaryDir dir;
    const QString notADir = dir.filePath("file");
    writeAll(notADir, "x");
    CExternalDataManager m(notADir);
    EXPECT_FALSE(m.generateData1(info("DIF"), {{1000, 0}}, {1.0}));
    EXPECT_FALSE(m.isExist("DIF"));
    EXPECT_FALSE(m.generateData1(info(QString(300, QChar('N'))), {{1000, 0}}, {1.0}));
}

TEST(ExternalDataStore, AFailedOverwriteKeepsTheOldSeriesOnDiskAndInMemory)
{
    QTemporaryDir dir;
    CExternalDataManager m(dir.path());
    ASSERT_TRUE(m.generateData1(info("DIF"), {{1000, 0}}, {1.0}));
    const QString file = dir.filePath(CExternalDataManager::fileNameOf("DIF"));
    const QByteArray before = readAll(file);
    for (const auto kind : ktest::kWriteFailures) {
        SCOPED_TRACE(ktest::kindName(kind));
        {
            ktest::ScopedWriteFailure failure(kind, dir.path());
            if (!failure.available())
                continue;
            EXPECT_FALSE(m.generateData1(info("DIF"), {{1000, 0}, {2000, 0}}, {5.0, 6.0}));
            EXPECT_FALSE(m.generateData1(info("NEW"), {{1000, 0}}, {5.0}));
        }
        EXPECT_EQ(readAll(file), before);
        EXPECT_EQ(m.data("DIF"), Points({{1000, 1.0}}));
        EXPECT_FALSE(m.isExist("NEW"));
        EXPECT_EQ(ktest::folderEntries(dir.path()), QStringList{CExternalDataManager::fileNameOf("DIF")});
    }
    EXPECT_EQ(CExternalDataManager(dir.path()).data("DIF"), Points({{1000, 1.0}}));
}

// Two outputs with data and one without; three bars, the middle one empty.
void macdResults(se::RPCFormulaMetaResult& meta, se::RPCFormulaResult& result)
{
    meta.formulaName = "MACD";
    meta.names = {"DIF", "DEA", "MACD"};
    meta.columns = {{0}, {1}, {2}};
    result.times = {{1000, 0}, {2000, 0}, {3000, 0}};
    result.values = {{1.0, kNone, 3.0}, {-1.0, -2.0, -3.0}, {0.5, 0.5, 0.5}};
    result.columnMap = {{0, 0}, {1, 1}, {2, 2}};
}

class GenerateDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        macdResults(meta, result);
        for (const char* n : {"DIF", "DEA", "MACD"})
            store->removeData(n);
        dlg.setData({"DIF", "DEA", "MACD"}, meta, result, info(QString()));
        dlg.show();
    }
    void TearDown() override { KW::CMessageBox::setAutoAnswer(-1); }
    void tick(const QStringList& names)
    {
        for (KW::CCheckBox* b : dlg.checkBoxes())
            b->setChecked(names.contains(b->text()));
    }
    void ok() { dlg.button(TC::CKLineGenerateExternalDialog::OkButton)->click(); }

    CExternalDataManager* store = CExternalDataManager::instance();
    se::RPCFormulaMetaResult meta;
    se::RPCFormulaResult result;
    TC::CKLineGenerateExternalDialog dlg;
};

TEST_F(GenerateDialog, OneCheckBoxPerOutputAndItsButtons)
{
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("生成外部数据"));
    EXPECT_EQ(dlg.size(), QSize(250, 300));
    const auto boxes = dlg.checkBoxes();
    ASSERT_EQ(boxes.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(boxes[i]->text(), QString::fromStdString(meta.names[size_t(i)]));
        EXPECT_EQ(boxes[i]->id(), i);
        EXPECT_EQ(boxes[i]->height(), 25);
        EXPECT_FALSE(boxes[i]->isChecked());
    }
    EXPECT_EQ(boxes[1]->y(), 25);
    EXPECT_EQ(dlg.button(0)->text(), QStringLiteral("确定"));
    EXPECT_EQ(dlg.button(1)->text(), QStringLiteral("关闭"));
    EXPECT_EQ(dlg.button(0)->size(), QSize(65, 21));
    EXPECT_EQ(dlg.button(1)->parentWidget()->objectName(), QStringLiteral("base"));

    // A refill replaces the list.
    dlg.setData({"K"}, meta, result, info(QString()));
    ASSERT_EQ(dlg.checkBoxes().size(), 1);
    EXPECT_EQ(dlg.checkBoxes()[0]->text(), "K");
    EXPECT_EQ(dlg.checkList()->count(), 1);

    dlg.button(TC::CKLineGenerateExternalDialog::CloseButton)->click();
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(GenerateDialog, TickedOutputsAreStoredAndReadBackFromDisk)
{
    tick({"DIF", "MACD"});
    ok();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), 1);
    EXPECT_EQ(dlg.storedNames(), QStringList({"DIF", "MACD"}));
    EXPECT_FALSE(store->isExist("DEA"));
    const Points dif{{1000, 1.0}, {3000, 3.0}};
    const Points macd{{1000, 0.5}, {2000, 0.5}, {3000, 0.5}};
    EXPECT_EQ(store->data("DIF"), dif);
    CExternalDataManager fresh(store->folder());
    EXPECT_EQ(fresh.data("DIF"), dif);
    EXPECT_EQ(fresh.data("MACD"), macd);
    EXPECT_EQ(fresh.info("MACD").code, "600000");
    EXPECT_EQ(fresh.info("MACD").name, "MACD");
}

TEST_F(GenerateDialog, ExistingNamesAskAndCancelSkipsEachOne)
{
    ASSERT_TRUE(store->generateData1(info("DIF"), {{9000, 0}}, {9.0}));
    ASSERT_TRUE(store->generateData1(info("DEA"), {{9000, 0}}, {9.0}));
    tick({"DIF", "DEA", "MACD"});
    KW::CMessageBox::setAutoAnswer(QMessageBox::No);
    const int shown = KW::CMessageBox::shownCount();
    ok();
    EXPECT_EQ(KW::CMessageBox::shownCount(), shown + 2);
    EXPECT_EQ(KW::CMessageBox::lastTitle(), QStringLiteral("提示"));
    EXPECT_EQ(KW::CMessageBox::lastText(), QStringLiteral("DEA 已存在，是否覆盖!"));
    EXPECT_EQ(KW::CMessageBox::lastButtons(), QStringList({"全部覆盖", "取消"}));
    EXPECT_EQ(store->data("DIF"), Points({{9000, 9.0}}));
    EXPECT_EQ(store->data("DEA"), Points({{9000, 9.0}}));
    EXPECT_TRUE(store->isExist("MACD"));
    EXPECT_EQ(dlg.result(), 1);
}

TEST_F(GenerateDialog, OverwriteAllAsksOnceAndReplacesEveryExistingName)
{
    ASSERT_TRUE(store->generateData1(info("DIF"), {{9000, 0}}, {9.0}));
    ASSERT_TRUE(store->generateData1(info("DEA"), {{9000, 0}}, {9.0}));
    tick({"DIF", "DEA"});
    KW::CMessageBox::setAutoAnswer(QMessageBox::Yes);
    const int shown = KW::CMessageBox::shownCount();
    ok();
    EXPECT_EQ(KW::CMessageBox::shownCount(), shown + 1);
    EXPECT_EQ(KW::CMessageBox::lastText(), QStringLiteral("DIF 已存在，是否覆盖!"));
    EXPECT_EQ(store->data("DIF"), Points({{1000, 1.0}, {3000, 3.0}}));
    EXPECT_EQ(CExternalDataManager(store->folder()).data("DEA"), Points({{1000, -1.0}, {2000, -2.0}, {3000, -3.0}}));
}

TEST_F(GenerateDialog, AnOverwriteThatCannotBeWrittenKeepsTheOldDataAndIsTold)
{
    ASSERT_TRUE(store->generateData1(info("DIF"), {{9000, 0}}, {9.0}));
    const QString file = QDir(store->folder()).filePath(CExternalDataManager::fileNameOf("DIF"));
    const QByteArray before = readAll(file);
    tick({"DIF"});
    KW::CMessageBox::setAutoAnswer(QMessageBox::Yes);
    const int shown = KW::CMessageBox::shownCount();
    {
        ktest::ScopedFileSizeLimit full(0);
        ok();
    }
    // The overwrite question, then the failure.
    EXPECT_EQ(KW::CMessageBox::shownCount(), shown + 2);
    EXPECT_EQ(KW::CMessageBox::lastKind(), int(KW::CMessageBox::Warning));
    EXPECT_EQ(KW::CMessageBox::lastText(), QStringLiteral("以下数据未能生成: DIF"));
    EXPECT_EQ(readAll(file), before);
    EXPECT_EQ(store->data("DIF"), Points({{9000, 9.0}}));
    EXPECT_EQ(CExternalDataManager(store->folder()).data("DIF"), Points({{9000, 9.0}}));
}

} // namespace
