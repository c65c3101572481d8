// Test helper: builds template byte sequences of any version by hand, field by field.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Stream.h"
#include "platform/draw/Graphics.h"

namespace zvtest {

// The fields of an object's common part, with the defaults of a fresh memo.
struct Common {
    int32_t left = 0, top = 0, width = 100, height = 20;
    uint16_t options = 0, borders = 0;
    int32_t borderWidth = 1;
    uint32_t borderColor = 0;
    uint16_t borderStyle = 0;
    uint32_t backColor = zv::clNone;
    uint32_t formatCode = 0x22C;
    std::string formatText;
    std::vector<std::string> lines;
    uint8_t visible = 1;
    std::string name;
};

struct PageRec {
    int32_t paper = 9, width = 2100, height = 2970;
    int32_t margins[4] = {38, 38, 38, 57};
    uint8_t orientation = 0;
    int16_t headerFirst = -1, footerLast = -1, repeatTableHeader = 0, continuePrevious = 0;
    int32_t columns = 0, gap = 0, scaleX = 100, scaleY = 100;
};

class Bytes {
public:
    explicit Bytes(int version) : version_(version) {}
    std::vector<uint8_t> b;

    Bytes& u8(uint8_t v)
    {
        b.push_back(v);
        return *this;
    }
    Bytes& u16(uint16_t v) { return u8(v & 0xFF).u8(v >> 8); }
    Bytes& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Bytes& i32(int32_t v) { return u32(static_cast<uint32_t>(v)); }
    Bytes& raw(std::string_view s)
    {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& str(std::string_view s) { return u8(static_cast<uint8_t>(s.size())).raw(s); }
    // A string list in the form of this version.
    Bytes& list(const std::vector<std::string>& lines)
    {
        if (version_ >= 26) {
            u16(static_cast<uint16_t>(lines.size()));
            for (const auto& l : lines) u16(static_cast<uint16_t>(l.size())).raw(l);
            return *this;
        }
        for (const auto& l : lines) raw(l).u8(13);
        return u8(0);
    }

    // The version byte (absent for version 21, whose files start with the options).
    Bytes& version()
    {
        if (version_ > 21) u8(static_cast<uint8_t>(version_));
        return *this;
    }
    Bytes& noSources() { return version_ >= 23 ? u32(0) : *this; }
    Bytes& plainSource(std::string_view name, uint8_t rb = 0, uint8_t re = 0, int32_t count = 0)
    {
        return u8(0).str(name).u8(rb).u8(re).u16(0).i32(count);
    }
    Bytes& dbSource(std::string_view qualified, std::string_view name, bool filtered = false,
                    std::string_view filter = {}, uint8_t rb = 0, uint8_t re = 0, int32_t count = 0)
    {
        u8(1).str(qualified);
        if (version_ >= 27) u8(filtered ? 1 : 0).str(filter);
        return str(name).u8(rb).u8(re).u16(0).i32(count);
    }
    Bytes& options(int16_t twoPass = 0, int16_t interleave = 0, int16_t numbering = 0)
    {
        if (version_ <= 28) u16(0);
        u16(static_cast<uint16_t>(twoPass));
        if (version_ >= 23) u16(static_cast<uint16_t>(interleave)).u16(static_cast<uint16_t>(numbering));
        if (version_ <= 28) list({"ignored"});
        return *this;
    }
    Bytes& page(const PageRec& p = {})
    {
        u8(255).i32(p.paper).i32(p.width).i32(p.height);
        for (int32_t m : p.margins) i32(m);
        u8(p.orientation).u16(p.headerFirst).u16(p.footerLast).u16(p.repeatTableHeader).u16(p.continuePrevious);
        if (version_ <= 28) u16(0);
        i32(p.columns).i32(p.gap);
        if (version_ >= 25) i32(p.scaleX).i32(p.scaleY);
        return *this;
    }
    Bytes& common(const Common& c)
    {
        i32(c.left).i32(c.top).i32(c.width).i32(c.height).u16(c.options).u16(c.borders).i32(c.borderWidth);
        u32(c.borderColor).u16(c.borderStyle).u32(c.backColor).u32(c.formatCode).list({c.formatText}).list(c.lines);
        if (version_ >= 23) u8(c.visible).str(c.name);
        return *this;
    }
    // Memo extras: font name, size, style, colour, alignment, highlight block, active, expression.
    Bytes& memoExtras(std::string_view font = "Arial", int32_t size = 10, uint16_t style = 0, uint32_t color = 0,
                      uint32_t alignment = 0, uint16_t hStyle = 2, uint32_t hFont = 0, uint32_t hBack = 0xFFFFFF,
                      int16_t hActive = 0, std::string_view hExpr = {})
    {
        list({std::string(font)}).i32(size).u16(style).u32(color).u32(alignment);
        u16(hStyle).u32(hFont).u32(hBack).u16(static_cast<uint16_t>(hActive));
        return list(hExpr.empty() ? std::vector<std::string>{} : std::vector<std::string>{std::string(hExpr)});
    }
    Bytes& memo(uint8_t pageIndex, const Common& c) { return u8(0).u8(pageIndex).common(c).memoExtras(); }
    Bytes& band(uint8_t pageIndex, const Common& c) { return u8(2).u8(pageIndex).common(c); }
    Bytes& values() { return u8(254).u32(0).list({}); }

    zv::MemoryStream stream() const { return zv::MemoryStream(b); }

private:
    int version_;
};

}  // namespace zvtest
