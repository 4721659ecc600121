// The option expectation overlay of the main pane: four arrow buttons that
// drag the expected prices and expiry range, the zones they span and the
// description box.
#include <algorithm>
#include <climits>
#include <cmath>

#include <QDateTime>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "pane/CWinnerDragButton.h"
#include "platform/config/CUserConfig.h"
#include "platform/framework/CUiResource.h"
#include "platform/framework/KWFormat.h"
#include "platform/indexui/CDrawStyle.h"
#include "platform/market/CQuoteClient.h"
#include "platform/market/TraderCenter.h"
#include "series/CKLineData.h"

namespace TC {

namespace {

const char* const kInvalidText = "非法值";
const char* const kDateFormat = "yyyy年MM月dd日";
// The zones tint what lies under them instead of hiding it.
const int kZoneAlpha = 72;
const int kMarkerHalfWidth = 4;
const int kMarkerHeight = 7;
const int kMargin = 4;
const int kDescriptionPadding = 8;
// A range more than this many days past the last bar is not drawn nearer.
const qint64 kMaxFutureDays = 100000;

const char* const kButtonImages[4] = {"ic_img_btn_winner_price_upper", "ic_img_btn_winner_price_lower",
                                      "ic_img_btn_winner_range_start", "ic_img_btn_winner_range_end"};

QColor colour(const char* key)
{
    return KW::CUiResource::instance()->getColor(QLatin1String(key));
}

bool isPriceButton(int id)
{
    return id == CKLineGraphWidget::WinnerPriceUpper || id == CKLineGraphWidget::WinnerPriceLower;
}

bool isWinnerButton(int id)
{
    return id >= CKLineGraphWidget::WinnerPriceUpper && id <= CKLineGraphWidget::WinnerRangeEnd;
}

bool isPairType(int type)
{
    return type == WinnerBetween || type == WinnerOutside;
}

bool showsUpper(int type)
{
    return type == WinnerAbove || isPairType(type);
}

bool showsLower(int type)
{
    return type == WinnerBelow || isPairType(type);
}

bool validPrice(double v)
{
    return CDrawStyle::isValue(v) && v > 0.0;
}

QDate dateOfListed(int yyyymmdd)
{
    return QDate::fromString(QString::number(yyyymmdd), QStringLiteral("yyyyMMdd"));
}

int midnightTag(const QDate& d)
{
    return int(QDateTime(d, QTime(0, 0)).toSecsSinceEpoch());
}

} // namespace

bool CKLineGraphWidget::winnerActive() const
{
    return m_pUiParam && m_displayType == 0 && m_pUiParam->optionExpectMode == 1;
}

bool CKLineGraphWidget::winnerValuesSet() const
{
    const CWinnerSetting& s = m_pUiParam->winnerSetting;
    return validPrice(s.upperPrice) && validPrice(s.lowerPrice) && s.startTimeTag > 0 && s.expireTimeTag > 0;
}

KW::CPushButton* CKLineGraphWidget::winnerButton(int id) const
{
    return isWinnerButton(id) ? m_winnerButtons[id - WinnerPriceUpper] : nullptr;
}

void CKLineGraphWidget::ensureWinnerButtons()
{
    if (m_winnerButtons[0])
        return;
    for (int i = 0; i < 4; ++i) {
        auto* b = new CWinnerDragButton(QLatin1String(kButtonImages[i]), WinnerPriceUpper + i, this);
        b->setUpstream(this);
        const QPixmap face = KW::CUiResource::instance()->getPixmap(QLatin1String(kButtonImages[i]));
        b->resize(face.isNull() ? QSize(16, 16) : face.size());
        b->hide();
        m_winnerButtons[i] = b;
    }
}

void CKLineGraphWidget::fillWinnerSetting()
{
    CKLineUiParam& ui = *m_pUiParam;
    CWinnerSetting& s = ui.winnerSetting;
    const QString key = ui.getCurrKey();
    // setOptionWinner leaves the last setting when none is stored for the
    // instrument: another instrument's prices mean nothing here.
    if (s.key != key) {
        s = CWinnerSetting();
        s.key = key;
    }
    s.type = ui.winnerType;
    const qlservice::IDataCenter* dc = qlservice::TraderCenter::instance()->getDataCenter();
    if (dc && (!validPrice(s.upperPrice) || !validPrice(s.lowerPrice))) {
        double lower = 0.0;
        double upper = 0.0;
        if (dc->getWinnerPrices(key.toStdString(), lower, upper) && validPrice(lower) && upper > lower) {
            if (!validPrice(s.lowerPrice))
                s.lowerPrice = lower;
            if (!validPrice(s.upperPrice))
                s.upperPrice = upper;
        }
    }
    if (isPairType(s.type) && validPrice(s.lowerPrice) && validPrice(s.upperPrice) &&
        s.lowerPrice >= s.upperPrice) {
        std::swap(s.lowerPrice, s.upperPrice);
        if (s.lowerPrice == s.upperPrice) {
            const double tick = ui.getCurrTick();
            s.upperPrice += validPrice(tick) ? tick : 0.01;
        }
    }
    const int last = ui.getLastIndex();
    if (last < 0)
        return;
    if (s.startTimeTag <= 0)
        s.startTimeTag = ui.getLastTimeTag();
    if (s.expireTimeTag <= 0 && dc) {
        const QDate lastDate = ui.getDateTimeByIndex(last).date();
        for (int listed : dc->getDateSet(key.toStdString())) {
            const QDate d = dateOfListed(listed);
            if (d.isValid() && d > lastDate) {
                s.expireTimeTag = midnightTag(d);
                break;
            }
        }
    }
}

void CKLineGraphWidget::updateWinnerOverlay()
{
    if (!m_pUiParam || m_displayType != 0)
        return;
    const CKLineUiParam& ui = *m_pUiParam;
    if (ui.optionExpectMode != 1) {
        if (m_winnerShownMode == 1) {
            m_winnerShownMode = 0;
            for (CWinnerDragButton* b : m_winnerButtons)
                if (b)
                    b->hide();
            m_winnerDrag = 0;
            m_winnerDragId = -1;
        }
        return;
    }
    ensureWinnerButtons();
    fillWinnerSetting();
    if (m_winnerShownMode != 1 || m_winnerShownType != ui.winnerType) {
        m_winnerShownMode = 1;
        m_winnerShownType = ui.winnerType;
        const int type = ui.winnerType;
        m_winnerButtons[0]->setVisible(showsUpper(type));
        m_winnerButtons[1]->setVisible(showsLower(type));
        m_winnerButtons[2]->show();
        m_winnerButtons[3]->show();
    }
    layoutWinnerButtons();
    redrawWinnerDescription();
}

int CKLineGraphWidget::winnerIndexOfTime(int tag) const
{
    const CKLineUiParam& ui = *m_pUiParam;
    const int last = ui.getLastIndex();
    if (last < 0 || tag <= 0)
        return -1;
    if (tag <= ui.getLastTimeTag())
        return ui.getIndexByTimeTag(tag);
    const QDate lastDate = ui.getDateTimeByIndex(last).date();
    const qint64 days = lastDate.daysTo(QDateTime::fromSecsSinceEpoch(tag).date());
    return last + int(std::min(std::max<qint64>(days, 0), kMaxFutureDays));
}

QPoint CKLineGraphWidget::winnerAnchor(int id) const
{
    const CKLineUiParam& ui = *m_pUiParam;
    const CWinnerSetting& s = ui.winnerSetting;
    const int last = ui.getLastIndex();
    const int startIndex = std::max(winnerIndexOfTime(s.startTimeTag), last);
    const int endIndex = std::max(winnerIndexOfTime(s.expireTimeTag), startIndex);
    const int xs = startIndex >= 0 ? ui.getXAxisByIndex(startIndex, -1, -1) : 0;
    const int xe = endIndex >= 0 ? ui.getXAxisByIndex(endIndex, -1, -1) : xs;
    switch (id) {
    case WinnerRangeStart:
        return QPoint(xs, 0);
    case WinnerRangeEnd:
        return QPoint(xe, 0);
    default:
        break;
    }
    const bool upper = id == WinnerPriceUpper;
    const double price = upper ? s.upperPrice : s.lowerPrice;
    int y = validPrice(price) && m_pData ? m_pData->yOfValue(price, rect()) : INT_MIN;
    if (y == INT_MIN)
        y = upper ? height() / 3 : height() * 2 / 3;
    return QPoint(xe, y);
}

void CKLineGraphWidget::layoutWinnerButtons()
{
    if (!m_winnerButtons[0])
        return;
    for (int i = 0; i < 4; ++i) {
        CWinnerDragButton* b = m_winnerButtons[i];
        const int id = WinnerPriceUpper + i;
        const QPoint a = winnerAnchor(id);
        const int w = b->width();
        const int h = b->height();
        // Price buttons stand right of the range on their line, range
        // buttons inside their bound above the expiry marks: a price near
        // the bottom never hides a range button, and a one-day range keeps
        // both range buttons side by side.
        if (id == WinnerRangeStart)
            b->move(a.x(), height() - h - kMarkerHeight - 3);
        else if (id == WinnerRangeEnd)
            b->move(a.x() - w, height() - h - kMarkerHeight - 3);
        else
            b->move(a.x() + 2, a.y() - h / 2);
    }
}

QString CKLineGraphWidget::winnerPriceText(double price) const
{
    if (!validPrice(price))
        return QString::fromUtf8(kInvalidText);
    return KW::formatDoubleNumber(price, priceDigits(), 0, false, QString::fromUtf8(kInvalidText));
}

QStringList CKLineGraphWidget::winnerDescriptionTexts() const
{
    if (!m_pUiParam)
        return {};
    const CKLineUiParam& ui = *m_pUiParam;
    const CWinnerSetting& s = ui.winnerSetting;
    QString name = ui.curStock ? QString::fromStdString(ui.curStock->name) : QString();
    if (name.isEmpty())
        name = ui.getCurrKey();
    const QString date =
        s.expireTimeTag > 0
            ? QDateTime::fromSecsSinceEpoch(s.expireTimeTag).toString(QString::fromUtf8(kDateFormat))
            : QString::fromUtf8(kInvalidText);
    const QString upper = winnerPriceText(s.upperPrice);
    const QString lower = winnerPriceText(s.lowerPrice);
    switch (ui.winnerType) {
    case WinnerAbove:
        return {QStringLiteral(
                    "您预期%1在%2到期之前会涨到%3以上, 下面方案区根据您的预期优选了部分能够获利的合约策略.")
                    .arg(name, date, upper),
                QStringLiteral("拖动图中↑按钮修改预期价格, 拖动底部按钮修改到期日.")};
    case WinnerBelow:
        return {QStringLiteral(
                    "您预期%1在%2到期之前会跌到%3以下, 下面方案区根据您的预期优选了部分能够获利的合约策略.")
                    .arg(name, date, lower),
                QStringLiteral("拖动图中↓按钮修改预期价格, 拖动底部按钮修改到期日.")};
    case WinnerBetween:
        return {QStringLiteral("您预期%1在%2到期之前价格会在%3与%4之间震荡, "
                               "下面方案区根据您的预期优选了部分能够获利的合约策略.")
                    .arg(name, date, lower, upper),
                QStringLiteral("拖动图中↑↓按钮修改预期价格, 拖动底部按钮修改到期日.")};
    case WinnerOutside:
        return {QStringLiteral("您预期%1在%2到期之前会跌到%3以下或涨到%4以上, "
                               "下面方案区根据您的预期优选了部分能够获利的合约策略.")
                    .arg(name, date, lower, upper),
                QStringLiteral("拖动图中↑↓按钮修改预期价格, 拖动底部按钮修改到期日.")};
    default:
        return {};
    }
}

void CKLineGraphWidget::redrawWinnerDescription()
{
    if (m_descriptionPixmap.isNull())
        return;
    const QStringList texts = winnerDescriptionTexts();
    // Painting changes the pixmap's cache key, so a new pixmap (resize) or a
    // new text is told apart from the one drawn last.
    const QString key =
        texts.join(QLatin1Char('\n')) + QLatin1Char('\n') + QString::number(m_descriptionPixmap.cacheKey());
    if (key == m_winnerDescriptionKey)
        return;
    KW::CUiResource* res = KW::CUiResource::instance();
    m_descriptionPixmap.fill(colour("ic_clr_winner_discribe_bg"));
    QPainter painter(&m_descriptionPixmap);
    const QFont font = res->getFont(QStringLiteral("fnt_graph_axis_text"));
    const QFontMetrics fm(font);
    const int line = fm.boundingRect(QStringLiteral(" ")).height();
    painter.setFont(font);
    painter.setPen(colour("ic_clr_winner_discribe_fg"));
    const int w = m_descriptionPixmap.width() - 2 * kDescriptionPadding;
    if (texts.size() == 2 && w > 0) {
        const QRect body(kDescriptionPadding, kDescriptionPadding, w, 3 * line);
        painter.drawText(body, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, texts.at(0));
        const QRect hint(kDescriptionPadding, kDescriptionPadding + 3 * line, w, line);
        painter.drawText(hint, Qt::AlignLeft | Qt::AlignVCenter,
                         fm.elidedText(texts.at(1), Qt::ElideRight, w));
    }
    painter.end();
    m_winnerDescriptionKey =
        texts.join(QLatin1Char('\n')) + QLatin1Char('\n') + QString::number(m_descriptionPixmap.cacheKey());
}

bool CKLineGraphWidget::handleWinnerEvent(int id, int p1, int p2, const QString& text)
{
    switch (id) {
    case 1: {
        if (!isWinnerButton(p1))
            return false;
        CWinnerDragButton* b = m_winnerButtons[0] ? m_winnerButtons[p1 - WinnerPriceUpper] : nullptr;
        if (!winnerActive() || !b)
            return true;
        m_winnerDrag = kWinnerDragging;
        m_winnerDragId = p1;
        m_winnerPressPoint = QPoint(p2, text.toInt());
        const QPoint anchor = winnerAnchor(p1);
        m_winnerDragOffset = isPriceButton(p1) ? QPoint(0, m_winnerPressPoint.y() - anchor.y())
                                               : QPoint(m_winnerPressPoint.x() - anchor.x(), 0);
        b->raise();
        b->grabMouse();
        return true;
    }
    case 3:
        if (!isWinnerButton(p1))
            return false;
        if (m_winnerDrag == kWinnerDragging && p1 == m_winnerDragId)
            winnerDragTo(QPoint(p2, text.toInt()));
        return true;
    case 4:
        if (!isWinnerButton(p1))
            return false;
        finishWinnerDrag();
        return true;
    case 5:
        if (!isPriceButton(p1))
            return false;
        m_showExpectation = !m_showExpectation;
        update();
        finishWinnerDrag();
        return true;
    case 7:
        if (p2 != 3 || !isWinnerButton(p1))
            return false;
        finishWinnerDrag();
        return true;
    default:
        return false;
    }
}

void CKLineGraphWidget::winnerDragTo(const QPoint& point)
{
    if (!winnerActive() || !m_pData)
        return;
    CKLineUiParam& ui = *m_pUiParam;
    CWinnerSetting& s = ui.winnerSetting;
    const QPoint p = point - m_winnerDragOffset;
    if (isPriceButton(m_winnerDragId)) {
        double max = 0.0;
        double min = 0.0;
        if (!m_pData->paneRange(max, min))
            return;
        double v = m_pData->valueAtY(p.y(), rect());
        if (!CDrawStyle::isValue(v))
            return;
        double tick = ui.getCurrTick();
        if (!validPrice(tick))
            tick = 0.01;
        // Whole ticks inside the visible range.
        const double hi = std::floor(max / tick + 1e-9);
        const double lo = std::max(std::ceil(min / tick - 1e-9), 1.0);
        double steps = std::min(std::max(std::round(v / tick), lo), std::max(hi, lo));
        if (m_winnerDragId == WinnerPriceUpper) {
            if (isPairType(ui.winnerType) && validPrice(s.lowerPrice))
                steps = std::max(steps, std::round(s.lowerPrice / tick) + 1.0);
            s.upperPrice = steps * tick;
        } else {
            if (isPairType(ui.winnerType) && validPrice(s.upperPrice))
                steps = std::min(steps, std::round(s.upperPrice / tick) - 1.0);
            if (steps < 1.0)
                return;
            s.lowerPrice = steps * tick;
        }
    } else {
        const int index = ui.getIndexByXAxis(p.x());
        if (index < 0 || ui.getLastIndex() < 0)
            return;
        const qint64 lastTag = ui.getLastTimeTag();
        // Past the last bar the view model counts days from it.
        qint64 tag = ui.getDateTimeByIndex(index).toSecsSinceEpoch();
        if (m_winnerDragId == WinnerRangeEnd) {
            ui.limitWinnerMaxExpireTimeTag(index);
            const qint64 lo = std::max<qint64>(s.startTimeTag, lastTag);
            const qint64 hi = std::max<qint64>(ui.maxExpireTimeTag, lo);
            s.expireTimeTag = int(std::min(std::max(tag, lo), hi));
        } else {
            const qint64 hi = s.expireTimeTag > 0 ? std::max<qint64>(s.expireTimeTag, lastTag) : tag;
            s.startTimeTag = int(std::min(std::max(tag, lastTag), hi));
        }
    }
    layoutWinnerButtons();
    redrawWinnerDescription();
    update();
}

void CKLineGraphWidget::finishWinnerDrag()
{
    if (m_winnerDrag == kWinnerDragging) {
        QWidget* grabber = QWidget::mouseGrabber();
        for (CWinnerDragButton* b : m_winnerButtons)
            if (b && b == grabber)
                b->releaseMouse();
    }
    m_winnerDrag = 0;
    m_winnerDragId = -1;
    if (!winnerActive())
        return;
    CKLineUiParam& ui = *m_pUiParam;
    CWinnerSetting& s = ui.winnerSetting;
    const QString key = ui.getCurrKey();
    const qlservice::IDataCenter* dc = qlservice::TraderCenter::instance()->getDataCenter();
    if (dc && s.expireTimeTag > 0) {
        // The first listed expiry on or after the dragged day, else the latest.
        const QDate wanted = QDateTime::fromSecsSinceEpoch(s.expireTimeTag).date();
        QDate pick;
        for (int listed : dc->getDateSet(key.toStdString())) {
            const QDate d = dateOfListed(listed);
            if (!d.isValid())
                continue;
            pick = d;
            if (d >= wanted)
                break;
        }
        if (pick.isValid())
            s.expireTimeTag = midnightTag(pick);
    }
    if (s.expireTimeTag > 0 && s.startTimeTag > s.expireTimeTag)
        s.startTimeTag = s.expireTimeTag;
    s.key = key;
    s.type = ui.winnerType;
    if (CUserConfig* config = getUserConfig())
        config->setWinnerSetting(s);
    layoutWinnerButtons();
    redrawWinnerDescription();
    update();
}

void CKLineGraphWidget::drawWinnerOverlay(QPainter& painter)
{
    m_winnerZoneRect = QRect();
    m_winnerDescriptionRect = QRect();
    if (!winnerActive() || !m_pData || !winnerValuesSet())
        return;
    const CKLineUiParam& ui = *m_pUiParam;
    const CWinnerSetting& s = ui.winnerSetting;
    const int last = ui.getLastIndex();
    const int yu = m_pData->yOfValue(s.upperPrice, rect());
    const int yl = m_pData->yOfValue(s.lowerPrice, rect());
    if (last < 0 || yu == INT_MIN || yl == INT_MIN)
        return;
    const int type = ui.winnerType;
    const QRect plot(0, 0, std::max(width() - ui.axisWidth, 0), height());
    const int xs = winnerAnchor(WinnerRangeStart).x();
    const int xe = std::max(winnerAnchor(WinnerRangeEnd).x(), xs);
    const int bottom = height() - 1;
    auto band = [&](int y0, int y1) { return QRect(QPoint(xs, y0), QPoint(xe, y1)).normalized(); };

    QVector<QRect> profit;
    QVector<QRect> loss;
    switch (type) {
    case WinnerAbove:
        profit << band(0, yu);
        loss << band(yu, bottom);
        break;
    case WinnerBelow:
        profit << band(yl, bottom);
        loss << band(0, yl);
        break;
    case WinnerBetween:
        profit << band(yu, yl);
        loss << band(0, yu) << band(yl, bottom);
        break;
    case WinnerOutside:
        profit << band(0, yu) << band(yl, bottom);
        loss << band(yu, yl);
        break;
    default:
        break;
    }

    painter.save();
    painter.setClipRect(plot);
    m_winnerZoneRect = band(0, bottom) & plot;
    painter.setPen(Qt::NoPen);
    for (int k = 0; k < 2; ++k) {
        QColor c = colour(k == 0 ? "ic_clr_winner_profit" : "ic_clr_winner_loss");
        c.setAlpha(kZoneAlpha);
        painter.setBrush(c);
        painter.drawRects(k == 0 ? profit : loss);
    }

    QVector<int> rows;
    if (showsUpper(type))
        rows << yu;
    if (showsLower(type))
        rows << yl;
    QVector<QLine> dotted;
    QVector<QLine> split{QLine(xs, 0, xs, bottom), QLine(xe, 0, xe, bottom)};
    for (int y : rows) {
        dotted << QLine(0, y, plot.right(), y);
        split << QLine(xs, y, xe, y);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(colour("ic_clr_winner_price_dotted_line"), 1, Qt::DotLine));
    painter.drawLines(dotted);
    painter.setPen(QPen(colour("ic_clr_winner_split_line"), 1, Qt::SolidLine));
    painter.drawLines(split);

    const QFont font = KW::CUiResource::instance()->getFont(QStringLiteral("fnt_graph_axis_text"));
    const QFontMetrics fm(font);
    painter.setFont(font);
    // Price labels: the price and its distance from the last close.
    const double close = m_pData->valueAtIndex(last);
    const int buttonWidth = m_winnerButtons[0] ? m_winnerButtons[0]->width() : 16;
    const QColor labelBg = colour("ic_clr_realtime_cross_line_bg");
    const QColor labelFg = colour("ic_clr_realtime_cross_line_text");
    for (int i = 0; i < rows.size(); ++i) {
        const bool upper = showsUpper(type) && i == 0;
        const double price = upper ? s.upperPrice : s.lowerPrice;
        QString label = winnerPriceText(price);
        if (validPrice(close))
            label = QStringLiteral("%1(%2)").arg(
                label,
                KW::formatDoubleNumber((price - close) / close * 100.0, 2, 0, true) + QLatin1Char('%'));
        const int w = fm.horizontalAdvance(label) + 6;
        const int h = fm.height() + 2;
        const int top = upper ? rows[i] - h : rows[i] + 1;
        // Right of the price buttons, else left of the range, else at the
        // plot's right edge.
        int left = xe + buttonWidth + 2 * kMargin;
        if (left + w > plot.right() - kMargin)
            left = xs - kMargin - w >= 0 ? xs - kMargin - w : plot.right() - w - kMargin;
        const QRect box(left, std::min(std::max(top, 0), bottom - h), w, h);
        painter.fillRect(box, labelBg);
        painter.setPen(labelFg);
        painter.drawText(box, Qt::AlignCenter, label);
    }

    // The caption goes into the largest profit zone it fits.
    QString caption;
    switch (type) {
    case WinnerAbove:
        caption = QStringLiteral("买入该合约后, 若标的价格在%1以上, 就能实现盈利.")
                      .arg(winnerPriceText(s.upperPrice));
        break;
    case WinnerBelow:
        caption = QStringLiteral("买入该合约后, 若标的价格在%1以下, 就能实现盈利.")
                      .arg(winnerPriceText(s.lowerPrice));
        break;
    case WinnerBetween:
        caption = QStringLiteral("卖出该合约组合后, 若标的价格在%1与%2之间, 就能实现盈利.")
                      .arg(winnerPriceText(s.lowerPrice), winnerPriceText(s.upperPrice));
        break;
    case WinnerOutside:
        caption = QStringLiteral("买入该合约组合后, 若标的价格在%1以下或%2以上, 就能实现盈利.")
                      .arg(winnerPriceText(s.lowerPrice), winnerPriceText(s.upperPrice));
        break;
    default:
        break;
    }
    QRect room;
    for (const QRect& r : profit) {
        const QRect inner = (r & plot).adjusted(kMargin, kMargin, -kMargin, -kMargin);
        if (inner.height() * inner.width() > room.height() * room.width())
            room = inner;
    }
    if (!caption.isEmpty() && room.height() >= fm.height() && room.width() >= 4 * fm.height()) {
        painter.setPen(colour("ic_clr_winner_discribe_fg"));
        const int flags = Qt::AlignCenter | Qt::TextWordWrap;
        // A zone too low for the wrapped text gets one elided line rather
        // than its first words only.
        if (fm.boundingRect(room, flags, caption).height() <= room.height())
            painter.drawText(room, flags, caption);
        else
            painter.drawText(room, Qt::AlignCenter, fm.elidedText(caption, Qt::ElideRight, room.width()));
    }

    // Expiry days of the quoted options inside the window.
    QPainterPath markers;
    for (const QString& text : SingletonManager::getQuoteClient()->getOptionExpireDates(ui.getCurrKey())) {
        const QDate d = QDate::fromString(text, QStringLiteral("yyyyMMdd"));
        if (!d.isValid())
            continue;
        const int index = winnerIndexOfTime(midnightTag(d));
        if (index < ui.getMinDispIndex() || index > ui.getMaxDispIndex())
            continue;
        // A holiday has no bar of its own: no mark on the next one.
        if (index <= last && ui.getDateTimeByIndex(index).date() != d)
            continue;
        const int x = ui.getXAxisByIndex(index, -1, -1);
        QPolygon tri;
        tri << QPoint(x, bottom - kMarkerHeight) << QPoint(x - kMarkerHalfWidth, bottom)
            << QPoint(x + kMarkerHalfWidth, bottom);
        markers.addPolygon(tri);
        markers.closeSubpath();
    }
    if (!markers.isEmpty())
        painter.fillPath(markers, colour("ic_clr_graph_yellow"));
    painter.restore();

    if (m_showExpectation && !m_descriptionPixmap.isNull()) {
        const QPoint at(std::max(kMargin, plot.right() - m_descriptionPixmap.width() - kMargin), kMargin);
        painter.drawPixmap(at, m_descriptionPixmap);
        m_winnerDescriptionRect = QRect(at, m_descriptionPixmap.size());
    }
}

} // namespace TC
