#include "dialogs/CTimeFieldSelectionDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "model/CKLineUiParam.h"
#include "platform/framework/CCheckBox.h"
#include "platform/framework/CMessageBox.h"
#include "platform/framework/CStyleSheetCenter.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CStockManager.h"
#include "series/CKLineData.h"

namespace TC {

namespace {

const char* const kMask = "0000-00-00";

QLineEdit* dateEdit(QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setInputMask(QLatin1String(kMask));
    edit->setPlaceholderText(QLatin1String(kMask));
    edit->setStyleSheet(KW::CStyleSheetCenter::getStyle(KW::CStyleSheetCenter::LineEdit, edit));
    return edit;
}

} // namespace

CTimeFieldSelectionDialog::CTimeFieldSelectionDialog(boost::shared_ptr<CKLineUiParam> uiParam,
                                                     boost::shared_ptr<CKLineData> series, QWidget* parent)
    : KW::CCommonDialog(parent, QStringLiteral("time_field_selection_dialog")),
      m_pUiParam(std::move(uiParam)),
      m_pData(std::move(series))
{
    setTitle(QStringLiteral("时段行情"));
    if (auto* up = dynamic_cast<KW::CEventDeliverer*>(parent))
        setUpstream(up);

    auto* startLabel = new QLabel(QStringLiteral("起始时间"), contentWidget());
    auto* endLabel = new QLabel(QStringLiteral("终止时间"), contentWidget());
    m_start = dateEdit(contentWidget());
    m_start->setObjectName(QStringLiteral("time_field_start"));
    m_end = dateEdit(contentWidget());
    m_end->setObjectName(QStringLiteral("time_field_end"));
    m_statistic = new KW::CCheckBox(QStringLiteral("时段统计"), 0, contentWidget());

    auto* grid = new QGridLayout(contentWidget());
    grid->setContentsMargins(10, 6, 10, 0);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(10);
    grid->addWidget(startLabel, 0, 0);
    grid->addWidget(m_start, 0, 1);
    grid->addWidget(endLabel, 1, 0);
    grid->addWidget(m_end, 1, 1);
    grid->addWidget(m_statistic, 2, 1);
    grid->setRowStretch(3, 1);

    resetDates();
    resize(260, 190);
}

void CTimeFieldSelectionDialog::resetDates()
{
    QDate end;
    if (m_pUiParam) {
        const int day = CStockManager::getLastTradingDay(m_pUiParam->getCurrMarket());
        if (day > 0)
            end = CLocalTimeConverter::dateOf(day);
        else if (m_pUiParam->getLastIndex() >= 0)
            end = m_pUiParam->getDateTimeByIndex(m_pUiParam->getLastIndex()).date();
    }
    if (!end.isValid())
        end = QDate::currentDate();
    m_end->setText(end.toString(QLatin1String(kDateFormat)));
    m_start->setText(end.addMonths(-1).toString(QLatin1String(kDateFormat)));
}

QDate CTimeFieldSelectionDialog::dateOf(const QLineEdit* edit)
{
    if (!edit->hasAcceptableInput())
        return QDate();
    return QDate::fromString(edit->text(), QLatin1String(kDateFormat));
}

bool CTimeFieldSelectionDialog::barRange(int& first, int& last, QString* why) const
{
    auto refuse = [why](const QString& text) {
        if (why)
            *why = text;
        return false;
    };
    const QDate start = dateOf(m_start);
    if (!start.isValid())
        return refuse(QStringLiteral("起始时间不是有效的日期，请按“年-月-日”输入"));
    const QDate end = dateOf(m_end);
    if (!end.isValid())
        return refuse(QStringLiteral("终止时间不是有效的日期，请按“年-月-日”输入"));
    if (start > end)
        return refuse(QStringLiteral("起始时间不能晚于终止时间"));
    if (!m_pUiParam || m_pUiParam->getLastIndex() < 0)
        return refuse(QStringLiteral("所选时段内没有K线数据"));
    const CKLineUiParam& ui = *m_pUiParam;
    first = ui.getIndexByTimeTag(int(CLocalTimeConverter::dayTag(start)));
    const int after = ui.getIndexByTimeTag(int(CLocalTimeConverter::dayTag(end.addDays(1))));
    last = after < 0 ? ui.getLastIndex() : after - 1;
    if (first < 0 || first > last)
        return refuse(QStringLiteral("所选时段内没有K线数据"));
    return true;
}

bool CTimeFieldSelectionDialog::acceptInput()
{
    int first = -1;
    int last = -1;
    QString why;
    if (!barRange(first, last, &why)) {
        KW::CMessageBox::warning(QStringLiteral("提示"), why, this);
        return false;
    }
    deliverEvent(190, first, last, QString(), nullptr);
    if (m_statistic->isChecked()) {
        const QString text = QStringLiteral("%1,%2,%3")
                                 .arg(last)
                                 .arg(m_pUiParam->getDateTimeByIndex(first).toSecsSinceEpoch())
                                 .arg(m_pUiParam->getDateTimeByIndex(last).toSecsSinceEpoch());
        deliverEvent(191, first, 0, text, nullptr);
    }
    return true;
}

} // namespace TC
