// Tests of the data sources: the walk with its ranges, filter and counters, opening and restoring
// the bound dataset, binding by name with its errors, field lookup, and OnDataSetWork.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/base/Error.h"
#include "platform/base/FormText.h"
#include "platform/data/ClientDataSet.h"
#include "report/ZV_Bands.h"
#include "report/ZV_Const.h"
#include "report/ZV_Expr.h"
#include "report/ZV_Init.h"
#include "report/ZV_Memo.h"
#include "report/ZV_Picture.h"
#include "report/ZV_Report.h"
#include "report/ZV_Utils.h"

using namespace zv;

namespace {

struct Person {
    const char* surname;
    int age;
};
const std::vector<Person> kPeople = {{"Rossi", 40}, {"Bianchi", 25}, {"Verdi", 35}, {"Neri", 19}};

// Filters in these tests name fields of the walked dataset in brackets: [Eta].
TDataSet* gFilterDataSet = nullptr;
void FieldResolver(void*, std::string_view name, const TzvArgList*, Variant& value)
{
    if (name == "BOOM") throw Exception("boom");
    if (TField* f = gFilterDataSet ? gFilterDataSet->findField(name) : nullptr) value = f->value();
}

// A form "FormMain" holding the table "Clienti", the data source "zvClienti" bound to it and the
// report, as the demo's main window does.
class DataSourceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        zvState().ErrorFlag = false;
        zvState().ErrorText.clear();
        form = std::make_unique<Component>();
        form->setName("FormMain");
        ApplicationRegistry::instance().addForm(form.get());
        table = new TClientDataSet(form.get());
        table->setName("Clienti");
        table->addFieldDef("Cognome", ftString, 20);
        table->addFieldDef("Eta", ftInteger);
        table->addFieldDef("A.B", ftString, 10);
        table->createDataSet();
        for (const Person& p : kPeople) {
            table->append();
            table->fieldByName("Cognome")->setAsString(p.surname);
            table->fieldByName("Eta")->setAsInteger(p.age);
            table->fieldByName("A.B")->setAsString(std::string("ab-") + p.surname);
            table->post();
        }
        table->first();
        source = new TzvDBDataSet(form.get());
        source->setName("zvClienti");
        source->SetDataSet(table);
        report = new TzvReport(form.get());
        report->setName("zvReport");
        gFilterDataSet = table;
        SetExprResolver({&FieldResolver, this});
        band.BandKind = bkMainData;
    }
    void TearDown() override
    {
        SetExprResolver({});
        gFilterDataSet = nullptr;
        zvState().CurrentPage = nullptr;
        zvState().CurrentObject = nullptr;
        ApplicationRegistry::instance().remove(form.get());
        form.reset();
        zvState().ErrorFlag = false;
    }

    // The surnames of a whole walk, First to Eof.
    std::vector<std::string> Walk(TzvDataset& s, int limit = 20)
    {
        std::vector<std::string> seen;
        for (s.First(); !s.Eof() && limit-- > 0; s.Next()) seen.push_back(table->fieldByName("Cognome")->asString());
        return seen;
    }
    std::string ErrorLine() const
    {
        const std::string& t = zvState().ErrorText;
        const size_t a = t.find('\r');
        if (a == std::string::npos) return {};
        const size_t b = t.find('\r', a + 1);
        return t.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
    }

    std::unique_ptr<Component> form;
    TClientDataSet* table = nullptr;
    TzvDBDataSet* source = nullptr;
    TzvReport* report = nullptr;
    TzvBand band;
};

using Names = std::vector<std::string>;

TEST_F(DataSourceTest, WalkVisitsEveryRecordAndCountsSteps)
{
    source->Init();
    EXPECT_TRUE(source->ErrorText.empty());
    EXPECT_EQ(Walk(*source), (Names{"Rossi", "Bianchi", "Verdi", "Neri"}));
    EXPECT_EQ(source->RecNo, 4);
    EXPECT_EQ(source->PassedCount, 4);
    source->Prior();
    EXPECT_EQ(source->RecNo, 3);
    EXPECT_EQ(source->PassedCount, 4);
    source->First();
    EXPECT_EQ(source->RecNo, 0);
    EXPECT_EQ(source->PassedCount, 0);
    source->Exit();
}

