#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include "platform/config/CLogCapture.h"
#include "platform/config/QLLog.h"
#include "platform/framework/CUiResource.h"
#include "platform/framework/CUiResourceChangeHandler.h"

using KW::CUiResource;

namespace {

// The keys the chart's painting and dialogs ask for.
const char* const kChartKeys[] = {"clr_global_fall",
                                  "clr_global_rise",
                                  "clr_graph_frame_cross_line",
                                  "clr_graph_frame_cross_line_bg",
                                  "clr_task_op_button_text_disable",
                                  "clr_task_op_button_text_enable",
                                  "clr_task_progress_background",
                                  "clr_text_default",
                                  "fnt_default_normal",
                                  "fnt_default_normal_fix",
                                  "fnt_default_small_heavy",
                                  "fnt_graph_axis_text",
                                  "fnt_kline_graph_axis_text",
                                  "fnt_timeline_text_default",
                                  "ic_clr_concise_mainwindow_split_background",
                                  "ic_clr_graph_frame_cross_line",
                                  "ic_clr_graph_frame_cross_line_text",
                                  "ic_clr_graph_kline_bg",
                                  "ic_clr_graph_yellow",
                                  "ic_clr_index_default_fall",
                                  "ic_clr_index_default_rise",
                                  "ic_clr_kline_axis",
                                  "ic_clr_kline_axis_text",
                                  "ic_clr_kline_datetime",
                                  "ic_clr_kline_fall",
                                  "ic_clr_kline_graph_frame_border",
                                  "ic_clr_kline_graph_scale_border",
                                  "ic_clr_kline_latest_price_text_bg",
                                  "ic_clr_kline_latestprice",
                                  "ic_clr_kline_superpos_1",
                                  "ic_clr_kline_superpos_2",
                                  "ic_clr_kline_superpos_3",
                                  "ic_clr_kline_timeline_background",
                                  "ic_clr_kline_timeline_text",
                                  "ic_clr_param_rank_background",
                                  "ic_clr_param_rank_border",
                                  "ic_clr_param_rank_text",
                                  "ic_clr_param_rank_title",
                                  "ic_clr_realtime_cross_line_bg",
                                  "ic_clr_realtime_cross_line_text",
                                  "ic_clr_realtime_spliter_background",
                                  "ic_clr_timeline_background",
                                  "ic_clr_timeline_overview_background",
                                  "ic_clr_timeline_overview_border",
                                  "ic_clr_timeline_overview_content",
                                  "ic_clr_timeline_time_scale",
                                  "ic_clr_winner_discribe_bg",
                                  "ic_clr_winner_discribe_fg",
                                  "ic_clr_winner_loss",
                                  "ic_clr_winner_price_dotted_line",
                                  "ic_clr_winner_profit",
                                  "ic_clr_winner_split_line",
                                  "ic_fnt_param_rank_text",
                                  "ic_fnt_param_rank_title",
                                  "ic_img_arrow_down",
                                  "ic_img_arrow_up",
                                  "ic_img_btn_winner_price_lower",
                                  "ic_img_btn_winner_price_upper",
                                  "ic_img_btn_winner_range_end",
                                  "ic_img_btn_winner_range_start",
                                  "ic_img_timeline_overview_left_arrow",
                                  "ic_img_timeline_overview_right_arrow",
                                  "ic_img_timeline_overview_scrollbar_bg",
                                  "ic_img_timeline_overview_scrollbar_block",
                                  "ic_img_timeline_overview_spliter",
                                  "ic_img_transparent",
                                  "ic_siz_winner_discribe_width",
                                  "img_btn_medium_normal",
                                  "img_btn_ok",
                                  "tc_clr_back_stop_btn_disable",
                                  "tc_clr_back_stop_btn_hover",
                                  "tc_clr_back_stop_btn_nomal",
                                  "tc_clr_back_stop_btn_press",
                                  "tc_clr_back_stop_btn_txt_disable",
                                  "tc_clr_back_stop_btn_txt_hover",
                                  "tc_clr_back_stop_btn_txt_nomal",
                                  "tc_clr_back_stop_btn_txt_press"};

// Every test leaves the store as the chart expects it.
class UiResourceTest : public ::testing::Test
{
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset()
    {
        CUiResource::instance()->setScale(1.0);
        CUiResource::instance()->setTheme(QStringLiteral("dark"));
    }
    static CUiResource* res() { return CUiResource::instance(); }
};

class CountingHandler : public KW::CUiResourceChangeHandler
{
public:
    void themeChanged() override
    {
        ++themes;
        if (onTheme)
            onTheme();
    }
    void scaleChanged() override { ++scales; }
    void setFixFont() override { ++fixFonts; }

