// Dataset cursor, editing, field values, filters, listeners and data sources (over the client dataset).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/Error.h"
#include "platform/base/Format.h"
#include "platform/data/ClientDataSet.h"
#include "platform/data/DataSet.h"

using namespace zv;

namespace {

struct Person {
    const char* surname;
    const char* name;
    int age;  // < 0: null
};

// A table of people: Cognome, Nome (strings), Eta (smallint).
std::unique_ptr<TClientDataSet> People(const std::vector<Person>& rows)
{
    auto ds = std::make_unique<TClientDataSet>();
    ds->setName("People");
    ds->addFieldDef("Cognome", ftString, 20);
    ds->addFieldDef("Nome", ftString, 20);
    ds->addFieldDef("Eta", ftSmallint);
    ds->createDataSet();
    for (const Person& p : rows) {
        ds->append();
        ds->fieldByName("Cognome")->setAsString(p.surname);
        ds->fieldByName("Nome")->setAsString(p.name);
        if (p.age >= 0) ds->fieldByName("Eta")->setAsInteger(p.age);
        ds->post();
    }
    ds->first();
    return ds;
}

const std::vector<Person> kFour = {
    {"Rossi", "Mario", 40}, {"Bianchi", "Anna", 31}, {"Verdi", "Giuseppe", -1}, {"Russo", "Lucia", 25}};

std::vector<std::string> Surnames(TDataSet& ds)
{
    std::vector<std::string> out;
    ds.first();
    while (!ds.eof()) {
        out.push_back(ds.fieldByName("Cognome")->asString());
        ds.next();
    }
    return out;
}

std::string Message(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.message();
    }
    return "(no error)";
}

// Records every event a source delivers, as short names.
struct Recorder : DataSetListener {
    std::vector<std::string> events;
    void dataEvent(DataEvent e, const TField* f) override
    {
        static const char* names[] = {"active", "layout", "data", "scroll", "state", "field", "destroying"};
        std::string s = names[static_cast<int>(e)];
        if (f) s += ":" + f->fieldName();
        events.push_back(s);
    }
    std::string joined() const
    {
        std::string s;
        for (const auto& e : events) s += (s.empty() ? "" : " ") + e;
        return s;
    }
};

// The smallest concrete dataset: one integer field over a vector, closed by nobody on destruction.
class VectorDataSet : public TDataSet {
public:
    std::vector<Record> rows;
    int opens = 0, closes = 0;

protected:
    void internalOpen() override
    {
        ++opens;
        setFieldDefs({FieldDef{"N", ftInteger, 0, 0, false}});
    }
    void internalClose() override { ++closes; }
    int internalRecordCount() const override { return static_cast<int>(rows.size()); }
    const Record& internalRecord(int i) const override { return rows[static_cast<size_t>(i)]; }
    int internalPost(int i, Record r, bool inserted) override
    {
        if (inserted)
            rows.insert(rows.begin() + i, std::move(r));
        else
            rows[static_cast<size_t>(i)] = std::move(r);
        return i;
    }
    void internalDelete(int i) override { rows.erase(rows.begin() + i); }
};

}  // namespace

// ---- navigation ------------------------------------------------------------------------------

TEST(DataSetNavigation, EmptyAndClosedSets)
{
    auto ds = People({});
    EXPECT_TRUE(ds->bof());
    EXPECT_TRUE(ds->eof());
    EXPECT_EQ(ds->recordCount(), 0);
    EXPECT_EQ(ds->recNo(), -1);
    EXPECT_TRUE(ds->isEmpty());
    ds->next();
    ds->prior();
    ds->last();
    EXPECT_TRUE(ds->bof() && ds->eof());
    EXPECT_TRUE(ds->fieldByName("Cognome")->isNull());
    EXPECT_EQ(Message([&] { ds->setRecNo(1); }), "Record not found");
    EXPECT_EQ(Message([&] { ds->deleteRecord(); }), "Cannot perform this operation on an empty dataset");

    ds->close();
    EXPECT_FALSE(ds->active());
    EXPECT_EQ(ds->recordCount(), 0);
    EXPECT_EQ(ds->recNo(), -1);
    EXPECT_EQ(Message([&] { ds->first(); }), "Cannot perform this operation on a closed dataset");
    EXPECT_EQ(Message([&] { ds->edit(); }), "Cannot perform this operation on a closed dataset");
}

