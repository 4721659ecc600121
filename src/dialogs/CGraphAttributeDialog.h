#pragma once

#include <QString>

#include "kline/IndexKLineViewGlobal.h"
#include "platform/framework/CCommonDialog.h"

class QComboBox;
class QLineEdit;
class QSpinBox;

namespace KW {
class CPushButton;
class CRadioButtonGroup;
} // namespace KW

namespace TC {

class CStockCodeLineEdit;

// "画线属性": the instrument and period of a drawn line, whether the trader
// reads it as a buy or a sell line, and its colour, width and pen style (a
// note also its text). exec() gives 1 for "确定", 0 for "取消".
//
// Colours are offered as resource keys only, so a line follows the theme.
class INDEXKLINEVIEW_EXPORT CGraphAttributeDialog : public KW::CCommonDialog
{
    Q_OBJECT

public:
    CGraphAttributeDialog(const QString& stockCode, int period, QWidget* parent = nullptr);

    // Direction: 0 "买入", 1 "卖出".
    void setButtonCheckedByID(int id);
    int getCheckedButtonID() const;

    // The colour keys offered, in order.
    static QStringList colorKeys();
    // A key not offered yet is added to the list.
    void setLineAttribute(const QString& colorKey, int width, int style);
    QString colorKey() const;
    int lineWidth() const;
    int lineStyle() const;
    // The note text row shows only when a text is given.
    void setNoteText(const QString& text);
    QString noteText() const;

    QString stockCode() const { return m_stockCode; }
    int period() const { return m_period; }
    CStockCodeLineEdit* codeEdit() const { return m_codeEdit; }
    QLineEdit* periodEdit() const { return m_periodEdit; }
    QComboBox* colorBox() const { return m_colorBox; }
    QSpinBox* widthBox() const { return m_widthBox; }
    QComboBox* styleBox() const { return m_styleBox; }
    QLineEdit* textEdit() const { return m_textEdit; }
    KW::CPushButton* okButton() const { return m_ok; }
    KW::CPushButton* cancelButton() const { return m_cancel; }

    bool handleEvent(int id, int p1, int p2, const QString& text, void* data) override;
    void themeChanged() override;

private:
    void fillColors();

    QString m_stockCode;
    int m_period = 0;
    CStockCodeLineEdit* m_codeEdit = nullptr;
    QLineEdit* m_periodEdit = nullptr;
    KW::CRadioButtonGroup* m_direction = nullptr;
    QComboBox* m_colorBox = nullptr;
    QSpinBox* m_widthBox = nullptr;
    QComboBox* m_styleBox = nullptr;
    QWidget* m_textRow = nullptr;
    QLineEdit* m_textEdit = nullptr;
    KW::CPushButton* m_ok = nullptr;
    KW::CPushButton* m_cancel = nullptr;
};

} // namespace TC
