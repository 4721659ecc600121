// The formula editor on its own: the live check as the user types, the
// refusal of oversized input, the window per formula, built-in formulas read
// only, and save as / delete in the user catalogue (a private folder).
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include "common/WriteFailure.h"
#include "kline/KLineTestSupport.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/formula/editor/CFormulaEditorManager.h"
#include "platform/formula/editor/CFormulaHighlighter.h"
#include "platform/formula/editor/CFormulaLiveCheck.h"
#include "platform/formula/editor/CFormulaWindow.h"
#include "platform/framework/CMessageBox.h"

using TC::CFormulaEditorManager;
using TC::CFormulaLiveCheck;
using TC::CFormulaOperateManager;
using TC::CFormulaWindow;

namespace {

class FormulaEditor : public ::testing::Test
{
protected:
    void SetUp() override { KW::CMessageBox::setAutoAnswer(QMessageBox::Ok); }
    void TearDown() override
    {
        CFormulaEditorManager::instance()->closeAll();
        QCoreApplication::processEvents();
        for (const QString& n : {QStringLiteral("EDTEST1"), QStringLiteral("MYMACD")})
            CFormulaOperateManager::instance()->removeUserFormula(n);
        KW::CMessageBox::setAutoAnswer(-1);
    }
    // Waits for the check of the text as it stands.
    static void settle(CFormulaWindow* w)
    {
        ASSERT_TRUE(ktest::waitUntil([w] { return !w->liveCheck()->isPending(); }));
    }
    static void setRow(CFormulaWindow* w, int row, const QStringList& cells)
    {
        for (int c = 0; c < cells.size(); ++c)
            w->paramTable()->item(row, c)->setText(cells[c]);
    }
};

TEST_F(FormulaEditor, TypingShowsTheFirstErrorWithLineAndColumnAndFixingItClearsIt)
{
    CFormulaWindow* w = CFormulaEditorManager::instance()->createWindow(QString());
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isNewFormula());
    setRow(w, 0, {"N", "5", "1", "100"});
    w->sourceEdit()->setFocus();
    QTest::keyClicks(w->sourceEdit(), "A:MA(CLOSE,N);");
    QTest::keyClick(w->sourceEdit(), Qt::Key_Return);
    QTest::keyClicks(w->sourceEdit(), "B:MA(CLOSE,N)+XYZ;");
    settle(w);
    // XYZ starts at column 15 of line 2.
    EXPECT_FALSE(w->lastCheck().ok);
    EXPECT_TRUE(w->statusLabel()->text().contains(QStringLiteral("第 2 行第 15 列")))
        << w->statusLabel()->text().toStdString();
    EXPECT_TRUE(w->statusLabel()->text().contains(QStringLiteral("XYZ")));
    const QList<QTextEdit::ExtraSelection> marks = w->sourceEdit()->extraSelections();
    ASSERT_EQ(marks.size(), 1);
    EXPECT_EQ(marks.first().cursor.selectedText(), QStringLiteral("XYZ"));
    EXPECT_EQ(marks.first().cursor.block().blockNumber(), 1);

    // Delete "XYZ" and the '+' before it.
    QTextCursor c = w->sourceEdit()->textCursor();
    c.movePosition(QTextCursor::End);
    c.movePosition(QTextCursor::Left);
    w->sourceEdit()->setTextCursor(c);
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(w->sourceEdit(), Qt::Key_Backspace);
    EXPECT_EQ(w->sourceEdit()->toPlainText(), QStringLiteral("A:MA(CLOSE,N);\nB:MA(CLOSE,N);"));
    settle(w);
    EXPECT_TRUE(w->lastCheck().ok) << w->lastCheck().message.toStdString();
    EXPECT_EQ(w->lastCheck().outputs, (QStringList{"A", "B"}));
    EXPECT_FALSE(w->statusLabel()->text().contains(QStringLiteral("列")));
    EXPECT_TRUE(w->sourceEdit()->extraSelections().isEmpty());
    EXPECT_FALSE(w->statusLabel()->text().contains(QStringLiteral("未来函数")));