TEST(DataSetNavigation, StepsThroughRecords)
{
    auto ds = People(kFour);
    // Each step: operation, then the expected record number, Bof and Eof.
    struct Step {
        const char* op;
        int recNo;
        bool bof, eof;
    } steps[] = {
        {"first", 1, true, false}, {"next", 2, false, false}, {"next", 3, false, false},   {"next", 4, false, false},
        {"next", 4, false, true},  {"next", 4, false, true},  {"prior", 3, false, false},  {"last", 4, false, true},
        {"first", 1, true, false}, {"prior", 1, true, false}, {"recno3", 3, false, false}, {"by+5", 4, false, true},
        {"by-2", 2, false, false}, {"by-9", 1, true, false},
    };
    int row = 0;
    for (const Step& s : steps) {
        std::string op = s.op;
        if (op == "first")
            ds->first();
        else if (op == "next")
            ds->next();
        else if (op == "prior")
            ds->prior();
        else if (op == "last")
            ds->last();
        else if (op == "recno3")
            ds->setRecNo(3);
        else if (op == "by+5") {
            EXPECT_EQ(ds->moveBy(5), 1);
        } else if (op == "by-2") {
            EXPECT_EQ(ds->moveBy(-2), -2);
        } else if (op == "by-9") {
            EXPECT_EQ(ds->moveBy(-9), -1);
        }
        EXPECT_EQ(ds->recNo(), s.recNo) << "step " << row << " " << op;
        EXPECT_EQ(ds->bof(), s.bof) << "step " << row << " " << op;
        EXPECT_EQ(ds->eof(), s.eof) << "step " << row << " " << op;
        EXPECT_EQ(ds->fieldByName("Cognome")->asString(), kFour[static_cast<size_t>(s.recNo - 1)].surname);
        ++row;
    }
    EXPECT_EQ(ds->recordCount(), 4);
    ds->last();
    ds->refresh();  // stays on the record, no longer at the end
    EXPECT_EQ(ds->recNo(), 4);
    EXPECT_FALSE(ds->eof());
    EXPECT_EQ(Message([&] { ds->setRecNo(0); }), "Record not found");
    EXPECT_EQ(Message([&] { ds->setRecNo(5); }), "Record not found");
}

TEST(DataSetNavigation, WalkVisitsEveryRecordOnce)
{
    auto ds = People(kFour);
    EXPECT_EQ(Surnames(*ds), (std::vector<std::string>{"Rossi", "Bianchi", "Verdi", "Russo"}));
    // Backwards from the end.
    std::vector<std::string> back;
    ds->last();
    while (!ds->bof()) {
        back.push_back(ds->fieldByName("Cognome")->asString());
        ds->prior();
    }
    EXPECT_EQ(back, (std::vector<std::string>{"Russo", "Verdi", "Bianchi", "Rossi"}));
}

TEST(DataSetNavigation, FieldsByNameWithoutRegardToCase)
{
    auto ds = People(kFour);
    EXPECT_EQ(ds->findField("COGNOME"), ds->field(0));
    EXPECT_EQ(ds->findField("eta")->dataType(), ftSmallint);
    EXPECT_EQ(ds->findField("Missing"), nullptr);
    EXPECT_EQ(Message([&] { ds->fieldByName("Missing"); }), "People: Field 'Missing' not found");
    EXPECT_EQ(ds->fieldNames(), (std::vector<std::string>{"Cognome", "Nome", "Eta"}));
}

// ---- editing ---------------------------------------------------------------------------------