    int themes = 0;
    int scales = 0;
    int fixFonts = 0;
    std::function<void()> onTheme;
};

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
    return path;
}

} // namespace

TEST_F(UiResourceTest, EveryKeyUsedInTheSourcesIsInTheDefaultTheme)
{
    const QString root = QStringLiteral(KLINE_SOURCE_DIR "/src");
    ASSERT_TRUE(QDir(root).exists());
    static const QRegularExpression literal(
        QStringLiteral("\"((?:ic_|clr_|fnt_|img_|tc_clr_|siz_)[A-Za-z0-9_]+)\""));
    QStringList missing;
    int found = 0;
    QDirIterator it(root, {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << qPrintable(f.fileName());
        int lineNo = 0;
        while (!f.atEnd()) {
            ++lineNo;
            const QString line = QString::fromUtf8(f.readLine());
            auto m = literal.globalMatch(line);
            while (m.hasNext()) {
                const QString key = m.next().captured(1);
                ++found;
                if (!res()->hasKey(key))
                    missing << QStringLiteral("%1:%2: %3").arg(f.fileName()).arg(lineNo).arg(key);
            }
        }
    }
    EXPECT_GT(found, 77); // the theme file alone names every chart key
    EXPECT_TRUE(missing.isEmpty()) << "keys missing from the default theme:\n"
                                   << qPrintable(missing.join(QLatin1Char('\n')));
}

TEST_F(UiResourceTest, BothThemesDefineEveryChartKeyWithAUsableValue)
{
    for (const QString& theme : {QStringLiteral("dark"), QStringLiteral("light")}) {
        ASSERT_TRUE(res()->setTheme(theme));
        for (const char* k : kChartKeys) {
            const QString key = QString::fromLatin1(k);
            ASSERT_TRUE(res()->hasKey(key)) << k << " in " << qPrintable(theme);
            if (key.contains(QLatin1String("clr_")))
                EXPECT_TRUE(res()->getColor(key).isValid()) << k;
            else if (key.contains(QLatin1String("fnt_")))
                EXPECT_GT(res()->getFont(key).pixelSize(), 0) << k;
            else if (key.contains(QLatin1String("siz_")))
                EXPECT_GT(res()->getSize(key), 0) << k;
            else
                EXPECT_FALSE(res()->getPixmap(key).isNull()) << k;
        }
    }
    QStringList sorted = res()->keys();
    sorted.sort();
    EXPECT_EQ(res()->keys(), sorted);
}

TEST_F(UiResourceTest, DarkThemeLooksLikeATradingTerminal)
{
    const QColor rise = res()->getColor(QStringLiteral("clr_global_rise"));
    const QColor fall = res()->getColor(QStringLiteral("clr_global_fall"));
    const QColor bg = res()->getColor(QStringLiteral("ic_clr_graph_kline_bg"));
    EXPECT_GT(rise.red(), 200);
    EXPECT_LT(rise.green(), 100);
    EXPECT_GT(fall.green(), 150);
    EXPECT_LT(fall.red(), 100);
    EXPECT_LT(bg.lightness(), 30);
    EXPECT_GT(res()->getColor(QStringLiteral("clr_text_default")).lightness(), 150);

    const QFont f = res()->getFont(QStringLiteral("fnt_default_normal"));
    EXPECT_EQ(f.families().value(0), QStringLiteral("WenQuanYi Micro Hei"));
    EXPECT_TRUE(f.families().contains(QStringLiteral("Noto Sans CJK SC")));
    EXPECT_GT(f.pixelSize(), 0);
}

TEST_F(UiResourceTest, UnknownKeyGivesAConspicuousFallbackAndOneWarning)
{
    qlog::CLogCapture cap(qlog::kStdLogger);
    const QString key = QStringLiteral("no_such_colour_key_for_test");
    EXPECT_EQ(res()->getColor(key), QColor(255, 0, 255));
    EXPECT_EQ(res()->getColor(key), QColor(255, 0, 255));
    EXPECT_EQ(res()->getSize(QStringLiteral("no_such_size_key_for_test")), 0);
    EXPECT_TRUE(res()->getPixmap(QStringLiteral("no_such_picture_key_for_test")).isNull());
    EXPECT_GT(res()->getFont(QStringLiteral("no_such_font_key_for_test")).pixelSize(), 0);
    EXPECT_FALSE(res()->hasKey(key));

    int warnings = 0;
    for (const auto& l : cap.lines())
        if (l.text.find("no_such_colour_key_for_test") != std::string::npos) {
            ++warnings;
            EXPECT_EQ(l.level, qlog::LevelWarn);
        }
    EXPECT_EQ(warnings, 1);

    // A key asked as the wrong kind is treated like a missing one.
    EXPECT_EQ(res()->getColor(QStringLiteral("fnt_default_normal")), QColor(255, 0, 255));
    EXPECT_EQ(res()->getSize(QStringLiteral("clr_global_rise")), 0);
}

TEST_F(UiResourceTest, ThemeChangeReachesEveryLiveHandler)
{
    CountingHandler a;
    auto gone = std::make_unique<CountingHandler>();
    gone.reset(); // destroyed before the change: must not be called
    CountingHandler b;

    const QColor darkBg = res()->getColor(QStringLiteral("ic_clr_graph_kline_bg"));
    ASSERT_TRUE(res()->setTheme(QStringLiteral("light")));
    EXPECT_EQ(res()->currentTheme(), QStringLiteral("light"));
    EXPECT_EQ(a.themes, 1);
    EXPECT_EQ(b.themes, 1);
    EXPECT_NE(res()->getColor(QStringLiteral("ic_clr_graph_kline_bg")), darkBg);

    const QStringList lightKeys = res()->keys();
    res()->setTheme(QStringLiteral("dark"));
    EXPECT_EQ(a.themes, 2);
    EXPECT_EQ(res()->keys(), lightKeys) << "both themes hold the same keys";
}

TEST_F(UiResourceTest, HandlersMayDieOrBeBornDuringANotification)
{
    auto victim = std::make_unique<CountingHandler>();
    std::unique_ptr<CountingHandler> newborn;
    CountingHandler killer;
    killer.onTheme = [&]() {
        victim.reset();
        if (!newborn)
            newborn = std::make_unique<CountingHandler>();
    };
    // killer registered after victim: victim is notified first, then dies.
    // A second killer registered earlier kills a later one before its turn.
    CountingHandler early;
    auto late = std::make_unique<CountingHandler>();
    early.onTheme = [&]() { late.reset(); };

    res()->setTheme(QStringLiteral("light"));
    EXPECT_EQ(killer.themes, 1);
    EXPECT_EQ(early.themes, 1);
    EXPECT_EQ(victim, nullptr);
    EXPECT_EQ(late, nullptr);
    ASSERT_NE(newborn, nullptr);
    EXPECT_EQ(newborn->themes, 0); // born after the walk began

    res()->setTheme(QStringLiteral("dark"));
    EXPECT_EQ(newborn->themes, 1);
}

TEST_F(UiResourceTest, UnknownThemeChangesNothing)
{
    CountingHandler h;
    qlog::CLogCapture cap(qlog::kStdLogger);
    EXPECT_FALSE(res()->setTheme(QStringLiteral("neon")));
    EXPECT_EQ(res()->currentTheme(), QStringLiteral("dark"));
    EXPECT_EQ(h.themes, 0);
    EXPECT_TRUE(cap.contains("neon"));
    EXPECT_TRUE(res()->themeNames().contains(QStringLiteral("light")));
}

TEST_F(UiResourceTest, ScaleAndFixFontNotifyAndApply)
{
    CountingHandler h;
    const int px = res()->getFont(QStringLiteral("fnt_default_normal")).pixelSize();
    const int w = res()->getSize(QStringLiteral("ic_siz_winner_discribe_width"));
    res()->setScale(2.0);
    EXPECT_EQ(h.scales, 1);
    EXPECT_EQ(res()->getFont(QStringLiteral("fnt_default_normal")).pixelSize(), 2 * px);
    EXPECT_EQ(res()->getSize(QStringLiteral("ic_siz_winner_discribe_width")), 2 * w);
    res()->setScale(1000.0); // clamped
    EXPECT_LE(res()->scale(), 4.0);
    res()->setScale(std::numeric_limits<double>::quiet_NaN());
    EXPECT_LE(res()->scale(), 4.0);
    res()->setScale(1.0);
    EXPECT_EQ(res()->getSize(QStringLiteral("ic_siz_winner_discribe_width")), w);

    QFont mono = res()->getFont(QStringLiteral("fnt_default_normal_fix"));
    mono.setPixelSize(17);
    res()->setFixFont(mono);
    EXPECT_EQ(h.fixFonts, 1);
    EXPECT_EQ(res()->getFont(QStringLiteral("fnt_default_normal_fix")).pixelSize(), 17);
}

TEST_F(UiResourceTest, PicturesAreDrawnInThemeColoursAndCachedPerTheme)
{
    const QPixmap up = res()->getPixmap(QStringLiteral("ic_img_arrow_up"));
    EXPECT_EQ(up.size(), QSize(9, 9));
    EXPECT_EQ(res()->getPixmap(QStringLiteral("img_btn_ok")).size(), QSize(16, 16));
    EXPECT_EQ(res()->getPixmap(QStringLiteral("ic_img_arrow_up")).cacheKey(), up.cacheKey());

    const QImage img = up.toImage();
    // Apex at the top centre, base across the bottom, in the rise colour.
    EXPECT_EQ(QColor(img.pixel(4, 7)).rgb(), res()->getColor(QStringLiteral("clr_global_rise")).rgb());
    EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0);

    const QImage t = res()->getPixmap(QStringLiteral("ic_img_transparent")).toImage();
    EXPECT_EQ(t.size(), QSize(1, 1));
    EXPECT_EQ(qAlpha(t.pixel(0, 0)), 0);

    res()->setTheme(QStringLiteral("light"));
    const QPixmap upLight = res()->getPixmap(QStringLiteral("ic_img_arrow_up"));
    EXPECT_NE(upLight.cacheKey(), up.cacheKey());
    EXPECT_EQ(QColor(upLight.toImage().pixel(4, 7)).rgb(),
              res()->getColor(QStringLiteral("clr_global_rise")).rgb());
}