    // Looking at later bars is allowed but told.
    w->sourceEdit()->setPlainText("A:ZIG(3,10);\nB:PEAK(3,10,1)+ZIG(3,5);");
    settle(w);
    EXPECT_TRUE(w->lastCheck().ok);
    EXPECT_EQ(w->lastCheck().futureFunctions, (QStringList{"ZIG", "PEAK"}));
    EXPECT_TRUE(w->statusLabel()->text().contains(QStringLiteral("未来函数 ZIG, PEAK")));
    w->sourceEdit()->setPlainText("A:MA(CLOSE,N);\nB:MA(CLOSE,N);");
    settle(w);

    // A parameter the text uses, removed from the table: the name is unknown again.
    setRow(w, 0, {"", "", "", ""});
    settle(w);
    EXPECT_FALSE(w->lastCheck().ok);
    EXPECT_EQ(w->lastCheck().line, 1);
    EXPECT_EQ(w->lastCheck().column, 12);
    // A bad row is named without a check.
    setRow(w, 0, {"N", "500", "1", "100"});
    EXPECT_TRUE(w->statusLabel()->text().contains(QStringLiteral("参数 N")))
        << w->statusLabel()->text().toStdString();
    EXPECT_FALSE(w->confirm());
    EXPECT_FALSE(CFormulaOperateManager::getFormula("EDTEST1"));
}

TEST_F(FormulaEditor, OnlyTheNewestTextIsReportedAndOversizedInputIsRefused)
{
    CFormulaLiveCheck check;
    check.setDelay(0);
    QSignalSpy spy(&check, &CFormulaLiveCheck::checked);
    check.schedule(QStringLiteral("A:MA(C,"), {});
    check.schedule(QStringLiteral("A:MA(C,5);"), {});
    ASSERT_TRUE(ktest::waitUntil([&] { return !check.isPending(); }));
    QCoreApplication::processEvents();
    ASSERT_EQ(spy.count(), 1);
    EXPECT_TRUE(spy.at(0).at(0).value<TC::CFormulaCheckResult>().ok);

    const QString longText = QStringLiteral("A:C;").repeated(CFormulaLiveCheck::kMaxSourceChars / 4 + 1);
    const TC::CFormulaCheckResult tooLong = CFormulaLiveCheck::check(longText, {});
    EXPECT_FALSE(tooLong.ok);
    EXPECT_TRUE(tooLong.message.contains(QStringLiteral("公式过长")));
    const TC::CFormulaCheckResult deep = CFormulaLiveCheck::check(
        QStringLiteral("A:") + QString(5000, '(') + "C" + QString(5000, ')') + ";", {});
    EXPECT_FALSE(deep.ok);
    EXPECT_GT(deep.line, 0);
    QVector<TC::CFormulaParamDef> many(CFormulaLiveCheck::kMaxParams + 1);
    for (int i = 0; i < many.size(); ++i)
        many[i].name = QStringLiteral("P%1").arg(i);
    EXPECT_FALSE(CFormulaLiveCheck::check(QStringLiteral("A:C;"), many).ok);
}

