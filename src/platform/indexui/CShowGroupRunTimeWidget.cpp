#include "platform/indexui/CShowGroupRunTimeWidget.h"

#include <QFontMetrics>
#include <QPainter>

#include "platform/framework/CUiResource.h"

namespace TC {

namespace {

const int kMargin = 4;
const int kBarHeight = 3;

QFont progressFont()
{
    return KW::CUiResource::instance()->getFont(QStringLiteral("fnt_default_normal"));
}

} // namespace

CShowGroupRunTimeWidget::CShowGroupRunTimeWidget(QWidget* parent)
    : KW::CBaseWidget(QStringLiteral("group_run_time_widget"), false, parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    resize(sizeHint());
    hide();
}

void CShowGroupRunTimeWidget::setProgress(int done, int total)
{
    m_total = qMax(total, 0);
    m_done = qBound(0, done, m_total);
    update();
}

void CShowGroupRunTimeWidget::setRunning(bool running)
{
    m_running = running;
    setVisible(running);
    if (running)
        raise();
}

QString CShowGroupRunTimeWidget::text() const
{
    return QStringLiteral("运行中 %1/%2").arg(m_done).arg(m_total);
}

void CShowGroupRunTimeWidget::themeChanged()
{
    KW::CBaseWidget::themeChanged();
    resize(sizeHint());
}

QSize CShowGroupRunTimeWidget::sizeHint() const
{
    // Wide enough for six-digit counts, so the widget does not jump as it runs.
    const QFontMetrics fm(progressFont());
    return QSize(fm.horizontalAdvance(QStringLiteral("运行中 000000/000000")) + 2 * kMargin,
                 fm.height() + kBarHeight + 2 * kMargin);
}

void CShowGroupRunTimeWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QFont font = progressFont();
    const QFontMetrics fm(font);
    const QRect bar(kMargin, height() - kMargin - kBarHeight, width() - 2 * kMargin, kBarHeight);
    if (m_total > 0 && m_done > 0) {
        const int w = int(qint64(bar.width()) * m_done / m_total);
        p.fillRect(QRect(bar.left(), bar.top(), w, bar.height()),
                   KW::CUiResource::instance()->getColor(QStringLiteral("clr_task_progress_background")));
    }
    p.setFont(font);
    p.setPen(KW::CUiResource::instance()->getColor(QStringLiteral("clr_text_default")));
    p.drawText(QRect(kMargin, kMargin, width() - 2 * kMargin, fm.height()), Qt::AlignLeft | Qt::AlignVCenter,
               text());
}

} // namespace TC
