// The keyboard spirit: what a trader types finds the instrument, in any
// case, the best match first; the keys pick it or close the box.
#include <gtest/gtest.h>

#include <algorithm>

#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include "platform/indexui/CPinyinInitials.h"
#include "platform/indexui/CSmartKeyboardDialog.h"
#include "platform/market/CMarketStore.h"

using TC::CSmartKeyboardDialog;

namespace {

struct Picked {
    QString key;
    int kind = -1;
    int calls = 0;
};

void listen(CSmartKeyboardDialog& box, Picked& picked)
{
    box.setSelectStockFunc([&picked](std::shared_ptr<qlservice::CInstrumentDetail> d, int kind) {
        picked.key = d ? QString::fromStdString(d->key) : QString();
        picked.kind = kind;
        ++picked.calls;
    });
}

} // namespace

TEST(SmartKeyboard, MatchesKeysCodesAndNamesInAnyCaseBestFirst)
{
    CSmartKeyboardDialog box;
    box.setChar(QStringLiteral("600519"));
    ASSERT_FALSE(box.matches().isEmpty());
    EXPECT_EQ(box.matches().first(), QStringLiteral("SH600519")); // the code itself
    box.setChar(QStringLiteral("sfrb"));
    EXPECT_TRUE(box.matches().contains(QStringLiteral("SFrb888")));
    box.setChar(QStringLiteral("sh6"));
    for (const QString& k : box.matches())
        EXPECT_TRUE(k.startsWith(QStringLiteral("SH6"))) << k.toStdString();
    // A name finds its instrument; the line shows key and name.
    const auto detail = TC::CMarketStore::instance()->instrument(QStringLiteral("SH600519"));
    ASSERT_TRUE(detail);
    box.setChar(QString::fromStdString(detail->name));
    EXPECT_EQ(box.matches().value(0), QStringLiteral("SH600519"));
    // Nothing typed, nothing listed; rows are bounded.
    box.setChar(QString());
    EXPECT_TRUE(box.matches().isEmpty());
    box.setChar(QStringLiteral("S"));
    EXPECT_LE(box.matches().size(), CSmartKeyboardDialog::kMaxRows);
    box.setChar(QStringLiteral("no such thing"));
    EXPECT_TRUE(box.matches().isEmpty());
    EXPECT_FALSE(box.select());
}

TEST(SmartKeyboard, EnterPicksTheCurrentLineArrowsMoveEscCloses)
{
    CSmartKeyboardDialog box;
    Picked picked;
    listen(box, picked);
    box.setTitle(QStringLiteral("键盘精灵"));
    EXPECT_EQ(box.windowTitle(), QStringLiteral("键盘精灵"));
    box.show();
    box.setChar(QStringLiteral("SH6"));
    ASSERT_GE(box.matches().size(), 2);
    auto* edit = box.findChild<QLineEdit*>(QStringLiteral("smart_keyboard_edit"));
    ASSERT_NE(edit, nullptr);
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(picked.calls, 1);
    EXPECT_EQ(picked.key, box.matches().at(1));
    EXPECT_EQ(picked.kind, 0);
    EXPECT_FALSE(box.isVisible());

    // Typing narrows the list as it goes.
    box.show();
    box.setChar(QStringLiteral("6005"));
    QTest::keyClicks(edit, QStringLiteral("19"));
    EXPECT_EQ(box.text(), QStringLiteral("600519"));
    EXPECT_EQ(box.matches().value(0), QStringLiteral("SH600519"));
    QTest::keyClick(edit, Qt::Key_Up); // already at the top: stays
    QTest::keyClick(edit, Qt::Key_Enter);
    EXPECT_EQ(picked.key, QStringLiteral("SH600519"));

    box.show();
    QTest::keyClick(&box, Qt::Key_Escape);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(picked.calls, 2);
}

// --- pinyin initials and market pages

TEST(SmartKeyboard, InitialsTableCoversEveryChineseCharacterOfTheStoreNames)
{
    TC::CMarketStore* store = TC::CMarketStore::instance();
    int checked = 0;
    for (const QString& key : store->instrumentKeys()) {
        const QString name = QString::fromStdString(store->instrument(key)->name);
        for (const QChar c : name) {
            if (!TC::CPinyinInitials::isChinese(c))
                continue;
            ++checked;
            EXPECT_TRUE(TC::CPinyinInitials::hasEntry(c))
                << key.toStdString() << " " << name.toStdString() << ": " << QString(c).toStdString();
        }
    }
    EXPECT_GT(checked, 50); // the sample names really were looked at
}