TEST(DataSetEditing, EditPostAndCancel)
{
    auto ds = People(kFour);
    ds->setChanged(false);
    ds->setRecNo(2);
    EXPECT_EQ(Message([&] { ds->fieldByName("Nome")->setAsString("X"); }), "Dataset not in edit or insert mode");
    ds->edit();
    EXPECT_EQ(ds->state(), dsEdit);
    ds->fieldByName("Nome")->setAsString("Annalisa");
    EXPECT_TRUE(ds->modified());
    EXPECT_EQ(ds->fieldByName("Nome")->asString(), "Annalisa");
    ds->cancel();
    EXPECT_EQ(ds->state(), dsBrowse);
    EXPECT_EQ(ds->fieldByName("Nome")->asString(), "Anna");
    EXPECT_FALSE(ds->changed());

    ds->edit();
    ds->fieldByName("Nome")->setAsString("Annalisa");
    ds->post();
    EXPECT_EQ(ds->recNo(), 2);
    EXPECT_EQ(ds->fieldByName("Nome")->asString(), "Annalisa");
    EXPECT_TRUE(ds->changed());
    EXPECT_EQ(ds->recordCount(), 4);
}

TEST(DataSetEditing, InsertAppendAndDeletePositions)
{
    auto ds = People(kFour);
    ds->setRecNo(2);
    ds->insert();
    EXPECT_EQ(ds->state(), dsInsert);
    EXPECT_EQ(ds->recNo(), 2);
    EXPECT_TRUE(ds->fieldByName("Cognome")->isNull());
    ds->fieldByName("Cognome")->setAsString("Neri");
    EXPECT_EQ(ds->recordCount(), 4);  // not counted before it is posted
    ds->post();
    EXPECT_EQ(ds->recNo(), 2);
    EXPECT_EQ(ds->fieldByName("Cognome")->asString(), "Neri");
    EXPECT_EQ(Surnames(*ds), (std::vector<std::string>{"Rossi", "Neri", "Bianchi", "Verdi", "Russo"}));

    ds->setRecNo(1);
    ds->append();
    ds->fieldByName("Cognome")->setAsString("Gallo");
    ds->post();
    EXPECT_EQ(ds->recNo(), 6);
    EXPECT_EQ(Surnames(*ds), (std::vector<std::string>{"Rossi", "Neri", "Bianchi", "Verdi", "Russo", "Gallo"}));

    // Deleting moves to the following record, or to the new last one.
    ds->setRecNo(3);
    ds->deleteRecord();
    EXPECT_EQ(ds->recNo(), 3);
    EXPECT_EQ(ds->fieldByName("Cognome")->asString(), "Verdi");
    ds->last();
    ds->deleteRecord();
    EXPECT_EQ(ds->recNo(), 4);
    EXPECT_EQ(ds->fieldByName("Cognome")->asString(), "Russo");
    EXPECT_EQ(Surnames(*ds), (std::vector<std::string>{"Rossi", "Neri", "Verdi", "Russo"}));

    // Cancelling an insert leaves the set as it was, on the record that was current.
    ds->setRecNo(2);
    ds->insert();
    ds->fieldByName("Cognome")->setAsString("Temp");
    ds->cancel();
    EXPECT_EQ(ds->recordCount(), 4);
    EXPECT_EQ(ds->fieldByName("Cognome")->asString(), "Neri");
    // Delete during an insert cancels it.
    ds->insert();
    ds->deleteRecord();
    EXPECT_EQ(ds->recordCount(), 4);
    EXPECT_EQ(ds->state(), dsBrowse);
}

TEST(DataSetEditing, MovingPostsOrDropsThePendingRecord)
{
    auto ds = People(kFour);
    ds->edit();
    ds->fieldByName("Eta")->setAsInteger(41);
    ds->next();  // posts
    EXPECT_EQ(ds->state(), dsBrowse);
    ds->first();
    EXPECT_EQ(ds->fieldByName("Eta")->asInteger(), 41);

    ds->insert();  // untouched: dropped when the cursor moves
    ds->last();
    EXPECT_EQ(ds->recordCount(), 4);

    ds->append();
    ds->fieldByName("Cognome")->setAsString("Ferrari");
    ds->first();  // touched: posted
    EXPECT_EQ(ds->recordCount(), 5);
}

