// Client dataset: the XML data packet samples, row states, round trips, the binary form, files, hostile packets.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/base/Error.h"
#include "platform/base/Files.h"
#include "platform/base/Format.h"
#include "platform/base/Stream.h"
#include "platform/data/ClientDataSet.h"

using namespace zv;
namespace fs = std::filesystem;

namespace {

const std::string kSamples = std::string(ZV_TESTDATA_DIR) + "/datapackets/";

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A packet of the given FIELDS and ROWDATA contents.
std::string Packet(const std::string& fields, const std::string& rows, const std::string& params = "<PARAMS/>",
                   const std::string& decl = "<?xml version=\"1.0\" standalone=\"yes\"?>")
{
    return decl + "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>" + fields + "</FIELDS>" + params +
           "</METADATA><ROWDATA>" + rows + "</ROWDATA></DATAPACKET>";
}

// Every cell as text ("null" for nulls), row by row, for comparing whole tables.
std::vector<std::string> Dump(TDataSet& ds)
{
    std::vector<std::string> out;
    ds.first();
    while (!ds.eof()) {
        std::string line;
        for (int i = 0; i < ds.fieldCount(); ++i) {
            TField* f = ds.field(i);
            line += (i ? "|" : "") + (f->isNull() ? std::string("null") : f->blobBytes());
        }
        out.push_back(line);
        ds.next();
    }
    return out;
}

struct TempDir {
    fs::path path;
    TempDir()
    {
        path = fs::temp_directory_path() / ("zv_cds_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
    std::string file(const char* name) const { return (path / name).string(); }
};

std::string Message(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.message();
    }
    return "(no error)";
}

}  // namespace

// ---- the samples -----------------------------------------------------------------------------

TEST(DataPacketSamples, ClientiThreeRows)
{
    TClientDataSet ds;
    ds.loadFromFile(kSamples + "clienti-three-rows.xml");
    ASSERT_TRUE(ds.active());
    ASSERT_EQ(ds.fieldCount(), 4);
    struct {
        const char* name;
        int size;
    } fields[] = {{"Cognome", 50}, {"Nome", 50}, {"CS", 16}, {"BarCode", 12}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(ds.field(i)->fieldName(), fields[i].name);
        EXPECT_EQ(ds.field(i)->dataType(), ftString);
        EXPECT_EQ(ds.field(i)->size(), fields[i].size);
    }
    EXPECT_EQ(ds.recordCount(), 3);
    EXPECT_EQ(Dump(ds), (std::vector<std::string>{
                            "Rossi|Mario|RSSMRA80A01H501U|800123456789",
                            "D'Angelo|Niccol\xF2|DNGNCC75C12F205X|800987654321",  // o-grave is byte 0xF2
                            "Bianchi|Anna & Eva|BNCNNA90D41L219K|null",
                        }));
    ds.setRecNo(3);
    EXPECT_TRUE(ds.fieldByName("BarCode")->isNull());
    EXPECT_TRUE(ds.fieldByName("BarCode")->value().isNull());
    EXPECT_FALSE(ds.changed());
}

TEST(DataPacketSamples, FieldTypes)
{
    TClientDataSet ds;
    ds.loadFromFile(kSamples + "field-types.xml");
    ASSERT_EQ(ds.recordCount(), 3);
    const TFieldType types[] = {ftInteger, ftSmallint, ftLargeint, ftCurrency, ftFloat,   ftBoolean,
                                ftDate,    ftTime,     ftDateTime, ftMemo,     ftGraphic, ftString};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(ds.field(i)->dataType(), types[i]) << ds.field(i)->fieldName();
    auto f = [&](const char* n) { return ds.fieldByName(n); };

    ds.first();
    EXPECT_EQ(f("ID")->asInteger(), 1);
    EXPECT_EQ(f("Small")->asInteger(), -5);
    EXPECT_EQ(f("Big")->asLargeint(), 9007199254740993LL);  // not representable as a double
    EXPECT_EQ(f("Price")->asFloat(), 1234.5);
    EXPECT_EQ(f("Ratio")->asFloat(), 0.125);
    EXPECT_TRUE(f("Paid")->asBoolean());
    EXPECT_EQ(f("Born")->asDateTime(), EncodeDate(1998, 11, 5));
    EXPECT_EQ(f("At")->asDateTime(), EncodeTime(2, 43, 35, 0));
    EXPECT_EQ(f("Stamp")->asDateTime(), EncodeDate(1998, 11, 5) + EncodeTime(2, 43, 35, 120));
    EXPECT_EQ(f("Notes")->blobBytes(), "line one\r\nline two");
    EXPECT_EQ(f("Logo")->blobBytes(), "BM");
    EXPECT_TRUE(f("Logo")->isBlob());
    EXPECT_EQ(f("Name")->asString(), "Primo");

    ds.next();
    EXPECT_EQ(f("ID")->asInteger(), 2);
    EXPECT_FALSE(f("Paid")->asBoolean());
    EXPECT_FALSE(f("Paid")->isNull());
    for (const char* n : {"Small", "Big", "Price", "Ratio", "Born", "At", "Stamp", "Notes", "Logo"})
        EXPECT_TRUE(f(n)->isNull()) << n;
    EXPECT_FALSE(f("Name")->isNull());  // an empty attribute is an empty string
    EXPECT_EQ(f("Name")->asString(), "");

    ds.next();
    EXPECT_EQ(f("Price")->asFloat(), -0.0001);
    EXPECT_EQ(f("Ratio")->asFloat(), -1.5E-7);
    EXPECT_EQ(f("Born")->asDateTime(), EncodeDate(2024, 2, 29));
    DateParts dp = DecodeDate(f("Stamp")->asDateTime());
    TimeParts tp = DecodeTime(f("Stamp")->asDateTime());
    EXPECT_EQ((std::vector<int>{dp.year, dp.month, dp.day, tp.hour, tp.minute, tp.second, tp.millisecond}),
              (std::vector<int>{2026, 12, 8, 15, 4, 5, 9}));
    EXPECT_TRUE(f("Paid")->isNull());
}

// ---- round trips -----------------------------------------------------------------------------

TEST(DataPacketRoundTrip, SavedBytesAreStable)
{
    for (const char* sample : {"clienti-three-rows.xml", "field-types.xml"}) {
        TClientDataSet a;
        a.loadFromFile(kSamples + sample);
        const std::vector<std::string> original = Dump(a);
        const std::string first = a.dataPacket(DataPacketFormat::Xml);
        EXPECT_EQ(first.rfind("<?xml version=\"1.0\" encoding=\"windows-1252\" standalone=\"yes\"?>", 0), 0u) << sample;
        EXPECT_EQ(first.find("CHANGE_LOG"), std::string::npos);

        TClientDataSet b;
        b.setDataPacket(first);
        b.open();
        EXPECT_EQ(Dump(b), original) << sample;
        EXPECT_EQ(b.dataPacket(DataPacketFormat::Xml), first) << sample;

        // Through the binary form and UTF-8 XML the table and the XML bytes stay the same.
        for (DataPacketFormat other : {DataPacketFormat::Binary, DataPacketFormat::XmlUtf8}) {
            TClientDataSet c;
            c.setDataPacket(a.dataPacket(other));
            c.open();
            EXPECT_EQ(Dump(c), original) << sample;
            EXPECT_EQ(c.dataPacket(DataPacketFormat::Xml), first) << sample;
        }
    }
}

TEST(DataPacketRoundTrip, ExactTextOfTheSavedPacket)
{
    TClientDataSet ds;
    ds.loadFromFile(kSamples + "clienti-three-rows.xml");
    const std::string xml = ds.dataPacket(DataPacketFormat::Xml);
    EXPECT_EQ(xml,
              "<?xml version=\"1.0\" encoding=\"windows-1252\" standalone=\"yes\"?>\n"
              "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
              "<FIELD attrname=\"Cognome\" fieldtype=\"string\" WIDTH=\"50\"/>"
              "<FIELD attrname=\"Nome\" fieldtype=\"string\" WIDTH=\"50\"/>"
              "<FIELD attrname=\"CS\" fieldtype=\"string\" WIDTH=\"16\"/>"
              "<FIELD attrname=\"BarCode\" fieldtype=\"string\" WIDTH=\"12\"/>"
              "</FIELDS><PARAMS/></METADATA><ROWDATA>"
              "<ROW Cognome=\"Rossi\" Nome=\"Mario\" CS=\"RSSMRA80A01H501U\" BarCode=\"800123456789\"/>"
              "<ROW Cognome=\"D&apos;Angelo\" Nome=\"Niccol\xF2\" CS=\"DNGNCC75C12F205X\" BarCode=\"800987654321\"/>"
              "<ROW Cognome=\"Bianchi\" Nome=\"Anna &amp; Eva\" CS=\"BNCNNA90D41L219K\"/>"
              "</ROWDATA></DATAPACKET>");

    TClientDataSet types;
    types.loadFromFile(kSamples + "field-types.xml");
    const std::string t = types.dataPacket(DataPacketFormat::Xml);
    for (const char* piece :
         {"<FIELD attrname=\"Price\" fieldtype=\"r8\" SUBTYPE=\"Money\"/>",
          "<FIELD attrname=\"Notes\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\" WIDTH=\"1\"/>", "Big=\"9007199254740993\"",
          "Price=\"1234.5\"", "Ratio=\"-1.5E-7\"", "Price=\"-0.0001\"", "Paid=\"TRUE\"", "Paid=\"FALSE\"",
          "Born=\"20240229\"", "At=\"02:43:35000\"", "Stamp=\"20261208T15:04:05009\"",
          "Notes=\"line one&#013;&#010;line two\"", "Logo=\"Qk0=\"", "Name=\"\""})
        EXPECT_NE(t.find(piece), std::string::npos) << piece;
}

TEST(DataPacketRoundTrip, EveryByteOfTextSurvives)
{
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    TClientDataSet ds;
    ds.addFieldDef("Text", ftMemo);
    ds.addFieldDef("Bin", ftBlob);
    ds.addFieldDef("Name With Blanks", ftString, 300);
    ds.createDataSet();
    ds.append();
    ds.field(0)->setAsString(all);
    ds.field(1)->setBlobBytes(std::string("\0\xFF\x80 zero", 8));
    ds.field(2)->setAsString(all);
    ds.post();
    for (DataPacketFormat fmt : {DataPacketFormat::Xml, DataPacketFormat::XmlUtf8, DataPacketFormat::Binary}) {
        TClientDataSet back;
        back.setDataPacket(ds.dataPacket(fmt));
        back.open();
        ASSERT_EQ(back.recordCount(), 1);
        EXPECT_EQ(back.field(0)->asString(), all) << static_cast<int>(fmt);
        EXPECT_EQ(back.field(1)->blobBytes(), std::string("\0\xFF\x80 zero", 8));
        EXPECT_EQ(back.field(2)->fieldName(), "Name With Blanks");
        EXPECT_EQ(back.field(2)->asString(), all);
    }
    // Plain names are the attribute names; others get a made-up one and keep theirs in fieldname.
    const std::string xml = ds.dataPacket(DataPacketFormat::Xml);
    EXPECT_NE(xml.find("<FIELD attrname=\"F3\" fieldname=\"Name With Blanks\""), std::string::npos);
    TClientDataSet accented;
    accented.addFieldDef("Et\xE0", ftInteger);
    accented.addFieldDef("RowState", ftInteger);
    accented.addFieldDef("F2", ftInteger);
    accented.createDataSet();
    accented.append();
    accented.field(0)->setAsInteger(7);
    accented.field(1)->setAsInteger(8);
    accented.post();
    const std::string ax = accented.dataPacket(DataPacketFormat::Xml);
    EXPECT_NE(ax.find("<ROW Et\xE0=\"7\" F3=\"8\"/>"), std::string::npos) << ax;
    for (DataPacketFormat fmt : {DataPacketFormat::Xml, DataPacketFormat::XmlUtf8}) {
        TClientDataSet back;
        back.setDataPacket(accented.dataPacket(fmt));
        back.open();
        EXPECT_EQ(back.fieldNames(), (std::vector<std::string>{"Et\xE0", "RowState", "F2"}));
        EXPECT_EQ(Dump(back), (std::vector<std::string>{"7|8|null"}));
    }
}

TEST(DataPacketRoundTrip, ValuesOfEveryTypeSurvive)
{
    TClientDataSet ds;
    const TFieldType types[] = {ftString,      ftSmallint,  ftInteger,    ftWord,       ftBoolean,
                                ftFloat,       ftCurrency,  ftBCD,        ftDate,       ftTime,
                                ftDateTime,    ftBytes,     ftVarBytes,   ftAutoInc,    ftBlob,
                                ftMemo,        ftGraphic,   ftFmtMemo,    ftParadoxOle, ftDBaseOle,
                                ftTypedBinary, ftFixedChar, ftWideString, ftLargeint,   ftLongWord};
    int n = 0;
    for (TFieldType t : types) {
        bool sized = t == ftString || t == ftBytes || t == ftVarBytes || t == ftFixedChar || t == ftWideString;
        ds.addFieldDef("F" + std::to_string(n++), t, sized ? 10 : t == ftBCD ? 4 : 0);
    }
    ds.createDataSet();
    // Extreme values, then ordinary ones.
    for (int row = 0; row < 2; ++row) {
        ds.append();
        for (int i = 0; i < ds.fieldCount(); ++i) {
            TField* f = ds.field(i);
            switch (f->dataType()) {
            case ftSmallint: f->setAsInteger(row ? 7 : -32768); break;
            case ftInteger:
            case ftAutoInc: f->setAsInteger(row ? 7 : INT32_MIN); break;
            case ftWord: f->setAsInteger(row ? 7 : 65535); break;
            case ftLongWord: f->setAsLargeint(row ? 7 : UINT32_MAX); break;
            case ftLargeint: f->setAsLargeint(row ? 7 : INT64_MIN); break;
            case ftBoolean: f->setAsBoolean(row == 0); break;
            case ftFloat: f->setAsFloat(row ? 0.1 : -1.7976931348623157e308); break;
            case ftCurrency: f->setAsFloat(row ? 1e-300 : 123456789.123456789); break;
            case ftBCD: f->setAsCurrency(row ? 1 : -922337203685477LL * 10000); break;
            case ftDate: f->setAsDateTime(row ? EncodeDate(1, 1, 1) : EncodeDate(9999, 12, 31)); break;
            case ftTime: f->setAsDateTime(row ? 0 : EncodeTime(23, 59, 59, 999)); break;
            case ftDateTime:
                f->setAsDateTime(row ? EncodeDate(1899, 12, 29) + EncodeTime(6, 0, 0, 1)
                                     : EncodeDate(2000, 2, 29) + EncodeTime(12, 0, 0, 500));
                break;
            default: f->setAsString(row ? "x" : "0123456789"); break;
            }
        }
        ds.post();
    }
    const std::vector<std::string> original = Dump(ds);
    const std::string xml = ds.dataPacket(DataPacketFormat::Xml);
    for (DataPacketFormat fmt : {DataPacketFormat::Xml, DataPacketFormat::Binary}) {
        TClientDataSet back;
        back.setDataPacket(ds.dataPacket(fmt));
        back.open();
        EXPECT_EQ(Dump(back), original);
        for (int i = 0; i < ds.fieldCount(); ++i) {
            EXPECT_EQ(back.field(i)->dataType(), ds.field(i)->dataType()) << i;
            EXPECT_EQ(back.field(i)->size(), ds.field(i)->size()) << i;
        }
        back.first();
        ds.first();
        for (int row = 0; row < 2; ++row, back.next(), ds.next())
            for (int i = 0; i < ds.fieldCount(); ++i) {
                const FieldData& a = ds.field(i)->data();
                const FieldData& b = back.field(i)->data();
                EXPECT_TRUE(a.i == b.i && a.d == b.d && a.s == b.s && a.null == b.null)
                    << "row " << row << " field " << FieldTypeName(ds.field(i)->dataType());
            }
        EXPECT_EQ(back.dataPacket(DataPacketFormat::Xml), xml);
    }
}

// ---- reading rules ---------------------------------------------------------------------------

TEST(DataPacketReading, NamesAndTypesWithoutRegardToCase)
{
    const std::string p =
        "<?xml version=\"1.0\"?><datapacket version=\"2.0\"><metadata><fields>"
        "<field ATTRNAME=\"Qty\" FieldType=\"I4\"/><field attrName=\"Label\" FIELDTYPE=\"STRING\" width=\"5\"/>"
        "<field attrname=\"Amount\" fieldtype=\"R8\" subtype=\"money\"/><field attrname=\"Pic\" fieldtype=\"BIN.HEX\" "
        "subtype=\"GRAPHICS\"/>"
        "</fields><params/></metadata><rowdata><row QTY=\"3\" label=\"ab\" amount=\"2.5\" "
        "PIC=\"QUI=\"/></rowdata></datapacket>";
    TClientDataSet ds;
    ds.setDataPacket(p);
    ds.open();
    EXPECT_EQ(ds.fieldByName("Qty")->dataType(), ftInteger);
    EXPECT_EQ(ds.fieldByName("Label")->size(), 5);
    EXPECT_EQ(ds.fieldByName("Amount")->dataType(), ftCurrency);
    EXPECT_EQ(ds.fieldByName("Pic")->dataType(), ftGraphic);
    EXPECT_EQ(Dump(ds), (std::vector<std::string>{"3|ab|2,5|AB"}));  // as text by the Italian default settings
}

TEST(DataPacketReading, EncodingsOfText)
{
    const std::string fields = "<FIELD attrname=\"T\" fieldtype=\"string\" WIDTH=\"20\"/>";
    struct Case {
        const char* name;
        std::string bytes;
        std::string expected;
    } cases[] = {
        {"declared windows-1252",
         Packet(fields, "<ROW T=\"Pi\xE8 \x80\"/>", "<PARAMS/>", "<?xml version=\"1.0\" encoding=\"windows-1252\"?>"),
         "Pi\xE8 \x80"},
        {"declared UTF-8",
         Packet(fields, "<ROW T=\"Pi\xC3\xA8 \xE2\x82\xAC\"/>", "<PARAMS/>",
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"),
         "Pi\xE8 \x80"},
        {"undeclared UTF-8", Packet(fields, "<ROW T=\"Pi\xC3\xA8\"/>"), "Pi\xE8"},
        {"undeclared bytes", Packet(fields, "<ROW T=\"Pi\xE8\"/>"), "Pi\xE8"},
        {"UTF-8 byte order mark", "\xEF\xBB\xBF" + Packet(fields, "<ROW T=\"\xC3\xB2\"/>"), "\xF2"},
        {"references", Packet(fields, "<ROW T=\"&#242;&#x20AC;&#8364;&lt;&quot;\"/>"), "\xF2\x80\x80<\""},
        {"unmapped character", Packet(fields, "<ROW T=\"&#x4E00;\"/>"), "?"},
        {"unknown entity kept as text", Packet(fields, "<ROW T=\"&bogus;\"/>"), "&bogus;"},
        {"declared UTF-8, bad bytes",
         Packet(fields, "<ROW T=\"a\xE8\"/>", "<PARAMS/>", "<?xml version=\"1.0\" encoding=\"utf-8\"?>"), "a?"},
    };
    for (const Case& c : cases) {
        TClientDataSet ds;
        ASSERT_NO_THROW(ds.setDataPacket(c.bytes)) << c.name;
        ds.open();
        EXPECT_EQ(ds.field(0)->asString(), c.expected) << c.name;
    }
}

TEST(DataPacketReading, RowStatesAndChangeLogAreMerged)
{
    const std::string fields =
        "<FIELD attrname=\"K\" fieldtype=\"i4\"/><FIELD attrname=\"V\" fieldtype=\"string\" WIDTH=\"10\"/>";
    struct Case {
        const char* name;
        std::string rows;
        std::string params;
        std::vector<std::string> expected;
    } cases[] = {
        {"plain rows", "<ROW K=\"1\" V=\"a\"/><ROW K=\"2\" V=\"b\"/>", "<PARAMS/>", {"1|a", "2|b"}},
        {"inserted rows stay",
         "<ROW K=\"1\" V=\"a\"/><ROW RowState=\"4\" K=\"2\" V=\"b\"/>",
         "<PARAMS CHANGE_LOG=\"2 0 4\"/>",
         {"1|a", "2|b"}},
        {"deleted rows go",
         "<ROW RowState=\"2\" K=\"1\" V=\"a\"/><ROW K=\"2\" V=\"b\"/>",
         "<PARAMS CHANGE_LOG=\"1 0 2\"/>",
         {"2|b"}},
        {"a modification follows its original",
         "<ROW RowState=\"1\" K=\"1\" V=\"a\"/><ROW RowState=\"8\" V=\"z\"/><ROW K=\"3\" V=\"c\"/>",
         "<PARAMS/>",
         {"1|z", "3|c"}},
        {"the change log names the original",
         "<ROW K=\"1\" V=\"a\"/><ROW RowState=\"1\" K=\"2\" V=\"b\"/><ROW K=\"3\" V=\"c\"/><ROW RowState=\"8\" "
         "K=\"20\"/>",
         "<PARAMS CHANGE_LOG=\"4 2 8\"/>",
         {"1|a", "20|b", "3|c"}},
        {"chained modifications",
         "<ROW RowState=\"1\" K=\"1\" V=\"a\"/><ROW RowState=\"8\" V=\"y\"/><ROW RowState=\"8\" K=\"9\"/>",
         "<PARAMS CHANGE_LOG=\"2 1 8 3 2 8\"/>",
         {"9|y"}},
        {"a change of a deleted row goes with it",
         "<ROW RowState=\"2\" K=\"1\" V=\"a\"/><ROW RowState=\"8\" V=\"y\"/>",
         "<PARAMS/>",
         {}},
        {"rows after a deleted one move down, their changes with them",
         "<ROW RowState=\"2\" K=\"1\"/><ROW RowState=\"1\" K=\"2\" V=\"b\"/><ROW K=\"3\" V=\"c\"/>"
         "<ROW RowState=\"8\" V=\"y\"/><ROW K=\"5\" V=\"e\"/>",
         "<PARAMS CHANGE_LOG=\"1 0 2 4 2 8\"/>",
         {"2|y", "3|c", "5|e"}},
        {"other params are kept", "<ROW K=\"1\"/>", "<PARAMS LCID=\"1040\" CHANGE_LOG=\"\"/>", {"1|null"}},
    };
    for (const Case& c : cases) {
        TClientDataSet ds;
        ASSERT_NO_THROW(ds.setDataPacket(Packet(fields, c.rows, c.params))) << c.name;
        ds.open();
        EXPECT_EQ(Dump(ds), c.expected) << c.name;
        const std::string saved = ds.dataPacket(DataPacketFormat::Xml);
        EXPECT_EQ(saved.find("RowState"), std::string::npos) << c.name;
        EXPECT_EQ(saved.find("CHANGE_LOG"), std::string::npos) << c.name;
    }
    TClientDataSet ds;
    ds.setDataPacket(Packet(fields, "<ROW K=\"1\"/>", "<PARAMS LCID=\"1040\"/>"));
    EXPECT_NE(ds.dataPacket(DataPacketFormat::Xml).find("<PARAMS LCID=\"1040\"/>"), std::string::npos);
}

// ---- hostile packets -------------------------------------------------------------------------

TEST(DataPacketHostile, BadPacketsFailAndKeepTheOldRows)
{
    const std::string s10 = "<FIELD attrname=\"S\" fieldtype=\"string\" WIDTH=\"10\"/>";
    struct Case {
        const char* name;
        std::string bytes;
        const char* message;  // the start of the expected text
    } cases[] = {
        {"empty", "", "Invalid data packet: "},
        {"not XML", "hello", "Invalid data packet: "},
        {"unclosed element", Packet(s10, "<ROW S=\"a\">"), "Invalid data packet: "},
        {"unquoted attribute", Packet(s10, "<ROW S=a/>"), "Invalid data packet: "},
        {"two roots", Packet(s10, "") + "<DATAPACKET/>", "Invalid data packet: "},
        {"wrong root", "<?xml version=\"1.0\"?><TABLE/>", "Invalid data packet: the root element is not DATAPACKET"},
        {"no metadata", "<DATAPACKET Version=\"2.0\"><ROWDATA/></DATAPACKET>",
         "Invalid data packet: METADATA is missing"},
        {"no attrname", Packet("<FIELD fieldtype=\"i4\"/>", ""), "Invalid data packet: a field has no attrname"},
        {"unknown type", Packet("<FIELD attrname=\"A\" fieldtype=\"i16\"/>", ""),
         "Invalid data packet: field 'A' has an unknown fieldtype 'i16'"},
        {"nested", Packet("<FIELD attrname=\"A\" fieldtype=\"nested\"/>", ""),
         "Invalid data packet: field 'A' has an unknown"},
        {"huge WIDTH", Packet("<FIELD attrname=\"S\" fieldtype=\"string\" WIDTH=\"99999999999\"/>", ""),
         "Invalid data packet: field 'S': WIDTH '99999999999' is outside 1..8192"},
        {"negative WIDTH", Packet("<FIELD attrname=\"S\" fieldtype=\"string\" WIDTH=\"-4\"/>", ""),
         "Invalid data packet: field 'S': WIDTH"},
        {"duplicate field", Packet(s10 + s10, ""), "Invalid data packet: attrname 'S' appears twice"},
        {"duplicate by case", Packet(s10 + "<FIELD attrname=\"s\" fieldtype=\"i4\"/>", ""),
         "Invalid data packet: attrname 's' appears twice"},
        {"text too long", Packet(s10, "<ROW S=\"12345678901\"/>"),
         "Invalid data packet: row 1, field 'S': '12345678901' is not a valid String value"},
        {"letters in i4", Packet("<FIELD attrname=\"N\" fieldtype=\"i4\"/>", "<ROW N=\"12a\"/>"),
         "Invalid data packet: row 1, field 'N': '12a' is not a valid Integer value"},
        {"empty i4", Packet("<FIELD attrname=\"N\" fieldtype=\"i4\"/>", "<ROW N=\"\"/>"),
         "Invalid data packet: row 1, field 'N'"},
        {"i2 out of range", Packet("<FIELD attrname=\"N\" fieldtype=\"i2\"/>", "<ROW/><ROW N=\"40000\"/>"),
         "Invalid data packet: row 2, field 'N': '40000' is not a valid Smallint value"},
        {"i8 overflow", Packet("<FIELD attrname=\"N\" fieldtype=\"i8\"/>", "<ROW N=\"9223372036854775808\"/>"),
         "Invalid data packet: row 1"},
        {"boolean", Packet("<FIELD attrname=\"B\" fieldtype=\"boolean\"/>", "<ROW B=\"yes\"/>"),
         "Invalid data packet: row 1, field 'B': 'yes' is not a valid Boolean value"},
        {"float nan", Packet("<FIELD attrname=\"F\" fieldtype=\"r8\"/>", "<ROW F=\"nan\"/>"),
         "Invalid data packet: row 1"},
        {"float comma", Packet("<FIELD attrname=\"F\" fieldtype=\"r8\"/>", "<ROW F=\"1,5\"/>"),
         "Invalid data packet: row 1"},
        {"float overflow", Packet("<FIELD attrname=\"F\" fieldtype=\"r8\"/>", "<ROW F=\"1e999\"/>"),
         "Invalid data packet: row 1"},
        {"31 February", Packet("<FIELD attrname=\"D\" fieldtype=\"date\"/>", "<ROW D=\"20230231\"/>"),
         "Invalid data packet: row 1, field 'D': '20230231' is not a valid Date value"},
        {"29 February 2023", Packet("<FIELD attrname=\"D\" fieldtype=\"date\"/>", "<ROW D=\"20230229\"/>"),
         "Invalid data packet: row 1"},
        {"year 0", Packet("<FIELD attrname=\"D\" fieldtype=\"date\"/>", "<ROW D=\"00000101\"/>"),
         "Invalid data packet: row 1"},
        {"short date", Packet("<FIELD attrname=\"D\" fieldtype=\"date\"/>", "<ROW D=\"2023021\"/>"),
         "Invalid data packet: row 1"},
        {"hour 24", Packet("<FIELD attrname=\"T\" fieldtype=\"time\"/>", "<ROW T=\"24:00:00000\"/>"),
         "Invalid data packet: row 1"},
        {"date-time without T",
         Packet("<FIELD attrname=\"T\" fieldtype=\"dateTime\"/>", "<ROW T=\"20230101 10:00:00000\"/>"),
         "Invalid data packet: row 1"},
        {"bad base64", Packet("<FIELD attrname=\"G\" fieldtype=\"bin.hex\" SUBTYPE=\"Graphics\"/>", "<ROW G=\"Qk0\"/>"),
         "Invalid data packet: row 1, field 'G': 'Qk0' is not a valid Graphic value"},
        {"base64 after padding",
         Packet("<FIELD attrname=\"G\" fieldtype=\"bin.hex\" SUBTYPE=\"Binary\"/>", "<ROW G=\"Qk==Qk0=\"/>"),
         "Invalid data packet: row 1"},
        {"base64 alphabet",
         Packet("<FIELD attrname=\"G\" fieldtype=\"bin.hex\" SUBTYPE=\"Binary\"/>", "<ROW G=\"Qk0*\"/>"),
         "Invalid data packet: row 1"},
        {"fixed with letters",
         Packet("<FIELD attrname=\"N\" fieldtype=\"fixed\" DECIMALS=\"2\" WIDTH=\"10\"/>", "<ROW N=\"1.2x\"/>"),
         "Invalid data packet: row 1"},
        {"fixed too big", Packet("<FIELD attrname=\"N\" fieldtype=\"fixed\"/>", "<ROW N=\"123456789012345678\"/>"),
         "Invalid data packet: row 1"},
        {"bad RowState", Packet(s10, "<ROW RowState=\"x\"/>"), "Invalid data packet: row 1: bad RowState"},
        {"change log garbage", Packet(s10, "<ROW/>", "<PARAMS CHANGE_LOG=\"1 0\"/>"),
         "Invalid data packet: CHANGE_LOG is not a list of triples"},
        {"change log range", Packet(s10, "<ROW/>", "<PARAMS CHANGE_LOG=\"5 0 4\"/>"),
         "Invalid data packet: CHANGE_LOG refers to a row that is not there"},
        {"change log forward", Packet(s10, "<ROW/><ROW/>", "<PARAMS CHANGE_LOG=\"1 2 8\"/>"),
         "Invalid data packet: CHANGE_LOG refers to a row that is not there"},
        {"modification without original", Packet(s10, "<ROW RowState=\"8\" S=\"a\"/>"),
         "Invalid data packet: row 1 changes a row that is not there"},
        {"unsupported encoding", "<?xml version=\"1.0\" encoding=\"EBCDIC\"?><DATAPACKET/>",
         "Invalid data packet: unsupported encoding 'ebcdic'"},
        {"field named RowState", Packet("<FIELD attrname=\"RowState\" fieldtype=\"i4\"/>", ""),
         "Invalid data packet: "},
        {"rows without fields", Packet("", "<ROW/>"), "Invalid data packet: rows without fields"},
        {"binary cut short", std::string("ZVDP\x01\x01", 6), "Invalid data packet: the packet is cut short"},
        {"binary version", std::string("ZVDP\x07", 5), "Invalid data packet: unsupported binary version"},
    };
    TClientDataSet ds;
    ds.loadFromFile(kSamples + "clienti-three-rows.xml");
    const std::vector<std::string> before = Dump(ds);
    ds.setRecNo(2);
    for (const Case& c : cases) {
        std::string msg = Message([&] { ds.setDataPacket(c.bytes); });
        EXPECT_EQ(msg.rfind(c.message, 0), 0u) << c.name << ": " << msg;
        MemoryStream s(std::vector<uint8_t>(c.bytes.begin(), c.bytes.end()));
        EXPECT_THROW(ds.loadFromStream(s), Exception) << c.name;
        EXPECT_TRUE(ds.active()) << c.name;
        EXPECT_EQ(ds.fieldCount(), 4) << c.name;
        EXPECT_EQ(Dump(ds), before) << c.name;
    }
}

TEST(DataPacketHostile, EveryCutOfABinaryPacketFailsCleanly)
{
    TClientDataSet src;
    src.loadFromFile(kSamples + "field-types.xml");
    const std::string bin = src.dataPacket(DataPacketFormat::Binary);
    ASSERT_EQ(bin.substr(0, 4), "ZVDP");
    for (size_t n = 0; n < bin.size(); ++n) {
        TClientDataSet ds;
        EXPECT_THROW(ds.setDataPacket(std::string_view(bin).substr(0, n)), Exception) << n;
    }
    TClientDataSet ds;
    EXPECT_THROW(ds.setDataPacket(bin + "x"), Exception);
    EXPECT_NO_THROW(ds.setDataPacket(bin));

    // A NUL inside text cannot come from a dataset, so a packet holding one is refused.
    std::string nul = bin;
    size_t at = nul.find("Primo");
    ASSERT_NE(at, std::string::npos);
    nul[at + 2] = '\0';
    EXPECT_EQ(Message([&] { ds.setDataPacket(nul); }), "Invalid data packet: row 1, field 'Name': value out of range");

    // Flipped bytes: either a valid packet or a clean failure; what loads saves again.
    std::mt19937 rng(7);
    int loaded = 0;
    for (int k = 0; k < 2000; ++k) {
        std::string bad = bin;
        for (int j = 0; j < 3; ++j) bad[rng() % bad.size()] = static_cast<char>(rng());
        TClientDataSet t;
        try {
            t.setDataPacket(bad);
        } catch (const Exception&) {
            continue;
        }
        ++loaded;
        TClientDataSet again;
        again.setDataPacket(t.dataPacket(DataPacketFormat::Binary));
        EXPECT_EQ(again.dataPacket(DataPacketFormat::Xml), t.dataPacket(DataPacketFormat::Xml));
    }
    EXPECT_GT(loaded, 0);  // some flips only change values
}

TEST(DataPacketHostile, ManyFieldsAndEmptyRowsAreBounded)
{
    std::string fields;
    for (int i = 0; i < 1025; ++i) fields += "<FIELD attrname=\"F" + std::to_string(i) + "\" fieldtype=\"i4\"/>";
    TClientDataSet ds;
    EXPECT_EQ(Message([&] { ds.setDataPacket(Packet(fields, "")); }), "Invalid data packet: more than 1024 fields");

    // 1000 fields and a hundred thousand empty rows: far more cells than the bytes justify.
    fields.clear();
    for (int i = 0; i < 1000; ++i) fields += "<FIELD attrname=\"F" + std::to_string(i) + "\" fieldtype=\"i4\"/>";
    std::string rows;
    for (int i = 0; i < 100000; ++i) rows += "<ROW/>";
    EXPECT_EQ(Message([&] { ds.setDataPacket(Packet(fields, rows)); }),
              "Invalid data packet: too many rows for the size of the packet");
}

// ---- files and persistence -------------------------------------------------------------------

TEST(ClientDataSetFiles, ExtensionChoosesTheForm)
{
    TempDir dir;
    TClientDataSet ds;
    ds.loadFromFile(kSamples + "clienti-three-rows.xml");
    const std::vector<std::string> rows = Dump(ds);
    struct Case {
        const char* name;
        bool xml;
    } cases[] = {{"a.xml", true},  {"b.XML", true}, {"c.Xml", true},
                 {"d.cds", false}, {"e", false},    {"f.xml.bak", false}};
    for (const Case& c : cases) {
        const std::string path = dir.file(c.name);
        ds.saveToFile(path);
        const std::string bytes = Slurp(path);
        EXPECT_EQ(bytes.rfind("<?xml", 0) == 0, c.xml) << c.name;
        EXPECT_EQ(bytes.rfind("ZVDP", 0) == 0, !c.xml) << c.name;
        TClientDataSet back;
        back.loadFromFile(path);
        EXPECT_EQ(Dump(back), rows) << c.name;
    }
    EXPECT_FALSE(fs::exists(dir.path / "a.xml.tmp"));
    EXPECT_THROW(ds.loadFromFile(dir.file("missing.xml")), Exception);
    EXPECT_EQ(Dump(ds), rows);

    // A save that cannot happen leaves the changed flag set, so the rows are not taken as saved.
    ds.edit();
    ds.field(0)->setAsString("Verdi");
    ds.post();
    EXPECT_THROW(ds.saveToFile(dir.file("no/such/folder/x.xml")), Exception);
    EXPECT_TRUE(ds.changed());
    ds.saveToFile(dir.file("a.xml"));
    EXPECT_FALSE(ds.changed());
}

TEST(ClientDataSetFiles, OpenLoadsAndCloseSavesOnlyWhenChanged)
{
    TempDir dir;
    const std::string path = dir.file("Clienti.xml");
    auto makeTable = [&] {
        auto ds = std::make_unique<TClientDataSet>();
        ds->addFieldDef("Cognome", ftString, 50);
        ds->addFieldDef("Nome", ftString, 50);
        ds->addFieldDef("CS", ftString, 16);
        ds->addFieldDef("BarCode", ftString, 12);
        ds->setFileName(path);
        return ds;
    };
    {
        // No file: an empty table with the four columns, and closing unchanged writes nothing.
        auto ds = makeTable();
        ds->open();
        EXPECT_EQ(ds->recordCount(), 0);
        EXPECT_EQ(ds->fieldCount(), 4);
        ds->close();
        EXPECT_FALSE(fs::exists(path));
        ds->open();
        ds->append();
        ds->fieldByName("Cognome")->setAsString("Rossi");
        ds->post();
        EXPECT_TRUE(ds->changed());
    }  // destroyed: closes and saves
    ASSERT_TRUE(fs::exists(path));
    const std::string saved = Slurp(path);
    EXPECT_NE(saved.find("Cognome=\"Rossi\""), std::string::npos);
    {
        auto ds = makeTable();
        ds->open();
        EXPECT_EQ(ds->recordCount(), 1);
        EXPECT_FALSE(ds->changed());
        fs::remove(path);
        ds->close();  // unchanged: not written again
        EXPECT_FALSE(fs::exists(path));
    }
    {
        // A file that does not parse stops the open and is left alone.
        std::ofstream(path) << "<DATAPACKET>";
        auto ds = makeTable();
        EXPECT_THROW(ds->open(), Exception);
        EXPECT_FALSE(ds->active());
        EXPECT_EQ(Slurp(path), "<DATAPACKET>");
    }
}

TEST(ClientDataSetFiles, DesignPacketIsReplacedByTheFile)
{
    TempDir dir;
    TClientDataSet design;
    design.addFieldDef("A", ftInteger);
    design.createDataSet();
    const std::string packet = design.dataPacket();

    TClientDataSet ds;
    ds.setDataPacket(packet);
    EXPECT_FALSE(ds.active());
    ds.open();
    EXPECT_EQ(ds.fieldCount(), 1);
    EXPECT_EQ(ds.recordCount(), 0);
    ds.close();

    // Fields keep their display settings across a new packet with the same names.
    std::ofstream(dir.file("t.xml"), std::ios::binary) << Slurp(kSamples + "clienti-three-rows.xml");
    ds.setFileName(dir.file("t.xml"));
    ds.open();
    EXPECT_EQ(ds.fieldCount(), 4);
    EXPECT_EQ(ds.recordCount(), 3);
    TField* cs = ds.fieldByName("CS");
    cs->setDisplayLabel("Codice sanitario");
    int layouts = 0;
    ds.addListener([&](DataEvent e, const TField*) { layouts += e == DataEvent::LayoutChanged; });
    ds.loadFromFile(kSamples + "field-types.xml");
    EXPECT_EQ(layouts, 1);
    ds.loadFromFile(kSamples + "clienti-three-rows.xml");
    EXPECT_EQ(layouts, 2);
    EXPECT_NE(ds.fieldByName("CS"), nullptr);
    EXPECT_EQ(ds.fieldByName("CS")->displayLabel(), "CS");  // that field went away in between
    ds.fieldByName("CS")->setDisplayLabel("Codice sanitario");
    ds.loadFromFile(kSamples + "clienti-three-rows.xml");
    EXPECT_EQ(ds.fieldByName("CS")->displayLabel(), "Codice sanitario");
}

TEST(ClientDataSetFiles, DefinitionsAreChecked)
{
    struct Case {
        const char* name;
        std::vector<FieldDef> defs;
    } cases[] = {
        {"no name", {FieldDef{"", ftInteger, 0, 0, false}}},
        {"same name", {FieldDef{"A", ftInteger, 0, 0, false}, FieldDef{"a", ftString, 5, 0, false}}},
        {"unknown type", {FieldDef{"A", ftUnknown, 0, 0, false}}},
        {"huge string", {FieldDef{"A", ftString, kMaxFieldSize + 1, 0, false}}},
        {"BCD decimals", {FieldDef{"A", ftBCD, 5, 0, false}}},
        {"long name", {FieldDef{std::string(256, 'n'), ftInteger, 0, 0, false}}},
    };
    for (const Case& c : cases) {
        TClientDataSet ds;
        ds.fieldDefs() = c.defs;
        EXPECT_THROW(ds.createDataSet(), Exception) << c.name;
        EXPECT_FALSE(ds.active()) << c.name;
    }
    TClientDataSet none;
    EXPECT_EQ(Message([&] { none.open(); }), "Missing data provider or data packet");
    TClientDataSet open;
    open.addFieldDef("A", ftInteger);
    open.createDataSet();
    EXPECT_EQ(Message([&] { open.createDataSet(); }), "Cannot perform this operation on an open dataset");
    open.append();
    open.field(0)->setAsInteger(1);
    open.post();
    open.emptyDataSet();
    EXPECT_EQ(open.recordCount(), 0);
    EXPECT_TRUE(open.changed());
}
