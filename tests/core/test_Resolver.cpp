// Tests of the report's name resolver: bindings, fields, special values, user functions, and the
// built-in functions with their results and error messages.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "platform/ClientDataSet.h"
#include "platform/Error.h"
#include "platform/Format.h"
#include "platform/FormatSettings.h"
#include "platform/Text.h"
#include "report/ZV_Bands.h"
#include "report/ZV_Const.h"
#include "report/ZV_Expr.h"
#include "report/ZV_Memo.h"
#include "report/ZV_Registry.h"
#include "report/ZV_Report.h"
#include "report/ZV_Resolver.h"
#include "report/ZV_Utils.h"

using namespace zv;

namespace {

// A form "FormMain" with the table "Clienti" walked by the main data band through "zvClienti",
// and the report; a memo of the main data band is the object being evaluated.
class ResolverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetState();
        DefaultFormatSettings() = ItalianFormatSettings();
        form = std::make_unique<Component>();
        form->setName("FormMain");
        ApplicationRegistry::instance().addForm(form.get());
        table = new TClientDataSet(form.get());
        table->setName("Clienti");
        table->addFieldDef("Cognome", ftString, 20);
        table->addFieldDef("Eta", ftInteger);
        table->addFieldDef("Attivo", ftBoolean);
        table->addFieldDef("Nato", ftDate);
        table->addFieldDef("Codice fiscale", ftString, 16);
        table->addFieldDef("A.B", ftString, 10);
        table->createDataSet();
        AddRow("Rossi", 40, true);
        AddRow("Bianchi", 25, false);
        table->append();  // every field null
        table->post();
        table->first();
        source = new TzvDBDataSet(form.get());
        source->setName("zvClienti");
        source->SetDataSet(table);
        report = new TzvReport(form.get());
        report->setName("zvReport");
        page = &report->Pages[0];
        mainBand.BandKind = bkMainData;
        mainBand.DataSource = source;
        page->Bands[bkMainData] = &mainBand;
        memo = std::make_unique<TzvMemoView>(report);
        memo->Name = "Memo1";
        memo->BandKindOfOwner = bkMainData;
        zvState().CurrentPage = page;
        zvState().CurrentObject = memo.get();
        zvState().CurrentBand = &mainBand;
    }
    void TearDown() override
    {
        memo.reset();
        ApplicationRegistry::instance().remove(form.get());
        form.reset();
        ResetState();
        DefaultFormatSettings() = ItalianFormatSettings();
    }
    static void ResetState()
    {
        TzvGlobalState& st = zvState();
        st.CurrentPage = nullptr;
        st.CurrentObject = nullptr;
        st.CurrentBand = nullptr;
        st.ErrorFlag = false;
        st.ErrorText.clear();
        PrepareState() = TzvPrepareState{};
    }
    void AddRow(const char* surname, int age, bool active)
    {
        table->append();
        table->fieldByName("Cognome")->setAsString(surname);
        table->fieldByName("Eta")->setAsInteger(age);
        table->fieldByName("Attivo")->setAsBoolean(active);
        table->fieldByName("Nato")->setAsDateTime(EncodeDate(1980, 1, 1));
        table->fieldByName("Codice fiscale")->setAsString("CF-" + std::string(surname));
        table->fieldByName("A.B")->setAsString("ab");
        table->post();
    }
    // The resolver alone, for a name as the engine hands it over.
    static Variant Resolve(std::string_view name, const TzvArgList* args = nullptr)
    {
        Variant v;
        zvState().CurrentReport->ResolveValue(name, args, v);
        return v;
    }
    // The recorded message: the line after the first line of the error text.
    static std::string Recorded()
    {
        const std::string& t = zvState().ErrorText;
        const size_t a = t.find('\r');
        if (!zvState().ErrorFlag || a == std::string::npos) return {};
        const size_t b = t.find('\r', a + 1);
        return t.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
    }
    int AddBinding(const std::string& name, uint8_t typ, int32_t otherKind, std::string dataSet, std::string field)
    {
        const int i = report->Values.AddValue(name);
        TzvValue& v = report->Values.Items(i);
        v.Typ = typ;
        v.OtherKind = otherKind;
        v.DataSetName = std::move(dataSet);
        v.FieldName = std::move(field);
        return i;
    }

    std::unique_ptr<Component> form;
    TClientDataSet* table = nullptr;
    TzvDBDataSet* source = nullptr;
    TzvReport* report = nullptr;
    TzvPage* page = nullptr;
    TzvBand mainBand;
    std::unique_ptr<TzvMemoView> memo;
};

#define EXPECT_VAR(v, kind, member, expected) \
    do {                                       \
        const Variant _v = (v);                \
        EXPECT_EQ(_v.type(), kind);            \
        if (_v.type() == kind) {               \
            EXPECT_EQ(_v.member(), expected);  \
        }                                      \
    } while (0)

// ---- names -------------------------------------------------------------------------------------

