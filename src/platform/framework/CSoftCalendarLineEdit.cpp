#include "platform/framework/CSoftCalendarLineEdit.h"

#include <QAction>
#include <QCalendarWidget>
#include <QKeyEvent>
#include <QStyle>

#include "platform/framework/CStyleSheetCenter.h"

namespace KW {

namespace {
const char* const kMask = "0000-00-00";
} // namespace

CSoftCalendarLineEdit::CSoftCalendarLineEdit(QWidget* parent) : QLineEdit(parent)
{
    setInputMask(QLatin1String(kMask));
    setPlaceholderText(QLatin1String(kMask));
    setStyleSheet(CStyleSheetCenter::getStyle(CStyleSheetCenter::LineEdit, this));
    m_action = addAction(style()->standardIcon(QStyle::SP_ArrowDown), QLineEdit::TrailingPosition);
    m_action->setObjectName(QStringLiteral("calendar_action"));
    connect(m_action, &QAction::triggered, this, [this] {
        if (isCalendarVisible())
            hideCalendar();
        else
            showCalendar();
    });
    // A popup of its own: it closes when the user clicks elsewhere.
    m_calendar = new QCalendarWidget(this);
    m_calendar->setWindowFlags(Qt::Popup);
    m_calendar->setGridVisible(true);
    m_calendar->hide();
    connect(m_calendar, &QCalendarWidget::clicked, this, &CSoftCalendarLineEdit::onPicked);
    connect(m_calendar, &QCalendarWidget::activated, this, &CSoftCalendarLineEdit::onPicked);
}

void CSoftCalendarLineEdit::setDate(const QDate& date)
{
    if (date.isValid())
        setText(date.toString(QLatin1String(kFormat)));
    else
        clear();
}

QDate CSoftCalendarLineEdit::date() const
{
    if (!hasAcceptableInput())
        return QDate();
    return QDate::fromString(text(), QLatin1String(kFormat));
}

QDateTime CSoftCalendarLineEdit::getDateTime() const
{
    const QDate d = date();
    return d.isValid() ? QDateTime(d, QTime(0, 0)) : QDateTime();
}

void CSoftCalendarLineEdit::showCalendar()
{
    const QDate d = date();
    m_calendar->setSelectedDate(d.isValid() ? d : QDate::currentDate());
    m_calendar->adjustSize();
    m_calendar->move(mapToGlobal(QPoint(0, height())));
    m_calendar->show();
    m_calendar->setFocus();
}

void CSoftCalendarLineEdit::hideCalendar()
{
    m_calendar->hide();
}

bool CSoftCalendarLineEdit::isCalendarVisible() const
{
    return m_calendar->isVisible();
}

void CSoftCalendarLineEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier)) {
        showCalendar();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CSoftCalendarLineEdit::onPicked(const QDate& date)
{
    setDate(date);
    hideCalendar();
    emit dateChosen(date);
}

} // namespace KW
