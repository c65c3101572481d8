// The page-object class tree root TzvView: common fields, factory, add-in registry, string lists.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/draw/Canvas.h"
#include "platform/draw/Graphics.h"

namespace zv {

class Stream;
class TzvReport;
class TzvBand;
class TField;

// Object type codes as stored in a template (one byte). 4..9 and above 10 name no class.
enum TzvObjectType : uint8_t { otMemo = 0, otPicture = 1, otBand = 2, otSubReport = 3, otAddIn = 10 };

// Band kinds (one byte, kept in the low byte of a band object's Borders).
enum TzvBandKind : uint8_t {
    bkReportTitle,
    bkReportFooter,
    bkPageHeader,
    bkPageFooter,
    bkMainHeader,
    bkMainData,
    bkMainFooter,
    bkDetailHeader,
    bkDetailData,
    bkDetailFooter,
    bkSubDetailHeader,
    bkSubDetailData,
    bkSubDetailFooter,
    bkBackground,
    bkColumnHeader,
    bkColumnFooter,
    bkGroupHeader,
    bkGroupFooter,
    bkTableHeader,
    bkTableData,
    bkTableFooter,
    bkNone
};
constexpr int kBandKindCount = 22;
// Header, data and footer kinds of the data levels 1 to 3 (index 0 is no level).
inline constexpr uint8_t kLevelHeader[] = {0, bkMainHeader, bkDetailHeader, bkSubDetailHeader};
inline constexpr uint8_t kLevelData[] = {0, bkMainData, bkDetailData, bkSubDetailData};
inline constexpr uint8_t kLevelFooter[] = {0, bkMainFooter, bkDetailFooter, bkSubDetailFooter};
// The kinds whose band walks a data source.
constexpr bool IsDataBandKind(int kind)
{
    return kind == bkMainData || kind == bkDetailData || kind == bkSubDetailData || kind == bkTableData;
}
// Table bands (18..20) grow from left to right; all others from top to bottom.
constexpr bool IsTableBandKind(int kind) { return kind >= bkTableHeader && kind <= bkTableFooter; }
// Display name of a band kind from the process-wide band-name table ("" out of range).
const std::string& BandName(int kind);

// Frame line bits of Borders.
constexpr uint16_t frRight = 1, frBottom = 2, frLeft = 4, frTop = 8, frAll = 15;

// Option bits; the same bit means different things per class.
constexpr uint16_t moStretched = 1, moWordWrap = 2, moAutoWidth = 4;     // memo
constexpr uint16_t poStretched = 1, poCentered = 2, poProportional = 4;  // picture
constexpr uint16_t boStretched = 1, boNewPage = 2, boPrintIfEmpty = 4, boBreakable = 8,
                   boCompleteList = 16;  // band

// The version of the template that stores and reads the current form of every record.
constexpr int kTemplateVersion = 29;

// Coordinates of templates older than version 24 are in a smaller unit.
constexpr double kOldUnitScale = 1123.0 / 1088.0;

// One item of an editing host's popup menu; the caption "-" is a separator.
struct TzvMenuItem {
    std::string Caption;
    bool Checked = false;
    std::function<void()> OnClick;  // empty for separators
};
using TzvPopupMenu = std::vector<TzvMenuItem>;

// The root of every printable object. Objects belong to one page's object list; they know their
// report but not their page.
class TzvView {
public:
    explicit TzvView(TzvReport* report);
    virtual ~TzvView();
    TzvView(const TzvView&) = delete;
    TzvView& operator=(const TzvView&) = delete;

    // The class name as a template stores it for add-in objects ("TzvCodeBarreView").
    virtual std::string ClassName() const = 0;

    virtual bool UsesDataSource() const { return false; }
    // Frame rectangle and text insets from the geometry and the frame lines.
    virtual void CalcFrameRect();
    void ShowBackground();
    void ShowFrame();
    virtual void Assign(const TzvView& source);
    virtual void Draw(Canvas& canvas) = 0;
    // Common part of the object record; descendants read and write their extras after it.
    virtual void LoadFromStream(Stream& stream);
    virtual void SaveToStream(Stream& stream);
    // The rectangle the object covers, half the frame width included on sides with a line;
    // extended grows it by 10 units on every side.
    virtual Rect GetClipRgn(bool extended) const;
    // Appends the object's items to an editing host's popup menu; the base adds none.
    virtual void DefinePopupMenu(TzvPopupMenu& menu) { (void)menu; }
    // Fills the object from a database field holding a blob or memo; the base does nothing.
    virtual void GetBlob(const TField& field) { (void)field; }
    // One line of plain text describing the stored class extras (for dumps); "" when none.
    virtual std::string DescribeExtras() const { return {}; }

    // Stores the canvas and makes this the process-wide current object.
    void BeginDraw(Canvas& canvas);
    // Picks the first free name: the class name less "Tzv" and "View", followed by 1, 2, ...
    void GenerateName();

