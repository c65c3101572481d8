// Spreadsheet export: sheet layout, cell values, CSV text and the XLSX workbook.
#include "report/ZV_Spreadsheet.h"

#include <unistd.h>

#include <xlsxwriter.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <tuple>

#include "platform/base/Error.h"
#include "platform/base/Files.h"
#include "platform/base/Format.h"
#include "platform/base/Numeric.h"
#include "platform/base/SharedLibrary.h"
#include "platform/base/Stream.h"
#include "platform/base/Text.h"
#include "platform/draw/FontMetrics.h"
#include "report/ZV_Const.h"
#include "report/ZV_EMFPages.h"
#include "report/ZV_Report.h"

namespace zv {
namespace {

std::optional<TzvSheetValue> NumberCell(const std::string& s, const FormatSettings& fs)
{
    size_t i = s.empty() || s[0] != '-' ? 0 : 1;
    const size_t intStart = i;
    std::string plain = i ? "-" : "";  // the number with its separators taken out, "." for decimals
    size_t intDigits = 0, groupDigits = 0;
    bool grouped = false;
    for (; i < s.size(); ++i) {
        if (IsDigit(s[i])) {
            plain += s[i];
            ++intDigits;
            ++groupDigits;
        } else if (s[i] == fs.thousandSeparator && s[i] != fs.decimalSeparator && intDigits > 0 &&
                   (grouped ? groupDigits == 3 : groupDigits <= 3)) {
            grouped = true;
            groupDigits = 0;
        } else {
            break;
        }
    }
    if (intDigits == 0 || (grouped && groupDigits != 3)) return std::nullopt;
    if (s[intStart] == '0' && intDigits > 1) return std::nullopt;  // leading zeros: a code
    if (!grouped && intDigits > 9) return std::nullopt;
    size_t decimals = 0;
    if (i < s.size() && s[i] == fs.decimalSeparator) {
        plain += '.';
        for (++i; i < s.size() && IsDigit(s[i]); ++i, ++decimals) plain += s[i];
        if (decimals == 0) return std::nullopt;
    }
    if (i != s.size() || intDigits + decimals > 15) return std::nullopt;
    TzvSheetValue v{TzvSheetValue::Number, 0, grouped ? "#,##0" : "0"};
    std::from_chars(plain.data(), plain.data() + plain.size(), v.value);
    if (decimals) v.numFormat += "." + std::string(decimals, '0');
    return v;
}

// The text has the shape of the short date format (d, m: one or two digits; yy, yyyy: that many
// digits; the separators as they stand, "/" meaning the date separator).
std::optional<TzvSheetValue> DateCell(const std::string& s, const FormatSettings& fs)
{
    const std::string& f = fs.shortDateFormat;
    std::string numFormat;
    size_t i = 0;
    for (size_t j = 0; j < f.size();) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(f[j])));
        if (c == 'd' || c == 'm' || c == 'y') {
            size_t run = 1;
            while (j + run < f.size() && std::tolower(static_cast<unsigned char>(f[j + run])) == c) ++run;
            size_t digits = 0;
            while (i + digits < s.size() && IsDigit(s[i + digits])) ++digits;
            const bool fits =
                c == 'y' ? (run == 2 || run == 4) && digits == run : run <= 2 && digits >= 1 && digits <= 2;
            if (!fits) return std::nullopt;
            numFormat.append(run, c);
            i += digits;
            j += run;
        } else if (std::isalpha(static_cast<unsigned char>(c))) {
            return std::nullopt;  // names or other fields: no shape to hold the text against
        } else {
            const char sep = f[j] == '/' ? fs.dateSeparator : f[j];
            if (i >= s.size() || s[i] != sep) return std::nullopt;
            numFormat += sep;
            ++i;
            ++j;
        }
    }
    if (i != s.size()) return std::nullopt;
    constexpr double kFirstOfMarch1900 = 61;  // before it, spreadsheet day numbers are one off
    try {
        const double day = StrToDate(s, fs);
        if (day < kFirstOfMarch1900) return std::nullopt;
        return TzvSheetValue{TzvSheetValue::Date, day, numFormat};
    } catch (const ConvertError&) {
        return std::nullopt;
    }
}

