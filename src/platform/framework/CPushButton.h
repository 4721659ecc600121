#pragma once

#include <QPushButton>
#include <QString>
#include <QStringList>

#include "platform/framework/CEventWidgetT.h"

namespace KW {

// The terminal's push button: a QPushButton with an integer id.
//
// A click emits `clickedId(id)` and, when the button has an upstream event
// deliverer, delivers event 5 with p1 = id and p2 = 0 to it (the way pane
// buttons reach their pane's handleEvent). Without an upstream nothing goes
// on the bus: a button click is no business of other charts.
//
// Look, all by resource key and re-read on theme changes:
//   default                 the framework's button style sheet
//                           (CStyleSheetCenter::Button)
//   setColorKeys / setTextColorKeys
//                           background and text colours for the normal,
//                           hover, pressed and disabled states
//   setImageKey             a picture stretched over the whole button as its
//                           face (text drawn on top, centred); an empty key
//                           goes back to the style sheet
//   setFontKey              the text font
class CPushButton : public CEventWidgetT<QPushButton>
{
    Q_OBJECT

public:
    CPushButton(const QString& text, int id, QWidget* parent = nullptr);

    int id() const { return m_id; }
    void setId(int id) { m_id = id; }

    void setImageKey(const QString& key);
    QString imageKey() const { return m_imageKey; }

    void setFontKey(const QString& key);
    QString fontKey() const { return m_fontKey; }

    // Four keys each: normal, hover, pressed, disabled. Any other count is
    // ignored (false).
    bool setColorKeys(const QStringList& keys);
    bool setTextColorKeys(const QStringList& keys);

    void themeChanged() override;

signals:
    void clickedId(int id);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void onClicked();
    void applyLook();

    int m_id;
    QString m_imageKey;
    QString m_fontKey;
    QStringList m_colorKeys;
    QStringList m_textColorKeys;
};

} // namespace KW