TEST_F(DataSourceTest, EventsFollowTheWalk)
{
    std::string log;
    source->OnFirst = [&](TzvDataset* s) { log += "F" + std::to_string(s->RecNo); };
    source->OnNext = [&](TzvDataset* s) { log += "N" + std::to_string(s->RecNo); };
    source->OnPrior = [&](TzvDataset* s) { log += "P" + std::to_string(s->RecNo); };
    source->Init();
    source->First();
    source->Next();
    source->Next();
    source->Prior();
    EXPECT_EQ(log, "F0N1N2P1");
    EXPECT_EQ(table->fieldByName("Cognome")->asString(), "Bianchi");
    source->Exit();
}

TEST_F(DataSourceTest, ExitRestoresAnOpenDatasetAndClosesAClosedOne)
{
    table->setRecNo(3);
    source->Init();
    EXPECT_TRUE(source->WasActive);
    EXPECT_EQ(source->RememberedRecNo, 3);
    EXPECT_TRUE(table->controlsDisabled());
    Walk(*source);
    source->Exit();
    EXPECT_EQ(table->recNo(), 3);
    EXPECT_FALSE(table->controlsDisabled());
    EXPECT_FALSE(source->Initialised);

    table->close();
    source->Init();
    EXPECT_FALSE(source->WasActive);
    EXPECT_TRUE(table->active());
    EXPECT_EQ(Walk(*source).size(), 4u);
    source->Exit();
    EXPECT_FALSE(table->active());
}

TEST_F(DataSourceTest, ControlsFrozenByOthersStayFrozen)
{
    table->disableControls();
    source->Init();
    EXPECT_TRUE(source->ControlsWereDisabled);
    source->Exit();
    EXPECT_TRUE(table->controlsDisabled());
    table->enableControls();
    EXPECT_FALSE(table->controlsDisabled());

    source->DisableControls = false;
    source->Init();
    EXPECT_FALSE(table->controlsDisabled());
    source->Exit();
    EXPECT_FALSE(table->controlsDisabled());
}

TEST_F(DataSourceTest, RangeByCount)
{
    source->RangeEnd = reCount;
    source->RangeEndCount = 2;
    source->Init();
    EXPECT_EQ(Walk(*source), (Names{"Rossi", "Bianchi"}));
    source->RangeEndCount = 0;
    source->First();
    EXPECT_TRUE(source->Eof());
    source->RangeEndCount = 10;  // the table ends first
    EXPECT_EQ(Walk(*source).size(), 4u);
    source->Exit();
}

TEST_F(DataSourceTest, RangeFromAndToTheCurrentRecord)
{
    table->setRecNo(2);
    source->RangeBegin = rbCurrent;
    source->Init();
    EXPECT_EQ(Walk(*source), (Names{"Bianchi", "Verdi", "Neri"}));
    // At the end of the table the next walk still starts on the remembered record.
    EXPECT_TRUE(table->eof());
    EXPECT_EQ(Walk(*source), (Names{"Bianchi", "Verdi", "Neri"}));
    source->RangeEnd = reCurrent;
    EXPECT_EQ(Walk(*source), (Names{"Bianchi"}));
    source->RangeBegin = rbFirst;
    EXPECT_EQ(Walk(*source), (Names{"Rossi", "Bianchi"}));
    source->Exit();
    EXPECT_EQ(table->recNo(), 2);
    EXPECT_TRUE(table->active());
}

TEST_F(DataSourceTest, LookAheadOfAReCurrentWalkReturnsToTheLastRecord)
{
    table->setRecNo(2);
    source->RangeEnd = reCurrent;
    source->Init();
    source->First();
    source->Next();
    source->Next();
    EXPECT_TRUE(source->Eof());
    source->Prior();
    EXPECT_EQ(table->fieldByName("Cognome")->asString(), "Bianchi");
    source->Next();
    EXPECT_TRUE(source->Eof());
    source->Exit();
}

