#pragma once

#include <QString>

namespace TC {
namespace flang {

// One compiled statement. A hidden variable (NAME:=expr) only fills its slot;
// every other statement is an output. Unnamed outputs are called NONAME1,
// NONAME2, ... in statement order, the way the terminals title them.
struct CFormulaStatement {
    QString name;
    bool hidden = false;
    bool drawing = false; // root is a drawing function (DRAWTEXT, STICKLINE, ...)
    int root = -1;        // node index
    int slot = -1;        // variable slot, -1 when the value cannot be referenced
    int styleCode = 0;
    unsigned color = 0xFFFFFFFFu;
    int lineWidth = 1;
    int line = 0;
};

} // namespace flang
} // namespace TC