TEST(DataSetEditing, EditOfAnEmptySetAppends)
{
    auto ds = People({});
    ds->edit();
    EXPECT_EQ(ds->state(), dsInsert);
    ds->fieldByName("Cognome")->setAsString("Primo");
    ds->post();
    EXPECT_EQ(ds->recordCount(), 1);
    EXPECT_EQ(ds->recNo(), 1);
    EXPECT_FALSE(ds->eof());
}

TEST(DataSetEditing, RequiredFieldsHooksAndReadOnly)
{
    TClientDataSet ds;
    ds.addFieldDef("Code", ftString, 5, true);
    ds.addFieldDef("Qty", ftInteger);
    ds.createDataSet();
    int newRecords = 0, posts = 0;
    ds.onNewRecord = [&](TDataSet& d) {
        ++newRecords;
        d.fieldByName("Qty")->setAsInteger(1);
    };
    ds.afterPost = [&](TDataSet&) { ++posts; };
    ds.append();
    EXPECT_EQ(ds.fieldByName("Qty")->asInteger(), 1);
    EXPECT_FALSE(ds.modified());  // defaults alone do not count
    EXPECT_EQ(Message([&] { ds.post(); }), "Field 'Code' must have a value");
    EXPECT_EQ(ds.state(), dsInsert);
    ds.fieldByName("Code")->setAsString("ABCDEFG");  // cut to the size
    ds.post();
    EXPECT_EQ(ds.fieldByName("Code")->asString(), "ABCDE");
    EXPECT_EQ(newRecords, 1);
    EXPECT_EQ(posts, 1);

    ds.beforeDelete = [](TDataSet&) { throw Exception("no"); };
    EXPECT_EQ(Message([&] { ds.deleteRecord(); }), "no");
    EXPECT_EQ(ds.recordCount(), 1);
    ds.beforeDelete = nullptr;

    ds.fieldByName("Qty")->setReadOnly(true);
    ds.edit();
    EXPECT_EQ(Message([&] { ds.fieldByName("Qty")->setAsInteger(2); }), "Field 'Qty' cannot be modified");
    ds.cancel();
    ds.setReadOnly(true);
    EXPECT_EQ(Message([&] { ds.edit(); }), "Cannot modify a read-only dataset");
    EXPECT_EQ(Message([&] { ds.append(); }), "Cannot modify a read-only dataset");
}

TEST(DataSetEditing, AbstractDataSetDrivesItsHooks)
{
    VectorDataSet ds;
    ds.open();
    EXPECT_EQ(ds.opens, 1);
    ds.open();  // already open
    EXPECT_EQ(ds.opens, 1);
    for (int v : {3, 1, 2}) {
        ds.append();
        ds.fieldByName("n")->setAsInteger(v);
        ds.post();
    }
    ds.setRecNo(2);
    ds.insert();
    ds.field(0)->setAsInteger(9);
    ds.post();
    ASSERT_EQ(ds.rows.size(), 4u);
    std::vector<int64_t> got;
    for (const Record& r : ds.rows) got.push_back(r[0].i);
    EXPECT_EQ(got, (std::vector<int64_t>{3, 9, 1, 2}));
    ds.setFilter("N < 3");
    ds.setFiltered(true);
    EXPECT_EQ(ds.recordCount(), 2);
    ds.last();
    EXPECT_EQ(ds.field(0)->asInteger(), 2);
    ds.close();
    EXPECT_EQ(ds.closes, 1);
}

// ---- field values ----------------------------------------------------------------------------

