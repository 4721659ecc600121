#pragma once
// The benchmarks' instrument: 10 000 daily bars of a seeded random walk as a
// user CSV file, so every chart benchmark (and the peers beside it) draws the
// same data.
#include <algorithm>
#include <random>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTextStream>

namespace bench {

constexpr int kBars = 10000;
constexpr const char* kKey = "SH688888";

// Writes the file into <home>/csv/ and returns its path.
inline QString writeInstrumentCsv(const QString& home)
{
    QDir().mkpath(home + "/csv");
    const QString path = home + "/csv/SH_688888_BENCH_day.csv";
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QTextStream out(&f);
    out << "date,open,high,low,close,volume\n";
    std::mt19937 rng(7);
    std::normal_distribution<double> step(0.0, 0.02);
    double close = 10.0;
    QDate d(1985, 1, 2);
    for (int i = 0; i < kBars; ++i) {
        while (d.dayOfWeek() > 5)
            d = d.addDays(1);
        const double open = close;
        close = std::max(0.5, open * (1.0 + step(rng)));
        const double high = std::max(open, close) * 1.01;
        const double low = std::min(open, close) * 0.99;
        out << d.toString("yyyy-MM-dd") << ',' << open << ',' << high << ',' << low << ',' << close << ','
            << 100000 + (i * 7919) % 900000 << '\n';
        d = d.addDays(1);
    }
    return path;
}

} // namespace bench
