// The user's self-selected stock groups: what is added stays, in order and
// without repeats, across a restart; a file that cannot be read is kept aside,
// never overwritten unseen; the dialog adds to the group the user picks.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "common/WriteFailure.h"
#include "platform/framework/CMessageBox.h"
#include "platform/indexui/CAddSelfStockDialog.h"
#include "platform/indexui/CSelfStockStore.h"

using TC::CAddSelfStockDialog;
using TC::CSelfStockStore;

namespace {

const QString kDefault = QStringLiteral("自选股");

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

class SelfStockStore : public ::testing::Test
{
protected:
    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(QStringLiteral("selfstocks.json")); }
};

} // namespace

TEST_F(SelfStockStore, AddsInOrderWithoutRepeatsAndReadsItBack)
{
    CSelfStockStore store(path());
    EXPECT_EQ(store.groups(), QStringList{kDefault});
    EXPECT_TRUE(store.stocks(kDefault).isEmpty());
    EXPECT_FALSE(QFile::exists(path())); // nothing written before a change

    ASSERT_TRUE(store.addStocks(kDefault, {"SH600519", " SH600000 ", "SH600519", ""}));
    EXPECT_EQ(store.stocks(kDefault), (QStringList{"SH600519", "SH600000"}));
    ASSERT_TRUE(store.addStocks(kDefault, {"SH600000", "SZ000651"}));
    EXPECT_EQ(store.stocks(kDefault), (QStringList{"SH600519", "SH600000", "SZ000651"}));
    ASSERT_TRUE(store.addStocks(QStringLiteral(" 长线 "), {"SZ000063"}));
    EXPECT_EQ(store.groups(), (QStringList{kDefault, QStringLiteral("长线")}));
    EXPECT_TRUE(store.stocks(QStringLiteral("短线")).isEmpty());

    // The file as written, read on its own.
    const QJsonObject root = QJsonDocument::fromJson(readAll(path())).object();
    EXPECT_EQ(root.value("version").toInt(), 1);
    const QJsonArray groups = root.value("groups").toArray();
    ASSERT_EQ(groups.size(), 2);
    EXPECT_EQ(groups[0].toObject().value("name").toString(), kDefault);
    EXPECT_EQ(groups[0].toObject().value("stocks").toArray().size(), 3);
    EXPECT_EQ(groups[1].toObject().value("stocks").toArray().at(0).toString(), QStringLiteral("SZ000063"));

    CSelfStockStore again(path());
    EXPECT_FALSE(again.fileWasBad());
    EXPECT_EQ(again.groups(), store.groups());
    EXPECT_EQ(again.stocks(kDefault), store.stocks(kDefault));

    ASSERT_TRUE(again.removeStock(kDefault, QStringLiteral("SH600000")));
    EXPECT_EQ(again.stocks(kDefault), (QStringList{"SH600519", "SZ000651"}));
    QString error;
    EXPECT_FALSE(again.removeStock(kDefault, QStringLiteral("SH600000"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(again.removeStock(QStringLiteral("没有"), QStringLiteral("SH600519")));
    again.reload();
    EXPECT_EQ(again.stocks(kDefault), (QStringList{"SH600519", "SZ000651"}));
}

TEST_F(SelfStockStore, RefusesBadGroupNamesAndUnwritableFilesWithoutChanging)
{
    CSelfStockStore store(path());
    QString error;
    EXPECT_FALSE(store.addStocks(QStringLiteral("   "), {"SH600000"}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(store.addStocks(QString(33, QLatin1Char('x')), {"SH600000"}));
    EXPECT_TRUE(store.addStocks(QString(32, QLatin1Char('x')), {"SH600000"}));
    EXPECT_EQ(store.groups().size(), 2);

    CSelfStockStore nowhere(m_dir.filePath(QStringLiteral("missing/folder/selfstocks.json")));
    error.clear();
    EXPECT_FALSE(nowhere.addStocks(kDefault, {"SH600000"}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(nowhere.stocks(kDefault).isEmpty());
}

TEST_F(SelfStockStore, AFailedWriteKeepsTheFileAndTheGroupsAsTheyWere)
{
    CSelfStockStore store(path());
    ASSERT_TRUE(store.addStocks(kDefault, {"SH600519"}));
    const QByteArray saved = readAll(path());
    for (const auto kind : ktest::kWriteFailures) {
        SCOPED_TRACE(ktest::kindName(kind));
        QString error;
        {
            ktest::ScopedWriteFailure failure(kind, m_dir.path());
            if (!failure.available())
                continue;
            EXPECT_FALSE(store.addStocks(QStringLiteral("长线"), {"SZ000063"}, &error));
            EXPECT_FALSE(store.removeStock(kDefault, QStringLiteral("SH600519")));
        }
        EXPECT_TRUE(error.startsWith(QStringLiteral("无法写入 ") + path())) << error.toStdString();
        EXPECT_EQ(readAll(path()), saved);
        EXPECT_EQ(store.groups(), QStringList{kDefault});
        EXPECT_EQ(store.stocks(kDefault), QStringList{"SH600519"});
        EXPECT_EQ(ktest::folderEntries(m_dir.path()), QStringList{QStringLiteral("selfstocks.json")});
    }
    // Writable again: the next change is stored whole.
    ASSERT_TRUE(store.addStocks(QStringLiteral("长线"), {"SZ000063"}));
    CSelfStockStore again(path());
    EXPECT_EQ(again.groups(), (QStringList{kDefault, QStringLiteral("长线")}));
    EXPECT_EQ(again.stocks(kDefault), QStringList{"SH600519"});
}

TEST_F(SelfStockStore, AnUnreadableFileStaysInPlaceWhenItsRewriteFails)
{
    writeAll(path(), "{ not json");
    CSelfStockStore store(path());
    ASSERT_TRUE(store.fileWasBad());
    {
        // Room for the copy aside, not for the new content.
        ktest::ScopedFileSizeLimit full(10);
        EXPECT_FALSE(store.addStocks(kDefault, {"SH600519"}));
    }
    EXPECT_EQ(readAll(path()), QByteArray("{ not json"));
    EXPECT_EQ(readAll(path() + QStringLiteral(".bad")), QByteArray("{ not json"));
    // Still unread: the next write keeps a copy before replacing it.
    ASSERT_TRUE(store.addStocks(kDefault, {"SH600519"}));
    EXPECT_EQ(readAll(path() + QStringLiteral(".bad")), QByteArray("{ not json"));
    EXPECT_EQ(CSelfStockStore(path()).stocks(kDefault), QStringList{"SH600519"});
}

TEST_F(SelfStockStore, UnreadableFileIsEmptyAndKeptAsBadBeforeTheFirstRewrite)
{
    const QByteArray broken = "{\"version\": 1, \"groups\": [";
    writeAll(path(), broken);
    CSelfStockStore store(path());
    EXPECT_TRUE(store.fileWasBad());
    EXPECT_EQ(store.groups(), QStringList{kDefault});
    EXPECT_TRUE(store.stocks(kDefault).isEmpty());
    EXPECT_EQ(readAll(path()), broken); // reading never touches it

    ASSERT_TRUE(store.addStocks(kDefault, {"SH600000"}));
    EXPECT_EQ(readAll(path() + QStringLiteral(".bad")), broken);
    CSelfStockStore again(path());
    EXPECT_FALSE(again.fileWasBad());
    EXPECT_EQ(again.stocks(kDefault), QStringList{"SH600000"});
    // A second change rewrites the good file only.
    ASSERT_TRUE(again.addStocks(kDefault, {"SH600519"}));
    EXPECT_EQ(readAll(path() + QStringLiteral(".bad")), broken);
}

TEST(SelfStockParse, WholeFileFaultsAreRefusedEntryFaultsSkipped)
{
    QVector<CSelfStockStore::Group> groups;
    QString why;
    for (const char* bad : {"", "[]", "{\"version\":2,\"groups\":[]}", "{\"groups\":[]}",
                            "{\"version\":1,\"groups\":{}}", "{\"version\":\"1\",\"groups\":[]}", "nul"}) {
        why.clear();
        EXPECT_FALSE(CSelfStockStore::parse(bad, groups, &why)) << bad;
        EXPECT_FALSE(why.isEmpty()) << bad;
    }

    QStringList skipped;
    const QByteArray text = R"({"version":1,"groups":[
        {"name":"长线","stocks":["SZ000651", 5, "", "SZ000651", "SH600000"]},
        {"name":"自选股","stocks":["SH600519"]},
        {"stocks":["SH600000"]},
        {"name":"长线","stocks":["SZ000063"]},
        {"name":"短线"},
        7,
        {"name":"  短线  ","stocks":[]}]})";
    ASSERT_TRUE(CSelfStockStore::parse(text, groups, &why, &skipped));
    ASSERT_EQ(groups.size(), 3);
    EXPECT_EQ(groups[0].name, kDefault); // first wherever the file has it
    EXPECT_EQ(groups[0].stocks, QStringList{"SH600519"});
    EXPECT_EQ(groups[1].name, QStringLiteral("长线"));
    EXPECT_EQ(groups[1].stocks, (QStringList{"SZ000651", "SH600000"}));
    EXPECT_EQ(groups[2].name, QStringLiteral("短线"));
    // 5 and "" in 长线, the nameless group, the second 长线, 短线 without
    // stocks and the number 7.
    EXPECT_EQ(skipped.size(), 6) << skipped.join('\n').toStdString();

    // What serialize writes parses back to the same groups.
    QVector<CSelfStockStore::Group> back;
    ASSERT_TRUE(CSelfStockStore::parse(CSelfStockStore::serialize(groups), back));
    ASSERT_EQ(back.size(), groups.size());
    for (int i = 0; i < back.size(); ++i) {
        EXPECT_EQ(back[i].name, groups[i].name);
        EXPECT_EQ(back[i].stocks, groups[i].stocks);
    }
}

// --- the dialog, over the process-wide store in the test's user folder

class AddSelfStockDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QFile::remove(CSelfStockStore::defaultFilePath());
        CSelfStockStore::instance()->reload();
        KW::CMessageBox::setAutoAnswer(QMessageBox::Ok);
    }
    void TearDown() override
    {
        KW::CMessageBox::setAutoAnswer(-1);
        QFile::remove(CSelfStockStore::defaultFilePath());
        CSelfStockStore::instance()->reload();
    }
    static CSelfStockStore* store() { return CSelfStockStore::instance(); }
};

TEST_F(AddSelfStockDialog, ShowsTheStocksAndOkAddsThemToTheDefaultGroup)
{
    ASSERT_TRUE(store()->addStocks(kDefault, {"SH600000"}));
    CAddSelfStockDialog dialog({"SH600000", "SZ000651", "SZ000651", "XX999999"});
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("加入自选股"));
    ASSERT_EQ(dialog.stockList()->count(), 3);
    EXPECT_EQ(dialog.stockList()->item(0)->text(), QStringLiteral("SH600000 浦发银行"));
    EXPECT_EQ(dialog.stockList()->item(1)->text(), QStringLiteral("SZ000651 格力电器"));
    EXPECT_EQ(dialog.stockList()->item(2)->text(), QStringLiteral("XX999999"));
    EXPECT_EQ(dialog.selectedGroup(), kDefault);

    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(store()->stocks(kDefault), (QStringList{"SH600000", "SZ000651", "XX999999"}));
    // It is on disk, not only in memory.
    CSelfStockStore fromFile(CSelfStockStore::defaultFilePath());
    EXPECT_EQ(fromFile.stocks(kDefault), store()->stocks(kDefault));
}

TEST_F(AddSelfStockDialog, NewGroupIsCreatedByNameAndStoredOnlyWithOk)
{
    {
        CAddSelfStockDialog dialog({"SH600519"});
        dialog.show();
        // QTest types ASCII only: Chinese names are put in as an input method would.
        dialog.newGroupEdit()->setText(QStringLiteral("临时"));
        QTest::mouseClick(dialog.newGroupButton(), Qt::LeftButton);
        EXPECT_EQ(dialog.selectedGroup(), QStringLiteral("临时"));
        EXPECT_TRUE(dialog.newGroupEdit()->text().isEmpty());
        QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_EQ(store()->groups(), QStringList{kDefault});
        EXPECT_FALSE(QFile::exists(CSelfStockStore::defaultFilePath()));
    }
    CAddSelfStockDialog dialog({"SH600519"});
    dialog.show();
    dialog.newGroupEdit()->setText(QStringLiteral("白酒"));
    QTest::keyClick(dialog.newGroupEdit(), Qt::Key_Return); // creates, does not accept
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(dialog.groupList()->count(), 2);
    // Typing a listed name selects it instead of listing it twice.
    dialog.newGroupEdit()->setText(kDefault);
    QTest::mouseClick(dialog.newGroupButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.groupList()->count(), 2);
    EXPECT_EQ(dialog.selectedGroup(), kDefault);
    // Pick the new group with the mouse and confirm.
    QListWidget* groups = dialog.groupList();
    QTest::mouseClick(groups->viewport(), Qt::LeftButton, {},
                      groups->visualItemRect(groups->item(1)).center());
    EXPECT_EQ(dialog.selectedGroup(), QStringLiteral("白酒"));
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    EXPECT_EQ(store()->groups(), (QStringList{kDefault, QStringLiteral("白酒")}));
    EXPECT_EQ(store()->stocks(QStringLiteral("白酒")), QStringList{"SH600519"});
    EXPECT_TRUE(store()->stocks(kDefault).isEmpty());
}

TEST_F(AddSelfStockDialog, OkWithoutAGroupIsRefusedAndKeepsTheDialogOpen)
{
    CAddSelfStockDialog dialog({"SH600519"});
    dialog.show();
    dialog.groupList()->clearSelection();
    const int shown = KW::CMessageBox::shownCount();
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    EXPECT_EQ(KW::CMessageBox::shownCount(), shown + 1);
    EXPECT_EQ(KW::CMessageBox::lastText(), QStringLiteral("请选择分组"));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(store()->stocks(kDefault).isEmpty());
}

TEST_F(AddSelfStockDialog, AFullDiskIsToldAndKeepsTheDialogAndTheFile)
{
    ASSERT_TRUE(store()->addStocks(kDefault, {"SH600000"}));
    const QByteArray saved = readAll(CSelfStockStore::defaultFilePath());
    CAddSelfStockDialog dialog({"SZ000651"});
    dialog.show();
    const int shown = KW::CMessageBox::shownCount();
    {
        ktest::ScopedFileSizeLimit full(0);
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    }
    EXPECT_EQ(KW::CMessageBox::shownCount(), shown + 1);
    EXPECT_EQ(KW::CMessageBox::lastKind(), int(KW::CMessageBox::Warning));
    EXPECT_TRUE(KW::CMessageBox::lastText().startsWith(QStringLiteral("加入自选股失败: 无法写入 ")))
        << KW::CMessageBox::lastText().toStdString();
    EXPECT_TRUE(dialog.isVisible()); // the user can try again
    EXPECT_EQ(readAll(CSelfStockStore::defaultFilePath()), saved);
    EXPECT_EQ(store()->stocks(kDefault), QStringList{"SH600000"});
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(CSelfStockStore(CSelfStockStore::defaultFilePath()).stocks(kDefault),
              (QStringList{"SH600000", "SZ000651"}));
}