TEST_F(FormulaEditor, OneWindowPerFormulaAndBuiltinsAreReadOnlyUntilSavedAs)
{
    CFormulaEditorManager* m = CFormulaEditorManager::instance();
    CFormulaWindow* macd = m->createWindow("MACD");
    ASSERT_NE(macd, nullptr);
    EXPECT_EQ(m->createWindow("macd"), macd);
    EXPECT_NE(m->createWindow(QString()), m->createWindow(QString()));
    EXPECT_EQ(m->createWindow("NO_SUCH_FORMULA"), nullptr);

    const auto detail = CFormulaOperateManager::getFormula("MACD");
    ASSERT_TRUE(detail);
    EXPECT_TRUE(macd->isReadOnly());
    EXPECT_TRUE(macd->sourceEdit()->isReadOnly());
    EXPECT_FALSE(macd->confirmButton()->isEnabled());
    EXPECT_FALSE(macd->deleteButton()->isEnabled());
    EXPECT_TRUE(macd->saveAsButton()->isEnabled());
    EXPECT_FALSE(macd->confirm());
    // The parameters are in the table, not in the text.
    EXPECT_FALSE(macd->sourceEdit()->toPlainText().contains(QStringLiteral("{PARAMS")));
    ASSERT_FALSE(detail->getParams().isEmpty());
    for (int r = 0; r < detail->getParams().size(); ++r) {
        EXPECT_EQ(macd->paramTable()->item(r, 0)->text(), detail->getParams()[r].name);
        EXPECT_EQ(macd->paramTable()->item(r, 1)->text().toDouble(), detail->getParams()[r].defaultValue);
    }
    settle(macd);
    EXPECT_TRUE(macd->lastCheck().ok) << macd->lastCheck().message.toStdString();
    // A code line selects that line of the text.
    macd->setSelectCode("MACD", 2);
    EXPECT_EQ(macd->sourceEdit()->textCursor().block().blockNumber(), 1);
    EXPECT_EQ(macd->sourceEdit()->textCursor().selectedText(),
              macd->sourceEdit()->document()->findBlockByNumber(1).text());

    // A built-in name cannot be taken; another one starts a user copy.
    EXPECT_FALSE(macd->saveAs("KDJ"));
    ASSERT_TRUE(macd->saveAs("MYMACD"));
    EXPECT_FALSE(macd->isReadOnly());
    EXPECT_EQ(macd->formulaName(), QStringLiteral("MYMACD"));
    EXPECT_EQ(m->findWindow("MYMACD"), macd);
    EXPECT_EQ(m->findWindow("MACD"), nullptr);
    const auto copy = CFormulaOperateManager::getFormula("MYMACD");
    ASSERT_TRUE(copy);
    EXPECT_FALSE(CFormulaOperateManager::instance()->isBuiltin("MYMACD"));
    EXPECT_EQ(copy->getParams().size(), detail->getParams().size());
    EXPECT_EQ(copy->getPlacement(), detail->getPlacement());
    // The file is in the private user folder of the tests.
    EXPECT_TRUE(CFormulaOperateManager::instance()->userCatalogFile().startsWith(
        qEnvironmentVariable("KLINEVIEW_HOME")));
}

TEST_F(FormulaEditor, DeleteAsksAndRemovesOnlyOnYes)
{
    CFormulaWindow* w = CFormulaEditorManager::instance()->createWindow(QString());
    w->nameEdit()->setText("edtest1");
    w->sourceEdit()->setPlainText("X:C;");
    ASSERT_TRUE(w->confirm());
    EXPECT_EQ(w->formulaName(), QStringLiteral("EDTEST1"));
    EXPECT_TRUE(w->nameEdit()->isReadOnly());
    ASSERT_TRUE(CFormulaOperateManager::getFormula("EDTEST1"));
    QSignalSpy spy(CFormulaEditorManager::instance(), &CFormulaEditorManager::formulaUpdated);

    KW::CMessageBox::setAutoAnswer(QMessageBox::No);
    EXPECT_FALSE(w->removeFormula());
    EXPECT_TRUE(CFormulaOperateManager::getFormula("EDTEST1"));
    EXPECT_EQ(spy.count(), 0);

    // Saved: closing needs no question; an edit since does.
    EXPECT_FALSE(w->isModified());
    w->titleEdit()->setFocus();
    QTest::keyClicks(w->titleEdit(), "t");
    EXPECT_TRUE(w->isModified());
    const int boxes = KW::CMessageBox::shownCount();
    EXPECT_FALSE(w->close());
    EXPECT_EQ(KW::CMessageBox::shownCount(), boxes + 1);
    EXPECT_TRUE(w->isVisible());

    KW::CMessageBox::setAutoAnswer(QMessageBox::Yes);
    EXPECT_TRUE(w->removeFormula());
    EXPECT_TRUE(KW::CMessageBox::lastText().contains(QStringLiteral("EDTEST1")));
    EXPECT_FALSE(CFormulaOperateManager::getFormula("EDTEST1"));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(1).toInt(), 4);
}

