#pragma once

#include <QLineEdit>

#include "kline/IndexKLineViewGlobal.h"

namespace TC {

// A line edit that shows an instrument: its key, with the instrument's name
// after it when the market knows it.
class INDEXKLINEVIEW_EXPORT CStockCodeLineEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit CStockCodeLineEdit(QWidget* parent = nullptr);

    // `kind` 0 shows the key and the name, anything else the key alone.
    void setStockCode(const QString& code, int kind);
    QString stockCode() const { return m_code; }

private:
    QString m_code;
};

} // namespace TC
