#pragma once

#include <QString>

class QWidget;

namespace KW {

// Style-sheet texts of the terminal's controls, built from the current
// theme's colours and fonts each time they are asked for (so a widget that
// re-fetches in themeChanged() follows the theme). Control types:
//    1 Button     push and tool buttons (normal, hover, pressed, disabled)
//    2 LineEdit   line edits and spin boxes (border, selection, disabled)
//    3 CheckBox   check boxes and radio buttons
//    4 Table      table and tree views with their header sections
//    5 ScrollBar  vertical and horizontal scroll bars
//   15 Menu       menus and their items, separators and disabled items
// Any other number yields an empty text (Qt's default look).
// `widget` is the control the sheet is meant for; the texts depend on the
// control type only, so it may be null.
class CStyleSheetCenter
{
public:
    enum EControlType { Button = 1, LineEdit = 2, CheckBox = 3, Table = 4, ScrollBar = 5, Menu = 15 };

    static QString getStyle(int controlType, QWidget* widget = nullptr);
};

} // namespace KW
