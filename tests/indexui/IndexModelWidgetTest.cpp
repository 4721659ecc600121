#include <array>
#include <vector>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "common/WriteFailure.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/framework/CEventDeliverer.h"
#include "platform/framework/CMessageBox.h"
#include "platform/framework/CMessageTip.h"
#include "platform/framework/CPushButton.h"
#include "platform/indexui/CIndexModelWidget.h"

using TC::CIndexModelWidget;

namespace {

class CChartStub : public KW::CEventDeliverer
{
public:
    bool handleEvent(int id, int p1, int p2, const QString& text, void*) override
    {
        events.push_back({id, p1, p2});
        texts.append(text);
        return true;
    }
    std::vector<std::array<int, 3>> events;
    QStringList texts;
};

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

KW::CPushButton* button(const CIndexModelWidget& w, const QString& name)
{
    for (KW::CPushButton* b : w.templateButtons()) {
        if (b->text() == name)
            return b;
    }
    return nullptr;
}

class IndexModelWidget : public ::testing::Test
{
protected:
    void SetUp() override
    {
        path = CIndexModelWidget::templateFilePath();
        QFile::remove(path);
        QFile::remove(path + QStringLiteral(".bad"));
        KW::CMessageBox::setAutoAnswer(QMessageBox::Ok);
    }
    void TearDown() override
    {
        CIndexModelWidget::setNamePrompt({});
        KW::CMessageBox::setAutoAnswer(-1);
        QFile::remove(path);
        QFile::remove(path + QStringLiteral(".bad"));
    }
    QString path;
};

} // namespace

TEST_F(IndexModelWidget, BuiltinTemplatesNameExistingFormulas)
{
    CIndexModelWidget w(true, nullptr);
    EXPECT_EQ(w.templateNames(),
              (QStringList{QStringLiteral("常用"), QStringLiteral("趋势"), QStringLiteral("摆动")}));
    for (const CIndexModelWidget::Template& t : w.templates()) {
        EXPECT_TRUE(t.builtin);
        for (const QString& f : t.formulas)
            EXPECT_TRUE(TC::CFormulaOperateManager::getFormula(f)) << f.toStdString();
    }
    // Without showAll only the user's own templates are offered.
    CIndexModelWidget own(false, nullptr);
    EXPECT_TRUE(own.templateNames().isEmpty());
    EXPECT_TRUE(own.templateButtons().isEmpty());
    EXPECT_NE(own.saveButton(), nullptr);
}