TEST(FieldValues, TypesConvertAndCheckRanges)
{
    TClientDataSet ds;
    ds.addFieldDef("S", ftString, 8);
    ds.addFieldDef("I2", ftSmallint);
    ds.addFieldDef("W", ftWord);
    ds.addFieldDef("I4", ftInteger);
    ds.addFieldDef("I8", ftLargeint);
    ds.addFieldDef("U4", ftLongWord);
    ds.addFieldDef("B", ftBoolean);
    ds.addFieldDef("F", ftFloat);
    ds.addFieldDef("C", ftCurrency);
    ds.addFieldDef("N", ftBCD, 2);
    ds.addFieldDef("D", ftDate);
    ds.addFieldDef("T", ftTime);
    ds.addFieldDef("DT", ftDateTime);
    ds.addFieldDef("M", ftMemo);
    ds.addFieldDef("G", ftGraphic);
    ds.createDataSet();
    ds.append();
    auto f = [&](const char* n) { return ds.fieldByName(n); };

    EXPECT_EQ(Message([&] { f("I2")->setAsInteger(40000); }),
              "40000 is not a valid value for field 'I2'. The allowed range is -32768 to 32767");
    EXPECT_EQ(Message([&] { f("W")->setAsInteger(-1); }),
              "-1 is not a valid value for field 'W'. The allowed range is 0 to 65535");
    EXPECT_EQ(Message([&] { f("I4")->setAsLargeint(int64_t(1) << 31); }),
              "2147483648 is not a valid value for field 'I4'. The allowed range is -2147483648 to 2147483647");
    EXPECT_EQ(Message([&] { f("U4")->setAsLargeint(int64_t(1) << 32); }),
              "4294967296 is not a valid value for field 'U4'. The allowed range is 0 to 4294967295");

    f("S")->setValue(Variant("abcdefghij"));
    f("I2")->setValue(Variant(int32_t(-5)));
    f("W")->setAsString("65535");
    f("I4")->setValue(Variant(12.0));
    f("I8")->setAsString("9007199254740993");
    f("U4")->setAsLargeint(4000000000LL);
    f("B")->setValue(Variant(true));
    f("F")->setAsFloat(0.125);
    f("C")->setValue(Variant::fromCurrency(12345));
    f("N")->setAsCurrency(-12345);
    f("D")->setAsDateTime(EncodeDate(2024, 2, 29) + 0.75);                        // the time part is dropped
    f("T")->setAsDateTime(EncodeDate(2024, 2, 29) + EncodeTime(2, 43, 35, 120));  // the date part is dropped
    f("DT")->setValue(Variant::fromDateTime(EncodeDate(1998, 11, 5) + EncodeTime(2, 43, 35, 120)));
    f("M")->setAsString(std::string("a\r\nb\0c", 6));  // text ends at a NUL
    f("G")->setBlobBytes(std::string("BM\0\x01", 4));
    ds.post();

    EXPECT_EQ(f("S")->asString(), "abcdefgh");
    EXPECT_EQ(f("I2")->value().type(), VarType::Integer);
    EXPECT_EQ(f("I2")->value().rawInt(), -5);
    EXPECT_EQ(f("W")->asInteger(), 65535);
    EXPECT_EQ(f("I4")->asInteger(), 12);
    EXPECT_EQ(f("I8")->asLargeint(), 9007199254740993LL);
    EXPECT_EQ(f("I8")->asString(), "9007199254740993");
    EXPECT_EQ(f("I8")->value().type(), VarType::Double);  // beyond 32 bits
    EXPECT_EQ(f("U4")->value().rawDouble(), 4000000000.0);
    EXPECT_EQ(f("B")->value().type(), VarType::Boolean);
    EXPECT_EQ(f("B")->asString(), "True");
    EXPECT_EQ(f("F")->value().rawDouble(), 0.125);
    EXPECT_EQ(f("C")->value().type(), VarType::Double);
    EXPECT_DOUBLE_EQ(f("C")->asFloat(), 1.2345);
    EXPECT_EQ(f("N")->value().type(), VarType::Currency);
    EXPECT_EQ(f("N")->asCurrency(), -12345);
    EXPECT_EQ(f("D")->value().type(), VarType::DateTime);
    EXPECT_EQ(f("D")->asDateTime(), EncodeDate(2024, 2, 29));
    EXPECT_DOUBLE_EQ(f("T")->asDateTime(), EncodeTime(2, 43, 35, 120));
    TimeParts tp = DecodeTime(f("DT")->asDateTime());
    EXPECT_EQ(tp.millisecond, 120);
    EXPECT_EQ(f("M")->blobBytes(), "a\r\nb");
    EXPECT_TRUE(f("M")->isBlob());
    EXPECT_EQ(f("G")->blobBytes(), std::string("BM\0\x01", 4));
    EXPECT_FALSE(f("S")->isBlob());

    // Empty text and Null clear non-text fields; an empty string stays a string.
    ds.edit();
    f("I4")->setAsString("");
    f("B")->setValue(Variant::null());
    f("S")->setAsString("");
    ds.post();
    EXPECT_TRUE(f("I4")->isNull());
    EXPECT_TRUE(f("I4")->value().isNull());
    EXPECT_EQ(f("I4")->asInteger(), 0);
    EXPECT_TRUE(f("B")->isNull());
    EXPECT_FALSE(f("S")->isNull());

    ds.edit();
    EXPECT_THROW(f("I4")->setAsString("12x"), Exception);
    EXPECT_THROW(f("B")->setAsString("maybe"), Exception);
    EXPECT_THROW(f("F")->setAsFloat(std::numeric_limits<double>::infinity()), Exception);
    f("B")->setAsString("fal");  // a prefix of the display text
    EXPECT_FALSE(f("B")->asBoolean());
    EXPECT_FALSE(f("B")->isNull());
    ds.cancel();
}

