#include "dialogs/CStockCodeLineEdit.h"

#include "platform/market/CInstrumentDetail.h"
#include "platform/market/CStockManager.h"

namespace TC {

CStockCodeLineEdit::CStockCodeLineEdit(QWidget* parent) : QLineEdit(parent)
{
}

void CStockCodeLineEdit::setStockCode(const QString& code, int kind)
{
    m_code = code;
    QString text = code;
    if (kind == 0 && !code.isEmpty()) {
        const auto detail = CStockManager::getInstrumentDetail(code);
        if (detail && !detail->name.empty())
            text += QLatin1Char(' ') + QString::fromStdString(detail->name);
    }
    setText(text);
}

} // namespace TC
