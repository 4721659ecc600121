#include "platform/framework/CMessageTip.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include "platform/framework/CMessageTipWidget.h"
#include "platform/framework/CUiResource.h"

namespace KW {

namespace {
QString s_lastText;
int s_shown = 0;
} // namespace

void CMessageTip::showTip(QWidget* parent, const QString& text)
{
    s_lastText = text;
    ++s_shown;
    auto* tip = new CMessageTipWidget(parent ? parent->window() : nullptr);
    tip->setAttribute(Qt::WA_DeleteOnClose);
    tip->setText(text);
    const QFontMetrics fm(CUiResource::instance()->getFont(QStringLiteral("fnt_default_normal")));
    const QRect box = fm.boundingRect(QRect(0, 0, 360, 2000), Qt::AlignCenter | Qt::TextWordWrap, text);
    tip->resize(box.width() + 32, box.height() + 24);
    QRect area;
    if (parent)
        area = QRect(parent->mapToGlobal(QPoint(0, 0)), parent->size());
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    tip->move(area.center() - QPoint(tip->width() / 2, tip->height() / 2));
    tip->show();
    QTimer::singleShot(kShowMs, tip, &QWidget::close);
}

QString CMessageTip::lastText()
{
    return s_lastText;
}

int CMessageTip::shownCount()
{
    return s_shown;
}

} // namespace KW
