// Enhanced-metafile enumerator and player: walks validated records and plays them onto a Canvas.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "platform/draw/Canvas.h"
#include "platform/emf/EmfReader.h"

namespace zv {

enum class EmfAction { Play, Skip, Stop };

// What an enumeration callback sees of one record.
struct EmfRecordInfo {
    uint32_t index = 0;  // 0 is the header
    uint32_t type = 0;
    uint32_t size = 0;
    std::span<const uint8_t> data;  // the whole record, header included
    bool hasBounds = false;         // a bounded drawing record
    Rect bounds;                    // inclusive, reference-device pixels
    bool isText = false;            // EXTTEXTOUTA/W
    std::string text;               // Windows-1252
    Point reference;                // logical units of the metafile
    Font font;                      // the font selected when the record is reached (logical units)
};

// Plays a metafile onto a canvas (or only tracks its state when the canvas is null), mapping the
// picture's frame onto target. Records are validated by EmfFile; the player additionally ignores
// what cannot be drawn safely (unknown objects, bitmaps it cannot decode, unbalanced restores).
class EmfPlayer {
public:
    using Callback = std::function<EmfAction(const EmfRecordInfo&, EmfPlayer&)>;

    EmfPlayer(const EmfFile& file, Canvas* canvas, const Rect& target);
    ~EmfPlayer();
    EmfPlayer(const EmfPlayer&) = delete;
    EmfPlayer& operator=(const EmfPlayer&) = delete;

    // Clips everything the picture draws to this rectangle of the canvas.
    void setClip(const std::optional<Rect>& clip) { baseClip_ = clip; }

    // Walks all records; the callback (if any) decides per record. Without one, everything plays.
    // The canvas state (pen, brush, font, clipping) is saved before and restored after. The
    // canvas' clipping at the start stays in force: the picture can only narrow it.
    void run(const Callback& callback = {});
    // Plays one record now (for callbacks that change the state around a record, then Skip).
    void play(const EmfRecordInfo& record);

    // Device-context state a callback may look at or change.
    Color textColor() const;
    void setTextColor(Color c);
    Color bkColor() const;
    void setBkColor(Color c);
    uint32_t bkMode() const;  // 1 transparent, 2 opaque
    void setBkMode(uint32_t mode);
    int32_t penWidth() const;  // logical width of the selected pen
    Font currentFont() const;
    // Canvas pixels per reference-device pixel.
    double scaleX() const;
    double scaleY() const;

    struct Impl;

private:
    std::unique_ptr<Impl> d_;
    std::optional<Rect> baseClip_;
};

// Plays the whole metafile into target.
void PlayEmf(const EmfFile& file, Canvas& canvas, const Rect& target);
// Walks the records without drawing; the callback sees each record (Play keeps the state current).
void EnumerateEmf(const EmfFile& file, const std::function<EmfAction(const EmfRecordInfo&)>& callback);

}  // namespace zv
