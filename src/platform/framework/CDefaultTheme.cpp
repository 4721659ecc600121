#include "platform/framework/CDefaultTheme.h"

#include "platform/config/QLLog.h"

namespace KW {

namespace {

using Table = CDefaultTheme::Table;

void colour(Table& t, const char* key, const char* value)
{
    t.insert(QString::fromLatin1(key), CThemeEntry::makeColour(QColor(QString::fromLatin1(value))));
}

void font(Table& t, const char* key, int pixelSize, bool bold = false, bool fixedPitch = false)
{
    t.insert(QString::fromLatin1(key),
             CThemeEntry::makeFont(CDefaultTheme::makeFont(pixelSize, bold, fixedPitch)));
}

void size(Table& t, const char* key, int value)
{
    t.insert(QString::fromLatin1(key), CThemeEntry::makeSize(value));
}

void picture(Table& t, const char* key, EPictureShape shape, int w, int h, const char* fg, const char* bg)
{
    t.insert(QString::fromLatin1(key),
             CThemeEntry::makePicture(shape, QSize(w, h), QString::fromLatin1(fg), QString::fromLatin1(bg)));
}

// The light theme only recolours: a key it names must already exist.
void recolour(Table& t, const char* key, const char* value)
{
    const QString k = QString::fromLatin1(key);
    auto it = t.find(k);
    if (it == t.end() || it->kind != CThemeEntry::Colour) {
        QLLOG_ERROR_S(qlog::kStdLogger, "light theme recolours unknown colour key:%1%", k);
        return;
    }
    it->colour = QColor(QString::fromLatin1(value));
}

} // namespace

QString CDefaultTheme::defaultThemeName()
{
    return QStringLiteral("dark");
}

QStringList CDefaultTheme::themeNames()
{
    return {QStringLiteral("dark"), QStringLiteral("light")};
}

bool CDefaultTheme::build(const QString& name, Table& out)
{
    Table t;
    if (name == QLatin1String("dark")) {
        buildDark(t);
    } else if (name == QLatin1String("light")) {
        buildDark(t);
        buildLight(t);
    } else {
        return false;
    }
    out.swap(t);
    return true;
}

QColor CDefaultTheme::fallbackColour()
{
    return QColor(255, 0, 255);
}

QFont CDefaultTheme::fallbackFont()
{
    return makeFont(12, false, false);
}

QStringList CDefaultTheme::fontFamilies()
{
    return {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
            QStringLiteral("sans-serif")};
}

QStringList CDefaultTheme::fixedFontFamilies()
{
    return {QStringLiteral("WenQuanYi Micro Hei Mono"), QStringLiteral("Noto Sans Mono CJK SC"),
            QStringLiteral("DejaVu Sans Mono"), QStringLiteral("monospace")};
}

QFont CDefaultTheme::makeFont(int pixelSize, bool bold, bool fixedPitch)
{
    const QStringList families = fixedPitch ? fixedFontFamilies() : fontFamilies();
    QFont f(families.first());
    f.setFamilies(families);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setFixedPitch(fixedPitch);
    f.setStyleHint(fixedPitch ? QFont::Monospace : QFont::SansSerif);
    return f;
}

double CDefaultTheme::minScale()
{
    return 0.5;
}

double CDefaultTheme::maxScale()
{
    return 4.0;
}

void CDefaultTheme::buildDark(Table& t)
{
    // Prices: red rises, green falls.
    colour(t, "clr_global_rise", "#ff3d3d");
    colour(t, "clr_global_fall", "#00d25a");
    colour(t, "ic_clr_index_default_rise", "#ff3d3d");
    colour(t, "ic_clr_index_default_fall", "#00d25a");
    colour(t, "ic_clr_kline_fall", "#00c8c8");
    colour(t, "ic_clr_graph_yellow", "#ffd200");

    // Chart canvas, axes and crosshair.
    colour(t, "ic_clr_graph_kline_bg", "#000000");
    colour(t, "ic_clr_kline_axis", "#3c3c3c");
    colour(t, "ic_clr_kline_axis_text", "#b4b4b4");
    colour(t, "ic_clr_kline_datetime", "#b4b4b4");
    colour(t, "ic_clr_kline_graph_frame_border", "#7a1c1c");
    colour(t, "ic_clr_kline_graph_scale_border", "#e6e6e6");
    colour(t, "ic_clr_kline_latestprice", "#ffd200");
    colour(t, "ic_clr_kline_latest_price_text_bg", "#b8860b");
    colour(t, "clr_graph_frame_cross_line", "#c8c8c8");
    colour(t, "clr_graph_frame_cross_line_bg", "#1e3a5f");
    colour(t, "ic_clr_graph_frame_cross_line", "#c8c8c8");
    colour(t, "ic_clr_graph_frame_cross_line_text", "#ffffff");
    colour(t, "ic_clr_realtime_cross_line_bg", "#1e3a5f");
    colour(t, "ic_clr_realtime_cross_line_text", "#ffffff");
    colour(t, "ic_clr_kline_superpos_1", "#f0c000");
    colour(t, "ic_clr_kline_superpos_2", "#c060f0");
    colour(t, "ic_clr_kline_superpos_3", "#40a0ff");

    // Splitters between panes.
    colour(t, "ic_clr_concise_mainwindow_split_background", "#1c1c1c");
    colour(t, "ic_clr_realtime_spliter_background", "#2a2a2a");

    // Pane title bar buttons and the template strip.
    colour(t, "ic_clr_concise_title_background", "#121218");
    colour(t, "ic_clr_title_button_bg", "#00000000");
    colour(t, "ic_clr_title_button_hover", "#3a3a46");
    colour(t, "ic_clr_title_button_pressed", "#24242c");
    colour(t, "ic_clr_title_button_text", "#b4b4b4");
    colour(t, "ic_clr_title_button_text_hover", "#ffffff");
    colour(t, "ic_clr_index_model_background", "#0e0e12");

    // Time axis and the overview strip.
    colour(t, "ic_clr_kline_timeline_background", "#0a0a0a");
    colour(t, "ic_clr_kline_timeline_text", "#a0a0a0");
    colour(t, "ic_clr_timeline_background", "#0a0a0a");
    colour(t, "ic_clr_timeline_time_scale", "#5a5a5a");
    colour(t, "ic_clr_timeline_overview_background", "#101014");
    colour(t, "ic_clr_timeline_overview_border", "#3c3c44");
    colour(t, "ic_clr_timeline_overview_content", "#4a78b4");

    // Parameter ranking list.
    colour(t, "ic_clr_param_rank_background", "#101418");
    colour(t, "ic_clr_param_rank_border", "#3c3c3c");
    colour(t, "ic_clr_param_rank_text", "#d2d2d2");
    colour(t, "ic_clr_param_rank_title", "#ffd24a");

    // Option expectation (winner) overlay.
    colour(t, "ic_clr_winner_discribe_bg", "#1a1a22");
    colour(t, "ic_clr_winner_discribe_fg", "#e0e0e0");
    colour(t, "ic_clr_winner_profit", "#ff3d3d");
    colour(t, "ic_clr_winner_loss", "#00d25a");
    colour(t, "ic_clr_winner_price_dotted_line", "#8c8c8c");
    colour(t, "ic_clr_winner_split_line", "#464646");
    size(t, "ic_siz_winner_discribe_width", 340);

    // Tasks, progress and back-test stop buttons.
    colour(t, "clr_text_default", "#d8d8d8");
    colour(t, "clr_task_op_button_text_enable", "#e0e0e0");
    colour(t, "clr_task_op_button_text_disable", "#646464");
    colour(t, "clr_task_progress_background", "#2e7dd7");
    colour(t, "tc_clr_back_stop_btn_nomal", "#2a2a30");
    colour(t, "tc_clr_back_stop_btn_hover", "#3a3a44");
    colour(t, "tc_clr_back_stop_btn_press", "#1a1a20");
    colour(t, "tc_clr_back_stop_btn_disable", "#202024");
    colour(t, "tc_clr_back_stop_btn_txt_nomal", "#e0e0e0");
    colour(t, "tc_clr_back_stop_btn_txt_hover", "#ffffff");
    colour(t, "tc_clr_back_stop_btn_txt_press", "#c0c0c0");
    colour(t, "tc_clr_back_stop_btn_txt_disable", "#5a5a5a");

    // Framework widgets.
    colour(t, "clr_window_background", "#0e0e12");
    colour(t, "clr_window_text", "#d8d8d8");
    colour(t, "clr_splitter", "#2a2a2a");
    colour(t, "clr_title_background", "#1a1a22");
    colour(t, "clr_title_text", "#e6e6e6");
    colour(t, "clr_title_button_hover", "#c42b1c");
    colour(t, "clr_dialog_border", "#3c3c46");
    colour(t, "clr_button_background", "#2a2a32");
    colour(t, "clr_button_hover", "#3a3a46");
    colour(t, "clr_button_pressed", "#1e1e26");
    colour(t, "clr_button_border", "#4a4a56");
    colour(t, "clr_button_text", "#e0e0e0");
    colour(t, "clr_button_text_disable", "#646464");
    colour(t, "clr_input_background", "#16161c");
    colour(t, "clr_input_border", "#4a4a56");
    colour(t, "clr_selection_background", "#2e5c9a");
    colour(t, "clr_selection_text", "#ffffff");
    colour(t, "clr_menu_background", "#1a1a20");
    colour(t, "clr_menu_text", "#dcdcdc");
    colour(t, "clr_menu_selected", "#2e5c9a");
    colour(t, "clr_menu_separator", "#3a3a42");
    colour(t, "clr_menu_border", "#4a4a56");
    colour(t, "clr_table_background", "#0e0e12");
    colour(t, "clr_table_alternate", "#15151b");
    colour(t, "clr_table_grid", "#2a2a32");
    colour(t, "clr_table_header_background", "#1e1e26");
    colour(t, "clr_table_header_text", "#c8c8c8");
    colour(t, "clr_scrollbar_background", "#141418");
    colour(t, "clr_scrollbar_handle", "#3c3c46");
    colour(t, "clr_scrollbar_handle_hover", "#50505c");
    colour(t, "clr_message_information", "#4a90e2");
    colour(t, "clr_message_warning", "#f0a020");
    colour(t, "clr_message_question", "#4a90e2");
    size(t, "siz_splitter_width", 2);
    size(t, "siz_title_height", 28);
    size(t, "siz_button_height", 24);
    size(t, "siz_button_width", 72);

    // Fonts, in pixels so rendering does not depend on the screen.
    font(t, "fnt_default_normal", 12);
    font(t, "fnt_default_normal_fix", 12, false, true);
    font(t, "fnt_default_small_heavy", 11, true);
    font(t, "fnt_graph_axis_text", 12);
    font(t, "fnt_kline_graph_axis_text", 12);
    font(t, "fnt_timeline_text_default", 11);
    font(t, "ic_fnt_param_rank_text", 12);
    font(t, "ic_fnt_param_rank_title", 13, true);
    font(t, "fnt_dialog_title", 13, true);
    font(t, "fnt_message_text", 13);

    // Pictures drawn in code.
    picture(t, "ic_img_arrow_up", EPictureShape::ArrowUp, 9, 9, "clr_global_rise", "");
    picture(t, "ic_img_arrow_down", EPictureShape::ArrowDown, 9, 9, "clr_global_fall", "");
    picture(t, "ic_img_btn_winner_price_upper", EPictureShape::HandleUp, 16, 16, "ic_clr_winner_profit",
            "ic_clr_winner_discribe_bg");
    picture(t, "ic_img_btn_winner_price_lower", EPictureShape::HandleDown, 16, 16, "ic_clr_winner_loss",
            "ic_clr_winner_discribe_bg");
    picture(t, "ic_img_btn_winner_range_start", EPictureShape::HandleStart, 16, 16,
            "ic_clr_winner_discribe_fg", "ic_clr_winner_discribe_bg");
    picture(t, "ic_img_btn_winner_range_end", EPictureShape::HandleEnd, 16, 16, "ic_clr_winner_discribe_fg",
            "ic_clr_winner_discribe_bg");
    picture(t, "ic_img_timeline_overview_left_arrow", EPictureShape::ArrowLeft, 9, 16,
            "ic_clr_timeline_overview_content", "");
    picture(t, "ic_img_timeline_overview_right_arrow", EPictureShape::ArrowRight, 9, 16,
            "ic_clr_timeline_overview_content", "");
    picture(t, "ic_img_timeline_overview_scrollbar_bg", EPictureShape::Fill, 16, 16,
            "ic_clr_timeline_overview_background", "");
    picture(t, "ic_img_timeline_overview_scrollbar_block", EPictureShape::RoundedBlock, 16, 16,
            "ic_clr_timeline_overview_content", "ic_clr_timeline_overview_border");
    picture(t, "ic_img_timeline_overview_spliter", EPictureShape::GripVertical, 4, 16,
            "ic_clr_timeline_overview_border", "");
    picture(t, "ic_img_transparent", EPictureShape::Transparent, 1, 1, "", "");
    picture(t, "img_btn_medium_normal", EPictureShape::ButtonFrame, 16, 16, "clr_button_border",
            "clr_button_background");
    picture(t, "img_btn_ok", EPictureShape::CheckMark, 16, 16, "clr_button_text", "clr_button_background");
    picture(t, "img_btn_close", EPictureShape::Cross, 16, 16, "clr_title_text", "");
    picture(t, "img_message_information", EPictureShape::RoundedBlock, 24, 24, "clr_message_information",
            "clr_message_information");
    picture(t, "img_message_warning", EPictureShape::ArrowUp, 24, 24, "clr_message_warning", "");
    picture(t, "img_message_question", EPictureShape::RoundedBlock, 24, 24, "clr_message_question",
            "clr_message_question");

    // Indicator outputs drawn in the theme's colours: default line palette by
    // output index, high / low price marks, tick line and its average.
    colour(t, "ic_clr_index_default_line_1", "#ffffff");
    colour(t, "ic_clr_index_default_line_2", "#ffd200");
    colour(t, "ic_clr_index_default_line_3", "#ff50ff");
    colour(t, "ic_clr_index_default_line_4", "#00e600");
    colour(t, "ic_clr_index_default_line_5", "#00c8ff");
    colour(t, "ic_clr_index_default_line_6", "#ff8c00");
    colour(t, "ic_clr_index_default_line_7", "#6e8cff");
    colour(t, "ic_clr_index_default_line_8", "#b4b4b4");
    colour(t, "ic_clr_kline_high_low_mark", "#e6e6e6");
    colour(t, "ic_clr_tick_price_line", "#ffffff");
    colour(t, "ic_clr_tick_average_line", "#ffd200");
    // Drawing tools: the default line colour and the handles of a selected line.
    colour(t, "ic_clr_draw_graph_line", "#ffd200");
    colour(t, "ic_clr_draw_graph_select", "#ffffff");
    // Time-line overview: the highlighted display window and the shade over
    // the rest of the band.
    colour(t, "ic_clr_timeline_overview_window", "#38a0c8ff");
    colour(t, "ic_clr_timeline_overview_shade", "#60000000");
    // Inspection boxes over the plot (holdings, formula variables).
    colour(t, "ic_clr_inspection_bg", "#c8141c28");
    colour(t, "ic_clr_inspection_border", "#5a6e8c");
    colour(t, "ic_clr_inspection_text", "#e6e6e6");
    colour(t, "ic_clr_inspection_title", "#ffd200");
    font(t, "ic_fnt_inspection_text", 12);
}

void CDefaultTheme::buildLight(Table& t)
{
    recolour(t, "clr_global_rise", "#e02020");
    recolour(t, "clr_global_fall", "#009a3e");
    recolour(t, "ic_clr_index_default_rise", "#e02020");
    recolour(t, "ic_clr_index_default_fall", "#009a3e");
    recolour(t, "ic_clr_kline_fall", "#009a3e");
    recolour(t, "ic_clr_graph_yellow", "#c89600");

    recolour(t, "ic_clr_graph_kline_bg", "#ffffff");
    recolour(t, "ic_clr_kline_axis", "#d8d8d8");
    recolour(t, "ic_clr_kline_axis_text", "#404040");
    recolour(t, "ic_clr_kline_datetime", "#404040");
    recolour(t, "ic_clr_kline_graph_frame_border", "#b4b4b4");
    recolour(t, "ic_clr_kline_graph_scale_border", "#202020");
    recolour(t, "ic_clr_kline_latestprice", "#c89600");
    recolour(t, "ic_clr_kline_latest_price_text_bg", "#f0c040");
    recolour(t, "clr_graph_frame_cross_line", "#505050");
    recolour(t, "clr_graph_frame_cross_line_bg", "#3a6ea5");
    recolour(t, "ic_clr_graph_frame_cross_line", "#505050");
    recolour(t, "ic_clr_graph_frame_cross_line_text", "#ffffff");
    recolour(t, "ic_clr_realtime_cross_line_bg", "#3a6ea5");
    recolour(t, "ic_clr_realtime_cross_line_text", "#ffffff");
    recolour(t, "ic_clr_kline_superpos_1", "#c08000");
    recolour(t, "ic_clr_kline_superpos_2", "#9030c0");
    recolour(t, "ic_clr_kline_superpos_3", "#2070d0");

    recolour(t, "ic_clr_concise_mainwindow_split_background", "#e4e4e4");
    recolour(t, "ic_clr_concise_title_background", "#f2f3f6");
    recolour(t, "ic_clr_title_button_hover", "#dde6f2");
    recolour(t, "ic_clr_title_button_pressed", "#c8d6ea");
    recolour(t, "ic_clr_title_button_text", "#505050");
    recolour(t, "ic_clr_title_button_text_hover", "#000000");
    recolour(t, "ic_clr_index_model_background", "#f4f5f8");
    recolour(t, "ic_clr_realtime_spliter_background", "#d0d0d0");

    recolour(t, "ic_clr_kline_timeline_background", "#f4f4f4");
    recolour(t, "ic_clr_kline_timeline_text", "#505050");
    recolour(t, "ic_clr_timeline_background", "#f4f4f4");
    recolour(t, "ic_clr_timeline_time_scale", "#a0a0a0");
    recolour(t, "ic_clr_timeline_overview_background", "#eeeeee");
    recolour(t, "ic_clr_timeline_overview_border", "#c0c0c0");
    recolour(t, "ic_clr_timeline_overview_content", "#6a9ad4");

    recolour(t, "ic_clr_param_rank_background", "#fafafa");
    recolour(t, "ic_clr_param_rank_border", "#c8c8c8");
    recolour(t, "ic_clr_param_rank_text", "#303030");
    recolour(t, "ic_clr_param_rank_title", "#a06000");

    recolour(t, "ic_clr_winner_discribe_bg", "#f4f4f8");
    recolour(t, "ic_clr_winner_discribe_fg", "#303030");
    recolour(t, "ic_clr_winner_profit", "#e02020");
    recolour(t, "ic_clr_winner_loss", "#009a3e");
    recolour(t, "ic_clr_winner_price_dotted_line", "#909090");
    recolour(t, "ic_clr_winner_split_line", "#c8c8c8");

    recolour(t, "clr_text_default", "#303030");
    recolour(t, "clr_task_op_button_text_enable", "#303030");
    recolour(t, "clr_task_op_button_text_disable", "#a0a0a0");
    recolour(t, "clr_task_progress_background", "#3a8ee6");
    recolour(t, "tc_clr_back_stop_btn_nomal", "#f0f0f0");
    recolour(t, "tc_clr_back_stop_btn_hover", "#e0e8f4");
    recolour(t, "tc_clr_back_stop_btn_press", "#d0d8e4");
    recolour(t, "tc_clr_back_stop_btn_disable", "#f6f6f6");
    recolour(t, "tc_clr_back_stop_btn_txt_nomal", "#303030");
    recolour(t, "tc_clr_back_stop_btn_txt_hover", "#101010");
    recolour(t, "tc_clr_back_stop_btn_txt_press", "#404040");
    recolour(t, "tc_clr_back_stop_btn_txt_disable", "#b0b0b0");

    recolour(t, "clr_window_background", "#f7f7f7");
    recolour(t, "clr_window_text", "#303030");
    recolour(t, "clr_splitter", "#d4d4d4");
    recolour(t, "clr_title_background", "#e8eaee");
    recolour(t, "clr_title_text", "#202020");
    recolour(t, "clr_title_button_hover", "#e81123");
    recolour(t, "clr_dialog_border", "#b8bcc4");
    recolour(t, "clr_button_background", "#ffffff");
    recolour(t, "clr_button_hover", "#e8f0fa");
    recolour(t, "clr_button_pressed", "#d4e2f4");
    recolour(t, "clr_button_border", "#b8bcc4");
    recolour(t, "clr_button_text", "#202020");
    recolour(t, "clr_button_text_disable", "#a8a8a8");
    recolour(t, "clr_input_background", "#ffffff");
    recolour(t, "clr_input_border", "#b8bcc4");
    recolour(t, "clr_selection_background", "#3a78c8");
    recolour(t, "clr_selection_text", "#ffffff");
    recolour(t, "clr_menu_background", "#ffffff");
    recolour(t, "clr_menu_text", "#202020");
    recolour(t, "clr_menu_selected", "#cfe0f6");
    recolour(t, "clr_menu_separator", "#dcdcdc");
    recolour(t, "clr_menu_border", "#b8bcc4");
    recolour(t, "clr_table_background", "#ffffff");
    recolour(t, "clr_table_alternate", "#f4f6f8");
    recolour(t, "clr_table_grid", "#e0e0e0");
    recolour(t, "clr_table_header_background", "#eceef2");
    recolour(t, "clr_table_header_text", "#303030");
    recolour(t, "clr_scrollbar_background", "#f0f0f0");
    recolour(t, "clr_scrollbar_handle", "#c4c4c4");
    recolour(t, "clr_scrollbar_handle_hover", "#a8a8a8");
    recolour(t, "clr_message_information", "#2f7ad0");
    recolour(t, "clr_message_warning", "#d88a00");
    recolour(t, "clr_message_question", "#2f7ad0");

    recolour(t, "ic_clr_index_default_line_1", "#202020");
    recolour(t, "ic_clr_index_default_line_2", "#c08000");
    recolour(t, "ic_clr_index_default_line_3", "#c000c0");
    recolour(t, "ic_clr_index_default_line_4", "#008a30");
    recolour(t, "ic_clr_index_default_line_5", "#0090c0");
    recolour(t, "ic_clr_index_default_line_6", "#e06000");
    recolour(t, "ic_clr_index_default_line_7", "#2050d0");
    recolour(t, "ic_clr_index_default_line_8", "#707070");
    recolour(t, "ic_clr_kline_high_low_mark", "#303030");
    recolour(t, "ic_clr_tick_price_line", "#2050d0");
    recolour(t, "ic_clr_tick_average_line", "#c08000");
    recolour(t, "ic_clr_draw_graph_line", "#2050d0");
    recolour(t, "ic_clr_draw_graph_select", "#202020");
    recolour(t, "ic_clr_timeline_overview_window", "#402a6ab0");
    recolour(t, "ic_clr_timeline_overview_shade", "#40ffffff");
    recolour(t, "ic_clr_inspection_bg", "#d8f4f6fa");
    recolour(t, "ic_clr_inspection_border", "#8c9ab0");
    recolour(t, "ic_clr_inspection_text", "#202020");
    recolour(t, "ic_clr_inspection_title", "#2050d0");
}

} // namespace KW