TEST_F(FormulaEditor, ASaveThatCannotBeWrittenIsToldAndTheWindowKeepsTheText)
{
    CFormulaWindow* w = CFormulaEditorManager::instance()->createWindow(QString());
    w->nameEdit()->setText("edtest1");
    w->sourceEdit()->setPlainText("X:C;");
    ASSERT_TRUE(w->confirm());
    const QString file = CFormulaOperateManager::instance()->userCatalogFile();
    const QByteArray before = ktest::readFile(file);
    ASSERT_FALSE(before.isEmpty());
    for (const auto kind : ktest::kWriteFailures) {
        SCOPED_TRACE(ktest::kindName(kind));
        w->sourceEdit()->setPlainText("X:O;");
        const int boxes = KW::CMessageBox::shownCount();
        bool saved = true;
        {
            ktest::ScopedWriteFailure failure(kind, QFileInfo(file).absolutePath());
            if (!failure.available())
                continue;
            saved = w->confirm();
        }
        EXPECT_FALSE(saved);
        EXPECT_EQ(KW::CMessageBox::shownCount(), boxes + 1);
        EXPECT_TRUE(KW::CMessageBox::lastText().startsWith(QStringLiteral("保存失败: 无法写入 ") + file))
            << KW::CMessageBox::lastText().toStdString();
        EXPECT_TRUE(w->statusLabel()->text().startsWith(QStringLiteral("保存失败")));
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(w->sourceEdit()->toPlainText(), QStringLiteral("X:O;")); // nothing typed is lost
        EXPECT_EQ(CFormulaOperateManager::getFormula("EDTEST1")->getSource(), QStringLiteral("X:C;"));
        EXPECT_EQ(ktest::readFile(file), before);
    }
}

TEST_F(FormulaEditor, TestRunWantsACorrectTextAndTheHostsBars)
{
    CFormulaEditorManager::instance()->setTestSource(nullptr);
    CFormulaWindow* w = CFormulaEditorManager::instance()->createWindow(QString());
    w->sourceEdit()->setPlainText("X:C+;");
    EXPECT_FALSE(w->runTest());
    EXPECT_TRUE(w->statusLabel()->text().startsWith(QStringLiteral("第 1 行第 5 列")))
        << w->statusLabel()->text().toStdString();
    EXPECT_FALSE(w->confirm());
    EXPECT_EQ(w->statusLabel()->text(), QStringLiteral("请输入公式名称"));
    w->nameEdit()->setText("edtest1");
    EXPECT_FALSE(w->confirm());
    EXPECT_TRUE(w->statusLabel()->text().startsWith(QStringLiteral("第 1 行第 5 列")));
    EXPECT_FALSE(CFormulaOperateManager::getFormula("EDTEST1"));
    w->sourceEdit()->setPlainText("X:C;");
    EXPECT_FALSE(w->runTest());
    EXPECT_EQ(w->statusLabel()->text(), QStringLiteral("没有可供测试的K线数据"));
    EXPECT_EQ(w->testList()->count(), 0);
    // Nothing was saved by testing.
    EXPECT_FALSE(CFormulaOperateManager::getFormula("NONAME"));
}

TEST(FormulaHighlighter, ColoursEachKindOfWordAndCommentsAcrossLines)
{
    using H = TC::CFormulaHighlighter;
    EXPECT_EQ(H::classify("ma"), H::Function);
    EXPECT_EQ(H::classify("DRAWTEXT"), H::Function);
    EXPECT_EQ(H::classify("close"), H::Keyword);
    EXPECT_EQ(H::classify("AND"), H::Keyword);
    EXPECT_EQ(H::classify("COLORRED"), H::Attribute);
    EXPECT_EQ(H::classify("LINETHICK2"), H::Attribute);
    EXPECT_EQ(H::classify("DIF"), H::Plain);

    // As in the editor: the text edit's document, highlighted as it changes.
    QPlainTextEdit edit;
    H h(edit.document());
    edit.setPlainText(QStringLiteral("{note\nstill} A:MA(C,12),COLORRED; // end\nDRAWTEXT(C>O,H,'up');"));
    auto formatAt = [&edit](int blockNo, int pos) {
        const QTextBlock b = edit.document()->findBlockByNumber(blockNo);
        for (const QTextLayout::FormatRange& r : b.layout()->formats())
            if (pos >= r.start && pos < r.start + r.length)
                return r.format;
        return QTextCharFormat();
    };
    EXPECT_EQ(formatAt(0, 2), h.format(H::Comment));
    EXPECT_EQ(formatAt(1, 0), h.format(H::Comment));
    EXPECT_EQ(formatAt(1, 9), h.format(H::Function));   // MA
    EXPECT_EQ(formatAt(1, 14), h.format(H::Number));    // 12
    EXPECT_EQ(formatAt(1, 18), h.format(H::Attribute)); // COLORRED
    EXPECT_EQ(formatAt(1, 30), h.format(H::Comment));   // // end
    EXPECT_NE(formatAt(1, 7), h.format(H::Comment));    // A, after the comment closed
    EXPECT_EQ(formatAt(2, 17), h.format(H::String));    // 'up'
}

} // namespace
