// Arbitrary bytes as a theme file (`key=value` lines) applied over the dark
// theme at the largest display scale. Beyond not crashing: the entries that
// apply keep their kind's bounds after scaling (sizes and font pixel sizes
// within the store's limits), colours are valid, and switching the theme
// again drops every override.
//   scripts/fuzz.sh 60 fuzz_theme_file
#include <cstddef>
#include <cstdint>

#include <QFontMetrics>
#include <QGuiApplication>

#include "FuzzFolder.h"
#include "platform/framework/CDefaultTheme.h"
#include "platform/framework/CUiResource.h"

using fuzz::check;

namespace {

QStringList g_darkKeys;

bool hasPart(const QString& key, const char* part)
{
    return key.split(QLatin1Char('_'), Qt::SkipEmptyParts).contains(QLatin1String(part));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: the platform plugin's screens would count as leaks.
    static QGuiApplication* app = new QGuiApplication(*argc, *argv);
    Q_UNUSED(app);
    KW::CUiResource* r = KW::CUiResource::instance();
    check(r->setTheme(QStringLiteral("dark")));
    r->setScale(KW::CDefaultTheme::maxScale());
    g_darkKeys = r->keys();
    // fontconfig builds its caches on the first font: here, not in an input.
    for (const QString& key : g_darkKeys)
        QFontMetrics(r->getFont(key)).height();
    // A picture the file may name by a relative path.
    QImage(4, 4, QImage::Format_ARGB32).save(fuzz::scratch().filePath(QStringLiteral("p.png")));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path =
        fuzz::writeFile(QStringLiteral("theme.txt"), QByteArray(reinterpret_cast<const char*>(data), int(size)));
    KW::CUiResource* r = KW::CUiResource::instance();
    r->loadThemeFile(path);
    const double scale = r->scale();
    for (const QString& key : r->keys()) {
        if (hasPart(key, "siz")) {
            const int n = r->getSize(key);
            check(n >= 0 && n <= KW::CUiResource::kMaxSize * scale + 1);
        } else if (hasPart(key, "fnt")) {
            const int px = r->getFont(key).pixelSize();
            check(px == -1 || (px >= 1 && px <= KW::CUiResource::kMaxFontPixelSize * scale + 1));
        } else if (hasPart(key, "clr")) {
            check(r->getColor(key).isValid());
        } else if (hasPart(key, "img")) {
            r->getPixmap(key);
        }
    }
    check(r->setTheme(QStringLiteral("dark")));
    check(r->keys() == g_darkKeys);
    return 0;
}