TEST(FieldValues, DisplaySettingsAndBlobTypes)
{
    auto ds = People(kFour);
    TField* cs = ds->fieldByName("Cognome");
    EXPECT_EQ(cs->displayLabel(), "Cognome");
    EXPECT_EQ(cs->displayWidth(), 20);
    cs->setDisplayLabel("Codice sanitario");
    cs->setDisplayWidth(25);
    EXPECT_EQ(cs->displayLabel(), "Codice sanitario");
    EXPECT_EQ(cs->displayWidth(), 25);
    for (TFieldType t : {ftBlob, ftMemo, ftGraphic, ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary})
        EXPECT_TRUE(IsBlobType(t)) << FieldTypeName(t);
    for (TFieldType t : {ftString, ftBytes, ftVarBytes, ftWideString, ftInteger, ftDateTime})
        EXPECT_FALSE(IsBlobType(t)) << FieldTypeName(t);
}

// ---- filters ---------------------------------------------------------------------------------

TEST(DataSetFilter, ExpressionsSelectRecords)
{
    auto ds = People(kFour);
    struct Case {
        const char* filter;
        std::vector<std::string> expected;
    } cases[] = {
        {"Cognome = 'Rossi'", {"Rossi"}},
        {"Cognome <> 'Rossi'", {"Bianchi", "Verdi", "Russo"}},
        {"Cognome = 'R*'", {"Rossi", "Russo"}},
        {"Eta > 30", {"Rossi", "Bianchi"}},
        {"Eta >= 25 and Eta < 40", {"Bianchi", "Russo"}},
        {"Eta IS NULL", {"Verdi"}},
        {"Eta is not null and not (Nome = 'Anna')", {"Rossi", "Russo"}},
        {"(Eta < 30) OR [Cognome] = 'Verdi'", {"Verdi", "Russo"}},
        {"Eta = '31'", {"Bianchi"}},
        {"Cognome = 'rossi'", {}},
        {"Nome = 'Lu''cia' or Nome = 'Lucia'", {"Russo"}},
        {"Eta <> 40", {"Bianchi", "Russo"}},  // a null compares as nothing
        {"", {"Rossi", "Bianchi", "Verdi", "Russo"}},
    };
    ds->setFiltered(true);
    for (const Case& c : cases) {
        ds->setFilter(c.filter);
        EXPECT_EQ(Surnames(*ds), c.expected) << c.filter;
        EXPECT_EQ(ds->recordCount(), static_cast<int>(c.expected.size())) << c.filter;
    }
    ds->setFilter("Cognome = 'rossi'");
    ds->setFilterCaseInsensitive(true);
    EXPECT_EQ(Surnames(*ds), (std::vector<std::string>{"Rossi"}));
    ds->setFiltered(false);
    EXPECT_EQ(ds->recordCount(), 4);
}

