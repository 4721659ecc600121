#pragma once

#include <functional>

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace TC {

struct CFormulaParam;
class CFormulaWindow;

// The formula editor's windows, one per formula (GUI thread only).
//
// Charts learn of what the editor did through formulaUpdated(name, op,
// target): every chart connects to it and runs its formula management
// (CKLineMainWidget::updateIndex) with operationFor(itself, op, target). The
// platform knows no chart class, and a signal reaches every open chart
// without a registry. The operations: 1 apply (a formula new to the charts),
// 2 confirm (a saved formula), 4 delete. Apply and confirm are meant for the
// target chart, the one the window was opened from (else the host's default
// target); every other chart treats them as 3 modify, so whatever shows the
// formula follows the new text. Without any target every chart takes the
// operation itself. Delete goes to every chart.
//
// "测试" runs over the bars of the host's current chart: the host hands in a
// test source that fills a request record (instrument, period, ex-rights,
// range) the way that chart asks the formula service; the window puts in the
// formula and its parameters.
class CFormulaEditorManager : public QObject
{
    Q_OBJECT

public:
    using TestSource = std::function<bool(CFormulaParam& request)>;

    static CFormulaEditorManager* instance();

    // The open window of that formula (names in any case), else a new one
    // showing it; for an empty name a new window for a new formula. Null for
    // a name the catalogue does not know. The window is shown and raised.
    CFormulaWindow* createWindow(const QString& name);
    CFormulaWindow* findWindow(const QString& name) const;
    QList<CFormulaWindow*> windows() const;
    // Closes every window, unsaved changes dropped.
    void closeAll();
    // Asks each window with unsaved changes whether to drop them; true when
    // every window is closed.
    bool closeAllAsking();

    // New windows are owned by this window (the host's main window): they
    // stay above it and go with it. Null: top-level windows of their own.
    void setWindowParent(QWidget* parent) { m_windowParent = parent; }

    void setTestSource(TestSource source) { m_testSource = std::move(source); }
    // False when no host gave a source or it has no chart to offer.
    bool testRequest(CFormulaParam& request) const;

    void setDefaultTarget(QObject* chart) { m_defaultTarget = chart; }
    QObject* defaultTarget() const { return m_defaultTarget; }

    // The operation a chart runs for a notification (see the class comment).
    static int operationFor(const QObject* chart, int op, const QObject* target);
    void notifyCharts(const QString& name, int op, QObject* target);

signals:
    void formulaUpdated(const QString& name, int op, QObject* target);

private:
    CFormulaEditorManager() = default;

    QList<QPointer<CFormulaWindow>> m_windows;
    TestSource m_testSource;
    QPointer<QObject> m_defaultTarget;
    QPointer<QWidget> m_windowParent;
};

} // namespace TC
