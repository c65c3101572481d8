// The metafile test page shared by the core, Qt and benchmark programs: fonts, sizes, rotations,
// lines, rectangles, polygons, a bitmap and clipping on a 400 x 300 pixel picture.
#pragma once

#include <string>
#include <vector>

#include "platform/draw/Canvas.h"

namespace zvtest {

// The texts the page draws, in order (Windows-1252).
inline const std::vector<std::string>& TestPageTexts()
{
    static const std::vector<std::string> texts = {
        "Liberation Sans 10",
        "Grassetto corsivo",
        "Serif 14",
        "Mono 9",
        "Ruotato 45",
        "Verticale",
        "Testo ritagliato dal rettangolo",
        "Citt\xE0 \x80 12,50",
    };
    return texts;
}

inline zv::Bitmap TestPageBitmap()
{
    zv::Bitmap b;
    b.width = 8;
    b.height = 6;
    b.pixels.resize(48);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            b.at(x, y) = 0xFF000000u | (static_cast<uint32_t>(x * 32) << 16) | (static_cast<uint32_t>(y * 40) << 8) |
                         ((x + y) % 2 ? 0xC0u : 0x20u);
    return b;
}

inline void DrawTestPage(zv::Canvas& c)
{
    using namespace zv;
    const auto& t = TestPageTexts();
    c.setBrush({clWhite, BrushStyle::Clear});
    Font f;
    f.name = "Arial";
    f.height = -13;
    c.setFont(f);
    c.textOut(10, 10, t[0]);
    f.style = fsBold | fsItalic;
    f.color = clNavy;
    c.setFont(f);
    c.textOut(10, 30, t[1]);
    f = Font{};
    f.name = "Times New Roman";
    f.height = -19;
    f.color = clMaroon;
    c.setFont(f);
    c.textOut(10, 50, t[2]);
    f = Font{};
    f.name = "Courier New";
    f.height = -12;
    c.setFont(f);
    c.setBrush({clYellow, BrushStyle::Solid});  // an opaque background
    c.textOut(10, 80, t[3]);
    c.setBrush({clWhite, BrushStyle::Clear});
    f = Font{};
    f.height = -15;
    f.escapement = f.orientation = 450;
    f.color = clGreen;
    c.setFont(f);
    c.textOut(200, 120, t[4]);
    f.escapement = f.orientation = 900;
    f.color = clBlack;
    c.setFont(f);
    c.textOut(370, 200, t[5]);
    f = Font{};
    f.height = -13;
    c.setFont(f);
    c.setPen({clGray, 1});
    c.rectangle({10, 250, 110, 270});
    c.textRect({11, 251, 109, 269}, 14, 253, t[6]);
    f.height = -16;
    f.style = fsUnderline;
    c.setFont(f);
    c.textOut(10, 275, t[7]);
    // Lines, rectangles, polygons.
    c.setPen({clRed, 1});
    c.moveTo(10, 100);
    c.lineTo(190, 100);
    c.setPen({clBlue, 3, PenStyle::Solid});
    c.moveTo(10, 110);
    c.lineTo(190, 140);
    c.setPen({clBlack, 1, PenStyle::Dot});
    c.moveTo(10, 150);
    c.lineTo(190, 150);
    c.setPen({clBlack, 1});
    c.setBrush({clSilver, BrushStyle::Solid});
    c.rectangle({220, 10, 300, 60});
    c.setBrush({clAqua, BrushStyle::Cross});
    c.rectangle({310, 10, 390, 60});
    c.setBrush({clBlack, BrushStyle::Solid});
    for (int i = 0; i < 12; ++i) c.fillRect({220 + i * 6, 70, 220 + i * 6 + (i % 3 + 1), 100});
    c.setBrush({clFuchsia, BrushStyle::Solid});
    const Point star[] = {{60, 160}, {75, 200}, {40, 175}, {80, 175}, {45, 200}};
    c.polygon(star);
    c.setPen({clTeal, 2});
    const Point zig[] = {{100, 200}, {120, 170}, {140, 200}, {160, 170}, {180, 200}};
    c.polyline(zig);
    // A bitmap, and a clipped rectangle.
    c.stretchDraw({220, 160, 300, 220}, TestPageBitmap());
    c.saveState();
    c.intersectClipRect({310, 160, 350, 200});
    c.setPen({clBlack, 1});
    c.setBrush({clLime, BrushStyle::Solid});
    c.rectangle({300, 150, 360, 210});
    c.restoreState();
    c.setBrush({clWhite, BrushStyle::Clear});
    c.setPen({clOlive, 1});
    c.rectangle({310, 160, 350, 200});
}

}  // namespace zvtest