    std::string Name;
    TzvReport* ParentReport = nullptr;
    TzvBand* ParentBand = nullptr;  // the run-time band that prints the object; during preparation only
    // Set during preparation: the kind of the band that prints the object, and whether a
    // table-footer object lying within a table band registered its aggregates per column.
    uint8_t BandKindOfOwner = 0;
    bool TableFooterAggregate = false;
    Canvas* canvas = nullptr;  // canvas of the current drawing
    Rect DRect;                // frame rectangle (CalcFrameRect)
    int32_t InsetX = 0, InsetY = 0;
    std::vector<std::string> ExpandedLines;
    int32_t SavedHeight = -1;  // the designed height while a preparation runs, else -1
    // Run-time placement (preparation only): the object lies in no band yet, part of it is still
    // to print after a page break, its Top before a push-down (-1 when none), the designed
    // geometry to put back when the preparation ends, and the geometry kept during a split.
    bool Unplaced = false;
    bool PendingSplit = false;
    int32_t SavedTop = -1;
    struct Geometry {
        int32_t Left = 0, Top = 0, Width = 0, Height = 0;
    };
    Geometry DesignGeometry, SplitGeometry;
    Geometry GetGeometry() const { return {Left, Top, Width, Height}; }
    void SetGeometry(const Geometry& g)
    {
        Left = g.Left;
        Top = g.Top;
        Width = g.Width;
        Height = g.Height;
    }
    uint16_t Borders = 0;  // frame lines; a band object keeps its band kind here
    uint8_t Kind = 0;
    uint8_t Selected = 0;  // never stored
    int32_t Left = 0, Top = 0, Width = 0, Height = 0;
    uint16_t Options = 0;
    int32_t BorderWidth = 1;
    Color BorderColor = clBlack;
    uint16_t BorderStyle = 0;  // stored and copied, never applied (frames are solid)
    Color BackColor = clNone;
    uint32_t FormatCode = 0;
    std::string FormatText;
    std::vector<std::string> Lines;
    uint8_t Visible = 1;
};

// An option item of a popup menu: checked when view has the bit; a click sets the bit to the
// opposite of view's state on every selected object of the report (view included when selected).
TzvMenuItem OptionMenuItem(TzvView& view, const char* caption, uint16_t bit);

// The default display format: two decimals with the locale's decimal separator.
uint32_t DefaultFormatCode();

// Editor forms of add-in objects derive from this; the base opens nothing.
class TzvObjEditorForm {
public:
    virtual ~TzvObjEditorForm() = default;
    virtual void ShowEditor(TzvView* view) { (void)view; }
};

// One entry of the add-in object registry.
struct TzvAddInObjectInfo {
    std::string ClassName;
    std::function<std::unique_ptr<TzvView>(TzvReport*)> Create;
    std::function<std::unique_ptr<TzvObjEditorForm>()> CreateEditor;  // may be empty
    std::string ButtonBitmap;                                         // name of the bitmap resource
    std::string ButtonHint;
};
constexpr size_t kMaxAddIns = 32;

// Appends an entry; false (and nothing added) when the 32 entries are taken.
bool RegisterAddInObject(TzvAddInObjectInfo info);
// The registry in registration order; the library's own add-ins are registered on first use.
const std::vector<TzvAddInObjectInfo>& AddInObjects();
// Puts back a registry copied earlier from AddInObjects() (a host that unloads its add-ins, a
// test that registered some); more than 32 entries keep the first 32.
void ReplaceAddInObjects(std::vector<TzvAddInObjectInfo> entries);
// Gives the registered class its editor (the windowing layer supplies editors after the core
// registered the classes); false when the class is not registered.
bool SetAddInEditor(std::string_view className, std::function<std::unique_ptr<TzvObjEditorForm>()> createEditor);

// The factory: an object of the given type code for the current report. Code 10 looks the class
// name up in the add-in registry; an unknown class shows the missing-class box and throws
// SilentAbort. Any other code yields none.
std::unique_ptr<TzvView> CreateObject(uint8_t typeCode, const std::string& className);

// The first object of any page of the report, other than except, named name (case ignored).
TzvView* FindObject(const TzvReport* report, std::string_view name, const TzvView* except);

// A copy of the font turned 90 degrees counter-clockwise.
Font CreateRotatedFont(const Font& font);

// String lists in the form of the template version being read (ReadStrings) or in the current
// form (WriteStrings). A single string is stored as a one-line list.
void ReadStrings(Stream& stream, std::vector<std::string>& list);
void WriteStrings(Stream& stream, const std::vector<std::string>& list);
std::string ReadString(Stream& stream);
void WriteString(Stream& stream, const std::string& s);

// A string in double quotes for dumps: quotes and backslashes escaped, control bytes as \xNN.
std::string DumpQuote(const std::string& s);

// The longest line the writer stores; longer lines are cut.
constexpr size_t kMaxStoredLine = 1024;

}  // namespace zv
