#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QString>
#include <QStringList>

#include "platform/framework/CThemeEntry.h"

namespace KW {

// The built-in themes: the only place where colours, fonts, sizes and picture
// recipes are written as literal values. Everything else asks the resource
// store by key.
//
// "dark" (the default) is the classic look of a Chinese trading terminal:
// near-black chart backgrounds, red for rising and green for falling prices,
// grey grids, light text. "light" keeps every key and size of "dark" and
// replaces the colours for a white background.
//
// Besides the keys the chart uses, the framework's own widgets use these keys
// (all defined in both themes):
//   clr_window_background, clr_window_text   dialogs and top-level widgets
//   clr_splitter, siz_splitter_width         splitter handles of widget lists
//   clr_title_background, clr_title_text     custom dialog title bars
//   clr_title_button_hover, siz_title_height
//   clr_dialog_border                        1-pixel frame of frameless dialogs
//   clr_button_*                             push buttons (style sheet)
//   clr_input_background, clr_input_border   line edits, check box indicators
//   clr_selection_background, clr_selection_text
//   clr_menu_background, clr_menu_text, clr_menu_selected, clr_menu_separator,
//   clr_menu_border
//   clr_table_background, clr_table_alternate, clr_table_grid,
//   clr_table_header_background, clr_table_header_text
//   clr_scrollbar_background, clr_scrollbar_handle, clr_scrollbar_handle_hover
//   clr_message_information, clr_message_warning, clr_message_question
//   fnt_dialog_title, fnt_message_text, siz_button_height, siz_button_width
//   img_btn_close, img_message_information, img_message_warning,
//   img_message_question
class CDefaultTheme
{
public:
    using Table = QHash<QString, CThemeEntry>;

    static QString defaultThemeName();
    static QStringList themeNames();

    // Fills `out` with every key of the named built-in theme; false (and `out`
    // untouched) for a name that is not built in.
    static bool build(const QString& name, Table& out);

    // What an unknown key yields: loud enough to be noticed on screen.
    static QColor fallbackColour();
    static QFont fallbackFont();

    // Family lists of the proportional and the fixed-pitch fonts, CJK first.
    static QStringList fontFamilies();
    static QStringList fixedFontFamilies();
    static QFont makeFont(int pixelSize, bool bold, bool fixedPitch);

    // Bounds of the display scale factor.
    static double minScale();
    static double maxScale();

private:
    static void buildDark(Table& t);
    static void buildLight(Table& t);
};

} // namespace KW
