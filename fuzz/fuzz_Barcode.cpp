// Fuzz target for TBarcode and the 2D encoder: any type byte, settings and text must encode or fail with an Exception.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/base/Error.h"
#include "report/ZV_Barcode.h"
#include "report/ZV_Barcode2D.h"

// Layout: type, flags (checksum, show, csmNone), modul, ratio (8 bytes), then the text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 11) return 0;
    if (zv::IsMatrixBarcode(data[0])) {
        // The modul byte is the error-correction level here.
        try {
            const zv::MatrixSymbol s = zv::EncodeMatrixBarcode(
                data[0], std::string(reinterpret_cast<const char*>(data + 11), size - 11), data[2]);
            if (s.rows < 1 || s.columns < 1 ||
                s.dark.size() != static_cast<size_t>(s.rows) * static_cast<size_t>(s.columns))
                __builtin_trap();
        } catch (const zv::Exception&) {}
        return 0;
    }
    zv::TBarcode bc;
    bc.SetTyp(static_cast<zv::TBarcodeType>(data[0]));
    bc.SetChecksum(data[1] & 1);
    bc.SetShowCheckSumText(data[1] & 2);
    if (data[1] & 4) bc.SetCheckSumMethod(zv::csmNone);
    bc.SetModul(data[2]);
    double ratio;
    std::memcpy(&ratio, data + 3, sizeof ratio);
    bc.SetRatio(ratio);
    bc.SetText(std::string(reinterpret_cast<const char*>(data + 11), size - 11));
    try {
        std::string pattern = bc.Encode();
        int32_t width = bc.Width();
        int64_t sum = 0;
        for (char c : pattern) sum += bc.ElementWidth(c);
        if (width < 0 || (sum <= INT32_MAX && sum != width)) __builtin_trap();
    } catch (const zv::Exception&) {}
    return 0;
}
