#include "platform/indexui/CDrawStyle.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPixmap>

#include "platform/framework/CUiResource.h"
#include "platform/framework/KWFormat.h"

namespace TC {

namespace {
const std::string kNoText;

const std::string& barText(const RPCFormulaResultCache& cache, int output, int bar)
{
    const std::vector<std::vector<std::string>>& texts = cache.result->texts;
    if (output < 0 || output >= int(texts.size()) || bar < 0 || bar >= int(texts[size_t(output)].size()))
        return kNoText;
    return texts[size_t(output)][size_t(bar)];
}

// Text centred on a point.
void centredText(QPainter& painter, const QFontMetrics& fm, int x, int y, const QString& text)
{
    const int w = fm.horizontalAdvance(text) + 1;
    const int h = fm.height();
    painter.drawText(QRect(x - w / 2, y - h / 2, w, h), Qt::AlignCenter, text);
}
} // namespace

void CDrawStyle::drawText(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                          int output)
{
    int b0 = 0;
    int b1 = -1;
    const std::vector<double>* v = windowData(ctx, cache, output, b0, b1);
    if (!v)
        return;
    painter.save();
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setFont(KW::CUiResource::instance()->getFont(QStringLiteral("fnt_default_normal")));
    const QFontMetrics fm(painter.font());
    for (int b = b0; b <= b1; ++b) {
        const double value = (*v)[size_t(b)];
        const std::string& text = barText(cache, output, b);
        if (text.empty() || !isValue(value) || !isBarValid(cache, b))
            continue;
        painter.setPen(outputColor(cache, output, b));
        centredText(painter, fm, ctx.x(b), ctx.y(value), KW::sToQs(text));
    }
    painter.restore();
}

void CDrawStyle::drawTextEx(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                            int output)
{
    const std::vector<double>* fx = cache.data(output, 0);
    if (!cache.isValid() || !fx || ctx.rect.isEmpty())
        return;
    const std::vector<double>* fy = cache.data(output, 1);
    for (int b = qMin(cache.barCount(), int(fx->size())) - 1; b >= 0; --b) {
        const std::string& text = barText(cache, output, b);
        const double x = (*fx)[size_t(b)];
        if (text.empty() || !isValue(x) || !isBarValid(cache, b))
            continue;
        const double y = fy && b < int(fy->size()) && isValue((*fy)[size_t(b)]) ? (*fy)[size_t(b)] : 0.0;
        const QRect& r = ctx.rect;
        const int left = r.left() + int(qBound(0.0, x, 1.0) * (r.width() - 1));
        const int top = r.top() + int(qBound(0.0, y, 1.0) * (r.height() - 1));
        painter.save();
        painter.setFont(KW::CUiResource::instance()->getFont(QStringLiteral("fnt_default_normal")));
        painter.setPen(outputColor(cache, output, b));
        painter.drawText(QRect(left, top, r.right() - left + 1, r.bottom() - top + 1),
                         Qt::AlignLeft | Qt::AlignTop, KW::sToQs(text));
        painter.restore();
        return;
    }
}

void CDrawStyle::drawIcon(QPainter& painter, const CDrawContext& ctx, const QString& iconKey,
                          const RPCFormulaResultCache& cache, int output)
{
    int b0 = 0;
    int b1 = -1;
    const std::vector<double>* v = windowData(ctx, cache, output, b0, b1);
    if (!v)
        return;
    const std::vector<double>& params = cache.meta->params1;
    const bool down = output < int(params.size()) && params[size_t(output)] == 2.0;
    const QPixmap icon =
        KW::CUiResource::instance()->getPixmap(down ? QStringLiteral("ic_img_arrow_down") : iconKey);
    if (icon.isNull())
        return;
    const QSize size = icon.size() / icon.devicePixelRatio();
    for (int b = b0; b <= b1; ++b) {
        const double value = (*v)[size_t(b)];
        if (isValue(value) && isBarValid(cache, b))
            painter.drawPixmap(ctx.x(b) - size.width() / 2, ctx.y(value) - size.height() / 2, icon);
    }
}

void CDrawStyle::drawNumber(QPainter& painter, const CDrawContext& ctx, const RPCFormulaResultCache& cache,
                            int output)
{
    int b0 = 0;
    int b1 = -1;
    const std::vector<double>* v = windowData(ctx, cache, output, b0, b1);
    if (!v)
        return;
    const se::RPCFormulaResult& r = *cache.result;
    const std::vector<double>* numbers = cache.data(output, 1);
    if (!numbers && output < int(r.numbers.size()) && !r.numbers[size_t(output)].empty())
        numbers = &r.numbers[size_t(output)];
    if (!numbers)
        return;
    const std::vector<int>& dec = cache.meta->decimals;
    const int decimals = output < int(dec.size()) && dec[size_t(output)] >= 0 ? dec[size_t(output)] : 2;
    painter.save();
    painter.setFont(KW::CUiResource::instance()->getFont(QStringLiteral("fnt_default_normal")));
    const QFontMetrics fm(painter.font());
    for (int b = b0; b <= b1 && b < int(numbers->size()); ++b) {
        const double value = (*v)[size_t(b)];
        const double number = (*numbers)[size_t(b)];
        if (!isValue(value) || !isValue(number) || !isBarValid(cache, b))
            continue;
        painter.setPen(outputColor(cache, output, b));
        centredText(painter, fm, ctx.x(b), ctx.y(value), KW::formatDoubleNumber(number, decimals));
    }
    painter.restore();
}

} // namespace TC