// A file in the temporary folder, removed when this goes.
class TemporaryFile {
public:
    TemporaryFile() : path_((std::filesystem::temp_directory_path() / "zv-sheet-XXXXXX").string())
    {
        const int fd = ::mkstemp(path_.data());
        if (fd < 0) throw StreamError("Cannot create file \"" + path_ + "\"");
        ::close(fd);
    }
    ~TemporaryFile() { std::remove(path_.c_str()); }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The libxlsxwriter functions used here, taken from the library when the first workbook is written.
// clang-format off
#define ZV_XLSXWRITER_FUNCTIONS(X) \
    X(format_set_num_format) X(lxw_strerror) X(workbook_add_format) X(workbook_add_worksheet) \
    X(workbook_close) X(workbook_new) X(worksheet_set_column) X(worksheet_write_number) \
    X(worksheet_write_string)
// clang-format on

ZV_SHARED_LIBRARY_API(LibXlsxWriter, Xlsx, ZV_XLSXWRITER_FUNCTIONS, ZV_XLSXWRITER_SONAME, "the XLSX writer library")

void CheckXlsx(lxw_error error)
{
    if (error != LXW_NO_ERROR) throw Exception(kXlsxWriteError + std::string(Xlsx().lxw_strerror(error)));
}

}  // namespace

TzvSheet LayOutSheet(std::vector<TzvSheetText> texts)
{
    for (TzvSheetText& t : texts) t.Text = Trim(t.Text);
    std::erase_if(texts, [](const TzvSheetText& t) { return t.Text.empty(); });

    std::vector<int32_t> edges;
    for (const TzvSheetText& t : texts) edges.push_back(t.X);
    std::sort(edges.begin(), edges.end());
    std::vector<int32_t> columnStarts;
    for (int32_t x : edges)
        if (columnStarts.empty() || int64_t{x} - columnStarts.back() > kSheetColumnTolerance) columnStarts.push_back(x);

    std::stable_sort(texts.begin(), texts.end(), [](const TzvSheetText& a, const TzvSheetText& b) {
        return std::tie(a.Page, a.Baseline, a.X) < std::tie(b.Page, b.Baseline, b.X);
    });
    TzvSheet sheet;
    int32_t rowPage = 0, rowBaseline = 0;
    for (const TzvSheetText& t : texts) {
        if (sheet.empty() || t.Page != rowPage || int64_t{t.Baseline} - rowBaseline > kSheetRowTolerance) {
            sheet.emplace_back(columnStarts.size());
            rowPage = t.Page;
            rowBaseline = t.Baseline;
        }
        // Every edge is in columnStarts' range: its column is the last one starting at or before it.
        const size_t column = static_cast<size_t>(std::upper_bound(columnStarts.begin(), columnStarts.end(), t.X) -
                                                  columnStarts.begin() - 1);
        std::string& cell = sheet.back()[column];
        if (!cell.empty()) cell += ' ';
        cell += t.Text;
    }
    return sheet;
}

TzvSheetValue ClassifySheetText(std::string_view text, const FormatSettings& fs)
{
    const std::string s = Trim(text);
    if (auto number = NumberCell(s, fs)) return *number;
    if (auto date = DateCell(s, fs)) return *date;
    return {};
}

