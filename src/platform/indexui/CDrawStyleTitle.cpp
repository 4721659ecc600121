#include "platform/indexui/CDrawStyle.h"

#include <QStringList>

#include "platform/framework/CUiResource.h"
#include "platform/framework/KWFormat.h"

namespace TC {

namespace {
const int kDefaultDecimals = 2;
const int kKLineStyle = 12;

QColor themeColor(const char* key)
{
    return KW::CUiResource::instance()->getColor(QLatin1String(key));
}
} // namespace

QVector<ArrowColorTextData> CDrawStyle::getTitleTextData(const RPCFormulaResultCache& cache, int bar,
                                                         bool price)
{
    QVector<ArrowColorTextData> out;
    const int bars = cache.barCount();
    if (!cache.isValid() || bars <= 0)
        return out;
    if (bar < 0 || bar >= bars)
        bar = bars - 1; // the title never goes blank when the cursor leaves the data
    const se::RPCFormulaMetaResult& meta = *cache.meta;
    const QString noValue = QStringLiteral("--");
    for (int o = 0; o < meta.outputCount(); ++o) {
        const size_t uo = size_t(o);
        const int dec =
            uo < meta.decimals.size() && meta.decimals[uo] >= 0 ? meta.decimals[uo] : kDefaultDecimals;
        const int cols = int(cache.columnsOf(o).size());
        const bool groups =
            cols > 1 && uo < meta.nameGroups.size() && int(meta.nameGroups[uo].size()) == cols;
        const bool candle = price && meta.style(o) == kKLineStyle && cols == 4;
        const double prevClose = candle && bar > 0 ? cache.value(o, bar - 1, 3) : DBL_MAX;
        for (int k = 0; k < qMax(cols, 1); ++k) {
            const double v = cache.value(o, bar, k);
            ArrowColorTextData piece;
            const std::string& label = groups ? meta.nameGroups[uo][size_t(k)] : meta.names[uo];
            // Large values (volume, amount) read in 万/亿 units.
            piece.text = KW::sToQs(label) + QStringLiteral(": ") +
                         KW::formatDoubleNumber(v, dec, KW::kFormatUnits, false, noValue);
            if (candle) {
                if (!isValue(v) || !isValue(prevClose) || v == prevClose) {
                    piece.color = themeColor("clr_text_default");
                } else {
                    piece.color = themeColor(v > prevClose ? "clr_global_rise" : "clr_global_fall");
                    if (k == 3)
                        piece.arrow = v > prevClose ? 1 : -1;
                }
            } else {
                piece.color = outputColor(cache, o, bar);
            }
            out.append(piece);
        }
    }
    return out;
}

QString CDrawStyle::getTitleText(const RPCFormulaResultCache& cache, int bar, bool price)
{
    QStringList parts;
    for (const ArrowColorTextData& piece : getTitleTextData(cache, bar, price))
        parts.append(piece.text);
    return parts.join(QLatin1Char(' '));
}

} // namespace TC