TEST_F(ResolverTest, BindingsByKind)
{
    AddBinding("Vuota", 0, 0, "", "");
    AddBinding("Cognome", 1, 0, "Clienti", "Cognome");
    AddBinding("Qualificato", 1, 0, "FormMain.Clienti", "Codice fiscale");
    AddBinding("Somma", 2, kSpecialVarExpression, "", "2 + 3");
    AddBinding("Pagina", 2, 0, "", "");
    AddBinding("Linea", 5, 4, "", "");
    AddBinding("Sbagliata", 1, 0, "Clienti", "Manca");
    PrepareState().PageIndex = 4;
    mainBand.LineNo = 7;

    EXPECT_TRUE(Resolve("vuota").isNull());
    EXPECT_VAR(Resolve(" COGNOME "), VarType::String, rawString, "Rossi");
    EXPECT_VAR(Resolve("Qualificato"), VarType::String, rawString, "CF-Rossi");
    EXPECT_VAR(Resolve("Somma"), VarType::Double, rawDouble, 5.0);
    EXPECT_VAR(Resolve("Pagina"), VarType::Integer, rawInt, 5);
    EXPECT_VAR(Resolve("Linea"), VarType::Integer, rawInt, 7);
    // A field binding whose field is missing goes on as a plain name: no such field either.
    EXPECT_TRUE(Resolve("Sbagliata").isEmpty());
    EXPECT_THROW(EvaluateExpression("Sbagliata"), Exception);
    // A binding takes precedence over a field of the same name.
    AddBinding("Eta", 2, kSpecialVarExpression, "", "99");
    EXPECT_VAR(Resolve("Eta"), VarType::Double, rawDouble, 99.0);
}

TEST_F(ResolverTest, OnGetValueComesFirstWhenItAnswers)
{
    AddBinding("Cognome", 1, 0, "Clienti", "Cognome");
    std::vector<std::string> asked;
    report->OnGetValue = [&](const std::string& name, Variant& v) {
        asked.push_back(name);
        if (name == "Cognome") v = Variant("dal programma");
    };
    EXPECT_VAR(Resolve(" Cognome "), VarType::String, rawString, "dal programma");
    EXPECT_VAR(Resolve("COGNOME"), VarType::String, rawString, "Rossi");  // left empty: the binding
    EXPECT_EQ(asked, (std::vector<std::string>{"Cognome", "COGNOME"}));
    asked.clear();
    Resolve("Eta");  // not a variable: not asked
    EXPECT_TRUE(asked.empty());
}

TEST_F(ResolverTest, FieldsWithTheNullRule)
{
    EXPECT_VAR(EvaluateExpression("Cognome"), VarType::String, rawString, "Rossi");
    EXPECT_VAR(EvaluateExpression("[Eta] + 1"), VarType::Double, rawDouble, 41.0);  // literals are doubles
    EXPECT_VAR(EvaluateExpression("Attivo"), VarType::Byte, rawInt, 1);
    EXPECT_VAR(EvaluateExpression("Clienti.\"Codice fiscale\""), VarType::String, rawString, "CF-Rossi");
    EXPECT_VAR(EvaluateExpression("[\"A.B\"]"), VarType::String, rawString, "ab");
    EXPECT_VAR(EvaluateExpression("FormMain.Clienti.Eta"), VarType::Integer, rawInt, 40);
    table->next();
    EXPECT_VAR(EvaluateExpression("Attivo"), VarType::Byte, rawInt, 0);
    table->next();
    EXPECT_VAR(Resolve("Cognome"), VarType::String, rawString, "");
    EXPECT_VAR(Resolve("Eta"), VarType::Integer, rawInt, 0);
    EXPECT_VAR(Resolve("Attivo"), VarType::Integer, rawInt, 0);
    EXPECT_VAR(Resolve("Nato"), VarType::Integer, rawInt, 0);
    // A dataset named by itself gives its name in capitals.
    EXPECT_VAR(Resolve("FormMain.Clienti"), VarType::String, rawString, "FORMMAIN.CLIENTI");
    EXPECT_TRUE(Resolve("FormMain.Nessuno").isEmpty());
    // An object of the report title still reads the main data source; one of the background none.
    memo->BandKindOfOwner = bkReportTitle;
    EXPECT_VAR(Resolve("Cognome"), VarType::String, rawString, "");
    memo->BandKindOfOwner = bkBackground;
    EXPECT_TRUE(Resolve("Cognome").isEmpty());
}

TEST_F(ResolverTest, PiAndUnknownNames)
{
    EXPECT_VAR(Resolve("pi"), VarType::Double, rawDouble, 3.141592653589793);
    const TzvArgList none;
    EXPECT_TRUE(Resolve("PI", &none).isEmpty());
    EXPECT_TRUE(Resolve("Nessuno").isEmpty());
    try {
        EvaluateExpression("Nessuno + 1");
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), std::string(kExprUnknownIdentMsg) + "Nessuno + 1");
    }
}