std::string CsvField(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

std::string SheetToCsv(const TzvSheet& sheet)
{
    std::string out;
    for (const auto& row : sheet) {
        for (size_t c = 0; c < row.size(); ++c) {
            if (c) out += ',';
            out += CsvField(Cp1252ToUtf8(row[c]));
        }
        out += "\r\n";
    }
    return out;
}

void TzvSheetExportFilter::OnBeginPage(int32_t, int32_t)
{
    ++page_;
    spans_.clear();
    if (SkipPageBands && Report && page_ < Report->EMFPages.Count())
        spans_ = Report->EMFPages.Pages(page_).PageBandSpans;
}

void TzvSheetExportFilter::OnText(int32_t x, int32_t y, const Font& font, const std::string& text)
{
    for (const auto& [top, bottom] : spans_)
        if (y >= top && y < bottom) return;
    // Texts are placed by the top of their cell; rows go by baseline, so that texts of different
    // sizes on one line share a row.
    const int64_t baseline = int64_t{y} + DefaultFontMetrics().metrics(font).ascent;
    texts_.push_back({page_, x, Saturate32(baseline), text});
}

void TzvSheetExportFilter::OnEndDoc()
{
    WriteSheet(LayOutSheet(std::move(texts_)));
    texts_.clear();
}

void TzvCsvExportFilter::WriteSheet(const TzvSheet& sheet) { stream_.writeBytes(SheetToCsv(sheet)); }

void TzvXlsxExportFilter::WriteSheet(const TzvSheet& sheet)
{
    const LibXlsxWriter& xlsx = Xlsx();  // a missing library fails here, before any work
    const size_t columns = sheet.empty() ? 0 : sheet[0].size();
    if (sheet.size() > LXW_ROW_MAX || columns > LXW_COL_MAX) CheckXlsx(LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE);
    TemporaryFile file;
    // Closing writes the file and frees the workbook; an error part way still closes it.
    auto close = [](lxw_workbook* b) { Xlsx().workbook_close(b); };
    std::unique_ptr<lxw_workbook, decltype(close)> book(xlsx.workbook_new(file.path().c_str()), close);
    if (!book) CheckXlsx(LXW_ERROR_MEMORY_MALLOC_FAILED);
    lxw_worksheet* sheetOut = xlsx.workbook_add_worksheet(book.get(), kSheetName);
    if (!sheetOut) CheckXlsx(LXW_ERROR_MEMORY_MALLOC_FAILED);

    const FormatSettings& fs = DefaultFormatSettings();
    std::map<std::string, lxw_format*> formats;
    std::vector<size_t> widths(columns, 0);
    for (size_t r = 0; r < sheet.size(); ++r) {
        for (size_t c = 0; c < columns; ++c) {
            const std::string& cell = sheet[r][c];
            if (cell.empty()) continue;
            widths[c] = std::max(widths[c], cell.size());
            const auto row = static_cast<lxw_row_t>(r);
            const auto col = static_cast<lxw_col_t>(c);
            const TzvSheetValue v = ClassifySheetText(cell, fs);
            if (v.kind == TzvSheetValue::Text) {
                CheckXlsx(xlsx.worksheet_write_string(sheetOut, row, col, Cp1252ToUtf8(cell).c_str(), nullptr));
                continue;
            }
            lxw_format*& format = formats[v.numFormat];
            if (!format) {
                format = xlsx.workbook_add_format(book.get());
                if (!format) CheckXlsx(LXW_ERROR_MEMORY_MALLOC_FAILED);
                xlsx.format_set_num_format(format, v.numFormat.c_str());
            }
            CheckXlsx(xlsx.worksheet_write_number(sheetOut, row, col, v.value, format));
        }
    }
    // Columns as wide as their longest text (in characters), within sensible bounds.
    for (size_t c = 0; c < columns; ++c) {
        const double width = static_cast<double>(std::clamp<size_t>(widths[c] + 2, 8, 60));
        CheckXlsx(
            xlsx.worksheet_set_column(sheetOut, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), width, nullptr));
    }
    CheckXlsx(xlsx.workbook_close(book.release()));
    stream_.writeBytes(ReadFileBytes(file.path()));
}

void RegisterSpreadsheetFilters()
{
    RegisterExportFilter({[](Stream& s) { return std::unique_ptr<TzvExportFilter>(new TzvXlsxExportFilter(s)); },
                          kXlsxFilterDescription, kXlsxFilterMask});
    RegisterExportFilter({[](Stream& s) { return std::unique_ptr<TzvExportFilter>(new TzvCsvExportFilter(s)); },
                          kCsvFilterDescription, kCsvFilterMask});
}

}  // namespace zv
