#include "dialogs/CKLineGenerateExternalDialog.h"

#include <limits>

#include <QHBoxLayout>
#include <QMessageBox>
#include <QVBoxLayout>

#include "platform/formula/service/CExternalDataManager.h"
#include "platform/framework/CCheckBox.h"
#include "platform/framework/CMessageBox.h"
#include "platform/framework/CPushButton.h"
#include "platform/framework/CVScrollWidgetList.h"

namespace TC {

namespace {
constexpr int kRowHeight = 25;
constexpr int kButtonWidth = 65;
constexpr int kButtonHeight = 21;
} // namespace

CKLineGenerateExternalDialog::CKLineGenerateExternalDialog(QWidget* parent)
    : KW::CCommonDialog(parent, QStringLiteral("kline_generate_external_dialog"))
{
    setTitle(QStringLiteral("生成外部数据"));
    // The dialog's own pair: "确定" and "关闭", reported as events.
    setButtonsVisible(false, false);
    m_list = new KW::CVScrollWidgetList(contentWidget());
    m_base = new QWidget(contentWidget());
    m_base->setObjectName(QStringLiteral("base"));
    m_ok = new KW::CPushButton(QStringLiteral("确定"), OkButton, m_base);
    m_close = new KW::CPushButton(QStringLiteral("关闭"), CloseButton, m_base);
    auto* row = new QHBoxLayout(m_base);
    row->setContentsMargins(0, 0, 0, 0);
    row->addStretch(1);
    for (KW::CPushButton* b : {m_ok, m_close}) {
        b->setFixedSize(kButtonWidth, kButtonHeight);
        b->setUpstream(this);
        row->addWidget(b);
    }
    auto* layout = new QVBoxLayout(contentWidget());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_base);
    setFixedSize(250, 300);
}

void CKLineGenerateExternalDialog::setData(const QVector<QString>& names, const se::RPCFormulaMetaResult& meta,
                                           const se::RPCFormulaResult& result, const CExternalDataInfo& info)
{
    m_names = names;
    m_meta = meta;
    m_result = result;
    m_info = info;
    m_list->clear();
    for (int i = 0; i < m_names.size(); ++i)
        m_list->addWidget(new KW::CCheckBox(m_names[i], i), kRowHeight);
    m_list->updateList();
}

QList<KW::CCheckBox*> CKLineGenerateExternalDialog::checkBoxes() const
{
    QList<KW::CCheckBox*> out;
    for (QWidget* w : m_list->widgets())
        if (auto* box = qobject_cast<KW::CCheckBox*>(w))
            out << box;
    return out;
}

KW::CPushButton* CKLineGenerateExternalDialog::button(int id) const
{
    return id == OkButton ? m_ok : id == CloseButton ? m_close : nullptr;
}

bool CKLineGenerateExternalDialog::handleEvent(int id, int p1, int p2, const QString& text, void* data)
{
    if (id == kButtonEvent && p1 == OkButton) {
        generate();
        return true;
    }
    if (id == kButtonEvent && p1 == CloseButton) {
        reject();
        return true;
    }
    return KW::CCommonDialog::handleEvent(id, p1, p2, text, data);
}

bool CKLineGenerateExternalDialog::outputValues(const QString& name, std::vector<double>& values) const
{
    const std::string wanted = name.toStdString();
    for (int k = 0; k < m_meta.outputCount(); ++k) {
        if (m_meta.names[size_t(k)] != wanted || size_t(k) >= m_meta.columns.size() ||
            m_meta.columns[size_t(k)].empty())
            continue;
        const std::vector<double>* column = m_result.column(m_meta.columns[size_t(k)].front());
        if (!column)
            continue;
        // A short data vector leaves the remaining bars without a value.
        values.assign(m_result.times.size(), std::numeric_limits<double>::max());
        for (size_t i = 0; i < values.size() && i < column->size(); ++i)
            values[i] = (*column)[i];
        return true;
    }
    return false;
}

void CKLineGenerateExternalDialog::generate()
{
    CExternalDataManager* manager = CExternalDataManager::instance();
    m_stored.clear();
    m_failed.clear();
    bool overwriteAll = false;
    for (KW::CCheckBox* box : checkBoxes()) {
        if (!box->isChecked())
            continue;
        const QString name = box->text();
        if (manager->isExist(name) && !overwriteAll) {
            const int answer = KW::CMessageBox::question(QStringLiteral("提示"),
                                                         QStringLiteral("%1 已存在，是否覆盖!").arg(name),
                                                         QStringLiteral("全部覆盖"), QStringLiteral("取消"), this);
            if (answer != QMessageBox::Yes)
                continue;
            overwriteAll = true;
        }
        std::vector<double> values;
        if (!outputValues(name, values)) {
            m_failed << name;
            continue;
        }
        CExternalDataInfo info = m_info;
        info.name = name;
        // generateData1 replaces the old series and its file in one step; a
        // removal first would lose the old data when the new cannot be written.
        if (manager->generateData1(info, m_result.times, values))
            m_stored << name;
        else
            m_failed << name;
    }
    if (!m_failed.isEmpty())
        KW::CMessageBox::warning(QStringLiteral("提示"),
                                 QStringLiteral("以下数据未能生成: %1").arg(m_failed.join(QLatin1Char(','))), this);
    done(1);
}

} // namespace TC