TEST_F(IndexModelWidget, ClickSelectsAndAsksTheChartToLoad)
{
    CIndexModelWidget w(true, nullptr);
    CChartStub chart;
    w.setUpstream(&chart);
    w.resize(w.getSize());
    w.show();
    EXPECT_TRUE(w.getTemplateIndex().isEmpty());

    // The chart reads the selected template's list while handling 3039.
    QList<QString> seenByChart;
    struct Reader : CChartStub {
        CIndexModelWidget* strip = nullptr;
        QList<QString>* out = nullptr;
        bool handleEvent(int id, int p1, int p2, const QString& text, void* d) override
        {
            *out = strip->getTemplateIndex();
            return CChartStub::handleEvent(id, p1, p2, text, d);
        }
    } reader;
    reader.strip = &w;
    reader.out = &seenByChart;
    w.setUpstream(&reader);

    QTest::mouseClick(button(w, QStringLiteral("趋势")), Qt::LeftButton);
    ASSERT_EQ(reader.events.size(), 1u);
    EXPECT_EQ(reader.events[0], (std::array<int, 3>{3039, 0, 1}));
    EXPECT_EQ(reader.texts[0], QStringLiteral("趋势"));
    EXPECT_EQ(seenByChart, (QList<QString>{QStringLiteral("MACD"), QStringLiteral("DMI")}));
    EXPECT_TRUE(button(w, QStringLiteral("趋势"))->isChecked());

    // Exclusive, and clicking the selected one again loads it again.
    QTest::mouseClick(button(w, QStringLiteral("常用")), Qt::LeftButton);
    QTest::mouseClick(button(w, QStringLiteral("常用")), Qt::LeftButton);
    EXPECT_TRUE(button(w, QStringLiteral("常用"))->isChecked());
    EXPECT_FALSE(button(w, QStringLiteral("趋势"))->isChecked());
    EXPECT_EQ(reader.events.size(), 3u);
    EXPECT_EQ(w.getTemplateIndex(),
              (QList<QString>{QStringLiteral("VOL"), QStringLiteral("MACD"), QStringLiteral("KDJ")}));

    // The save button asks the chart for its sub-panes.
    QTest::mouseClick(w.saveButton(), Qt::LeftButton);
    EXPECT_EQ(reader.events.back(), (std::array<int, 3>{3233, 0, 0}));

    // Disabled buttons deliver nothing.
    w.changeBtnStatus(false);
    EXPECT_FALSE(w.isBtnEnabled());
    QTest::mouseClick(button(w, QStringLiteral("摆动")), Qt::LeftButton);
    QTest::mouseClick(w.saveButton(), Qt::LeftButton);
    EXPECT_EQ(reader.events.size(), 4u);
    w.changeBtnStatus(true);
    QTest::mouseClick(button(w, QStringLiteral("摆动")), Qt::LeftButton);
    EXPECT_EQ(reader.events.size(), 5u);
}

TEST_F(IndexModelWidget, SizeFitsTheButtons)
{
    CIndexModelWidget w(true, nullptr);
    const QSize s = w.getSize();
    EXPECT_GT(s.height(), w.saveButton()->height());
    int sum = w.saveButton()->width();
    for (KW::CPushButton* b : w.templateButtons()) {
        EXPECT_EQ(b->height(), w.saveButton()->height());
        sum += b->width();
    }
    EXPECT_GE(s.width(), sum);
    w.setFixedHeight(s.height());
    w.resize(s);
    w.show();
    for (KW::CPushButton* b : w.templateButtons())
        EXPECT_TRUE(w.rect().contains(b->geometry())) << b->text().toStdString();
}

TEST_F(IndexModelWidget, SavedTemplatePersistsAndReloads)
{
    {
        CIndexModelWidget w(true, nullptr);
        QString error;
        ASSERT_TRUE(w.saveTemplate(
            QStringLiteral(" 我的 "),
            {QStringLiteral("vol"), QStringLiteral("MACD"), QStringLiteral("VOL"), QString()}, &error))
            << error.toStdString();
        EXPECT_EQ(w.selectedTemplate(), QStringLiteral("我的"));
        EXPECT_EQ(w.getTemplateIndex(), (QList<QString>{QStringLiteral("VOL"), QStringLiteral("MACD")}));
        ASSERT_NE(button(w, QStringLiteral("我的")), nullptr);
        EXPECT_TRUE(button(w, QStringLiteral("我的"))->isChecked());
        // Saving under the same name replaces it.
        ASSERT_TRUE(w.saveTemplate(QStringLiteral("我的"), {QStringLiteral("RSI")}));
        EXPECT_EQ(w.templateNames().count(QStringLiteral("我的")), 1);
    }
    const QJsonObject root = QJsonDocument::fromJson(readAll(path)).object();
    ASSERT_EQ(root.value(QStringLiteral("templates")).toArray().size(), 1);

    CIndexModelWidget again(false, nullptr);
    ASSERT_EQ(again.templates().size(), 1);
    EXPECT_EQ(again.templates()[0].name, QStringLiteral("我的"));
    EXPECT_EQ(again.templates()[0].formulas, QStringList{QStringLiteral("RSI")});
    EXPECT_FALSE(again.templates()[0].builtin);
}