TEST_F(UiResourceTest, ThemeFileOverridesEntriesAndReportsBadLines)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage pic(5, 3, QImage::Format_ARGB32);
    pic.fill(qRgb(1, 2, 3));
    ASSERT_TRUE(pic.save(dir.filePath(QStringLiteral("mark.png"))));

    const QString path = writeFile(dir, QStringLiteral("my.theme"),
                                   "# my colours\n"
                                   "clr_global_rise = #102030\n"
                                   "clr_global_fall=10,20,30,40\n"
                                   "\n"
                                   "this line has no separator\n"
                                   "clr_text_default=not-a-colour\n"
                                   "fnt_default_normal=DejaVu Sans, sans-serif;15px;bold\n"
                                   "fnt_graph_axis_text=DejaVu Sans;huge\n"
                                   "ic_siz_winner_discribe_width=200\n"
                                   "ic_siz_winner_discribe_width_typo=abc\n"
                                   "ic_img_arrow_up=mark.png\n"
                                   "ic_img_arrow_down=missing.png\n"
                                   "my_new_clr_key=#ffffff\n"
                                   "mystery_key=1\n"
                                   "=#ffffff\n");
    CountingHandler h;
    qlog::CLogCapture cap(qlog::kStdLogger);
    EXPECT_FALSE(res()->loadThemeFile(path)); // some lines were bad
    EXPECT_EQ(h.themes, 1);

    EXPECT_EQ(res()->getColor(QStringLiteral("clr_global_rise")), QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(res()->getColor(QStringLiteral("clr_global_fall")), QColor(10, 20, 30, 40));
    const QFont f = res()->getFont(QStringLiteral("fnt_default_normal"));
    EXPECT_EQ(f.pixelSize(), 15);
    EXPECT_TRUE(f.bold());
    EXPECT_EQ(f.families().value(1), QStringLiteral("sans-serif"));
    EXPECT_EQ(res()->getSize(QStringLiteral("ic_siz_winner_discribe_width")), 200);
    EXPECT_EQ(res()->getPixmap(QStringLiteral("ic_img_arrow_up")).size(), QSize(5, 3));
    EXPECT_EQ(res()->getColor(QStringLiteral("my_new_clr_key")), QColor(255, 255, 255));
    // Rejected lines leave the previous values alone.
    EXPECT_TRUE(res()->getColor(QStringLiteral("clr_text_default")).isValid());
    EXPECT_NE(res()->getColor(QStringLiteral("clr_text_default")), QColor(255, 0, 255));
    EXPECT_EQ(res()->getFont(QStringLiteral("fnt_graph_axis_text")).pixelSize(), 12);
    EXPECT_EQ(res()->getPixmap(QStringLiteral("ic_img_arrow_down")).size(), QSize(9, 9));
    EXPECT_FALSE(res()->hasKey(QStringLiteral("mystery_key")));

    for (int badLine : {5, 6, 8, 10, 12, 14, 15}) {
        const std::string where = (path + QStringLiteral(":%1:").arg(badLine)).toStdString();
        EXPECT_TRUE(cap.contains(where)) << where;
    }
    for (int goodLine : {2, 3, 7, 9, 11, 13})
        EXPECT_FALSE(cap.contains((path + QStringLiteral(":%1:").arg(goodLine)).toStdString())) << goodLine;

    // Switching theme drops the overrides again.
    res()->setTheme(QStringLiteral("dark"));
    EXPECT_NE(res()->getColor(QStringLiteral("clr_global_rise")), QColor(0x10, 0x20, 0x30));
}

