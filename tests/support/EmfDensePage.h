// A dense A4 page for the metafile benchmarks: 100 text lines, 50 rectangles and 20 barcodes
// drawn as polygons (one four-point polygon per bar).
#pragma once

#include <string>

#include "platform/draw/Canvas.h"

namespace zvtest {

constexpr int kDensePageWidth = 794, kDensePageHeight = 1123;

inline void DrawDensePage(zv::Canvas& c)
{
    using namespace zv;
    Font f;
    f.height = -11;
    c.setFont(f);
    c.setBrush({clWhite, BrushStyle::Clear});
    for (int i = 0; i < 100; ++i)
        c.textOut(40, 20 + i * 10, "Riga " + std::to_string(i + 1) + " Rossi Mario RSSMRA80A01H501U 8012345678901");
    c.setPen({clBlack, 1});
    for (int i = 0; i < 50; ++i) {
        c.setBrush({i % 2 ? clSilver : clWhite, BrushStyle::Solid});
        c.rectangle({420 + (i % 5) * 70, 20 + (i / 5) * 40, 480 + (i % 5) * 70, 50 + (i / 5) * 40});
    }
    c.setPen({clBlack, 1, PenStyle::Clear});
    c.setBrush({clBlack, BrushStyle::Solid});
    for (int b = 0; b < 20; ++b) {
        const int x0 = 420 + (b % 2) * 180, y0 = 440 + (b / 2) * 65;
        int x = x0;
        for (int bar = 0; bar < 60; ++bar) {
            const int w = 1 + (bar * 7 + b) % 3;
            const Point p[] = {{x, y0}, {x + w, y0}, {x + w, y0 + 50}, {x, y0 + 50}};
            c.polygon(p);
            x += w + 1 + (bar * 5 + b) % 2;
        }
    }
}

}  // namespace zvtest
