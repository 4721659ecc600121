#pragma once

#include <QColor>
#include <QFont>
#include <QSize>
#include <QString>

namespace KW {

// Shapes the picture painter can draw when a picture key has no image file.
enum class EPictureShape {
    Transparent, // fully transparent
    Fill,        // flat fill of the foreground colour
    ArrowUp,     // filled triangles pointing the named way
    ArrowDown,
    ArrowLeft,
    ArrowRight,
    RoundedBlock, // rounded rectangle, foreground fill, background outline
    ButtonFrame,  // button face: background fill, foreground outline
    GripVertical, // splitter grip: dots down the middle
    CheckMark,    // tick on a button face
    Cross,        // close glyph
    HandleUp,     // square handle with a glyph: up / down / start / end
    HandleDown,
    HandleStart,
    HandleEnd
};

// One value of the resource store. The kind is fixed by the key's entry in the
// default theme; a theme file may only replace a value with one of the same kind.
struct CThemeEntry {
    enum EKind { Colour, Font, Size, Picture };

    EKind kind = Colour;
    QColor colour;
    QFont font;
    int size = 0;

    // Pictures: an image file when imageFile is set, otherwise drawn from the
    // recipe below with the theme's colours of the two keys.
    QString imageFile;
    EPictureShape shape = EPictureShape::Transparent;
    QSize pictureSize;
    QString foregroundKey;
    QString backgroundKey;

    static CThemeEntry makeColour(const QColor& c)
    {
        CThemeEntry e;
        e.kind = Colour;
        e.colour = c;
        return e;
    }
    static CThemeEntry makeFont(const QFont& f)
    {
        CThemeEntry e;
        e.kind = Font;
        e.font = f;
        return e;
    }
    static CThemeEntry makeSize(int s)
    {
        CThemeEntry e;
        e.kind = Size;
        e.size = s;
        return e;
    }
    static CThemeEntry makePicture(EPictureShape shape, const QSize& size, const QString& fg,
                                   const QString& bg)
    {
        CThemeEntry e;
        e.kind = Picture;
        e.shape = shape;
        e.pictureSize = size;
        e.foregroundKey = fg;
        e.backgroundKey = bg;
        return e;
    }
};

} // namespace KW
