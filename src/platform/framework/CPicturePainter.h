#pragma once

#include <QColor>
#include <QPixmap>
#include <QSize>

#include "platform/framework/CThemeEntry.h"

namespace KW {

// Draws the theme's pictures that have no image file: small glyphs (arrows,
// handles, button faces, grips) scaled to the requested size in the two
// colours the theme gives. Needs a QGuiApplication.
class CPicturePainter
{
public:
    static QPixmap paint(EPictureShape shape, const QSize& size, const QColor& foreground,
                         const QColor& background);
};

} // namespace KW
