// Field types, field definitions and record values: what datasets, their filters and packets share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zv {

// Field data types. The numeric values are stable: the binary data packet stores them.
enum TFieldType : uint8_t {
    ftUnknown = 0,
    ftString = 1,    // Windows-1252 text of at most Size characters
    ftSmallint = 2,  // 16-bit signed
    ftInteger = 3,   // 32-bit signed
    ftWord = 4,      // 16-bit unsigned
    ftBoolean = 5,
    ftFloat = 6,      // double
    ftCurrency = 7,   // double shown as money
    ftBCD = 8,        // fixed point, four decimals at most (held scaled by 10 000)
    ftDate = 9,       // whole days since 1899-12-30
    ftTime = 10,      // fraction of a day
    ftDateTime = 11,  // days since 1899-12-30 with the time as the fraction, to the millisecond
    ftBytes = 12,     // fixed-size binary
    ftVarBytes = 13,  // binary of at most Size bytes
    ftAutoInc = 14,   // 32-bit signed, numbered by the database
    ftBlob = 15,      // large binary
    ftMemo = 16,      // large text
    ftGraphic = 17,   // picture bytes
    ftFmtMemo = 18,   // formatted (rich) text
    ftParadoxOle = 19,
    ftDBaseOle = 20,
    ftTypedBinary = 21,
    ftFixedChar = 22,   // text padded to Size characters
    ftWideString = 23,  // text held as Windows-1252 here, stored as Unicode in packets
    ftLargeint = 24,    // 64-bit signed
    ftLongWord = 25,    // 32-bit unsigned
};
constexpr uint8_t kFieldTypeCount = 26;

// The platform's name of a data type ("String", "Integer", "Memo").
const char* FieldTypeName(TFieldType t);
// The seven large-object types: blob, memo, graphic, formatted memo, the two OLE kinds, typed blob.
bool IsBlobType(TFieldType t);
// Text types (their values are Windows-1252 text): string, fixed char, wide string, memo, formatted memo.
bool IsTextType(TFieldType t);
// Binary types whose values are bytes: the two byte kinds and every large object but the memos.
bool IsBinaryType(TFieldType t);
bool IsDateType(TFieldType t);  // date, time and date-time
// Fields whose size limits the length of their text or bytes.
bool HasSizeLimit(TFieldType t);

// Longest string field (characters) and byte field a dataset accepts.
constexpr int kMaxFieldSize = 8192;

// Provider flags of a field (how updates would use it).
enum ProviderFlag : uint8_t { pfInUpdate = 1, pfInWhere = 2, pfInKey = 4, pfHidden = 8 };

// One field's value in a record. Null is its own state; otherwise the member that the field's
// type uses holds the value: i for integers, booleans (0/1) and BCD (scaled by 10 000); d for
// floats, currency and date-times; s for strings and blob bytes.
struct FieldData {
    bool null = true;
    int64_t i = 0;
    double d = 0;
    std::string s;
};
using Record = std::vector<FieldData>;

// The definition of one field: what a dataset creates its TField objects from.
struct FieldDef {
    std::string name;
    TFieldType dataType = ftUnknown;
    int size = 0;       // characters (strings), bytes (ftBytes/ftVarBytes), decimals (ftBCD), blob size hint
    int precision = 0;  // total digits of ftBCD; 0 otherwise
    bool required = false;
};

}  // namespace zv
