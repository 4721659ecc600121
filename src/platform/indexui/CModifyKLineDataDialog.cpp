#include "platform/indexui/CModifyKLineDataDialog.h"

#include <algorithm>
#include <cmath>

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/config/QLLog.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/framework/CEventDeliverer.h"
#include "platform/framework/CMessageBox.h"
#include "platform/framework/CStyleSheetCenter.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"

namespace TC {

namespace {

constexpr int kLockCursorEvent = 202;
const char* const kTitle = "修改K线数据";

QString number(double v)
{
    return QString::number(v, 'g', 15);
}

} // namespace

CModifyKLineDataDialog::CModifyKLineDataDialog(QWidget* parent)
    : KW::CCommonDialog(parent, QStringLiteral("modify_kline_data_dialog"))
{
    setTitle(QString::fromUtf8(kTitle));
    auto* form = new QFormLayout(contentWidget());
    form->setContentsMargins(0, 0, 0, 0);
    m_instrumentLabel = new QLabel(contentWidget());
    m_instrumentLabel->setObjectName(QStringLiteral("modify_kline_instrument"));
    m_timeLabel = new QLabel(contentWidget());
    m_timeLabel->setObjectName(QStringLiteral("modify_kline_time"));
    form->addRow(QStringLiteral("品种:"), m_instrumentLabel);
    form->addRow(QStringLiteral("时间:"), m_timeLabel);
    static const char* const names[FieldCount] = {"open", "high", "low", "close", "volume", "amount"};
    for (int f = 0; f < FieldCount; ++f) {
        m_fields[f] = new QLineEdit(contentWidget());
        m_fields[f]->setObjectName(QStringLiteral("modify_kline_%1").arg(QLatin1String(names[f])));
        m_fields[f]->setStyleSheet(
            KW::CStyleSheetCenter::getStyle(KW::CStyleSheetCenter::LineEdit, m_fields[f]));
        form->addRow(fieldName(EField(f)) + QStringLiteral(":"), m_fields[f]);
    }
    resize(300, 280);
}

QString CModifyKLineDataDialog::fieldName(EField f)
{
    switch (f) {
    case Open:
        return QStringLiteral("开盘价");
    case High:
        return QStringLiteral("最高价");
    case Low:
        return QStringLiteral("最低价");
    case Close:
        return QStringLiteral("收盘价");
    case Volume:
        return QStringLiteral("成交量");
    case Amount:
        return QStringLiteral("成交额");
    default:
        return QString();
    }
}

CMarketStore* CModifyKLineDataDialog::store() const
{
    return m_store ? m_store : CMarketStore::instance();
}

QString CModifyKLineDataDialog::instrumentKey() const
{
    return m_stock ? QString::fromStdString(m_stock->key) : QString();
}

void CModifyKLineDataDialog::setStockInfo(std::shared_ptr<qlservice::CInstrumentDetail> stock, int bar,
                                          qint64 periodMs, qint64 firstTimeTag, qint64 lastTimeTag,
                                          qint64 barTimeTag, const QDateTime& barTime)
{
    m_stock = std::move(stock);
    m_bar = bar;
    m_periodMs = periodMs;
    m_firstTag = firstTimeTag;
    m_lastTag = lastTimeTag;
    m_barTag = barTimeTag;
    m_barTime = barTime;
    loadBar();
}

void CModifyKLineDataDialog::loadBar()
{
    m_hasBar = false;
    m_storePeriod = 0;
    m_storeTag = 0;
    const QString key = instrumentKey();
    m_instrumentLabel->setText(
        m_stock ? QStringLiteral("%1 %2").arg(key, QString::fromStdString(m_stock->name)).trimmed()
                : QString());
    if (m_periodMs >= 86400000 || m_periodMs == 10000)
        m_storePeriod = 86400;
    else if (m_periodMs > 0)
        m_storePeriod = 60;
    // A chart bar outside its own range is no bar of it (a stale index).
    const bool inRange =
        m_bar >= 0 && m_barTag > 0 && m_barTag >= m_firstTag && (m_lastTag <= 0 || m_barTag <= m_lastTag);

    quoter::CBar found;
    if (m_stock && m_storePeriod != 0 && inRange) {
        const QVector<quoter::CBar> bars =
            m_storePeriod == 60 ? store()->minuteBars(key) : store()->dayBars(key);
        const qint64 want = m_storePeriod == 60
                                ? m_barTag
                                : CLocalTimeConverter::dayTag(CLocalTimeConverter::dateOf(m_barTag));
        auto pos = std::upper_bound(bars.begin(), bars.end(), want,
                                    [](qint64 t, const quoter::CBar& b) { return t < b.time; });
        // The last stored bar at or before the chart's bar, within its day.
        if (pos != bars.begin()) {
            const quoter::CBar& b = *(pos - 1);
            const bool sameDay = m_storePeriod == 86400 || CLocalTimeConverter::dateOf(b.time - 1) ==
                                                               CLocalTimeConverter::dateOf(want - 1);
            if (sameDay) {
                found = b;
                m_hasBar = true;
                m_storeTag = b.time;
            }
        }
    }
    if (m_hasBar) {
        const QDateTime when = QDateTime::fromSecsSinceEpoch(m_storeTag);
        m_timeLabel->setText(m_storePeriod == 60 ? when.toString(QStringLiteral("yyyy-MM-dd hh:mm"))
                                                 : when.date().toString(QStringLiteral("yyyy-MM-dd")));
    } else {
        m_timeLabel->setText(m_storePeriod == 0 && m_stock ? QStringLiteral("分笔数据不能修改")
                                                           : QStringLiteral("没有可修改的K线"));
    }
    const double values[FieldCount] = {found.open,  found.high,   found.low,
                                       found.close, found.volume, found.amount};
    for (int f = 0; f < FieldCount; ++f) {
        m_fields[f]->setText(m_hasBar ? number(values[f]) : QString());
        m_fields[f]->setEnabled(m_hasBar);
    }
    okButton()->setEnabled(m_hasBar);
}

void CModifyKLineDataDialog::show(bool wasLocked)
{
    m_wasLocked = wasLocked;
    loadBar(); // the bar may have changed since setStockInfo (real time)
    KW::CCommonDialog::show();
    raise();
    activateWindow();
}

bool CModifyKLineDataDialog::acceptInput()
{
    if (!m_hasBar)
        return false;
    auto refuse = [this](const QString& text, EField f) {
        KW::CMessageBox::warning(QString::fromUtf8(kTitle), text, this);
        m_fields[f]->setFocus();
        m_fields[f]->selectAll();
        return false;
    };
    double v[FieldCount];
    for (int f = 0; f < FieldCount; ++f) {
        bool ok = false;
        v[f] = m_fields[f]->text().trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(v[f]))
            return refuse(QStringLiteral("%1不是有效的数字").arg(fieldName(EField(f))), EField(f));
    }
    if (v[Low] <= 0.0)
        return refuse(QStringLiteral("最低价必须大于0"), Low);
    if (v[High] < std::max(v[Open], v[Close]))
        return refuse(QStringLiteral("最高价不能低于开盘价和收盘价"), High);
    if (v[Low] > std::min(v[Open], v[Close]))
        return refuse(QStringLiteral("最低价不能高于开盘价和收盘价"), Low);
    if (v[Volume] < 0.0)
        return refuse(QStringLiteral("成交量不能为负数"), Volume);
    if (v[Amount] < 0.0)
        return refuse(QStringLiteral("成交额不能为负数"), Amount);

    quoter::CBar bar;
    bar.time = m_storeTag;
    bar.open = v[Open];
    bar.high = v[High];
    bar.low = v[Low];
    bar.close = v[Close];
    bar.volume = v[Volume];
    bar.amount = v[Amount];
    const QString key = instrumentKey();
    QString error;
    if (!store()->modifyBar(key, m_storePeriod, m_storeTag, bar, &error)) {
        KW::CMessageBox::warning(QString::fromUtf8(kTitle), QStringLiteral("修改失败: %1").arg(error), this);
        return false;
    }
    QLLOG_INFO(qlog::kStdLogger, "bar %1% of %2% (period %3%) modified by the user", m_storeTag, key,
               m_storePeriod);
    CFormulaManager::instance()->removeData(key);
    emit barModified(key, m_storeTag);
    return true;
}

void CModifyKLineDataDialog::done(int result)
{
    const bool wasVisible = isVisible();
    KW::CCommonDialog::done(result);
    if (!wasVisible || m_wasLocked)
        return;
    m_wasLocked = true;
    if (auto* chart = dynamic_cast<KW::CEventDeliverer*>(parentWidget()))
        chart->deliverEvent(kLockCursorEvent, 0, 0, QString(), nullptr);
}

} // namespace TC