TEST_F(DataSourceTest, FilterSkipsRejectedRecordsBothWays)
{
    source->Filtered = true;
    source->Filter = "[Eta] > 30";
    source->Init();
    EXPECT_EQ(Walk(*source), (Names{"Rossi", "Verdi"}));
    EXPECT_EQ(source->RecNo, 2);
    EXPECT_EQ(source->PassedCount, 4);  // Bianchi and Neri were passed too
    source->Prior();                    // the walk ended on Neri (rejected, the last record): back to Verdi
    EXPECT_EQ(table->fieldByName("Cognome")->asString(), "Verdi");
    source->Prior();  // Bianchi is rejected: on to Rossi
    EXPECT_EQ(table->fieldByName("Cognome")->asString(), "Rossi");

    // The first record rejected: First moves on to the first accepted one.
    source->Filter = "[Eta] < 30";
    EXPECT_EQ(Walk(*source), (Names{"Bianchi", "Neri"}));
    source->Exit();
}

TEST_F(DataSourceTest, FilterThatAcceptsNothingGivesAnEmptyWalk)
{
    source->Filtered = true;
    source->Filter = "0";
    source->Init();
    source->First();
    EXPECT_TRUE(source->Eof());
    EXPECT_TRUE(table->eof());
    EXPECT_EQ(source->PassedCount, 4);
    // Values that compare equal to 0 reject; anything else accepts.
    source->Filter = "'0'";
    source->First();
    EXPECT_TRUE(source->Eof());
    source->Filter = "'x' + 'y'";
    EXPECT_THROW(source->First(), Exception);
    source->Filter = "";  // Null accepts
    EXPECT_EQ(Walk(*source).size(), 4u);
    source->Exit();
}

TEST_F(DataSourceTest, FilterErrorsBecomeTheFilterMessage)
{
    source->Filtered = true;
    source->Init();
    for (const char* filter : {"BOOM", "[Nope] = 1", "(1", "'a' * 2"}) {
        source->Filter = filter;
        try {
            source->First();
            ADD_FAILURE() << filter << " did not fail";
        } catch (const Exception& e) {
            EXPECT_EQ(e.message(), kMsgFilterError) << filter;
        }
    }
    source->Filtered = false;  // not evaluated at all when off
    EXPECT_EQ(Walk(*source).size(), 4u);
    source->Exit();
}

TEST_F(DataSourceTest, EndTestOfPlainAndBoundSources)
{
    // A plain source without reCount and without a handler never ends.
    TzvDataset plain;
    plain.First();
    for (int i = 0; i < 1000; ++i) plain.Next();
    EXPECT_FALSE(plain.Eof());
    plain.OnCheckEOF = [](TzvDataset* s, bool& eof) { eof = s->RecNo >= 3; };
    EXPECT_TRUE(plain.Eof());
    plain.First();
    EXPECT_FALSE(plain.Eof());
    plain.RangeEnd = reCount;
    plain.RangeEndCount = 0;
    plain.OnCheckEOF = [](TzvDataset*, bool& eof) { eof = false; };
    EXPECT_FALSE(plain.Eof());  // the handler has the last word for a plain source

    // For a bound source the dataset's end is or-ed after the handler.
    source->OnCheckEOF = [](TzvDataset*, bool& eof) { eof = false; };
    source->Init();
    EXPECT_EQ(Walk(*source).size(), 4u);
    source->Exit();
}

TEST_F(DataSourceTest, CheckedAccessorRecordsWhyTheSourceIsUnusable)
{
    TzvDBDataSet unbound(form.get());
    unbound.setName("zvVuoto");
    EXPECT_EQ(unbound.CheckedDataSet(), nullptr);
    EXPECT_EQ(unbound.ErrorText, std::string(kMsgDataSetNotAssigned) + "zvVuoto");

    EXPECT_EQ(source->CheckedDataSet(), table);
    EXPECT_TRUE(source->ErrorText.empty());
    source->Init();
    table->close();
    EXPECT_EQ(source->CheckedDataSet(), table);
    EXPECT_EQ(source->ErrorText, std::string(kMsgDataSetClosed) + "Clienti");
    source->First();  // a closed dataset: no move, no crash
    EXPECT_TRUE(source->Eof());
    source->Exit();
    EXPECT_EQ(source->CheckedDataSet(), table);  // after Exit a closed dataset is no error
    EXPECT_EQ(source->ErrorText, std::string(kMsgDataSetClosed) + "Clienti");
    table->open();
    source->CheckedDataSet();
    EXPECT_TRUE(source->ErrorText.empty());
}