TEST_F(ResolverTest, SpecialValues)
{
    TzvPrepareState& ps = PrepareState();
    ps.CapturedDate = EncodeDate(2024, 2, 29);
    ps.CapturedTime = EncodeTime(13, 45, 10, 0);
    ps.PageIndex = 2;
    ps.TotalPages = 9;
    ps.CurrentValue = Variant(12.5);
    mainBand.LineNo = 3;
    mainBand.LineNoTotal = 11;
    page->TableColumnNo = 4;
    page->RowCounter = 17;
    EXPECT_VAR(Resolve("PAGE#"), VarType::Integer, rawInt, 3);
    EXPECT_VAR(Resolve("date"), VarType::DateTime, rawDouble, ps.CapturedDate);
    EXPECT_VAR(Resolve("TIME"), VarType::DateTime, rawDouble, ps.CapturedTime);
    EXPECT_VAR(Resolve("LINE#"), VarType::Integer, rawInt, 3);
    EXPECT_VAR(Resolve("LineThrough#"), VarType::Integer, rawInt, 11);
    EXPECT_VAR(Resolve("COLUMN#"), VarType::Integer, rawInt, 4);
    EXPECT_VAR(Resolve("CURRENT#"), VarType::Integer, rawInt, 17);
    EXPECT_VAR(Resolve("TOTALPAGES"), VarType::Integer, rawInt, 9);
    EXPECT_VAR(Resolve("Value"), VarType::Double, rawDouble, 12.5);
    EXPECT_VAR(Resolve("Valore"), VarType::Double, rawDouble, 12.5);
    EXPECT_VAR(EvaluateExpression("[PAGE#] + 1"), VarType::Double, rawDouble, 4.0);
    // Interleaved numbering: the page's place in the output order.
    report->InterleavePages = 1;
    report->InterleavedNumbering = 1;
    EXPECT_VAR(Resolve("PAGE#"), VarType::Integer, rawInt, 3);  // no order known yet
    ps.PageOrder = {0, 3, 1, 4, 2};
    EXPECT_VAR(Resolve("PAGE#"), VarType::Integer, rawInt, 5);
    report->InterleavedNumbering = 0;
    EXPECT_VAR(Resolve("PAGE#"), VarType::Integer, rawInt, 3);
    // Without a band or page the counters are unknown.
    zvState().CurrentBand = nullptr;
    zvState().CurrentPage = nullptr;
    EXPECT_TRUE(Resolve("LINE#").isEmpty());
    EXPECT_TRUE(Resolve("COLUMN#").isEmpty());
}

TEST_F(ResolverTest, NothingAnswersOnceAnErrorIsRecorded)
{
    ReportError("prima");
    EXPECT_TRUE(Resolve("PI").isEmpty());
    EXPECT_TRUE(Resolve("Cognome").isEmpty());
    bool called = false;
    report->OnUserFunction = [&](const std::string&, const Variant&, const Variant&, const Variant&, Variant&) {
        called = true;
    };
    EXPECT_TRUE(Resolve("F").isEmpty());
    EXPECT_FALSE(called);
}

struct TestLibrary : TzvFunctionLibrary {
    TestLibrary()
    {
        AddFunction("DOPPIO");
        AddFunction("VERO");
    }
    void DoFunction(int index, const Variant& p1, const Variant&, const Variant&, Variant& val) override
    {
        if (index == IndexOf("DOPPIO")) val = VarMul(p1, Variant(int32_t{2}));
        else val = Variant(true);
    }
};

TEST_F(ResolverTest, UserFunctionsFromLibrariesThenTheApplication)
{
    std::vector<std::string> calls;
    report->OnUserFunction = [&](const std::string& name, const Variant& p1, const Variant& p2, const Variant& p3,
                                 Variant& val) {
        calls.push_back(name + ":" + VarToStr(p1) + "|" + VarToStr(p2) + "|" + VarToStr(p3));
        if (SameText(name, "Somma")) val = VarAdd(VarAdd(p1, p2), p3);
        if (name == "Si") val = Variant(true);
    };
    EXPECT_VAR(EvaluateExpression("Somma(1, 2, 3, 4)"), VarType::Double, rawDouble, 6.0);
    EXPECT_EQ(calls.back(), "Somma:1|2|3");
    EXPECT_VAR(EvaluateExpression("Si"), VarType::Byte, rawInt, 1);
    EXPECT_EQ(calls.back(), "Si:||");
    EXPECT_THROW(EvaluateExpression("Ignota('x')"), Exception);
    EXPECT_EQ(calls.back(), "Ignota:x||");

    auto lib = std::make_unique<TestLibrary>();
    const TzvFunctionLibrary* registered = lib.get();
    ASSERT_TRUE(RegisterFunctionLibrary(std::move(lib)));
    calls.clear();
    EXPECT_VAR(EvaluateExpression("doppio(21)"), VarType::Double, rawDouble, 42.0);
    EXPECT_VAR(EvaluateExpression("VERO"), VarType::Byte, rawInt, 1);
    EXPECT_TRUE(calls.empty());  // the library answered: the application is not asked
    UnregisterFunctionLibrary(registered);
}

}  // namespace
