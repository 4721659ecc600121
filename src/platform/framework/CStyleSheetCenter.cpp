#include "platform/framework/CStyleSheetCenter.h"

#include <QColor>
#include <QFont>
#include <QStringList>

#include "platform/framework/CUiResource.h"

namespace KW {

namespace {

QString css(const char* key)
{
    const QColor c = CUiResource::instance()->getColor(QString::fromLatin1(key));
    return QStringLiteral("rgba(%1,%2,%3,%4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alpha());
}

QString fontCss()
{
    const QFont f = CUiResource::instance()->getFont(QStringLiteral("fnt_default_normal"));
    QStringList quoted;
    for (const QString& family : f.families().isEmpty() ? QStringList{f.family()} : f.families())
        quoted << QLatin1Char('"') + family + QLatin1Char('"');
    return QStringLiteral("font-family: %1; font-size: %2px;")
        .arg(quoted.join(QStringLiteral(", ")))
        .arg(f.pixelSize());
}

QString buttonStyle()
{
    return QStringLiteral("QPushButton, QToolButton { background: %1; color: %2; border: 1px solid %3; "
                          "border-radius: 2px; "
                          "padding: 2px 10px; %8 }"
                          "QPushButton:hover, QToolButton:hover { background: %4; }"
                          "QPushButton:pressed, QToolButton:pressed { background: %5; }"
                          "QPushButton:disabled, QToolButton:disabled { color: %6; }"
                          "QPushButton:default { border-color: %7; }")
        .arg(css("clr_button_background"), css("clr_button_text"), css("clr_button_border"),
             css("clr_button_hover"), css("clr_button_pressed"), css("clr_button_text_disable"),
             css("clr_selection_background"), fontCss());
}

QString lineEditStyle()
{
    return QStringLiteral(
               "QLineEdit, QSpinBox, QDoubleSpinBox { background: %1; color: %2; border: 1px solid %3; "
               "selection-background-color: %4; selection-color: %5; padding: 1px 3px; %7 }"
               "QLineEdit:focus, QSpinBox:focus, QDoubleSpinBox:focus { border-color: %4; }"
               "QLineEdit:disabled, QSpinBox:disabled, QDoubleSpinBox:disabled { color: %6; }")
        .arg(css("clr_input_background"), css("clr_window_text"), css("clr_input_border"),
             css("clr_selection_background"), css("clr_selection_text"), css("clr_button_text_disable"),
             fontCss());
}

QString checkBoxStyle()
{
    return QStringLiteral("QCheckBox, QRadioButton { color: %1; spacing: 5px; %6 }"
                          "QCheckBox:disabled, QRadioButton:disabled { color: %2; }"
                          "QCheckBox::indicator, QRadioButton::indicator { width: 12px; height: 12px; "
                          "background: %3; border: 1px solid %4; }"
                          "QRadioButton::indicator { border-radius: 6px; }"
                          "QCheckBox::indicator:checked, QRadioButton::indicator:checked { background: %5; }")
        .arg(css("clr_window_text"), css("clr_button_text_disable"), css("clr_input_background"),
             css("clr_input_border"), css("clr_selection_background"), fontCss());
}

QString tableStyle()
{
    return QStringLiteral(
               "QTableView, QTreeView { background: %1; alternate-background-color: %2; color: %3; "
               "gridline-color: %4; selection-background-color: %5; selection-color: %6; border: none; %9 }"
               "QHeaderView::section { background: %7; color: %8; border: none; border-right: 1px solid %4; "
               "border-bottom: 1px solid %4; padding: 2px 4px; }"
               "QTableCornerButton::section { background: %7; border: none; }")
        .arg(css("clr_table_background"), css("clr_table_alternate"), css("clr_window_text"),
             css("clr_table_grid"), css("clr_selection_background"), css("clr_selection_text"),
             css("clr_table_header_background"), css("clr_table_header_text"), fontCss());
}

QString scrollBarStyle()
{
    return QStringLiteral("QScrollBar:vertical { background: %1; width: 10px; margin: 0; }"
                          "QScrollBar:horizontal { background: %1; height: 10px; margin: 0; }"
                          "QScrollBar::handle { background: %2; border-radius: 3px; }"
                          "QScrollBar::handle:vertical { min-height: 20px; }"
                          "QScrollBar::handle:horizontal { min-width: 20px; }"
                          "QScrollBar::handle:hover { background: %3; }"
                          "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }"
                          "QScrollBar::add-page, QScrollBar::sub-page { background: none; }")
        .arg(css("clr_scrollbar_background"), css("clr_scrollbar_handle"), css("clr_scrollbar_handle_hover"));
}

QString menuStyle()
{
    return QStringLiteral("QMenu { background: %1; color: %2; border: 1px solid %3; padding: 2px 0; %7 }"
                          "QMenu::item { padding: 4px 24px 4px 20px; background: transparent; }"
                          "QMenu::item:selected { background: %4; color: %5; }"
                          "QMenu::item:disabled { color: %6; }"
                          "QMenu::separator { height: 1px; background: %8; margin: 3px 6px; }")
        .arg(css("clr_menu_background"), css("clr_menu_text"), css("clr_menu_border"),
             css("clr_menu_selected"), css("clr_selection_text"), css("clr_button_text_disable"), fontCss(),
             css("clr_menu_separator"));
}

} // namespace

QString CStyleSheetCenter::getStyle(int controlType, QWidget*)
{
    switch (controlType) {
    case Button:
        return buttonStyle();
    case LineEdit:
        return lineEditStyle();
    case CheckBox:
        return checkBoxStyle();
    case Table:
        return tableStyle();
    case ScrollBar:
        return scrollBarStyle();
    case Menu:
        return menuStyle();
    default:
        return QString();
    }
}

} // namespace KW