TEST(SmartKeyboard, InitialsMatchPrefixesPolyphonesAndSkipWhatTheyCannotRead)
{
    using TC::CPinyinInitials;
    EXPECT_EQ(CPinyinInitials::initialsOf(QChar(0x884C)), QStringLiteral("hx")); // 行
    EXPECT_EQ(CPinyinInitials::initialsOf(QLatin1Char('S')), QStringLiteral("s"));
    EXPECT_TRUE(CPinyinInitials::initialsOf(QLatin1Char('&')).isEmpty());
    EXPECT_EQ(CPinyinInitials::match(QStringLiteral("浦发银行"), QStringLiteral("PFYH"), true), 0);
    EXPECT_EQ(CPinyinInitials::match(QStringLiteral("浦发银行"), QStringLiteral("yh"), true), -1);
    EXPECT_EQ(CPinyinInitials::match(QStringLiteral("浦发银行"), QStringLiteral("yh"), false), 2);
    // 调 reads tiao in 空调 and diao elsewhere: both find it.
    EXPECT_EQ(CPinyinInitials::match(QStringLiteral("申万空调"), QStringLiteral("kt"), false), 2);
    EXPECT_EQ(CPinyinInitials::match(QStringLiteral("申万空调"), QStringLiteral("kd"), false), 2);
    // The Roman numeral is skipped, letters read as themselves.
    EXPECT_EQ(CPinyinInitials::match(QStringLiteral("申万白酒Ⅱ"), QStringLiteral("swbj"), true), 0);
    EXPECT_EQ(CPinyinInitials::match(QStringLiteral("SHIBOR隔夜"), QStringLiteral("shiborgy"), true), 0);
    EXPECT_EQ(CPinyinInitials::match(QStringLiteral("浦发银行"), QStringLiteral("pfyhx"), false), -1);
    EXPECT_EQ(CPinyinInitials::match(QStringLiteral("浦发银行"), QString(), false), -1);
    EXPECT_EQ(CPinyinInitials::match(QString(), QStringLiteral("p"), false), -1);
}

TEST(SmartKeyboard, InitialsFindNamesAnyCaseRankedAfterKeysAndBeforeContains)
{
    CSmartKeyboardDialog box;
    box.setChar(QStringLiteral("pfyh"));
    EXPECT_EQ(box.matches().value(0), QStringLiteral("SH600000"));
    box.setChar(QStringLiteral("GZMT"));
    EXPECT_EQ(box.matches().value(0), QStringLiteral("SH600519"));
    box.setChar(QStringLiteral("gldq"));
    EXPECT_EQ(box.matches(), QStringList{QStringLiteral("SZ000651")});

    // "sz": keys starting with it, then 上证指数 by its initials.
    box.setChar(QStringLiteral("sz"));
    const QStringList sz = box.matches();
    const int index = sz.indexOf(QStringLiteral("SH000001"));
    ASSERT_GE(index, 0);
    for (const QString& k :
         {QStringLiteral("SZ000063"), QStringLiteral("SZ000651"), QStringLiteral("SZ399001")}) {
        ASSERT_TRUE(sz.contains(k)) << k.toStdString();
        EXPECT_LT(sz.indexOf(k), index) << k.toStdString();
    }

    // "s": key prefixes (SH..., SZ..., SFrb888), then names whose initials
    // start with s (the 申万 sectors, "S&P 500" of USSPX), then what merely
    // contains an s (the key USFB) although USFB sorts before USSPX.
    box.setChar(QStringLiteral("s"));
    const QStringList s = box.matches();
    int lastKeyPrefix = -1, firstSector = s.size(), lastSector = -1;
    for (int i = 0; i < s.size(); ++i) {
        if (s[i].startsWith(QLatin1Char('S')))
            lastKeyPrefix = i;
        if (s[i].startsWith(QLatin1String("BKZS"))) {
            firstSector = std::min(firstSector, i);
            lastSector = i;
        }
    }
    const int usspx = s.indexOf(QStringLiteral("USSPX"));
    const int usfb = s.indexOf(QStringLiteral("USFB"));
    ASSERT_GE(lastSector, 0);
    ASSERT_GE(usspx, 0);
    ASSERT_GE(usfb, 0);
    EXPECT_LT(lastKeyPrefix, firstSector);
    EXPECT_LT(lastSector, usfb);
    EXPECT_LT(usspx, usfb);

    // Initials inside a name: the contains group.
    box.setChar(QStringLiteral("yh"));
    EXPECT_TRUE(box.matches().contains(QStringLiteral("SH600000")));
    EXPECT_TRUE(box.matches().contains(QStringLiteral("BKZS801780"))); // 申万银行
}

TEST(SmartKeyboard, MarketPagesComeFirstAndArePickedAsKindThree)
{
    CSmartKeyboardDialog box;
    std::shared_ptr<qlservice::CInstrumentDetail> got;
    int kind = -1;
    box.setSelectStockFunc([&](std::shared_ptr<qlservice::CInstrumentDetail> d, int k) {
        got = std::move(d);
        kind = k;
    });
    box.show();
    box.setChar(QStringLiteral("03"));
    ASSERT_FALSE(box.matches().isEmpty());
    EXPECT_EQ(box.matches().first(), QStringLiteral("03"));
    auto* list = box.findChild<QListWidget*>(QStringLiteral("smart_keyboard_list"));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("03 上证指数页"));
    auto* edit = box.findChild<QLineEdit*>(QStringLiteral("smart_keyboard_edit"));
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_TRUE(got);
    EXPECT_EQ(kind, CSmartKeyboardDialog::kMarketPageKind);
    EXPECT_EQ(got->code, "03");
    EXPECT_TRUE(got->market.empty());
    EXPECT_FALSE(box.isVisible());

    box.show();
    box.setChar(QStringLiteral("04"));
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("04 深证成指页"));
    // A page is listed before every instrument whose code starts the same way.
    box.setChar(QStringLiteral("0"));
    ASSERT_GE(box.matches().size(), 3);
    EXPECT_EQ(box.matches().mid(0, 2), (QStringList{QStringLiteral("03"), QStringLiteral("04")}));
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(kind, 0); // the first instrument after the pages
    EXPECT_EQ(QString::fromStdString(got->key), box.matches().at(2));
    box.setChar(QStringLiteral("030"));
    EXPECT_FALSE(box.matches().contains(QStringLiteral("03")));
}
