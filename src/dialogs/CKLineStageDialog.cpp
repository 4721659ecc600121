#include "dialogs/CKLineStageDialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/framework/CMessageBox.h"
#include "platform/framework/CPushButton.h"
#include "platform/framework/CSoftCalendarLineEdit.h"
#include "platform/framework/KWFormat.h"

namespace TC {

namespace {
constexpr int kButtonWidth = 65;
constexpr int kButtonHeight = 21;
constexpr int kInitialCriterion = 4; // "阶段涨幅"
} // namespace

CKLineStageDialog::CKLineStageDialog(QWidget* parent)
    : KW::CCommonDialog(parent, QStringLiteral("kline_stage_dialog"))
{
    setTitle(QStringLiteral("阶段排序"));
    setButtonsVisible(false, false);
    if (auto* up = dynamic_cast<KW::CEventDeliverer*>(parent))
        setUpstream(up);

    QWidget* content = contentWidget();
    m_start = new KW::CSoftCalendarLineEdit(content);
    m_start->setObjectName(QStringLiteral("stage_start"));
    m_end = new KW::CSoftCalendarLineEdit(content);
    m_end->setObjectName(QStringLiteral("stage_end"));
    // Room for the whole date next to the calendar button.
    for (KW::CSoftCalendarLineEdit* edit : {m_start, m_end})
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00")) + 40);
    auto* dates = new QHBoxLayout;
    dates->addWidget(new QLabel(QStringLiteral("起始时间"), content));
    dates->addWidget(m_start, 1);
    dates->addSpacing(8);
    dates->addWidget(new QLabel(QStringLiteral("终止时间"), content));
    dates->addWidget(m_end, 1);

    m_criteria = new QButtonGroup(this);
    m_criteria->setExclusive(true);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    const QStringList labels = criterionLabels();
    for (int i = 0; i < labels.size(); ++i) {
        auto* radio = new QRadioButton(labels.at(i), content);
        m_criteria->addButton(radio, i);
        grid->addWidget(radio, i / 4, i % 4);
    }
    setCriterion(kInitialCriterion);

    m_ok = new KW::CPushButton(QStringLiteral("确定"), OkButton, content);
    m_close = new KW::CPushButton(QStringLiteral("关闭"), CloseButton, content);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (KW::CPushButton* b : {m_ok, m_close}) {
        b->setFixedSize(kButtonWidth, kButtonHeight);
        b->setUpstream(this);
        buttons->addWidget(b);
    }

    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(12, 10, 12, 0);
    layout->setSpacing(14);
    layout->addLayout(dates);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addLayout(buttons);
    setFixedSize(480, 210);
}

QStringList CKLineStageDialog::criterionLabels()
{
    return {QStringLiteral("阶段最高"), QStringLiteral("阶段最低"),  QStringLiteral("阶段成交量"),
            QStringLiteral("阶段涨跌"), QStringLiteral("阶段涨幅"),  QStringLiteral("阶段成交额"),
            QStringLiteral("阶段振幅"), QStringLiteral("阶段平均价")};
}

void CKLineStageDialog::setData(qint64 startTime, qint64 endTime, int drType, int period)
{
    m_start->setDate(KW::secondToQDateTime(startTime).date());
    m_end->setDate(KW::secondToQDateTime(endTime).date());
    m_drType = drType;
    m_period = period;
}

int CKLineStageDialog::checkedCriterion() const
{
    return m_criteria->checkedId();
}

void CKLineStageDialog::setCriterion(int id)
{
    if (QAbstractButton* b = m_criteria->button(id))
        b->setChecked(true);
}

KW::CPushButton* CKLineStageDialog::button(int id) const
{
    return id == OkButton ? m_ok : id == CloseButton ? m_close : nullptr;
}

bool CKLineStageDialog::handleEvent(int id, int p1, int p2, const QString& text, void* data)
{
    if (id == kButtonEvent && p1 == OkButton) {
        confirm();
        return true;
    }
    if (id == kButtonEvent && p1 == CloseButton) {
        done(kClosed);
        return true;
    }
    return KW::CCommonDialog::handleEvent(id, p1, p2, text, data);
}

void CKLineStageDialog::reject()
{
    done(kClosed);
}

void CKLineStageDialog::confirm()
{
    const QDateTime start = m_start->getDateTime();
    const QDateTime end = m_end->getDateTime();
    QString why;
    if (!start.isValid())
        why = QStringLiteral("起始时间不是有效的日期，请按“年-月-日”输入");
    else if (!end.isValid())
        why = QStringLiteral("终止时间不是有效的日期，请按“年-月-日”输入");
    else if (start > end)
        why = QStringLiteral("起始时间不能晚于终止时间");
    if (!why.isEmpty()) {
        KW::CMessageBox::warning(QStringLiteral("提示"), why, this);
        return;
    }
    const int criterion = checkedCriterion();
    const QString text = QStringList{QString::number(start.toSecsSinceEpoch()),
                                     QString::number(end.toSecsSinceEpoch()),
                                     QString::number(m_drType),
                                     QString::number(m_period),
                                     QString::number(criterion),
                                     criterionLabels().value(criterion)}
                             .join(QLatin1Char(','));
    deliverEvent(kRankingEvent, 0, 0, text, nullptr);
    done(0);
}

} // namespace TC