TEST(DataSetFilter, MalformedFiltersKeepThePreviousOne)
{
    auto ds = People(kFour);
    ds->setFilter("Eta > 30");
    ds->setFiltered(true);
    struct Case {
        const char* filter;
        const char* message;
    } cases[] = {
        {"Eta >", "Invalid filter expression"},
        {"Eta > 30)", "Filter expression incorrectly terminated"},
        {"(Eta > 30", "Filter expression incorrectly terminated"},
        {"Cognome = 'open", "Filter expression incorrectly terminated"},
        {"Altezza > 3", "Field 'Altezza' not found"},
        {"Cognome > 3", "Type mismatch in expression"},
        {"Eta = 'abc'", "Type mismatch in expression"},
        {"Eta # 3", "Invalid filter expression"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Message([&] { ds->setFilter(c.filter); }), c.message) << c.filter;
        EXPECT_EQ(ds->filter(), "Eta > 30");
        EXPECT_EQ(ds->recordCount(), 2) << c.filter;
    }
    // Switching a bad filter on fails and leaves the set unfiltered.
    ds->setFiltered(false);
    ds->setFilter("Eta >");
    EXPECT_THROW(ds->setFiltered(true), Exception);
    EXPECT_FALSE(ds->filtered());
    EXPECT_EQ(ds->recordCount(), 4);
}

TEST(DataSetFilter, HandlerAndEditsOfFilteredSets)
{
    auto ds = People(kFour);
    ds->onFilterRecord = [](TDataSet& d) { return d.fieldByName("Nome")->asString().size() == 5; };
    ds->setFiltered(true);
    EXPECT_EQ(Surnames(*ds), (std::vector<std::string>{"Rossi", "Russo"}));
    // A record edited out of the filter leaves the view.
    ds->first();
    ds->edit();
    ds->fieldByName("Nome")->setAsString("Marco Aurelio");
    ds->post();
    EXPECT_EQ(ds->recordCount(), 1);
    EXPECT_EQ(ds->fieldByName("Cognome")->asString(), "Russo");
    ds->setFiltered(false);
    EXPECT_EQ(ds->recordCount(), 4);
}

// ---- listeners -------------------------------------------------------------------------------

TEST(DataSetListeners, EventsFollowTheCursorAndTheData)
{
    auto ds = People(kFour);
    Recorder r;
    ds->addListener(&r);
    ds->next();
    ds->edit();
    ds->fieldByName("Nome")->setAsString("Anna Maria");
    ds->post();
    ds->deleteRecord();
    ds->close();
    EXPECT_EQ(r.joined(), "scroll state field:Nome state data data active");

    std::vector<DataEvent> seen;
    int token = ds->addListener([&](DataEvent e, const TField*) { seen.push_back(e); });
    ds->open();
    ds->removeListener(token);
    ds->next();
    EXPECT_EQ(seen, (std::vector<DataEvent>{DataEvent::ActiveChanged}));
}

