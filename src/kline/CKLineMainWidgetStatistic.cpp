// Region statistics of a selected bar range.
#include <QDateTime>
#include <QStringList>

#include "dialogs/CKLineStatisticDialog.h"
#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"
#include "model/CKLineUiParam.h"
#include "platform/market/InstrumentAccess.h"
#include "series/CKLineData.h"

namespace TC {

void CKLineMainWidget::statisticSelectRegion(QDateTime* time)
{
    if (!time || !time->isValid())
        return;
    const qint64 tag = time->toSecsSinceEpoch();
    const int index = m_uiParam->getIndexByTimeTag(int(tag));
    statisticSelectRegion(index, QStringLiteral("%1,%2,%3").arg(index).arg(tag).arg(tag));
}

void CKLineMainWidget::statisticSelectRegion(int first, const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() < 3 || first < 0 || !m_mainPane || !m_mainPane->series())
        return;
    bool okLast = false;
    bool okStart = false;
    bool okEnd = false;
    const int last = parts.at(0).trimmed().toInt(&okLast);
    const qint64 start = parts.at(1).trimmed().toLongLong(&okStart);
    const qint64 end = parts.at(2).trimmed().toLongLong(&okEnd);
    if (!okLast || !okStart || !okEnd || last < first)
        return;
    const QMap<int, QString> statistics = m_mainPane->series()->statisticRange(first, last);
    if (m_statisticDialog)
        m_statisticDialog->deleteLater();
    const CKLineUiParam& ui = *m_uiParam;
    auto* dialog = new CKLineStatisticDialog(getDetailQsName(ui.curStock), last - first + 1, start, end,
                                             statistics, ui.drType, int(ui.period), this);
    m_statisticDialog = dialog;
    dialog->show();
    dialog->raise();
}

} // namespace TC
