// The keyboard spirit: what a trader types finds the instrument, in any
// case, the best match first; the keys pick it or close the box.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

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
