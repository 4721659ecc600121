#include "platform/formula/lang/CFormulaStyle.h"

namespace TC {
namespace flang {

namespace {

struct CNamedValue {
    const char* name;
    unsigned value;
};

// The language's colour constants (0x00BBGGRR), the values the public
// terminals document for these names.
const CNamedValue kColors[] = {
    {"COLORRED", 0x0000FFu},       {"COLORGREEN", 0x00FF00u},      {"COLORBLUE", 0xFF0000u},
    {"COLORYELLOW", 0x00FFFFu},    {"COLORWHITE", 0xFFFFFFu},      {"COLORBLACK", 0x000000u},
    {"COLORMAGENTA", 0xFF00FFu},   {"COLORCYAN", 0xFFFF00u},       {"COLORGRAY", 0x808080u},
    {"COLORLIGHTRED", 0x8080FFu},  {"COLORLIGHTGREEN", 0x80FF80u}, {"COLORLIGHTBLUE", 0xFF8080u},
    {"COLORLIGHTGRAY", 0xC0C0C0u}, {"COLORBROWN", 0x004080u},
};

const CNamedValue kStyles[] = {
    {"CIRCLEDOT", unsigned(CFormulaStyle::kCircleDot)}, {"COLORSTICK", unsigned(CFormulaStyle::kColorStick)},
    {"DOTLINE", unsigned(CFormulaStyle::kDotLine)},     {"VOLSTICK", unsigned(CFormulaStyle::kVolStick)},
    {"NODRAW", unsigned(CFormulaStyle::kNoDraw)},
};

} // namespace

CFormulaStyle::EAttrKind CFormulaStyle::parseAttribute(const QString& word, unsigned& value)
{
    for (const CNamedValue& s : kStyles) {
        if (word == QLatin1String(s.name)) {
            value = s.value;
            return EAttrKind::Style;
        }
    }
    for (const CNamedValue& c : kColors) {
        if (word == QLatin1String(c.name)) {
            value = c.value;
            return EAttrKind::Color;
        }
    }
    if (word.size() == 10 && word.startsWith(QLatin1String("LINETHICK"))) {
        const QChar d = word.at(9);
        if (d >= QLatin1Char('1') && d <= QLatin1Char('9')) {
            value = unsigned(d.unicode() - '0');
            return EAttrKind::Width;
        }
    }
    if (word.size() == 11 && word.startsWith(QLatin1String("COLOR"))) {
        unsigned v = 0;
        for (int i = 5; i < 11; ++i) {
            const int d = QStringLiteral("0123456789ABCDEF").indexOf(word.at(i));
            if (d < 0)
                return EAttrKind::None;
            v = v * 16 + unsigned(d);
        }
        value = v;
        return EAttrKind::Color;
    }
    return EAttrKind::None;
}

} // namespace flang
} // namespace TC