TEST_F(DataSourceTest, DestroyedDatasetIsUnbound)
{
    delete table;
    table = nullptr;
    gFilterDataSet = nullptr;
    EXPECT_EQ(source->DataSet(), nullptr);
    source->Init();
    EXPECT_EQ(source->ErrorText, std::string(kMsgDataSetNotAssigned) + "zvClienti");
    source->First();
    EXPECT_FALSE(source->Eof());  // nothing bound: only the range ends it
    source->Exit();
}

TEST_F(DataSourceTest, OpeningFailureIsRecorded)
{
    table->close();
    table->setFilter("Eta >");  // malformed: opening with it fails
    table->setFiltered(true);
    source->Init();
    const std::string prefix = std::string(kMsgDataSetOpenFailed) + "Clienti\r\n";
    ASSERT_GT(source->ErrorText.size(), prefix.size());
    EXPECT_EQ(source->ErrorText.substr(0, prefix.size()), prefix);
    EXPECT_TRUE(source->Initialised);
    EXPECT_FALSE(table->controlsDisabled());
    source->Exit();
    EXPECT_FALSE(table->controlsDisabled());
}

TEST_F(DataSourceTest, IsLastRecord)
{
    source->Init();
    source->First();
    EXPECT_FALSE(IsLastRecord(source));
    for (int i = 0; i < 3; ++i) source->Next();
    EXPECT_TRUE(IsLastRecord(source));
    source->RangeEnd = reCount;
    source->RangeEndCount = 2;
    source->First();
    EXPECT_FALSE(IsLastRecord(source));
    source->Next();
    EXPECT_TRUE(IsLastRecord(source));
    source->Exit();
    TzvDataset plain;
    EXPECT_FALSE(IsLastRecord(&plain));
    EXPECT_FALSE(IsLastRecord(nullptr));
}

TEST_F(DataSourceTest, NamesOfSourcesWithoutOwner)
{
    TzvDataset a, b;
    ASSERT_GT(a.name().size(), 1u);
    EXPECT_EQ(a.name()[0], 'N');
    EXPECT_NE(a.name(), b.name());
    EXPECT_EQ(source->name(), "zvClienti");
    // A source registered with the report leaves the list when it is destroyed.
    auto* c = new TzvDataset();
    report->AddDataSource("Extra", c);
    EXPECT_EQ(report->FindRegisteredDataSource("extra"), c);
    delete c;
    EXPECT_EQ(report->FindRegisteredDataSource("Extra"), nullptr);
}

// ---- binding by name ---------------------------------------------------------------------------

TEST_F(DataSourceTest, BindingInitsTheSourceAndCopiesTheReportOption)
{
    report->DisableDataSetControls = false;
    EXPECT_EQ(FindDataSource(&band, "ZVCLIENTI"), source);
    EXPECT_EQ(band.DataSource, source);
    EXPECT_TRUE(source->Initialised);
    EXPECT_FALSE(source->DisableControls);
    EXPECT_FALSE(zvState().ErrorFlag);
    source->Exit();

    // A source registered with the report, when the owner has no such component.
    auto* registered = new TzvDataset();
    report->AddDataSource("Contatore", registered);
    TzvBand other;
    other.BandKind = bkDetailData;
    EXPECT_EQ(FindDataSource(&other, "contatore"), registered);
}

TEST_F(DataSourceTest, BindingErrors)
{
    // Empty name: no source and no error.
    EXPECT_EQ(FindDataSource(&band, ""), nullptr);
    EXPECT_FALSE(zvState().ErrorFlag);
    // A group header never binds.
    TzvBand group;
    group.BandKind = bkGroupHeader;
    EXPECT_EQ(FindDataSource(&group, "zvClienti"), nullptr);
    EXPECT_FALSE(zvState().ErrorFlag);

    EXPECT_EQ(FindDataSource(&band, "Manca"), nullptr);
    EXPECT_EQ(ErrorLine(), std::string(kMsgDataSetNotFound) + "Manca");

    zvState().ErrorFlag = false;
    auto* unbound = new TzvDBDataSet(form.get());
    unbound->setName("zvVuoto");
    TzvMemoView memo(report);
    zvState().CurrentObject = &memo;
    EXPECT_EQ(FindDataSource(&band, "zvVuoto"), nullptr);
    EXPECT_EQ(band.DataSource, nullptr);
    EXPECT_EQ(zvState().CurrentObject, nullptr);
    EXPECT_EQ(ErrorLine(), std::string(kMsgDataSetNotAssigned) + "zvVuoto");

    // A component of another class.
    zvState().ErrorFlag = false;
    EXPECT_THROW(FindDataSource(&band, "Clienti"), Exception);
}

