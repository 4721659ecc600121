// The user's own formulas: loading a damaged file, saving and removing.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "common/WriteFailure.h"
#include "platform/config/CAppConfig.h"
#include "platform/config/CLogCapture.h"
#include "platform/config/QLLog.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"

using namespace TC;

namespace {

QJsonObject entry(const QString& name, const QString& source, const QJsonArray& params = QJsonArray())
{
    QJsonObject o;
    o.insert("name", name);
    o.insert("title", name + QStringLiteral("标题"));
    o.insert("placement", 0);
    o.insert("params", params);
    o.insert("source", source);
    return o;
}

QJsonObject param(const char* name, double def, double min, double max)
{
    return QJsonObject{{"name", name}, {"default", def}, {"min", min}, {"max", max}};
}

CFormulaDetail myFormula(const QString& name, const QString& source)
{
    CFormulaDetail d;
    d.setName(name);
    d.setTitle(QStringLiteral("我的均线"));
    d.setPlacement(1);
    d.setKind(1);
    d.setDrType(1);
    d.setCountLimit(500);
    d.setAlignment(1);
    d.setDecimals({3, -1});
    d.setSuperposable(true);
    d.setTiming(2000);
    d.setParams({{QStringLiteral("N"), 7, 1, 100}, {QStringLiteral("M"), 21, 2, 200}});
    d.setSource(source);
    return d;
}

class CatalogUserFileTest : public ::testing::Test
{
protected:
    QTemporaryDir home;
    const QString dataDir = CAppConfig::dataDir();

