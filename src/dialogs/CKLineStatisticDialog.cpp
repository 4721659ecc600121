#include "dialogs/CKLineStatisticDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "dialogs/CKLineStageDialog.h"
#include "platform/framework/CPushButton.h"
#include "platform/framework/CUiResource.h"

namespace TC {

namespace {
constexpr int kButtonWidth = 65;
constexpr int kButtonHeight = 21;
constexpr int kMargin = 30;
constexpr int kTopSpace = 32;

// Amounts are kept in units of 10 000.
bool inTenThousands(int key)
{
    return key == 6 || key == 19;
}
} // namespace

CKLineStatisticDialog::CKLineStatisticDialog(const QString& name, int barCount, qint64 startTime,
                                             qint64 endTime, const QMap<int, QString>& statistics, int drType,
                                             int period, QWidget* parent)
    : KW::CCommonDialog(parent, QStringLiteral("kline_statistic_dialog")), m_name(name), m_barCount(barCount),
      m_startTime(startTime), m_endTime(endTime), m_statistics(statistics), m_labels(labelMap()),
      m_drType(drType), m_period(period)
{
    setTitle(name + QStringLiteral(" 时段统计"));
    setButtonsVisible(false, false);
    if (auto* up = dynamic_cast<KW::CEventDeliverer*>(parent))
        setUpstream(up);

    QWidget* content = contentWidget();
    const QFont font = KW::CUiResource::instance()->getFont(QStringLiteral("fnt_default_normal_fix"));
    auto column = [&](const QVector<int>& keys) {
        auto* grid = new QGridLayout;
        grid->setHorizontalSpacing(10);
        grid->setVerticalSpacing(4);
        for (int row = 0; row < keys.size(); ++row) {
            const int key = keys.at(row);
            auto* label = new QLabel(m_labels.value(key), content);
            auto* value = new QLabel(shownValue(key), content);
            label->setFont(font);
            value->setFont(font);
            value->setObjectName(QStringLiteral("statistic_%1").arg(key));
            value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grid->addWidget(label, row, 0);
            grid->addWidget(value, row, 1);
            m_valueLabels.insert(key, value);
        }
        grid->setRowStretch(keys.size(), 1);
        return grid;
    };
    auto* columns = new QHBoxLayout;
    columns->setSpacing(kMargin);
    columns->addLayout(column(leftKeys()), 1);
    columns->addLayout(column(rightKeys()), 1);

    m_count = new QLabel(countText(), content);
    m_count->setFont(font);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_count);
    bottom->addStretch(1);
    const QVector<QPair<int, QString>> buttons = {{StageButton, QStringLiteral("阶段排序")},
                                                  {QuoteButton, QStringLiteral("时段行情")},
                                                  {CloseButton, QStringLiteral("关闭")}};
    for (const auto& b : buttons) {
        auto* button = new KW::CPushButton(b.second, b.first, content);
        button->setFixedSize(kButtonWidth, kButtonHeight);
        button->setImageKey(QStringLiteral("img_btn_medium_normal"));
        button->setUpstream(this);
        bottom->addWidget(button);
        m_buttons.insert(b.first, button);
    }

    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(kMargin, 0, kMargin, 8);
    layout->addSpacing(kTopSpace);
    layout->addLayout(columns, 1);
    layout->addLayout(bottom);
    setFixedSize(400, 320);
}

QMap<int, QString> CKLineStatisticDialog::labelMap()
{
    static const char* const labels[] = {
        "昨收",     "期初",     "最高",     "最低",     "期末",     "成交量", "成交额",
        "阳量",     "阴量",     "阳均价",   "阴均价",   "高低差值", "涨跌幅", "换手率",
        "涨跌",     "斜率",     "算术均价", "加权均价", "均量",     "均额",   "阳换手率",
        "阴换手率", "阳周期数", "阴周期数", "高低间隔", "大盘振幅"};
    QMap<int, QString> out;
    for (int i = 0; i < int(sizeof(labels) / sizeof(labels[0])); ++i)
        out.insert(i, QString::fromUtf8(labels[i]));
    return out;
}

QVector<int> CKLineStatisticDialog::leftKeys()
{
    return {0, 1, 2, 3, 4, 5, 6, 7, 8, 12, 13};
}

QVector<int> CKLineStatisticDialog::rightKeys()
{
    return {9, 10, 11, 14, 16, 18, 19, 22, 23, 24};
}

QString CKLineStatisticDialog::shownValue(int key) const
{
    if (!leftKeys().contains(key) && !rightKeys().contains(key))
        return QString();
    const QString value = m_statistics.value(key);
    if (value.isEmpty() || !inTenThousands(key))
        return value;
    return QStringLiteral("%1(万)").arg(value);
}

QString CKLineStatisticDialog::countText() const
{
    return QStringLiteral("共 %1 个周期").arg(m_barCount);
}

KW::CPushButton* CKLineStatisticDialog::button(int id) const
{
    return m_buttons.value(id, nullptr);
}

bool CKLineStatisticDialog::handleEvent(int id, int p1, int p2, const QString& text, void* data)
{
    if (id == kButtonEvent) {
        if (p1 == QuoteButton) {
            deliverEvent(
                kQuoteEvent, 0, 0,
                QStringLiteral("%1,%2,%3,%4").arg(m_startTime).arg(m_endTime).arg(m_drType).arg(m_period),
                nullptr);
            done(kClosed);
        } else if (p1 == CloseButton) {
            done(kClosed);
        } else if (p1 == StageButton) {
            openStage();
        }
        // The base sees the click too; it goes no further than this dialog.
        const bool handled = KW::CCommonDialog::handleEvent(id, p1, p2, text, data);
        return handled || m_buttons.contains(p1);
    }
    return KW::CCommonDialog::handleEvent(id, p1, p2, text, data);
}

void CKLineStatisticDialog::openStage()
{
    if (!m_stage)
        m_stage = new CKLineStageDialog(this);
    m_stage->setData(m_startTime, m_endTime, m_drType, m_period);
    if (m_stage->exec() == 0)
        done(kClosed);
}

} // namespace TC