TEST_F(DataSourceTest, PlatformDatasetByName)
{
    EXPECT_EQ(FindPlatformDataSet("FormMain.Clienti"), table);
    EXPECT_EQ(FindPlatformDataSet("clienti"), table);
    EXPECT_FALSE(zvState().ErrorFlag);
    EXPECT_EQ(FindPlatformDataSet("FormMain.Nessuno"), nullptr);
    EXPECT_EQ(ErrorLine(), std::string(kMsgDataSetNotFound) + "FormMain.Nessuno");
    zvState().ErrorFlag = false;
    EXPECT_EQ(FindPlatformDataSet("Altro.Clienti"), nullptr);
    EXPECT_TRUE(zvState().ErrorFlag);
    EXPECT_THROW(FindPlatformDataSet("zvClienti"), Exception);
}

TEST_F(DataSourceTest, QualifiedFieldReferences)
{
    TDataSet* ds = nullptr;
    EXPECT_EQ(FindField("Clienti.Cognome", ds), table->fieldByName("Cognome"));
    EXPECT_EQ(ds, table);
    ds = nullptr;
    EXPECT_EQ(FindField("FormMain.Clienti.Eta", ds), table->fieldByName("Eta"));
    ds = nullptr;
    EXPECT_EQ(FindField("Clienti.\"A.B\"", ds), table->fieldByName("A.B"));
    ds = nullptr;
    EXPECT_EQ(FindField("FormMain.Clienti.\"A.B\"", ds), table->fieldByName("A.B"));
    // The form and the dataset alone: the dataset, no field.
    ds = nullptr;
    EXPECT_EQ(FindField("FormMain.Clienti", ds), nullptr);
    EXPECT_EQ(ds, table);
    ds = nullptr;
    EXPECT_EQ(FindField("Clienti.Manca", ds), nullptr);
    EXPECT_EQ(ds, table);
    ds = nullptr;
    EXPECT_EQ(FindField("Nessuno.Cognome", ds), nullptr);
    EXPECT_EQ(ds, nullptr);
    // A dataset given serves a plain name.
    ds = table;
    EXPECT_EQ(FindField("\"A.B\"", ds), table->fieldByName("A.B"));
    EXPECT_EQ(Unquote("\"x\""), "x");
    EXPECT_EQ(Unquote("\""), "\"");
    EXPECT_EQ(Unquote("\"x"), "\"x");
}

TEST_F(DataSourceTest, PlainFieldReferencesUseTheBandOfTheObject)
{
    auto detailTable = new TClientDataSet(form.get());
    detailTable->setName("Righe");
    detailTable->addFieldDef("Cognome", ftString, 20);
    detailTable->createDataSet();
    auto* detailSource = new TzvDBDataSet(form.get());
    detailSource->setName("zvRighe");
    detailSource->SetDataSet(detailTable);
    TzvBand detail;
    detail.BandKind = bkDetailData;
    detail.DataSource = detailSource;
    band.DataSource = source;
    TzvPage& page = report->Pages[0];
    page.Bands[bkMainData] = &band;
    page.Bands[bkDetailData] = &detail;
    TzvMemoView memo(report);
    zvState().CurrentObject = &memo;

    TDataSet* ds = nullptr;
    EXPECT_EQ(FindField("Cognome", ds), nullptr);  // no current page
    zvState().CurrentPage = &page;
    struct Case {
        uint8_t kind;
        TDataSet* expected;
    };
    const Case cases[] = {
        {bkReportTitle, table},
        {bkMainFooter, table},
        {bkGroupFooter, table},
        {bkColumnHeader, table},
        {bkDetailHeader, detailTable},
        {bkDetailData, detailTable},
        {bkDetailFooter, detailTable},
        {bkSubDetailData, nullptr},
        {bkTableData, nullptr},
        {bkBackground, nullptr},
        {bkNone, nullptr},
    };
    for (const Case& c : cases) {
        memo.BandKindOfOwner = c.kind;
        ds = nullptr;
        TField* f = FindField("Cognome", ds);
        EXPECT_EQ(ds, c.expected) << int(c.kind);
        EXPECT_EQ(f, c.expected ? c.expected->findField("Cognome") : nullptr) << int(c.kind);
    }
    memo.BandKindOfOwner = bkMainData;
    ds = nullptr;
    EXPECT_EQ(FindField("\"A.B\"", ds), table->fieldByName("A.B"));
    zvState().CurrentObject = nullptr;
    ds = nullptr;
    EXPECT_EQ(FindField("Cognome", ds), nullptr);
    page.Bands = {};
}

