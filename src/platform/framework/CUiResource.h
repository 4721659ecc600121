#pragma once

#include <map>

#include <QColor>
#include <QFont>
#include <QHash>
#include <QPixmap>
#include <QSet>
#include <QString>
#include <QStringList>

#include "platform/config/CSingletonT.h"
#include "platform/framework/CThemeEntry.h"

namespace KW {

class CUiResourceChangeHandler;

// The process-wide store of colours, fonts, sizes and pictures, looked up by
// key. Values come from the current theme (built-in "dark" by default, or
// "light"); a theme file may override single entries.
//
// Unknown keys never fail: they yield magenta, the default font, size 0 or an
// empty picture, and log one warning per key so the omission is found.
// Asking for a key as the wrong kind (a font key through getColor) is treated
// the same way.
//
// Theme files are UTF-8 text, one `key=value` per line; blank lines and lines
// starting with '#' or ';' are ignored. Values by kind of key:
//   colour  "#rrggbb", "#aarrggbb", an SVG colour name, or "r,g,b[,a]" (0..255)
//   font    "<families, comma separated>;<pixel size 1..kMaxFontPixelSize>[px][;bold|normal]"
//   size    an integer, 0..kMaxSize
//   picture an image file, relative paths taken from the theme file's folder
// A key the themes do not define is accepted when its name tells its kind
// (a "clr_", "fnt_", "siz_" or "img_" part). Every malformed line is logged
// with file and line number and skipped; the valid lines still apply.
//
// Scale: fonts' pixel sizes and integer sizes are multiplied by the scale
// factor (rounded, fonts at least 1 pixel); pictures are not scaled.
//
// GUI thread only, like every widget that reads it; getPixmap() needs the
// QGuiApplication (as every QPixmap does), the other getters do not.
class CUiResource
{
public:
    // Bounds of a theme file's sizes and font pixel sizes (before scaling),
    // so a typo cannot ask for a widget or a glyph of gigabytes.
    static constexpr int kMaxSize = 4096;
    static constexpr int kMaxFontPixelSize = 200;

    static CUiResource* instance();

    QColor getColor(const QString& key) const;
    QFont getFont(const QString& key) const;
    int getSize(const QString& key) const;
    QPixmap getPixmap(const QString& key) const;

    bool hasKey(const QString& key) const;
    // Every key of the current table, sorted.
    QStringList keys() const;

    // Switches to a built-in theme and notifies every handler's themeChanged().
    // Overrides loaded from theme files are dropped. An unknown name is
    // logged and changes nothing (false).
    bool setTheme(const QString& name);
    QString currentTheme() const;
    QStringList themeNames() const;

    // Applies the entries of a theme file on top of the current theme and
    // notifies themeChanged() when at least one entry applied. True when the
    // file was read and every line was valid.
    bool loadThemeFile(const QString& path);

    // Display scale factor, clamped to the theme's bounds; notifies scaleChanged().
    void setScale(double factor);
    double scale() const { return m_scale; }

    // Replaces the fixed-pitch font ("fnt_default_normal_fix") and notifies
    // setFixFont().
    void setFixFont(const QFont& font);

private:
    friend class utils::CSingletonT<CUiResource>;
    friend class CUiResourceChangeHandler;

    CUiResource();
    CUiResource(const CUiResource&) = delete;
    CUiResource& operator=(const CUiResource&) = delete;

    enum class ENotice { Theme, Scale, FixFont };

    const CThemeEntry* lookup(const QString& key, CThemeEntry::EKind kind) const;
    void warnOnce(const QString& key, const char* why) const;
    void notify(ENotice notice);
    int scaled(int value) const;

    // Theme file parsing (CUiResourceThemeFile.cpp).
    bool parseEntry(const QString& key, const QString& value, const QString& baseDir, CThemeEntry& out,
                    QString& error) const;
    static bool kindFromKeyName(const QString& key, CThemeEntry::EKind& kind);

    quint64 registerHandler(CUiResourceChangeHandler* handler);
    void unregisterHandler(quint64 id);

    QHash<QString, CThemeEntry> m_table;
    QString m_themeName;
    double m_scale = 1.0;
    mutable QHash<QString, QPixmap> m_pixmapCache; // per theme, cleared on change
    mutable QSet<QString> m_warnedKeys;
    std::map<quint64, CUiResourceChangeHandler*> m_handlers; // by registration order
};

} // namespace KW