TEST(DataSetListeners, DisableControlsNests)
{
    auto ds = People(kFour);
    Recorder r;
    ds->addListener(&r);
    struct Case {
        const char* name;
        std::function<void(TDataSet&)> work;
        const char* expected;
    } cases[] = {
        {"moves",
         [](TDataSet& d) {
             d.next();
             d.next();
         },
         "data"},
        {"nothing", [](TDataSet&) {}, ""},
        {"left editing", [](TDataSet& d) { d.edit(); }, "state data"},
        {"closed", [](TDataSet& d) { d.close(); }, "active"},
    };
    for (const Case& c : cases) {
        ds->open();
        ds->first();
        ds->cancel();
        r.events.clear();
        ds->disableControls();
        ds->disableControls();
        EXPECT_TRUE(ds->controlsDisabled());
        c.work(*ds);
        ds->enableControls();
        EXPECT_TRUE(ds->controlsDisabled()) << c.name;
        EXPECT_TRUE(r.events.empty()) << c.name;
        ds->enableControls();
        EXPECT_FALSE(ds->controlsDisabled());
        EXPECT_EQ(r.joined(), c.expected) << c.name;
        ds->enableControls();  // unbalanced: ignored
        EXPECT_FALSE(ds->controlsDisabled());
    }
}

TEST(DataSetListeners, ListenersLeaveSafely)
{
    auto ds = People(kFour);
    {
        Recorder gone;
        ds->addListener(&gone);
        EXPECT_EQ(ds->listenerCount(), 1u);
    }
    EXPECT_EQ(ds->listenerCount(), 0u);
    ds->next();  // nothing left to call

    // A callback that removes itself and adds another while an event is delivered.
    int calls = 0, later = 0;
    int token = 0;
    token = ds->addListener([&](DataEvent, const TField*) {
        ++calls;
        ds->removeListener(token);
        ds->addListener([&](DataEvent, const TField*) { ++later; });
    });
    ds->next();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(later, 0);
    ds->next();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(later, 1);

    Recorder r;
    ds->addListener(&r);
    ds.reset();  // the table closes, then goes
    EXPECT_EQ(r.joined(), "active destroying");
    EXPECT_EQ(r.source(), nullptr);
}

TEST(DataSourceTest, ForwardsWhileEnabledAndLetsGoOfDestroyedSets)
{
    auto ds = People(kFour);
    TDataSource src;
    Recorder r;
    src.addListener(&r);
    int dataChanges = 0, stateChanges = 0;
    src.onDataChange = [&](TDataSource&, const TField*) { ++dataChanges; };
    src.onStateChange = [&](TDataSource&) { ++stateChanges; };
    EXPECT_EQ(src.state(), dsInactive);
    src.setDataSet(ds.get());
    EXPECT_EQ(src.state(), dsBrowse);
    ds->next();
    ds->edit();
    src.setEnabled(false);
    EXPECT_EQ(src.state(), dsInactive);
    ds->cancel();
    ds->next();
    src.setEnabled(true);
    EXPECT_EQ(r.joined(), "active scroll state active active");
    EXPECT_EQ(dataChanges, 1);
    EXPECT_EQ(stateChanges, 4);

    r.events.clear();
    ds.reset();
    EXPECT_EQ(src.dataSet(), nullptr);
    EXPECT_EQ(r.joined(), "active");

    // A dataset destroyed while open: the source tells its controls once.
    auto plain = std::make_unique<VectorDataSet>();
    plain->open();
    src.setDataSet(plain.get());
    r.events.clear();
    plain.reset();
    EXPECT_EQ(src.dataSet(), nullptr);
    EXPECT_EQ(r.joined(), "active");
    EXPECT_EQ(src.state(), dsInactive);
}

TEST(DataSourceTest, OwnedComponentsAndRebinding)
{
    Component form;
    form.setName("FormMain");
    auto* ds = new TClientDataSet(&form);
    ds->setName("ClientDataSet");
    ds->addFieldDef("A", ftInteger);
    ds->createDataSet();
    auto* src = new TDataSource(&form);
    src->setDataSet(ds);
    EXPECT_EQ(form.findComponent("clientdataset"), ds);
    EXPECT_EQ(ds->className(), "TClientDataSet");
    EXPECT_EQ(src->className(), "TDataSource");

    auto other = People(kFour);
    Recorder r;
    src->addListener(&r);
    src->setDataSet(other.get());
    ds->append();  // the old dataset is no longer heard
    other->next();
    EXPECT_EQ(r.joined(), "active scroll");
    src->setDataSet(nullptr);
    EXPECT_EQ(src->state(), dsInactive);
}
