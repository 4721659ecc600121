#pragma once

#include <memory>

#include <QDateTime>
#include <QString>

#include "platform/framework/CCommonDialog.h"
#include "platform/market/CBar.h"
#include "platform/market/CInstrumentDetail.h"

class QLabel;
class QLineEdit;

namespace TC {

class CMarketStore;

// "修改K线数据": corrects one stored bar of an instrument by hand.
//
// setStockInfo names the chart's bar: the instrument, its index, the chart
// period in milliseconds (a multiple of the second period codes the chart
// uses: 10000 N days, 11000 N hours, 13000 N minutes), the time tags in
// seconds of the chart's first, last and this bar, and the bar's date-time.
// Periods of a day and longer (and N days) edit the instrument's day bar of
// that bar's day; intraday periods edit the one-minute bar ending at that
// bar's time (the last one at or before it when no minute bar ends exactly
// there). The tick chart has no bars to edit. The fields show the stored raw
// values (not ex-rights adjusted) of the store's bar, read when the dialog
// is shown.
//
// OK checks the entries: each a number, high >= max(open, close),
// low <= min(open, close), low > 0, volume >= 0 and amount >= 0; a bad entry
// is refused with a message box naming the field and the dialog stays open.
// Good entries are written with CMarketStore::modifyBar, the formula service
// forgets what it derived from the instrument (live requests reload), and
// barModified(key, timeTag) is emitted: the chart re-requests its series.
//
// show(wasLocked): the chart locks its cursor on the bar while the box is
// open; when it was not locked before (wasLocked false), closing the box
// delivers event 202 through the parent (when that is an event endpoint) so
// the cursor is unlocked again. GUI thread only.
class CModifyKLineDataDialog : public KW::CCommonDialog
{
    Q_OBJECT

public:
    enum EField { Open, High, Low, Close, Volume, Amount, FieldCount };

    explicit CModifyKLineDataDialog(QWidget* parent);

    void setStockInfo(std::shared_ptr<qlservice::CInstrumentDetail> stock, int bar, qint64 periodMs,
                      qint64 firstTimeTag, qint64 lastTimeTag, qint64 barTimeTag, const QDateTime& barTime);
    void show(bool wasLocked);

    // Store the dialog reads and writes; null (the default) is the process-wide one.
    void setStore(CMarketStore* store) { m_store = store; }

    // The stored bar being edited: 86400 (day bar), 60 (minute bar) or 0 (none).
    int storePeriod() const { return m_storePeriod; }
    qint64 storeTimeTag() const { return m_storeTag; }
    bool hasBar() const { return m_hasBar; }
    QString instrumentKey() const;
    QLineEdit* field(EField f) const { return m_fields[f]; }
    QLabel* instrumentLabel() const { return m_instrumentLabel; }
    QLabel* timeLabel() const { return m_timeLabel; }
    static QString fieldName(EField f);

signals:
    void barModified(const QString& key, qint64 timeTag);

protected:
    bool acceptInput() override;
    void done(int result) override;

private:
    CMarketStore* store() const;
    // Finds the stored bar for the chart's bar and fills the fields.
    void loadBar();

    CMarketStore* m_store = nullptr;
    std::shared_ptr<qlservice::CInstrumentDetail> m_stock;
    int m_bar = -1;
    qint64 m_periodMs = 0;
    qint64 m_firstTag = 0;
    qint64 m_lastTag = 0;
    qint64 m_barTag = 0;
    QDateTime m_barTime;
    int m_storePeriod = 0;
    qint64 m_storeTag = 0;
    bool m_hasBar = false;
    bool m_wasLocked = true;
    QLabel* m_instrumentLabel = nullptr;
    QLabel* m_timeLabel = nullptr;
    QLineEdit* m_fields[FieldCount] = {};
};

} // namespace TC
