#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

#include "platform/formula/RPCFormulaMetaResult.h"
#include "platform/formula/RPCFormulaResult.h"
#include "platform/formula/service/CExternalDataInfo.h"
#include "platform/framework/CCommonDialog.h"

namespace KW {
class CCheckBox;
class CPushButton;
class CVScrollWidgetList;
} // namespace KW

namespace TC {

// "生成外部数据": one check box per output of a pane's formula; "确定" stores
// the ticked outputs' values over the result's bars as external data named
// after the output (CExternalDataManager), so other formulas can read them.
// Kept by the pane and refilled by setData before each show.
//
// A name that already exists asks "%1 已存在，是否覆盖!" with "全部覆盖" (this
// and every later existing name without asking again) and "取消" (this name
// is skipped). A series the manager refuses (it could not be written) is
// listed in a warning before the dialog closes; the others are stored.
// Outputs are found in the meta result by name; an output without values
// over the bars stores an empty series.
class CKLineGenerateExternalDialog : public KW::CCommonDialog
{
    Q_OBJECT

public:
    enum EButton { OkButton = 0, CloseButton = 1 };
    static constexpr int kButtonEvent = 5;

    explicit CKLineGenerateExternalDialog(QWidget* parent = nullptr);

    // Replaces the names, results and descriptor and rebuilds the check list.
    void setData(const QVector<QString>& names, const se::RPCFormulaMetaResult& meta,
                 const se::RPCFormulaResult& result, const CExternalDataInfo& info);

    const QVector<QString>& outputNames() const { return m_names; }
    const CExternalDataInfo& dataInfo() const { return m_info; }
    KW::CVScrollWidgetList* checkList() const { return m_list; }
    QList<KW::CCheckBox*> checkBoxes() const;
    KW::CPushButton* button(int id) const;
    // What the last "确定" stored and what the manager refused.
    QStringList storedNames() const { return m_stored; }
    QStringList failedNames() const { return m_failed; }

    // Button clicks arrive as event 5 with the button's id.
    bool handleEvent(int id, int p1, int p2, const QString& text, void* data) override;

private:
    void generate();
    // Values of the output named `name` over the result's bars; false when
    // the meta result has no such output with data.
    bool outputValues(const QString& name, std::vector<double>& values) const;

    QVector<QString> m_names;
    se::RPCFormulaMetaResult m_meta;
    se::RPCFormulaResult m_result;
    CExternalDataInfo m_info;
    KW::CVScrollWidgetList* m_list = nullptr;
    QWidget* m_base = nullptr;
    KW::CPushButton* m_ok = nullptr;
    KW::CPushButton* m_close = nullptr;
    QStringList m_stored;
    QStringList m_failed;
};

} // namespace TC
