#include "platform/framework/CPushButton.h"

#include <QPainter>
#include <QStyleOptionButton>

#include "platform/framework/CStyleSheetCenter.h"
#include "platform/framework/CUiResource.h"

namespace KW {

namespace {

constexpr int kButtonEvent = 5;

QString cssColour(const QString& key)
{
    const QColor c = CUiResource::instance()->getColor(key);
    return QStringLiteral("rgba(%1,%2,%3,%4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alpha());
}

QString cssFont(const QFont& f)
{
    const QStringList families = f.families().isEmpty() ? QStringList{f.family()} : f.families();
    QStringList quoted;
    for (const QString& family : families)
        quoted << QLatin1Char('"') + family + QLatin1Char('"');
    return QStringLiteral("QPushButton { font-family: %1; font-size: %2px; font-weight: %3; }")
        .arg(quoted.join(QStringLiteral(", ")))
        .arg(f.pixelSize() > 0 ? f.pixelSize() : 12)
        .arg(f.bold() ? QStringLiteral("bold") : QStringLiteral("normal"));
}

} // namespace

CPushButton::CPushButton(const QString& text, int id, QWidget* parent)
    : CEventWidgetT<QPushButton>(text, parent), m_id(id)
{
    setObjectName(QStringLiteral("kw_push_button"));
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QPushButton::clicked, this, &CPushButton::onClicked);
    applyLook();
}

void CPushButton::onClicked()
{
    emit clickedId(m_id);
    if (upstream())
        deliverEvent(kButtonEvent, m_id, 0, text(), nullptr);
}

void CPushButton::setImageKey(const QString& key)
{
    m_imageKey = key;
    applyLook();
}

void CPushButton::setFontKey(const QString& key)
{
    m_fontKey = key;
    applyLook();
}

bool CPushButton::setColorKeys(const QStringList& keys)
{
    if (keys.size() != 4)
        return false;
    m_colorKeys = keys;
    applyLook();
    return true;
}

bool CPushButton::setTextColorKeys(const QStringList& keys)
{
    if (keys.size() != 4)
        return false;
    m_textColorKeys = keys;
    applyLook();
    return true;
}

void CPushButton::applyLook()
{
    QString sheet;
    if (m_colorKeys.isEmpty() && m_textColorKeys.isEmpty()) {
        sheet = CStyleSheetCenter::getStyle(CStyleSheetCenter::Button, this);
    } else {
        const QStringList bg =
            m_colorKeys.isEmpty()
                ? QStringList{QStringLiteral("clr_button_background"), QStringLiteral("clr_button_hover"),
                              QStringLiteral("clr_button_pressed"), QStringLiteral("clr_button_background")}
                : m_colorKeys;
        const QStringList fg =
            m_textColorKeys.isEmpty()
                ? QStringList{QStringLiteral("clr_button_text"), QStringLiteral("clr_button_text"),
                              QStringLiteral("clr_button_text"), QStringLiteral("clr_button_text_disable")}
                : m_textColorKeys;
        sheet = (QStringLiteral("QPushButton { background: %1; color: %2; border: none; padding: 0px; }"
                                "QPushButton:hover { background: %3; color: %4; }"
                                "QPushButton:pressed { background: %5; color: %6; }"
                                "QPushButton:disabled { background: %7; color: %8; }")
                     .arg(cssColour(bg[0]), cssColour(fg[0]), cssColour(bg[1]), cssColour(fg[1]),
                          cssColour(bg[2]), cssColour(fg[2]), cssColour(bg[3]), cssColour(fg[3])));
    }
    // A style sheet's font beats setFont(), so the font key goes into the sheet.
    if (!m_fontKey.isEmpty())
        sheet += cssFont(CUiResource::instance()->getFont(m_fontKey));
    setStyleSheet(sheet);
    update();
}

void CPushButton::themeChanged()
{
    applyLook();
}

void CPushButton::paintEvent(QPaintEvent* event)
{
    if (m_imageKey.isEmpty()) {
        QPushButton::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const QPixmap face = CUiResource::instance()->getPixmap(m_imageKey);
    if (!face.isNull())
        painter.drawPixmap(rect(), face);
    const QString colourKey =
        m_textColorKeys.size() == 4
            ? m_textColorKeys[!isEnabled()   ? 3
                              : isDown()     ? 2
                              : underMouse() ? 1
                                             : 0]
            : QString::fromLatin1(isEnabled() ? "clr_button_text" : "clr_button_text_disable");
    painter.setPen(CUiResource::instance()->getColor(colourKey));
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, text());
}

} // namespace KW