    QString userFile() const { return home.path() + QStringLiteral("/formulas/user.json"); }
    void writeUserFile(const QByteArray& bytes)
    {
        QDir().mkpath(home.path() + QStringLiteral("/formulas"));
        QFile f(userFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void writeEntries(const QJsonArray& entries)
    {
        writeUserFile(QJsonDocument(QJsonObject{{"formulas", entries}}).toJson());
    }
    QByteArray readUserFile() const
    {
        QFile f(userFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QStringList userLeaves(const CFormulaOperateManager& m) const
    {
        QStringList names;
        const auto user = m.rootCatalog()->findChild(QStringLiteral("用户指标"));
        for (int i = 0; user && i < user->size(); ++i)
            names << user->getChild(i)->formulaName();
        return names;
    }
    int errorsMentioning(const CFormulaOperateManager& m, const QString& text) const
    {
        int n = 0;
        for (const QString& e : m.userCatalogErrors())
            n += e.contains(text) && e.contains(userFile());
        return n;
    }
};

} // namespace

TEST_F(CatalogUserFileTest, NoFileIsNoError)
{
    CFormulaOperateManager m(dataDir, home.path());
    EXPECT_TRUE(m.userCatalogErrors().isEmpty());
    EXPECT_TRUE(userLeaves(m).isEmpty());
    EXPECT_TRUE(m.formula("MACD"));
}

TEST_F(CatalogUserFileTest, BadJsonIsReportedAndBuiltinsStay)
{
    writeUserFile("{\"formulas\": [ {\"name\": \"X\", ");
    qlog::CLogCapture log(qlog::kStdLogger);
    CFormulaOperateManager m(dataDir, home.path());
    ASSERT_EQ(m.userCatalogErrors().size(), 1);
    EXPECT_TRUE(m.userCatalogErrors()[0].contains(userFile()));
    EXPECT_TRUE(log.contains(userFile().toStdString()));
    EXPECT_TRUE(m.formula("MACD"));
    EXPECT_TRUE(userLeaves(m).isEmpty());

    writeUserFile("[1, 2]");
    m.reload();
    EXPECT_EQ(m.userCatalogErrors().size(), 1);
}

TEST_F(CatalogUserFileTest, BrokenEntriesAreSkippedGoodOnesLoad)
{
    QJsonObject badPlacement = entry("BADPLACE", "A:CLOSE;");
    badPlacement.insert("placement", 7);
    QJsonObject badType = entry("BADTYPE", "A:CLOSE;");
    badType.insert("kind", "indicator");
    QJsonObject badFlag = entry("NATIVEUSER", "A:CLOSE;");
    badFlag.insert("flags", QJsonArray{"native"});
    const QJsonArray entries{
        entry("good1", "A:MA(CLOSE,N);", QJsonArray{param("N", 5, 1, 100)}),
        badPlacement,
        badType,
        badFlag,
        QStringLiteral("not an object"),
        entry("BADPARAM", "A:MA(CLOSE,N);", QJsonArray{param("N", 500, 1, 100)}),
        entry("NOCOMPILE", "A:CLOSE;\nB:MA(CLOSE,;"),
        entry("UNKNOWNNAME", "A:FOO(CLOSE);"),
        entry("macd", "A:CLOSE;"),
        entry("GOOD2", "B:CLOSE-OPEN,COLORSTICK;"),
        entry("GOOD1", "A:OPEN;"),
    };
    writeEntries(entries);
    const QByteArray before = readUserFile();
    qlog::CLogCapture log(qlog::kStdLogger);
    CFormulaOperateManager m(dataDir, home.path());

    EXPECT_EQ(userLeaves(m), QStringList({"GOOD1", "GOOD2"}));
    ASSERT_TRUE(m.formula("good1"));
    EXPECT_EQ(m.formula("GOOD1")->getSource(), QStringLiteral("A:MA(CLOSE,N);"));
    EXPECT_TRUE(m.formula("GOOD1")->getRunHandle());
    EXPECT_EQ(m.formula("GOOD1")->getModelType(), 1);
    EXPECT_FALSE(m.isBuiltin("GOOD1"));

    EXPECT_EQ(m.userCatalogErrors().size(), 9);
    for (const char* name :
         {"BADPLACE", "BADTYPE", "NATIVEUSER", "#5", "BADPARAM", "NOCOMPILE", "UNKNOWNNAME", "macd"}) {
        EXPECT_EQ(errorsMentioning(m, QString::fromLatin1(name)), 1) << name;
        EXPECT_TRUE(log.contains(name)) << name;
        EXPECT_FALSE(userLeaves(m).contains(QString::fromLatin1(name).toUpper())) << name;
    }
    EXPECT_EQ(errorsMentioning(m, "GOOD1 skipped: defined twice"), 1);
    EXPECT_EQ(errorsMentioning(m, "line 2"), 1);
    // The built-in keeps its own definition.
    EXPECT_NE(m.formula("MACD")->getSource(), QStringLiteral("A:CLOSE;"));
    EXPECT_TRUE(m.isBuiltin("MACD"));
    // Loading never rewrites the file.
    EXPECT_EQ(readUserFile(), before);
}

TEST_F(CatalogUserFileTest, SavedFormulaRoundTripsThroughAFreshManager)
{
    {
        CFormulaOperateManager m(dataDir, home.path());
        QString error;
        ASSERT_TRUE(m.saveUserFormula(myFormula("myma", "A:MA(CLOSE,N);\nB:MA(CLOSE,M);"), &error))
            << error.toStdString();
        EXPECT_TRUE(m.formula("MYMA"));
        EXPECT_TRUE(m.formula("MYMA")->getRunHandle());
        EXPECT_EQ(userLeaves(m), QStringList({"MYMA"}));
    }
    // Written atomically: the folder holds the file and nothing else.
    EXPECT_EQ(QDir(home.path() + "/formulas").entryList(QDir::Files | QDir::Hidden),
              QStringList({"user.json"}));

    CFormulaOperateManager fresh(dataDir, home.path());
    EXPECT_TRUE(fresh.userCatalogErrors().isEmpty());
    const auto d = fresh.formula("myma");
    ASSERT_TRUE(d);
    const CFormulaDetail want = myFormula("MYMA", "A:MA(CLOSE,N);\nB:MA(CLOSE,M);");
    EXPECT_EQ(d->getName(), QStringLiteral("MYMA"));
    EXPECT_EQ(d->getRealName(), QStringLiteral("MYMA"));
    EXPECT_EQ(d->getTitle(), want.getTitle());
    EXPECT_EQ(d->getPlacement(), 1);
    EXPECT_EQ(d->getKind(), 1);
    EXPECT_EQ(d->getDrType(), 1);
    EXPECT_EQ(d->getCountLimit(), 500);
    EXPECT_EQ(d->getAlignment(), 1);
    EXPECT_EQ(d->getDecimals(), QVector<int>({3, -1}));
    EXPECT_TRUE(d->isSuperposable());
    EXPECT_EQ(d->getTiming(), 2000);
    EXPECT_EQ(d->getModelType(), 1);
    EXPECT_FALSE(d->isUserModel());
    ASSERT_EQ(d->getParams().size(), 2);
    EXPECT_EQ(d->getParams()[1].name, QStringLiteral("M"));
    EXPECT_EQ(d->getParams()[1].defaultValue, 21);
    EXPECT_EQ(d->getParams()[1].minValue, 2);
    EXPECT_EQ(d->getParams()[1].maxValue, 200);
    EXPECT_EQ(d->getSource(), want.getSource());
    EXPECT_EQ(userLeaves(fresh), QStringList({"MYMA"}));
}

TEST_F(CatalogUserFileTest, ReplacingAndModelsAndRemoving)
{
    CFormulaOperateManager m(dataDir, home.path());
    QString error;
    ASSERT_TRUE(m.saveUserFormula(myFormula("ONE", "A:CLOSE;"), &error)) << error.toStdString();
    CFormulaDetail model = myFormula("MYMODEL", "A:CLOSE;");
    model.setKind(2);
    model.setModelType(5);
    ASSERT_TRUE(m.saveUserFormula(model, &error)) << error.toStdString();
    EXPECT_TRUE(m.isUserModel("MYMODEL"));
    EXPECT_FALSE(m.isUserModel("ONE"));

    ASSERT_TRUE(m.saveUserFormula(myFormula("one", "A:OPEN;"), &error)) << error.toStdString();
    EXPECT_EQ(m.formula("ONE")->getSource(), QStringLiteral("A:OPEN;"));
    EXPECT_EQ(userLeaves(m), QStringList({"ONE", "MYMODEL"}));

    EXPECT_FALSE(m.removeUserFormula("MACD", &error));
    EXPECT_TRUE(m.formula("MACD"));
    EXPECT_FALSE(m.removeUserFormula("NOSUCH", &error));
    ASSERT_TRUE(m.removeUserFormula("one", &error)) << error.toStdString();
    EXPECT_FALSE(m.formula("ONE"));
    EXPECT_EQ(userLeaves(m), QStringList({"MYMODEL"}));

    CFormulaOperateManager fresh(dataDir, home.path());
    EXPECT_FALSE(fresh.formula("ONE"));
    EXPECT_TRUE(fresh.isUserModel("MYMODEL"));
    EXPECT_EQ(fresh.formula("MYMODEL")->getModelType(), 5);
}

TEST_F(CatalogUserFileTest, RefusedSavesChangeNothing)
{
    CFormulaOperateManager m(dataDir, home.path());
    QString error;
    ASSERT_TRUE(m.saveUserFormula(myFormula("KEEP", "A:CLOSE;"), &error));
    const QByteArray before = readUserFile();

    EXPECT_FALSE(m.saveUserFormula(myFormula("KEEP", "A:CLOSE;\nB:CLOSE+*2;"), &error));
    EXPECT_TRUE(error.contains("line 2")) << error.toStdString();
    EXPECT_EQ(m.formula("KEEP")->getSource(), QStringLiteral("A:CLOSE;"));

    EXPECT_FALSE(m.saveUserFormula(myFormula("ma", "A:CLOSE;"), &error));
    EXPECT_TRUE(error.contains("built-in")) << error.toStdString();
    EXPECT_NE(m.formula("MA")->getSource(), QStringLiteral("A:CLOSE;"));

    CFormulaDetail badParam = myFormula("BADP", "A:CLOSE;");
    badParam.setParams({{QStringLiteral("N"), 0, 1, 10}});
    EXPECT_FALSE(m.saveUserFormula(badParam, &error));
    CFormulaDetail badName = myFormula("BAD NAME", "A:CLOSE;");
    EXPECT_FALSE(m.saveUserFormula(badName, &error));
    CFormulaDetail badPlacement = myFormula("BADPL", "A:CLOSE;");
    badPlacement.setPlacement(3);
    EXPECT_FALSE(m.saveUserFormula(badPlacement, &error));
    CFormulaDetail realClash = myFormula("CLASH", "A:CLOSE;");
    realClash.setRealName("pydemo");
    EXPECT_FALSE(m.saveUserFormula(realClash, &error));
    CFormulaDetail native = myFormula("NAT", "A:CLOSE;");
    native.setNative(true);
    EXPECT_FALSE(m.saveUserFormula(native, &error));

    EXPECT_EQ(readUserFile(), before);
    EXPECT_EQ(userLeaves(m), QStringList({"KEEP"}));
    EXPECT_EQ(QDir(home.path() + "/formulas").entryList(QDir::Files | QDir::Hidden),
              QStringList({"user.json"}));
}

TEST_F(CatalogUserFileTest, SavingKeepsWhatCouldNotBeRead)
{
    // A skipped entry stays in the file for the user to repair.
    writeEntries(QJsonArray{entry("BROKEN", "A:CLOSE+;"), entry("FINE", "A:CLOSE;")});
    {
        CFormulaOperateManager m(dataDir, home.path());
        ASSERT_EQ(m.userCatalogErrors().size(), 1);
        QString error;
        ASSERT_TRUE(m.saveUserFormula(myFormula("NEW", "A:CLOSE;"), &error)) << error.toStdString();
        const QJsonArray saved = QJsonDocument::fromJson(readUserFile()).object().value("formulas").toArray();
        ASSERT_EQ(saved.size(), 3);
        EXPECT_EQ(saved[0].toObject().value("source").toString(), QStringLiteral("A:CLOSE+;"));
    }
    // An unreadable file is kept aside before it is first rewritten.
    writeUserFile("not json at all");
    CFormulaOperateManager m(dataDir, home.path());
    QString error;
    ASSERT_TRUE(m.saveUserFormula(myFormula("NEW", "A:CLOSE;"), &error)) << error.toStdString();
    QFile backup(userFile() + ".bak");
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
    EXPECT_EQ(backup.readAll(), QByteArray("not json at all"));
    CFormulaOperateManager fresh(dataDir, home.path());
    EXPECT_TRUE(fresh.userCatalogErrors().isEmpty());
    EXPECT_TRUE(fresh.formula("NEW"));
}

TEST_F(CatalogUserFileTest, UnwritableFolderFailsCleanly)
{
    // The user folder is a plain file: nothing can be written below it.
    const QString blocker = home.path() + "/blocker";
    QFile f(blocker);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    CFormulaOperateManager m(dataDir, blocker);
    QString error;
    EXPECT_FALSE(m.saveUserFormula(myFormula("X", "A:CLOSE;"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(m.formula("X"));
    EXPECT_TRUE(userLeaves(m).isEmpty());
}

TEST_F(CatalogUserFileTest, AFailedWriteKeepsTheFileAndTheCatalogue)
{
    CFormulaOperateManager m(dataDir, home.path());
    QString error;
    ASSERT_TRUE(m.saveUserFormula(myFormula("KEEP", "A:CLOSE;"), &error)) << error.toStdString();
    const QByteArray before = readUserFile();
    for (const auto kind : ktest::kWriteFailures) {
        SCOPED_TRACE(ktest::kindName(kind));
        QString saveError, replaceError, removeError;
        {
            ktest::ScopedWriteFailure failure(kind, home.path() + QStringLiteral("/formulas"));
            if (!failure.available())
                continue;
            EXPECT_FALSE(m.saveUserFormula(myFormula("NEW", "A:CLOSE;"), &saveError));
            EXPECT_FALSE(m.saveUserFormula(myFormula("KEEP", "A:OPEN;"), &replaceError));
            EXPECT_FALSE(m.removeUserFormula("KEEP", &removeError));
        }
        for (const QString& e : {saveError, replaceError, removeError})
            EXPECT_TRUE(e.startsWith(QStringLiteral("无法写入 ") + userFile())) << e.toStdString();
        EXPECT_EQ(readUserFile(), before);
        EXPECT_EQ(ktest::folderEntries(home.path() + "/formulas"), QStringList({"user.json"}));
        // The catalogue in memory is the file's: nothing half-applied.
        EXPECT_FALSE(m.formula("NEW"));
        ASSERT_TRUE(m.formula("KEEP"));
        EXPECT_EQ(m.formula("KEEP")->getSource(), QStringLiteral("A:CLOSE;"));
        EXPECT_EQ(userLeaves(m), QStringList({"KEEP"}));
    }
    ASSERT_TRUE(m.saveUserFormula(myFormula("NEW", "A:CLOSE;"), &error)) << error.toStdString();
    CFormulaOperateManager fresh(dataDir, home.path());
    EXPECT_EQ(userLeaves(fresh), QStringList({"KEEP", "NEW"}));
}

TEST_F(CatalogUserFileTest, DefaultFoldersFollowTheEnvironment)
{
    writeEntries(QJsonArray{entry("FROMHOME", "A:CLOSE;")});
    const QByteArray old = qgetenv("KLINEVIEW_HOME");
    qputenv("KLINEVIEW_HOME", home.path().toUtf8());
    {
        CFormulaOperateManager m;
        EXPECT_EQ(m.userDir(), home.path());
        EXPECT_TRUE(m.formula("FROMHOME"));
        EXPECT_TRUE(m.formula("MACD"));
    }
    qputenv("KLINEVIEW_HOME", old);
}
