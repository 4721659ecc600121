#pragma once

#include <functional>

#include <QPointer>
#include <QString>
#include <QVector>

#include "platform/formula/catalog/CFormulaParamDef.h"
#include "platform/formula/editor/CFormulaCheckResult.h"
#include "platform/framework/CBaseDialog.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace TC {

class CFormulaDetail;
class CFormulaHighlighter;
class CFormulaLiveCheck;

// The editor window of one formula (CFormulaEditorManager opens and reuses
// them): name, title, placement, the parameter table (name, default, min,
// max; at most kMaxParams rows), the highlighted source and a status line.
// The source is checked while the user types (CFormulaLiveCheck); the first
// error is named with its line and column and marked in the text, and a
// formula that looks at later bars (ZIG, PEAK, ...) is flagged.
//
// Buttons:
//  "测试"   runs the formula over the bars of the chart the manager's test
//           source names and lists every output with its value on the newest bar.
//  "确定"   saves into the user catalogue and tells the charts: apply (1) for a
//           formula new to the catalogue, confirm (2) otherwise (see the
//           manager for which chart gets which).
//  "另存为" saves the text under a name asked for; the window then edits that
//           formula, and its next "确定" applies it like a new one.
//  "删除"   removes the user formula after a question and tells the charts (4).
// A built-in formula opens read-only: only "测试" and "另存为" (to start a
// user copy) are offered. The name of a saved formula is fixed; another
// name is "另存为". Closing a window with unsaved changes asks first.
class CFormulaWindow : public KW::CBaseDialog
{
    Q_OBJECT

public:
    static constexpr int kMaxParams = 16;

    // Asks for a formula name ("" when the user cancels); replaceable so
    // tests need no modal dialog. An empty function restores the input dialog.
    using NamePrompt = std::function<QString(QWidget* parent, const QString& suggested)>;
    static void setNamePrompt(NamePrompt prompt);

    explicit CFormulaWindow(QWidget* parent = nullptr);
    ~CFormulaWindow() override;

    // Shows the catalogue formula; false (window unchanged) when there is none.
    bool load(const QString& name);
    // A new formula with these fields, not in the catalogue yet.
    void loadNew(const QString& name = QString(), const QVector<CFormulaParamDef>& params = {},
                 const QString& source = QString(), int placement = 0, const QString& title = QString());
    // Shows the formula (when it is not the one shown, it is loaded) and,
    // for a codeLine of 1 or more, puts the cursor on that line of the source
    // and scrolls to it.
    void setSelectCode(const QString& name, int codeLine);

    // The catalogue name of the formula shown; "" for a new one not yet saved.
    const QString& formulaName() const { return m_formula; }
    bool isReadOnly() const { return m_readOnly; }
    bool isNewFormula() const { return m_formula.isEmpty(); }

    // True when the fields differ from what was last loaded or saved.
    bool isModified() const { return m_modified; }
    // Closes without asking, dropping unsaved changes.
    void discardAndClose();

    // The chart this window was opened from; it receives apply and confirm.
    void setTargetChart(QObject* chart) { m_targetChart = chart; }
    QObject* targetChart() const { return m_targetChart; }

    // The record the fields describe, based on the catalogue record when
    // there is one. False with the reason when a field is not acceptable.
    bool collect(CFormulaDetail& out, QString* why) const;
    // The parameter rows with a name; false with the reason for a bad row.
    bool collectParams(QVector<CFormulaParamDef>& params, QString* why) const;

    bool runTest();
    bool confirm();
    // Saves under newName, asking for one when it is empty.
    bool saveAs(const QString& newName = QString());
    bool removeFormula();

    QLineEdit* nameEdit() const { return m_nameEdit; }
    QLineEdit* titleEdit() const { return m_titleEdit; }
    QComboBox* placementCombo() const { return m_placementCombo; }
    QTableWidget* paramTable() const { return m_paramTable; }
    QPlainTextEdit* sourceEdit() const { return m_sourceEdit; }
    QLabel* statusLabel() const { return m_statusLabel; }
    QListWidget* testList() const { return m_testList; }
    QPushButton* testButton() const { return m_testButton; }
    QPushButton* confirmButton() const { return m_confirmButton; }
    QPushButton* saveAsButton() const { return m_saveAsButton; }
    QPushButton* deleteButton() const { return m_deleteButton; }
    CFormulaLiveCheck* liveCheck() const { return m_check; }
    CFormulaHighlighter* highlighter() const { return m_highlighter; }
    // The last live-check result shown.
    const CFormulaCheckResult& lastCheck() const { return m_lastCheck; }

    void themeChanged() override;

protected:
    // Unsaved changes are only dropped after a question.
    void closeEvent(QCloseEvent* event) override;

private:
    void createUi();
    void fill(const QString& name, const QString& title, int placement,
              const QVector<CFormulaParamDef>& params, const QString& source);
    void setReadOnly(bool on);
    void updateTitle();
    void scheduleCheck();
    void showCheck(const CFormulaCheckResult& result);
    void markError(int line, int column);
    // warn: an error or a warning, in the warning colour.
    void showStatus(const QString& text, bool warn);
    void adopt(const QString& name, bool applyNext);
    // Checks the record's text at once and shows the result; false on an error.
    bool checkNow(const CFormulaDetail& detail);
    bool save(CFormulaDetail& detail);
    void applyTheme();
    // collect() with the name to use while the window has none.
    bool collect(CFormulaDetail& out, QString* why, const QString& fallbackName) const;

    QString m_formula;
    bool m_readOnly = false;
    // The next "确定" applies the formula (it is not on any chart yet).
    bool m_applyOnConfirm = true;
    bool m_filling = false;
    bool m_modified = false;
    bool m_discard = false;
    QPointer<QObject> m_targetChart;
    CFormulaCheckResult m_lastCheck;

    QLineEdit* m_nameEdit = nullptr;
    QLineEdit* m_titleEdit = nullptr;
    QComboBox* m_placementCombo = nullptr;
    QTableWidget* m_paramTable = nullptr;
    QPlainTextEdit* m_sourceEdit = nullptr;
    QLabel* m_statusLabel = nullptr;
    QListWidget* m_testList = nullptr;
    QPushButton* m_testButton = nullptr;
    QPushButton* m_confirmButton = nullptr;
    QPushButton* m_saveAsButton = nullptr;
    QPushButton* m_deleteButton = nullptr;
    QPushButton* m_closeButton = nullptr;
    CFormulaHighlighter* m_highlighter = nullptr;
    CFormulaLiveCheck* m_check = nullptr;
};

} // namespace TC
