#pragma once

#include <QList>
#include <QString>
#include <QVector>

#include "platform/formula/catalog/CFormulaParamDef.h"
#include "platform/framework/CCommonDialog.h"

class QDoubleSpinBox;
class QLabel;
class QPushButton;

namespace TC {

// "修改指标参数": edits the parameters of one formula of a pane.
//
// Lists the formula's parameters from the catalogue
// (CFormulaOperateManager::getFormula(name)->getParams()) as rows of name,
// spin box (limited to min..max) and default. The boxes start at the values
// of the parameter text given with setParamText, else at the defaults.
// A parameter text is the chart's format for a pane's parameters: the values
// in the catalogue's parameter order, separated by commas ("12,26,9"); an
// empty, missing or non-numeric entry takes the default, a value outside
// min..max is clamped, extra entries are ignored. "恢复默认" sets every box
// to its default. OK emits paramsApplied(formula, text) with the boxes'
// values in that format and closes. A formula without parameters (or one the
// catalogue lacks) shows "该指标没有可修改的参数" and only a close button.
//
// init(formula) re-targets an open dialog (the rows are rebuilt, the
// parameter text forgotten). GUI thread only.
class CModifyModelParamDialog : public KW::CCommonDialog
{
    Q_OBJECT

public:
    explicit CModifyModelParamDialog(const QString& formula, QWidget* parent = nullptr);

    void init(const QString& formula);
    QString formula() const { return m_formula; }
    void setParamText(const QString& text);

    // The boxes' values in the parameter-text format.
    QString paramText() const;
    const QVector<CFormulaParamDef>& params() const { return m_params; }
    QList<QDoubleSpinBox*> spinBoxes() const { return m_boxes; }
    QPushButton* restoreButton() const { return m_restoreButton; }
    QLabel* emptyLabel() const { return m_emptyLabel; }
    void restoreDefaults();

    // Values of a parameter text for these parameters (see the class comment).
    static QVector<double> parseParamText(const QString& text, const QVector<CFormulaParamDef>& params);
    static QString formatParamText(const QVector<double>& values);

signals:
    void paramsApplied(const QString& formula, const QString& paramText);

protected:
    bool acceptInput() override;

private:
    void rebuild();

    QString m_formula;
    QVector<CFormulaParamDef> m_params;
    QWidget* m_rows = nullptr;
    QList<QDoubleSpinBox*> m_boxes;
    QLabel* m_emptyLabel = nullptr;
    QPushButton* m_restoreButton = nullptr;
};

} // namespace TC
