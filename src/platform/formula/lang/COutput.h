#pragma once

#include <vector>

#include <QString>

namespace TC {
namespace flang {

// One drawn output of a formula run. Every "no value" in columns is the
// largest double. styleCode -1 means NODRAW (the output has no style code,
// its values are still reported, e.g. for the title line). color is
// 0x00BBGGRR, 0xFFFFFFFF leaves the choice to the drawing library.
struct COutput {
    QString name;
    int styleCode = 0;
    unsigned color = 0xFFFFFFFFu;
    int lineWidth = 1;
    std::vector<std::vector<double>> columns;
    std::vector<QString> texts; // DRAWTEXT only: the text per bar, empty where not drawn
    // PARTLINE, DRAWBAND, FILLRGN with colours: 0x00BBGGRR per bar,
    // 0xFFFFFFFF where the output's colour applies; empty otherwise
    std::vector<unsigned> barColors;
    double param1 = 0.0; // STICKLINE width, DRAWICON icon number
    double param2 = 0.0; // STICKLINE hollow flag
};

} // namespace flang
} // namespace TC