TEST_F(UiResourceTest, ThemeFileFailures)
{
    CountingHandler h;
    EXPECT_FALSE(res()->loadThemeFile(QStringLiteral("/nonexistent/dir/x.theme")));
    QTemporaryDir dir;
    const QString onlyBad = writeFile(dir, QStringLiteral("bad.theme"), "garbage\nclr_global_rise=\n");
    const QColor before = res()->getColor(QStringLiteral("clr_global_rise"));
    EXPECT_FALSE(res()->loadThemeFile(onlyBad));
    EXPECT_EQ(h.themes, 0); // nothing applied, nobody disturbed
    EXPECT_EQ(res()->getColor(QStringLiteral("clr_global_rise")), before);

    // Sizes and font sizes out of their bounds are refused, not scaled into
    // an overflow; the bounds themselves are fine.
    const int width = res()->getSize(QStringLiteral("ic_siz_winner_discribe_width"));
    const QString huge = writeFile(dir, QStringLiteral("huge.theme"),
                                   "ic_siz_winner_discribe_width=2147483647\n"
                                   "siz_title_height=-1\n"
                                   "my_siz_gap=4097\n"
                                   "fnt_default_normal=DejaVu Sans;201\n");
    EXPECT_FALSE(res()->loadThemeFile(huge));
    EXPECT_EQ(h.themes, 0);
    EXPECT_EQ(res()->getSize(QStringLiteral("ic_siz_winner_discribe_width")), width);
    EXPECT_FALSE(res()->hasKey(QStringLiteral("my_siz_gap")));
    const QString edge = writeFile(dir, QStringLiteral("edge.theme"),
                                   "my_siz_gap=4096\nmy_siz_none=0\nmy_fnt_big=DejaVu Sans;200\n");
    EXPECT_TRUE(res()->loadThemeFile(edge));
    EXPECT_EQ(res()->getSize(QStringLiteral("my_siz_gap")), 4096);
    EXPECT_EQ(res()->getSize(QStringLiteral("my_siz_none")), 0);
    EXPECT_EQ(res()->getFont(QStringLiteral("my_fnt_big")).pixelSize(), 200);

    const QString clean =
        writeFile(dir, QStringLiteral("ok.theme"), "\xEF\xBB\xBFic_clr_graph_yellow=yellow\r\n");
    EXPECT_TRUE(res()->loadThemeFile(clean));
    EXPECT_EQ(res()->getColor(QStringLiteral("ic_clr_graph_yellow")), QColor(255, 255, 0));
}