TEST_F(DataSourceTest, DataSetWorkNotification)
{
    auto* bandView = new TzvBandView(report);
    bandView->Name = "BandaDati";
    bandView->SetBandKind(bkMainData);
    bandView->FormatText = "zvClienti";
    auto* otherKind = new TzvBandView(report);
    otherKind->Name = "BandaDettagli";
    otherKind->SetBandKind(bkDetailData);
    otherKind->FormatText = "zvClienti";
    report->Pages[0].Add(std::unique_ptr<TzvView>(otherKind));
    report->Pages[0].Add(std::unique_ptr<TzvView>(bandView));

    struct Call {
        std::string band;
        TDataSet* ds;
        int32_t count;
        TzvDataSetOperation op;
    };
    std::vector<Call> calls;
    report->OnDataSetWork = [&](const std::string& name, TDataSet* ds, int32_t& count, TzvDataSetOperation op) {
        calls.push_back({name, ds, count, op});
        if (op == dsoFirst) count = 2;
    };
    source->RangeEnd = reCount;
    source->RangeEndCount = 7;
    ASSERT_EQ(FindDataSource(&band, "zvClienti"), source);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].band, "BandaDati");
    EXPECT_EQ(calls[0].ds, table);
    EXPECT_EQ(calls[0].count, 7);
    EXPECT_EQ(calls[0].op, dsoInit);
    // The handler sets the number of records of a reCount walk.
    source->First();
    NotifyDataSetWork(&band, dsoFirst);
    EXPECT_EQ(source->RangeEndCount, 2);
    std::vector<std::string> seen;
    for (; !source->Eof(); source->Next(), NotifyDataSetWork(&band, dsoNext)) seen.push_back("x");
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(calls.back().op, dsoNext);

    // No band object of the band's kind names the source: no call.
    const size_t before = calls.size();
    TzvBand sub;
    sub.BandKind = bkSubDetailData;
    sub.DataSource = source;
    NotifyDataSetWork(&sub, dsoNext);
    EXPECT_EQ(calls.size(), before);
    source->Exit();
}

TEST_F(DataSourceTest, EditingDialogsListDataSetsFieldsAndVariables)
{
    // A data module of its own and one owned by the form, each with a table.
    Component module;
    module.setName("Dati");
    ApplicationRegistry::instance().addDataModule(&module);
    auto* moduleTable = new TClientDataSet(&module);
    moduleTable->setName("Ordini");
    auto* owned = new Component(form.get());
    owned->setName("Interno");
    ApplicationRegistry::instance().addDataModule(owned);
    auto* ownedTable = new TClientDataSet(owned);
    ownedTable->setName("Righe");

    std::vector<std::string> names;
    for (const auto& entry : ListDataSets(form.get())) names.push_back(entry.first);
    // The report's own form names its table without owner; the others carry theirs.
    EXPECT_EQ(names, (std::vector<std::string>{"Clienti", "Dati.Ordini", "Interno.Righe"}));
    for (const auto& entry : ListDataSets(nullptr)) EXPECT_NE(entry.first, "Clienti");

    // Field names of a closed table: opened for the listing, closed again.
    table->close();
    EXPECT_EQ(DataSetFieldNames(table), (std::vector<std::string>{"Cognome", "Eta", "A.B"}));
    EXPECT_FALSE(table->active());
    EXPECT_TRUE(DataSetFieldNames(moduleTable).empty());  // no fields defined: nothing, no throw
    EXPECT_TRUE(DataSetFieldNames(nullptr).empty());

    // The pickers' choices: the sources then "Altro"; entries and the references they give.
    const std::vector<std::string> sources = DataChoiceSources(form.get());
    ASSERT_FALSE(sources.empty());
    EXPECT_EQ(sources.back(), "Altro");
    EXPECT_EQ(DataChoiceEntries(form.get(), "Clienti").front(), "Cognome");
    EXPECT_EQ(DataChoiceEntries(form.get(), "Altro").size(), 8u);
    EXPECT_TRUE(DataChoiceEntries(form.get(), "Nessuna").empty());
    EXPECT_EQ(DataChoiceReference("Clienti", "Eta"), "Clienti.\"Eta\"");
    EXPECT_EQ(DataChoiceReference("Altro", "N\xB0 pagina"), "PAGE#");
    EXPECT_EQ(DataChoiceReference("Altro", "Totale Pagine"), "TOTALPAGES");

    const std::vector<std::string> vars = {"Totali", " Imponibile", " Iva", "Cliente", " Nome", ""};
    EXPECT_EQ(VariableCategories(vars), (std::vector<std::string>{"Totali", "Cliente"}));
    EXPECT_EQ(VariablesOfCategory(vars, "Totali"), (std::vector<std::string>{"Imponibile", "Iva"}));
    EXPECT_EQ(VariablesOfCategory(vars, "Cliente"), (std::vector<std::string>{"Nome"}));
    EXPECT_TRUE(VariablesOfCategory(vars, "Altro").empty());

    ApplicationRegistry::instance().remove(owned);
    ApplicationRegistry::instance().remove(&module);
}

}  // namespace

