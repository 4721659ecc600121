#pragma once

#include <QString>

namespace TC {
namespace flang {

// Drawing attributes and drawing functions of the language and the style
// codes the chart's drawing dispatches on.
//
// | source                         | style code | columns / extras                                  |
// |--------------------------------|-----------:|---------------------------------------------------|
// | NAME:expr; (no attribute)      |          0 | value                                             |
// | CIRCLEDOT                      |          1 | value                                             |
// | COLORSTICK                     |          2 | value                                             |
// | DOTLINE                        |          4 | value                                             |
// | VOLSTICK                       |         10 | value                                             |
// | NODRAW                         |         -1 | value (reported, not drawn)                       |
// | DRAWKLINE(H,O,L,C)             |         12 | open, high, low, close                            |
// | DRAWTEXT(cond,price,'text')    |         13 | price where cond; texts = 'text' where cond       |
// | VERTLINE(cond)                 |         14 | 1 where cond                                      |
// | DRAWICON(cond,price,n)         |         26 | price where cond; param1 = n                      |
// | DRAWNUMBER(cond,price,number)  |         28 | price, number (both where cond)                   |
// | STICKLINE(cond,p1,p2,w,empty)  |         36 | p1, p2 (where cond); param1 = w, param2 = empty   |
// | POLYLINE(cond,price)           |          0 | price through the vertices, interpolated between  |
// | PARTLINE(price,c1,colour1,...) |         41 | price where a condition holds; per-bar colours    |
// | DRAWLINE(c1,p1,c2,p2,expand)   |         43 | two columns of segments (they alternate)          |
// | DRAWBAND(v1,colour1,v2,colour2)|         44 | v1, v2 where they differ; per-bar colours         |
// | FILLRGN(p1,p2,c1,colour1,...)  |         44 | p1, p2 where a condition holds; per-bar colours   |
//
// Codes 43 and 44 are this language's own: 43 draws every column as a line
// broken at missing values, 44 fills between its two columns bar by bar.
// Per-bar colours of 41 and 44 are the colour arguments (COLORRED, RGB(..)
// or COLOR + hex, as numbers); the short forms PARTLINE(P,C) and
// FILLRGN(P1,P2,C) carry none and draw in the statement's colour.
//
// LINETHICK1..LINETHICK9 set the line width (default 1). Colours: COLORRED,
// COLORGREEN, COLORBLUE, COLORYELLOW, COLORWHITE, COLORBLACK, COLORMAGENTA,
// COLORCYAN, COLORGRAY, COLORLIGHTRED, COLORLIGHTGREEN, COLORLIGHTBLUE,
// COLORLIGHTGRAY, COLORBROWN, or COLOR followed by exactly six hex digits in
// BBGGRR order (COLOR00FFFF is yellow); packed as 0x00BBGGRR. Without a colour
// the output carries kDefaultColor and the drawing library picks one.
// When a statement names several style attributes the last one wins. On a
// drawing function only NODRAW changes the code (the function fixes it);
// colours and widths apply to every output.
class CFormulaStyle
{
public:
    static constexpr int kLine = 0;
    static constexpr int kCircleDot = 1;
    static constexpr int kColorStick = 2;
    static constexpr int kDotLine = 4;
    static constexpr int kVolStick = 10;
    static constexpr int kKLine = 12;
    static constexpr int kText = 13;
    static constexpr int kVertLine = 14;
    static constexpr int kIcon = 26;
    static constexpr int kNumber = 28;
    static constexpr int kStickLine = 36;
    static constexpr int kPartLine = 41;
    static constexpr int kLineSegments = 43;
    static constexpr int kFillBand = 44;
    static constexpr int kNoDraw = -1;
    static constexpr unsigned kDefaultColor = 0xFFFFFFFFu;

    enum class EAttrKind { None, Style, Color, Width };

    // Interprets one upper-case attribute word. Returns None for a word that
    // is no attribute; otherwise sets value (style code, packed colour or width).
    static EAttrKind parseAttribute(const QString& word, unsigned& value);
};

} // namespace flang
} // namespace TC
