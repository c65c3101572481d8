// Field types: their names and the kinds of value they hold.
#include "platform/data/Field.h"

namespace zv {

namespace {

constexpr const char* kFieldTypeNames[kFieldTypeCount] = {
    "Unknown", "String",     "Smallint", "Integer",     "Word",      "Boolean",    "Float",    "Currency", "BCD",
    "Date",    "Time",       "DateTime", "Bytes",       "VarBytes",  "AutoInc",    "Blob",     "Memo",     "Graphic",
    "FmtMemo", "ParadoxOle", "DBaseOle", "TypedBinary", "FixedChar", "WideString", "Largeint", "LongWord",
};

}  // namespace

const char* FieldTypeName(TFieldType t) { return t < kFieldTypeCount ? kFieldTypeNames[t] : kFieldTypeNames[0]; }

bool IsBlobType(TFieldType t)
{
    return t == ftBlob || t == ftMemo || t == ftGraphic || t == ftFmtMemo || t == ftParadoxOle || t == ftDBaseOle ||
           t == ftTypedBinary;
}

bool IsTextType(TFieldType t)
{
    return t == ftString || t == ftFixedChar || t == ftWideString || t == ftMemo || t == ftFmtMemo;
}

bool IsBinaryType(TFieldType t)
{
    return t == ftBytes || t == ftVarBytes || t == ftBlob || t == ftGraphic || t == ftParadoxOle || t == ftDBaseOle ||
           t == ftTypedBinary;
}

bool IsDateType(TFieldType t) { return t == ftDate || t == ftTime || t == ftDateTime; }

// Fields whose size limits the length of their text or bytes.
bool HasSizeLimit(TFieldType t)
{
    return t == ftString || t == ftFixedChar || t == ftWideString || t == ftBytes || t == ftVarBytes;
}

}  // namespace zv
