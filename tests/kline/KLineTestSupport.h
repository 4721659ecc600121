#pragma once

#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include "common/EventLog.h"
#include "kline/CKLineMainWidget.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"

namespace ktest {

// A chart that records every event reaching its handler before handling it.
class CSpyChart : public TC::CKLineMainWidget, public EventLog
{
public:
    using TC::CKLineMainWidget::CKLineMainWidget;
    bool handleEvent(int id, int p1, int p2, const QString& text, void* data) override
    {
        record(id, p1, p2, text, data);
        return TC::CKLineMainWidget::handleEvent(id, p1, p2, text, data);
    }
    // Protected pane operations, open to tests.
    using TC::CKLineMainWidget::addIndexWidget;
    using TC::CKLineMainWidget::changeDispRegion;
    using TC::CKLineMainWidget::clearSubIndexes;
    using TC::CKLineMainWidget::delIndexWidget;
    using TC::CKLineMainWidget::highlightWidget;
};

// Formula names as the catalogue spells them (upper case), for comparisons.
inline QStringList upper(const QStringList& l)
{
    QStringList out;
    for (const QString& s : l)
        out << s.toUpper();
    return out;
}

// Processes events until `cond` holds; the limit only bounds a failure.
template <typename F> bool waitUntil(F cond, int limitMs = 20000)
{
    QElapsedTimer t;
    t.start();
    while (!cond() && t.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return cond();
}

// A user formula of the given placement and ex-rights preference in the
// catalogue for the lifetime of the object.
struct UserFormula {
    QString name;
    UserFormula(const QString& n, int placement, int drType) : name(n)
    {
        TC::CFormulaDetail d;
        d.setName(n);
        d.setTitle(n);
        d.setPlacement(placement);
        d.setKind(placement == 0 ? 0 : 1);
        d.setDrType(drType);
        d.setSource(QStringLiteral("A:MA(CLOSE,5);"));
        TC::CFormulaOperateManager::instance()->saveUserFormula(d);
    }
    ~UserFormula() { TC::CFormulaOperateManager::instance()->removeUserFormula(name); }
};

} // namespace ktest