TEST_F(IndexModelWidget, RefusedSavesWriteNothing)
{
    CIndexModelWidget w(true, nullptr);
    const QList<QString> f{QStringLiteral("MACD")};
    QString error;
    EXPECT_FALSE(w.saveTemplate(QStringLiteral("  "), f, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(w.saveTemplate(QStringLiteral("常用"), f, &error));
    EXPECT_EQ(error, QStringLiteral("不能覆盖系统模板"));
    EXPECT_FALSE(w.saveTemplate(QStringLiteral("空"), {QStringLiteral(" ")}, &error));
    EXPECT_FALSE(w.saveTemplate(QString(CIndexModelWidget::kMaxNameLength + 1, QLatin1Char('x')), f, &error));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(w.templateNames().size(), 3);
    // The built-in template still holds its formulas.
    ASSERT_TRUE(w.selectTemplate(QStringLiteral("常用")));
    EXPECT_EQ(w.getTemplateIndex().size(), 3);
}

TEST_F(IndexModelWidget, SaveDialogGoesThroughThePrompt)
{
    CIndexModelWidget w(true, nullptr);
    QList<QString> offered;
    QString answer = QStringLiteral("短线");
    bool accept = true;
    CIndexModelWidget::setNamePrompt([&](QWidget*, const QList<QString>& formulas, QString& name) {
        offered = formulas;
        name = answer;
        return accept;
    });
    const QList<QString> panes{QStringLiteral("KDJ"), QStringLiteral("WR")};
    EXPECT_TRUE(w.showSaveModelDialog(panes));
    EXPECT_EQ(offered, panes);
    EXPECT_EQ(w.selectedTemplate(), QStringLiteral("短线"));

    accept = false;
    answer = QStringLiteral("取消的");
    EXPECT_FALSE(w.showSaveModelDialog(panes));
    EXPECT_FALSE(w.templateNames().contains(QStringLiteral("取消的")));

    // A refused name is told to the user.
    accept = true;
    answer = QStringLiteral("趋势");
    const int boxes = KW::CMessageBox::shownCount();
    EXPECT_FALSE(w.showSaveModelDialog(panes));
    EXPECT_EQ(KW::CMessageBox::shownCount(), boxes + 1);
    EXPECT_EQ(KW::CMessageBox::lastTitle(), QStringLiteral("提示"));
    EXPECT_EQ(KW::CMessageBox::lastText(), QStringLiteral("不能覆盖系统模板"));
}

TEST_F(IndexModelWidget, CorruptFileIsIgnoredAndKeptUntilTheUserSaves)
{
    const QByteArray garbage("{\"templates\": [ {\"name\": \"半截");
    writeAll(path, garbage);
    CIndexModelWidget w(true, nullptr);
    EXPECT_EQ(w.templateNames().size(), 3);

    // Nothing the user did not save rewrites it.
    w.delIndexTemplate(QStringLiteral("MACD"));
    w.updateIndexTemplate();
    EXPECT_EQ(readAll(path), garbage);

    ASSERT_TRUE(w.saveTemplate(QStringLiteral("新"), {QStringLiteral("CCI")}));
    EXPECT_EQ(readAll(path + QStringLiteral(".bad")), garbage);
    CIndexModelWidget again(false, nullptr);
    EXPECT_EQ(again.templateNames(), QStringList{QStringLiteral("新")});
}

TEST_F(IndexModelWidget, AFailedWriteKeepsTheFileAndIsTold)
{
    QTemporaryDir home;
    ktest::ScopedUserHome user(home.path());
    const QString file = CIndexModelWidget::templateFilePath();
    ASSERT_TRUE(file.startsWith(home.path()));
    {
        CIndexModelWidget w(true, nullptr);
        ASSERT_TRUE(w.saveTemplate(QStringLiteral("A"), {QStringLiteral("RSI"), QStringLiteral("CCI")}));
    }
    const QByteArray saved = readAll(file);
    CIndexModelWidget::setNamePrompt([](QWidget*, const QList<QString>&, QString& name) {
        name = QStringLiteral("C");
        return true;
    });
    for (const auto kind : ktest::kWriteFailures) {
        SCOPED_TRACE(ktest::kindName(kind));
        CIndexModelWidget w(true, nullptr);
        w.show();
        QString error;
        const int boxes = KW::CMessageBox::shownCount();
        const int tips = KW::CMessageTip::shownCount();
        {
            ktest::ScopedWriteFailure failure(kind, home.path());
            if (!failure.available())
                continue;
            EXPECT_FALSE(w.saveTemplate(QStringLiteral("B"), {QStringLiteral("KDJ")}, &error));
            EXPECT_FALSE(w.showSaveModelDialog({QStringLiteral("WR")}));
            // Removing a deleted formula from the templates cannot be stored either.
            w.delIndexTemplate(QStringLiteral("RSI"));
        }
        EXPECT_EQ(error, QStringLiteral("模板保存失败"));
        EXPECT_EQ(KW::CMessageBox::shownCount(), boxes + 1);
        EXPECT_EQ(KW::CMessageBox::lastText(), QStringLiteral("模板保存失败"));
        EXPECT_EQ(KW::CMessageTip::shownCount(), tips + 1);
        EXPECT_EQ(ktest::closeTips(QStringLiteral("模板保存失败")), 1);
        EXPECT_FALSE(w.templateNames().contains(QStringLiteral("B")));
        EXPECT_FALSE(w.templateNames().contains(QStringLiteral("C")));
        EXPECT_EQ(readAll(file), saved);
        EXPECT_EQ(ktest::folderEntries(home.path()).filter(QStringLiteral("templates")),
                  QStringList{QStringLiteral("templates.json")});
    }
    CIndexModelWidget again(false, nullptr);
    ASSERT_TRUE(again.selectTemplate(QStringLiteral("A")));
    EXPECT_EQ(again.getTemplateIndex(), (QList<QString>{QStringLiteral("RSI"), QStringLiteral("CCI")}));
}

TEST_F(IndexModelWidget, InvalidEntriesAreSkipped)
{
    QJsonArray arr;
    arr.append(QJsonObject{{QStringLiteral("name"), QStringLiteral("好")},
                           {QStringLiteral("formulas"), QJsonArray{QStringLiteral("rsi")}}});
    arr.append(QJsonObject{{QStringLiteral("name"), QStringLiteral("")},
                           {QStringLiteral("formulas"), QJsonArray{QStringLiteral("RSI")}}});
    arr.append(
        QJsonObject{{QStringLiteral("name"), QStringLiteral("无指标")}, {QStringLiteral("formulas"), 5}});
    arr.append(QJsonObject{{QStringLiteral("name"), QStringLiteral("常用")},
                           {QStringLiteral("formulas"), QJsonArray{QStringLiteral("RSI")}}});
    arr.append(QJsonObject{{QStringLiteral("name"), QStringLiteral("好")},
                           {QStringLiteral("formulas"), QJsonArray{QStringLiteral("CCI")}}});
    arr.append(QStringLiteral("not an object"));
    writeAll(path, QJsonDocument(QJsonObject{{QStringLiteral("templates"), arr}}).toJson());

    CIndexModelWidget w(false, nullptr);
    ASSERT_EQ(w.templates().size(), 1);
    EXPECT_EQ(w.templates()[0].name, QStringLiteral("好"));
    EXPECT_EQ(w.templates()[0].formulas, QStringList{QStringLiteral("RSI")});
}

TEST_F(IndexModelWidget, SelectionIsRememberedPerPeriodAndRestored)
{
    CIndexModelWidget w(true, nullptr);
    w.updateSelectTemplateIndex(86400);
    ASSERT_TRUE(w.selectTemplate(QStringLiteral("摆动")));
    w.saveSelectTemplateIndex(86400);

    // A period change: reset, then the new period's memory (none).
    w.reset();
    EXPECT_TRUE(w.selectedTemplate().isEmpty());
    EXPECT_FALSE(button(w, QStringLiteral("摆动"))->isChecked());
    w.updateSelectTemplateIndex(60);
    EXPECT_TRUE(w.getTemplateIndex().isEmpty());
    ASSERT_TRUE(w.selectTemplate(QStringLiteral("常用")));
    w.saveSelectTemplateIndex(60);

    w.reset();
    w.updateSelectTemplateIndex(86400);
    EXPECT_EQ(w.selectedTemplate(), QStringLiteral("摆动"));
    EXPECT_TRUE(button(w, QStringLiteral("摆动"))->isChecked());

    const QVector<QString> saved = w.getSelectTempalte();
    EXPECT_EQ(saved, (QVector<QString>{QStringLiteral("60|常用"), QStringLiteral("86400|摆动")}));

    CIndexModelWidget restored(true, nullptr);
    restored.slotIndexTemplateInited();
    restored.updateSelectTemplate(
        {QStringLiteral("garbage"), QStringLiteral("x|常用"), QStringLiteral("300|"), saved[0], saved[1]});
    EXPECT_EQ(restored.getSelectTempalte(), saved);
    restored.updateSelectTemplateIndex(60);
    EXPECT_EQ(restored.selectedTemplate(), QStringLiteral("常用"));
    // A remembered template that no longer exists selects nothing.
    restored.updateSelectTemplate({QStringLiteral("60|已删除")});
    EXPECT_TRUE(restored.selectedTemplate().isEmpty());
}

TEST_F(IndexModelWidget, RecentFormulasAndDeletedFormulas)
{
    CIndexModelWidget w(true, nullptr);
    w.updateIndexTemplate(QStringLiteral("kdj"));
    w.updateIndexTemplate(QStringLiteral("MACD"));
    w.updateIndexTemplate(QStringLiteral(" KDJ "));
    w.updateIndexTemplate(QString());
    EXPECT_EQ(w.getSelectIndex(), (QVector<QString>{QStringLiteral("KDJ"), QStringLiteral("MACD")}));

    CIndexModelWidget other(true, nullptr);
    other.updateSelectIndex(w.getSelectIndex());
    EXPECT_EQ(other.getSelectIndex(), w.getSelectIndex());
    for (int i = 0; i < 30; ++i)
        other.updateIndexTemplate(QStringLiteral("F%1").arg(i));
    EXPECT_EQ(other.getSelectIndex().size(), CIndexModelWidget::kMaxRecent);
    EXPECT_EQ(other.getSelectIndex().front(), QStringLiteral("F29"));

    ASSERT_TRUE(w.saveTemplate(QStringLiteral("A"), {QStringLiteral("RSI"), QStringLiteral("CCI")}));
    ASSERT_TRUE(w.saveTemplate(QStringLiteral("B"), {QStringLiteral("RSI")}));
    EXPECT_EQ(w.selectedTemplate(), QStringLiteral("B"));
    w.delIndexTemplate(QStringLiteral("rsi"));
    EXPECT_FALSE(w.templateNames().contains(QStringLiteral("B")));
    EXPECT_TRUE(w.selectedTemplate().isEmpty());
    ASSERT_TRUE(w.selectTemplate(QStringLiteral("A")));
    EXPECT_EQ(w.getTemplateIndex(), QList<QString>{QStringLiteral("CCI")});
    w.delIndexTemplate(QStringLiteral("KDJ"));
    EXPECT_EQ(w.getSelectIndex(), QVector<QString>{QStringLiteral("MACD")});
    // Built-ins keep their formulas; the file follows the user's templates.
    EXPECT_TRUE(w.selectTemplate(QStringLiteral("常用")));
    EXPECT_EQ(w.getTemplateIndex().size(), 3);
    CIndexModelWidget reread(false, nullptr);
    EXPECT_EQ(reread.templateNames(), QStringList{QStringLiteral("A")});
}
