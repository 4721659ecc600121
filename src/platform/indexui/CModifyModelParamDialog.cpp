#include "platform/indexui/CModifyModelParamDialog.h"

#include <algorithm>
#include <cmath>

#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/framework/CStyleSheetCenter.h"

namespace TC {

namespace {

// Decimals a box needs to show the parameter's default and range exactly.
int decimalsFor(const CFormulaParamDef& p)
{
    int decimals = 0;
    for (double v : {p.defaultValue, p.minValue, p.maxValue}) {
        int d = 0;
        while (d < 4 && std::abs(v * std::pow(10.0, d) - std::round(v * std::pow(10.0, d))) > 1e-9)
            ++d;
        decimals = std::max(decimals, d);
    }
    return decimals;
}

} // namespace

CModifyModelParamDialog::CModifyModelParamDialog(const QString& formula, QWidget* parent)
    : KW::CCommonDialog(parent, QStringLiteral("modify_model_param_dialog"))
{
    setTitle(QStringLiteral("修改指标参数"));
    auto* layout = new QVBoxLayout(contentWidget());
    layout->setContentsMargins(0, 0, 0, 0);
    m_rows = new QWidget(contentWidget());
    m_rows->setObjectName(QStringLiteral("model_param_rows"));
    layout->addWidget(m_rows);
    m_emptyLabel = new QLabel(QStringLiteral("该指标没有可修改的参数"), contentWidget());
    m_emptyLabel->setObjectName(QStringLiteral("model_param_empty"));
    layout->addWidget(m_emptyLabel);
    m_restoreButton = new QPushButton(QStringLiteral("恢复默认"), contentWidget());
    m_restoreButton->setObjectName(QStringLiteral("model_param_restore"));
    m_restoreButton->setAutoDefault(false);
    m_restoreButton->setStyleSheet(
        KW::CStyleSheetCenter::getStyle(KW::CStyleSheetCenter::Button, m_restoreButton));
    layout->addWidget(m_restoreButton, 0, Qt::AlignLeft);
    layout->addStretch(1);
    connect(m_restoreButton, &QPushButton::clicked, this, &CModifyModelParamDialog::restoreDefaults);
    init(formula);
}

void CModifyModelParamDialog::init(const QString& formula)
{
    m_formula = formula.trimmed().toUpper();
    const auto detail = CFormulaOperateManager::getFormula(m_formula);
    m_params = detail ? detail->getParams() : QVector<CFormulaParamDef>();
    const QString title = detail ? detail->getTitle() : QString();
    setTitle(title.isEmpty() || title == m_formula
                 ? QStringLiteral("修改指标参数 - %1").arg(m_formula)
                 : QStringLiteral("修改指标参数 - %1 %2").arg(m_formula, title));
    rebuild();
}

void CModifyModelParamDialog::rebuild()
{
    qDeleteAll(m_rows->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
    delete m_rows->layout();
    m_boxes.clear();
    auto* grid = new QGridLayout(m_rows);
    grid->setContentsMargins(0, 0, 0, 0);
    const QString style = KW::CStyleSheetCenter::getStyle(KW::CStyleSheetCenter::LineEdit, m_rows);
    for (int i = 0; i < m_params.size(); ++i) {
        const CFormulaParamDef& p = m_params[i];
        auto* box = new QDoubleSpinBox(m_rows);
        box->setObjectName(QStringLiteral("model_param_%1").arg(p.name));
        box->setDecimals(decimalsFor(p));
        box->setRange(p.minValue, p.maxValue);
        box->setValue(p.defaultValue);
        box->setStyleSheet(style);
        grid->addWidget(new QLabel(p.name, m_rows), i, 0);
        grid->addWidget(box, i, 1);
        grid->addWidget(new QLabel(QStringLiteral("默认 %1 (%2-%3)")
                                       .arg(QString::number(p.defaultValue), QString::number(p.minValue),
                                            QString::number(p.maxValue)),
                                   m_rows),
                        i, 2);
        m_boxes.append(box);
    }
    const bool empty = m_params.isEmpty();
    m_rows->setVisible(!empty);
    m_emptyLabel->setVisible(empty);
    m_restoreButton->setVisible(!empty);
    okButton()->setVisible(!empty);
    cancelButton()->setText(empty ? QStringLiteral("关闭") : QStringLiteral("取消"));
}

QVector<double> CModifyModelParamDialog::parseParamText(const QString& text,
                                                        const QVector<CFormulaParamDef>& params)
{
    QString t = text.trimmed();
    if (t.startsWith(QLatin1Char('(')) && t.endsWith(QLatin1Char(')')))
        t = t.mid(1, t.size() - 2);
    const QStringList parts = t.split(QLatin1Char(','));
    QVector<double> values;
    for (int i = 0; i < params.size(); ++i) {
        const CFormulaParamDef& p = params[i];
        bool ok = false;
        const double v = i < parts.size() ? parts[i].trimmed().toDouble(&ok) : 0.0;
        values.append(ok && std::isfinite(v) ? std::clamp(v, p.minValue, p.maxValue) : p.defaultValue);
    }
    return values;
}

QString CModifyModelParamDialog::formatParamText(const QVector<double>& values)
{
    QStringList parts;
    for (double v : values)
        parts.append(QString::number(v, 'g', 12));
    return parts.join(QLatin1Char(','));
}

void CModifyModelParamDialog::setParamText(const QString& text)
{
    const QVector<double> values = parseParamText(text, m_params);
    for (int i = 0; i < m_boxes.size(); ++i)
        m_boxes[i]->setValue(text.trimmed().isEmpty() ? m_params[i].defaultValue : values[i]);
}

QString CModifyModelParamDialog::paramText() const
{
    QVector<double> values;
    for (const QDoubleSpinBox* box : m_boxes)
        values.append(box->value());
    return formatParamText(values);
}

void CModifyModelParamDialog::restoreDefaults()
{
    for (int i = 0; i < m_boxes.size(); ++i)
        m_boxes[i]->setValue(m_params[i].defaultValue);
}

bool CModifyModelParamDialog::acceptInput()
{
    if (m_params.isEmpty())
        return false;
    // The value being typed counts even when the box has not committed it yet.
    for (QDoubleSpinBox* box : qAsConst(m_boxes))
        box->interpretText();
    emit paramsApplied(m_formula, paramText());
    return true;
}

} // namespace TC
