#pragma once

#include <functional>

#include <QMenu>
#include <QPointer>
#include <QString>
#include <QVector>

#include "platform/formula/catalog/CFormulaParamDef.h"

namespace TC {

class CFormulaWindow;
class CKLineViewFormulaPicker;
class CKLineViewWindow;

// The host's "公式" menu: "新建公式…" opens the editor on a new formula,
// "编辑公式…" a searchable list of the catalogue's formulas and then the
// editor on the one picked, "导入公式…" reads a file written by "导出公式"
// (CKLineViewFormulaExport: parameter line, then the source) into the editor
// as a new formula named after the file; it is saved with the editor's "确定".
//
// It also makes the window's chart the editor's chart: the one new formulas
// are applied to and whose bars "测试" runs over (instrument, period with its
// multiple, ex-rights type as the chart requests them). The editor windows
// belong to the main window; it only closes once every editor with unsaved
// changes has been let go by the user.
class CKLineViewFormulaMenu : public QMenu
{
    Q_OBJECT

public:
    // Larger files are no formula; they are refused before being read.
    static constexpr qint64 kMaxFileBytes = 1 << 20;

    // Asks for the file to read; "" when the user cancels. Replaceable so
    // tests need no modal dialog; an empty function restores the file dialog.
    using OpenFilePrompt =
        std::function<QString(QWidget* parent, const QString& caption, const QString& filter)>;
    static void setOpenFilePrompt(OpenFilePrompt prompt);

    explicit CKLineViewFormulaMenu(CKLineViewWindow* window);

    QAction* newAction() const { return m_newAction; }
    QAction* editAction() const { return m_editAction; }
    QAction* importAction() const { return m_importAction; }

    CFormulaWindow* newFormula();
    // The list, open until a formula is picked or it is closed.
    CKLineViewFormulaPicker* showPicker();
    // Asks for a file when path is empty. Null when cancelled or when the
    // file cannot be used (told in a message box).
    CFormulaWindow* importFormula(const QString& path = QString());

    // The parameters and the source text of an exported formula file.
    static bool readFormulaFile(const QString& path, QVector<CFormulaParamDef>& params, QString& source,
                                QString* why);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void attachChart();

    QPointer<CKLineViewWindow> m_window;
    QAction* m_newAction = nullptr;
    QAction* m_editAction = nullptr;
    QAction* m_importAction = nullptr;
};

} // namespace TC
