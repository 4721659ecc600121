// The editor window's buttons: test run, save, save as, delete.
#include "platform/formula/editor/CFormulaWindow.h"

#include <QComboBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>

#include "platform/formula/CFormulaParam.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/formula/editor/CFormulaEditorManager.h"
#include "platform/formula/editor/CFormulaLiveCheck.h"
#include "platform/formula/engine/CFormulaEngine.h"
#include "platform/framework/CMessageBox.h"
#include "platform/framework/KWFormat.h"

namespace TC {

namespace {

CFormulaWindow::NamePrompt& namePrompt()
{
    static CFormulaWindow::NamePrompt prompt;
    return prompt;
}

QString askName(QWidget* parent, const QString& suggested)
{
    if (namePrompt())
        return namePrompt()(parent, suggested);
    bool ok = false;
    const QString name = QInputDialog::getText(parent, QStringLiteral("另存为"), QStringLiteral("公式名称"),
                                               QLineEdit::Normal, suggested, &ok);
    return ok ? name : QString();
}

const char* const kBoxTitle = "提示";

} // namespace

void CFormulaWindow::setNamePrompt(NamePrompt prompt)
{
    namePrompt() = std::move(prompt);
}

bool CFormulaWindow::collect(CFormulaDetail& out, QString* why) const
{
    return collect(out, why, QString());
}

bool CFormulaWindow::collect(CFormulaDetail& out, QString* why, const QString& fallbackName) const
{
    QString name = (m_formula.isEmpty() ? m_nameEdit->text() : m_formula).trimmed().toUpper();
    if (name.isEmpty())
        name = fallbackName;
    if (name.isEmpty()) {
        if (why)
            *why = QStringLiteral("请输入公式名称");
        return false;
    }
    QVector<CFormulaParamDef> params;
    if (!collectParams(params, why))
        return false;
    if (const auto base = m_formula.isEmpty() ? nullptr : CFormulaOperateManager::getFormula(m_formula))
        out = *base;
    else
        out = CFormulaDetail();
    out.setName(name);
    out.setTitle(m_titleEdit->text().trimmed());
    const int placement = m_placementCombo->currentData().toInt();
    out.setPlacement(placement);
    if (out.getKind() != 2)
        out.setKind(placement == 0 ? 0 : 1);
    if (out.getModelType() == 0)
        out.setModelType(1);
    out.setParams(params);
    out.setSource(m_sourceEdit->toPlainText());
    out.setRunHandle(nullptr);
    return true;
}

bool CFormulaWindow::runTest()
{
    m_testList->clear();
    CFormulaDetail detail;
    QString why;
    // A test needs no name yet.
    if (!collect(detail, &why, QStringLiteral("NONAME"))) {
        showStatus(why, true);
        return false;
    }
    if (!checkNow(detail) || !CFormulaOperateManager::genLuaFormula(detail, &why)) {
        if (!why.isEmpty())
            showStatus(why, true);
        return false;
    }
    CFormulaParam request;
    if (!CFormulaEditorManager::instance()->testRequest(request)) {
        showStatus(QStringLiteral("没有可供测试的K线数据"), true);
        return false;
    }
    request.formula = detail.getName();
    request.countLimit = 0x7fffffff;
    request.params.clear();
    for (const CFormulaParamDef& p : detail.getParams())
        request.params.insert(p.name, QString::number(p.defaultValue, 'g', 17));
    se::RPCFormulaMetaResult meta;
    se::RPCFormulaResult result;
    if (!CFormulaEngine::compute(request, detail, meta, result, &why)) {
        showStatus(QStringLiteral("测试失败: %1").arg(why), true);
        return false;
    }
    for (int i = 0; i < meta.outputCount(); ++i) {
        QStringList values;
        if (size_t(i) < meta.columns.size())
            for (int col : meta.columns[size_t(i)]) {
                const std::vector<double>* v = result.column(col);
                values.append(v && !v->empty()
                                  ? KW::formatDoubleNumber(v->back(), 3, 0, false, QStringLiteral("--"))
                                  : QStringLiteral("--"));
            }
        m_testList->addItem(QStringLiteral("%1: %2").arg(QString::fromStdString(meta.names[size_t(i)]),
                                                         values.join(QStringLiteral(", "))));
    }
    showStatus(QStringLiteral("测试通过: %1 %2 根K线, %3 个输出")
                   .arg(request.stockKey())
                   .arg(result.barCount())
                   .arg(meta.outputCount()),
               false);
    return true;
}

bool CFormulaWindow::checkNow(const CFormulaDetail& detail)
{
    // The same words and marks as the live check, not the catalogue's log text.
    m_check->cancel();
    CFormulaCheckResult r = CFormulaLiveCheck::check(detail.getSource(), detail.getParams());
    r.generation = m_lastCheck.generation + 1;
    showCheck(r);
    return r.ok;
}

bool CFormulaWindow::save(CFormulaDetail& detail)
{
    QString why;
    if (!CFormulaOperateManager::instance()->saveUserFormula(detail, &why)) {
        showStatus(QStringLiteral("保存失败: %1").arg(why), true);
        KW::CMessageBox::warning(QString::fromUtf8(kBoxTitle), QStringLiteral("保存失败: %1").arg(why), this);
        return false;
    }
    return true;
}

void CFormulaWindow::adopt(const QString& name, bool applyNext)
{
    m_modified = false;
    m_formula = name.trimmed().toUpper();
    m_applyOnConfirm = applyNext;
    m_nameEdit->setText(m_formula);
    setReadOnly(false);
    updateTitle();
}

bool CFormulaWindow::confirm()
{
    if (m_readOnly)
        return false;
    CFormulaDetail detail;
    QString why;
    if (!collect(detail, &why)) {
        showStatus(why, true);
        return false;
    }
    // A new formula must not take over another one's name unnoticed.
    if (m_formula.isEmpty() && CFormulaOperateManager::getFormula(detail.getName())) {
        why = QStringLiteral("公式 %1 已存在, 请换一个名称").arg(detail.getName());
        showStatus(why, true);
        KW::CMessageBox::warning(QString::fromUtf8(kBoxTitle), why, this);
        return false;
    }
    if (!checkNow(detail) || !save(detail))
        return false;
    const int op = m_applyOnConfirm ? 1 : 2;
    adopt(detail.getName(), false);
    showStatus(QStringLiteral("公式 %1 已保存").arg(m_formula), false);
    CFormulaEditorManager* manager = CFormulaEditorManager::instance();
    QObject* target = m_targetChart ? m_targetChart.data() : manager->defaultTarget();
    manager->notifyCharts(m_formula, op, target);
    return true;
}

bool CFormulaWindow::saveAs(const QString& newName)
{
    const QString suggested =
        m_formula.isEmpty() ? m_nameEdit->text().trimmed() : m_formula + QStringLiteral("_1");
    const QString name =
        (newName.trimmed().isEmpty() ? askName(this, suggested) : newName).trimmed().toUpper();
    if (name.isEmpty())
        return false;
    if (CFormulaOperateManager::getFormula(name)) {
        const QString why = QStringLiteral("公式 %1 已存在, 请换一个名称").arg(name);
        showStatus(why, true);
        KW::CMessageBox::warning(QString::fromUtf8(kBoxTitle), why, this);
        return false;
    }
    CFormulaDetail detail;
    QString why;
    const bool wasReadOnly = m_readOnly;
    if (!collect(detail, &why)) {
        showStatus(why, true);
        return false;
    }
    detail.setName(name);
    // A copy answers under its own name, whatever its origin reported.
    detail.setRealName(name);
    detail.setNative(false);
    if (wasReadOnly)
        detail.setModelType(1);
    if (!save(detail))
        return false;
    // Not on any chart yet: its first "确定" applies it.
    adopt(name, true);
    showStatus(QStringLiteral("已另存为 %1").arg(name), false);
    return true;
}

bool CFormulaWindow::removeFormula()
{
    if (m_readOnly || m_formula.isEmpty())
        return false;
    if (KW::CMessageBox::question(QString::fromUtf8(kBoxTitle),
                                  QStringLiteral("确定删除公式 %1 吗?").arg(m_formula),
                                  this) != QMessageBox::Yes)
        return false;
    QString why;
    if (!CFormulaOperateManager::instance()->removeUserFormula(m_formula, &why)) {
        showStatus(QStringLiteral("删除失败: %1").arg(why), true);
        KW::CMessageBox::warning(QString::fromUtf8(kBoxTitle), QStringLiteral("删除失败: %1").arg(why), this);
        return false;
    }
    const QString name = m_formula;
    m_formula.clear();
    CFormulaEditorManager::instance()->notifyCharts(name, 4, nullptr);
    discardAndClose();
    return true;
}

} // namespace TC