namespace {

// A form offering handlers for data-source events by name.
struct EventForm : Component, Persistent, TzvDataSetEventProvider {
    std::string className() const override { return "TEventForm"; }
    bool readProperty(const std::string&, const PropValue&) override { return false; }
    void writeProperties(FormWriter&) const override {}
    std::function<void(TzvDataset*)> FindNotifyHandler(std::string_view name) override
    {
        if (name == "CountFirst") return [this](TzvDataset*) { ++firsts; };
        return {};
    }
    std::function<void(TzvDataset*, bool&)> FindCheckEOFHandler(std::string_view name) override
    {
        if (name == "StopAtTwo") return [](TzvDataset* s, bool& eof) { eof = eof || s->RecNo >= 2; };
        return {};
    }
    int firsts = 0;
};

constexpr const char kSourceDescription[] = R"(object Eventi: TEventForm
  object Fonte: TzvDBDataSet
    DataSet = FormMain.Clienti
    RangeBegin = rbFirst
    RangeEnd = reCount
    RangeEndCount = 3
    Filter = '[Eta] > 20'
    Filtered = True
    OnFirst = CountFirst
    OnCheckEOF = %HANDLER%
  end
end
)";

}  // namespace

TEST_F(DataSourceTest, DataSourcesComeFromWindowDescriptionsWithTheirHandlers)
{
    InitReportLibrary();
    auto describe = [](const char* handler) {
        std::string text = kSourceDescription;
        return text.replace(text.find("%HANDLER%"), 9, handler);
    };
    EventForm root;
    FormReader(describe("StopAtTwo")).read(&root);
    auto* s = dynamic_cast<TzvDBDataSet*>(root.findComponent("Fonte"));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->DataSet(), table);
    EXPECT_EQ(s->RangeEnd, reCount);
    EXPECT_EQ(s->RangeEndCount, 3);
    s->Init();
    EXPECT_EQ(Walk(*s), (Names{"Rossi", "Bianchi"}));  // Neri is filtered out; the handler ends at two
    s->Exit();
    EXPECT_EQ(root.firsts, 1);
    FormWriter w;
    w.writeComponent(root);
    EXPECT_NE(w.text().find("  object Fonte: TzvDBDataSet\n    RangeEnd = reCount\n    RangeEndCount = 3\n"
                            "    OnFirst = CountFirst\n    OnCheckEOF = StopAtTwo\n    DataSet = FormMain.Clienti\n"),
              std::string::npos)
        << w.text();

    EventForm other;
    try {
        FormReader(describe("Nessuno")).read(&other);
        ADD_FAILURE() << "an unknown handler was accepted";
    } catch (const Exception& e) {
        EXPECT_NE(e.message().find("Method Nessuno not found"), std::string::npos) << e.message();
    }
}
