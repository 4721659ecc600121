#pragma once

#include <boost/shared_ptr.hpp>

#include <QDate>
#include <QString>

#include "platform/framework/CCommonDialog.h"

class QLineEdit;

namespace KW {
class CCheckBox;
}

namespace TC {

class CKLineData;
class CKLineUiParam;

// "时段行情": the user enters a date range; "确定" zooms the chart to its bars
// (event 190 with the first and last bar) and, with "时段统计" ticked, opens
// the period statistics for them (191 with the first bar and the text "last
// bar,first bar's time,last bar's time", times in seconds). The events go up
// through the parent pane. Kept by the pane and shown again on each use, so
// the dates the user entered last are still there.
//
// Dates and bars, as a trader reads a date range:
//  - Both dates are whole days and both are included: the first bar is the
//    first one on or after the start date, the last bar the last one before
//    the day after the end date, so an intraday chart covers the end day's
//    bars too, and an end date after the last bar means "up to now".
//  - The end date defaults to the market's last trading day (the last bar's
//    day when the market is unknown, else today), the start date to one
//    calendar month earlier (the month's last day when shorter).
//  - A date that is not filled in completely or does not exist (2024-02-30),
//    a start after the end, and a range holding no bar of the chart are
//    refused with a message saying which; the dialog stays open with the
//    entries as typed and nothing is sent.
class CTimeFieldSelectionDialog : public KW::CCommonDialog
{
    Q_OBJECT

public:
    CTimeFieldSelectionDialog(boost::shared_ptr<CKLineUiParam> uiParam, boost::shared_ptr<CKLineData> series,
                              QWidget* parent = nullptr);

    QLineEdit* startEdit() const { return m_start; }
    QLineEdit* endEdit() const { return m_end; }
    KW::CCheckBox* statisticBox() const { return m_statistic; }
    const boost::shared_ptr<CKLineData>& series() const { return m_pData; }

    // Puts the default range into the editors.
    void resetDates();
    // The chart's bars of the entered range; false with the user's message
    // in *why when there are none.
    bool barRange(int& first, int& last, QString* why = nullptr) const;

    static constexpr const char* kDateFormat = "yyyy-MM-dd";

protected:
    bool acceptInput() override;

private:
    // The editor's date; invalid unless complete and existing.
    static QDate dateOf(const QLineEdit* edit);

    boost::shared_ptr<CKLineUiParam> m_pUiParam;
    boost::shared_ptr<CKLineData> m_pData;
    QLineEdit* m_start = nullptr;
    QLineEdit* m_end = nullptr;
    KW::CCheckBox* m_statistic = nullptr;
};

} // namespace TC
