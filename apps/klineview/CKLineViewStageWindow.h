#pragma once

#include <memory>

#include <QString>
#include <QVector>
#include <QWidget>

#include "platform/market/CStageQuoteCalculator.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace TC {

class CMarketStore;
class CStageQuoteJob;

// The host's answer to the chart's region statistics: the period quote
// (时段行情, event 219) lists every instrument of the current instrument's
// market, of its sector, or of all markets, over the date range; the stage
// ranking (阶段排序, event 3180) ranks the instruments of the market (or of
// all markets) by the chosen criterion with the current instrument's row
// selected and in bold. Both are computed off
// the GUI thread (CStageQuoteJob) with a progress bar and "取消"; a
// cancelled run shows no rows. Columns sort by value on a header click.
// One window per kind: a new request replaces the window shown before.
class CKLineViewStageWindow : public QWidget
{
    Q_OBJECT

public:
    enum EMode { PeriodQuote = 0, StageRank = 1 };
    enum EScope { MarketScope = 0, SectorScope = 1, AllScope = 2 };

    CKLineViewStageWindow(EMode mode, const CMarketStore* store, const QString& currentKey, qint64 startSecs,
                          qint64 endSecs, int drType, int criterion, QWidget* parent = nullptr);
    ~CKLineViewStageWindow() override;

    // Opens the window an event of the chart asks for: 219 with "start,end,
    // ex-rights type,period", 3180 with "start,end,ex-rights type,period,
    // criterion id,criterion label". Null (nothing shown) for another id or
    // a text that does not parse.
    static CKLineViewStageWindow* openFor(QWidget* host, const QString& currentKey, int eventId,
                                          const QString& text, const CMarketStore* store = nullptr);

    EMode mode() const { return m_mode; }
    int criterion() const { return m_criterion; }
    QTableWidget* table() const { return m_table; }
    QProgressBar* progressBar() const { return m_progress; }
    QPushButton* cancelButton() const { return m_cancel; }
    QComboBox* scopeBox() const { return m_scope; }
    QLabel* statusLabel() const { return m_status; }
    const QVector<CStageQuoteCalculator::Row>& rows() const { return m_rows; }
    bool isComputing() const;
    // The table row of the current instrument; -1 when it is not listed.
    int currentRow() const;

    void recompute();
    void cancel();

private:
    void showRows(const QVector<CStageQuoteCalculator::Row>& rows);
    QStringList headers() const;

    EMode m_mode;
    const CMarketStore* m_store;
    QString m_currentKey;
    CStageQuoteCalculator::Request m_request;
    int m_criterion;
    QTableWidget* m_table = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_cancel = nullptr;
    QComboBox* m_scope = nullptr;
    QLabel* m_status = nullptr;
    QVector<CStageQuoteCalculator::Row> m_rows;
    std::unique_ptr<CStageQuoteJob> m_job;
};

} // namespace TC
