#pragma once

#include <QDate>
#include <QDateTime>
#include <QLineEdit>

class QAction;
class QCalendarWidget;

namespace KW {

// A date editor: a masked line edit ("yyyy-MM-dd", placeholder "0000-00-00")
// with a calendar that drops down from the button at its right end (or with
// Alt+Down). Picking a day in the calendar writes it into the editor and
// closes the calendar; typing stays possible. The calendar opens on the
// editor's date, or today when the text is no date.
class CSoftCalendarLineEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit CSoftCalendarLineEdit(QWidget* parent = nullptr);

    static constexpr const char* kFormat = "yyyy-MM-dd";

    void setDate(const QDate& date);
    // Invalid unless the text is a complete, existing date.
    QDate date() const;
    void setDateTime(const QDateTime& dateTime) { setDate(dateTime.date()); }
    // Local midnight of the date; invalid like date().
    QDateTime getDateTime() const;

    void showCalendar();
    void hideCalendar();
    bool isCalendarVisible() const;
    QCalendarWidget* calendar() const { return m_calendar; }
    QAction* calendarAction() const { return m_action; }

signals:
    void dateChosen(const QDate& date);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void onPicked(const QDate& date);

    QCalendarWidget* m_calendar = nullptr;
    QAction* m_action = nullptr;
};

} // namespace KW
