// Tests of the report's name resolver: bindings, fields, special values, user functions, and the
// built-in functions with their results and error messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/Error.h"
#include "platform/base/Format.h"
#include "platform/base/FormatSettings.h"
#include "platform/base/Text.h"
#include "platform/data/ClientDataSet.h"
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

// Whether v has the kind and, read through get, the expected value.
template <class Get, class T>
::testing::AssertionResult VarIs(const Variant& v, VarType kind, Get get, const T& expected)
{
    if (v.type() != kind)
        return ::testing::AssertionFailure()
               << "kind " << VarTypeName(v.type()) << " (" << VarToStr(v) << "), expected " << VarTypeName(kind);
    if (!(get(v) == expected))
        return ::testing::AssertionFailure()
               << "value " << ::testing::PrintToString(get(v)) << ", expected " << ::testing::PrintToString(expected);
    return ::testing::AssertionSuccess();
}
#define EXPECT_VAR(v, kind, member, expected) \
    EXPECT_TRUE(VarIs((v), kind, [](const Variant& x) { return x.member(); }, expected))

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

TEST_F(ResolverTest, DataSourceFiltersReadFieldsThroughTheResolver)
{
    source->Filtered = true;
    source->Filter = "Clienti.Eta > 30";
    source->Init();
    std::vector<std::string> seen;
    for (source->First(); !source->Eof(); source->Next()) seen.push_back(table->fieldByName("Cognome")->asString());
    EXPECT_EQ(seen, (std::vector<std::string>{"Rossi"}));
    source->Filter = "UPPERCASE(Cognome) = 'BIANCHI'";  // a plain name: the main data band's source
    seen.clear();
    for (source->First(); !source->Eof(); source->Next()) seen.push_back(table->fieldByName("Cognome")->asString());
    EXPECT_EQ(seen, (std::vector<std::string>{"Bianchi"}));
    source->Exit();
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
        if (index == IndexOf("DOPPIO"))
            val = VarMul(p1, Variant(int32_t{2}));
        else
            val = Variant(true);
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

// ---- built-in functions ------------------------------------------------------------------------

namespace {

class FunctionTest : public ResolverTest {
protected:
    // The value of an expression, or Empty when evaluating it failed.
    static Variant Eval(const std::string& text)
    {
        zvState().ErrorFlag = false;
        try {
            return EvaluateExpression(text);
        } catch (const Exception&) {
            return Variant();
        }
    }
    static std::string Text(const std::string& text) { return VarToStr(Eval(text)); }
    // The message a failing function records; the engine then reports the name as unknown.
    static std::string ErrorOf(const std::string& text)
    {
        zvState().ErrorFlag = false;
        zvState().ErrorText.clear();
        try {
            EvaluateExpression(text);
            return "no error";
        } catch (const Exception& e) {
            const std::string unknown = std::string(kExprUnknownIdentMsg);
            if (e.message().compare(0, unknown.size(), unknown) != 0) return "raised: " + e.message();
        }
        std::string m = Recorded();
        zvState().ErrorFlag = false;
        return m;
    }
};

TEST_F(FunctionTest, RoundingAndIntegerParts)
{
    struct Row {
        const char* text;
        int32_t expected;
    };
    const Row ints[] = {
        {"ROUND(2.5)", 2},        {"ROUND(3.5)", 4},        {"ROUND(-2.5)", -2},   {"ROUND(2.6)", 3},
        {"TRUNC(-2.7)", -2},      {"TRUNC(2.7)", 2},        {"CEIL(2.1)", 3},      {"CEIL(-2.1)", -2},
        {"CEIL(2)", 2},           {"FLOOR(-2.1)", -3},      {"FLOOR(2.9)", 2},     {"FLOOR(-2)", -2},
        {"LENGTH('abc')", 3},     {"POS('c','abcabc')", 3}, {"POS('x','abc')", 0}, {"POS('','abc')", 0},
        {"ROUND(4294967297)", 1},  // kept to 32 bits
    };
    for (const Row& r : ints) EXPECT_VAR(Eval(r.text), VarType::Integer, rawInt, r.expected) << r.text;
    // CEIL and FLOOR keep integers beyond 32 bits.
    EXPECT_VAR(Eval("CEIL(4294967296.5)"), VarType::Double, rawDouble, 4294967297.0);
    EXPECT_VAR(Eval("INT(-2.7)"), VarType::Double, rawDouble, -2.0);
    const Variant frac = Eval("FRAC(-2.7)");
    ASSERT_EQ(frac.type(), VarType::Double);
    EXPECT_NEAR(frac.rawDouble(), -0.7, 1e-12);
    EXPECT_EQ(ErrorOf("ROUND(10000000000000000000)"),
              std::string(kMsgFuncBadParamTypes) + "ROUND (10000000000000000000)");
    EXPECT_EQ(ErrorOf("CEIL(-10000000000000000000)"),
              std::string(kMsgFuncBadParamTypes) + "CEIL (-10000000000000000000)");
}

TEST_F(FunctionTest, Mathematics)
{
    EXPECT_VAR(Eval("POWER(2,10)"), VarType::Double, rawDouble, 1024.0);
    EXPECT_VAR(Eval("SQR(-3)"), VarType::Double, rawDouble, 9.0);
    EXPECT_VAR(Eval("SQRT(16)"), VarType::Double, rawDouble, 4.0);
    EXPECT_VAR(Eval("ABS(-2.5)"), VarType::Double, rawDouble, 2.5);
    EXPECT_VAR(Eval("COS(0)"), VarType::Double, rawDouble, 1.0);
    EXPECT_VAR(Eval("EXP(0)"), VarType::Double, rawDouble, 1.0);
    EXPECT_VAR(Eval("LN(1)"), VarType::Double, rawDouble, 0.0);
    EXPECT_VAR(Eval("ARCTAN(1) * 4"), VarType::Double, rawDouble, 3.141592653589793);
    EXPECT_NEAR(Eval("SIN(PI / 2)").toDouble(), 1.0, 1e-15);
    EXPECT_VAR(Eval("SIN(POWER(10,19))"), VarType::Double, rawDouble, 0.0);  // beyond the sine operation
    EXPECT_VAR(Eval("PI"), VarType::Double, rawDouble, 3.141592653589793);
    for (const char* bad : {"POWER (0,2)", "POWER (-2,2)", "SQRT (-1)", "LN (0)", "LN (-1)", "EXP (1000)",
                            "SQR (POWER(10,200))", "POWER (10,400)"}) {
        std::string call = bad;
        call.erase(call.find(' '), 1);  // the recorded text puts a blank before the bracket
        EXPECT_EQ(ErrorOf(call), std::string(kMsgFuncBadParamTypes) + bad) << call;
    }
}

TEST_F(FunctionTest, Strings)
{
    struct Row {
        const char* text;
        const char* expected;
    };
    const Row rows[] = {
        {"FILLSTR(3,'ab')", "ababab"},
        {"FILLSTR(0,'ab')", ""},
        {"FILLSTR(-2,'ab')", ""},
        {"FILLSTR(2.5,'x')", "xx"},  // integers round halves to even
        {"COPY('abcdef',2,3)", "bcd"},
        {"COPY('abcdef',5,10)", "ef"},
        {"COPY('abcdef',7,1)", ""},
        {"COPY('abcdef',0,2)", "ab"},
        {"COPY('abcdef',2,-1)", ""},
        {"UPPERCASE('caff\xE8 Latte')", "CAFF\xE8 LATTE"},
        {"LOWERCASE('CAFF\xC8 Latte')", "caff\xC8 latte"},
        {"NAMECASE('mARIO rossi')", "Mario rossi"},
        {"NAMECASE('')", ""},
        {"PHRASECASE('mARIO rossi-bianchi')", "Mario Rossi-Bianchi"},
        {"PHRASECASE('caff\xE8latte')", "Caff\xE8Latte"},
        {"PHRASECASE('3abc d4e')", "3Abc D4E"},
        {"STR(1.5)", "1,5"},
        {"STR(1/3)", "0,333333333333333"},
        {"STR(2)", "2"},
        {"NUMBERTOLETTER(21)", "ventuno"},
        {"NUMBERTOLETTER(1.05)", "uno virgola zero cinque"},
        {"UPPERCASE(Cognome)", "ROSSI"},
    };
    for (const Row& r : rows) EXPECT_VAR(Eval(r.text), VarType::String, rawString, r.expected) << r.text;
    // Numbers are texts in the general format.
    EXPECT_VAR(Eval("LENGTH(123)"), VarType::Integer, rawInt, 3);
    EXPECT_VAR(Eval("LENGTH(1.5)"), VarType::Integer, rawInt, 3);
}

TEST_F(FunctionTest, Conversions)
{
    EXPECT_VAR(Eval("VAL('1,5')"), VarType::Double, rawDouble, 1.5);
    EXPECT_VAR(Eval("VAL(' 12 ')"), VarType::Double, rawDouble, 12.0);
    EXPECT_EQ(ErrorOf("VAL('abc')"), std::string(kMsgFuncBadParamTypes) + "VAL ('abc')");
    EXPECT_VAR(Eval("STRTODATE('29/02/2024')"), VarType::DateTime, rawDouble, EncodeDate(2024, 2, 29));
    EXPECT_VAR(Eval("STRTOTIME('13:45')"), VarType::DateTime, rawDouble, EncodeTime(13, 45, 0, 0));
    EXPECT_EQ(ErrorOf("STRTODATE('31/02/2024')"), std::string(kMsgFuncBadParamTypes) + "STRTODATE ('31/02/2024')");
    EXPECT_VAR(Eval("FORMATFLOAT('#,##0.00', 1234.567)"), VarType::String, rawString, "1.234,57");
    EXPECT_VAR(Eval("FORMATFLOAT('0.##', 0.125)"), VarType::String, rawString, "0,13");
    PrepareState().CapturedDate = EncodeDate(2024, 2, 29);
    EXPECT_VAR(Eval("FORMATDATETIME('dd mmmm yyyy', DATE)"), VarType::String, rawString, "29 febbraio 2024");
    EXPECT_VAR(Eval("FORMATDATETIME('yyyy-mm-dd', STRTODATE('01/03/2024') + 1)"), VarType::String, rawString,
               "2024-03-02");
}

TEST_F(FunctionTest, Currency)
{
    EXPECT_VAR(Eval("MONEYTOEUROVAL(1936.27)"), VarType::Double, rawDouble, 1.0);
    EXPECT_VAR(Eval("MONEYTOEUROVAL(1000)"), VarType::Double, rawDouble, 0.52);
    EXPECT_VAR(Eval("MONEYTOEUROVAL(-1000)"), VarType::Double, rawDouble, -0.52);
    EXPECT_VAR(Eval("MONEYTOEUROVAL(0)"), VarType::Double, rawDouble, 0.0);
    EXPECT_VAR(Eval("EURO(1234.5)"), VarType::String, rawString, "\x80 1.234,50");
    EXPECT_VAR(Eval("EURO(-0.004)"), VarType::String, rawString, "\x80 0,00");
    EXPECT_VAR(Eval("MONEYTOEURO(1936270)"), VarType::String, rawString, "\x80 1.000,00");
    EXPECT_VAR(Eval("MONEYTOEURO(1000)"), VarType::String, rawString, "\x80 0,52");
    EXPECT_VAR(Eval("MONEY(1234.5)"), VarType::String, rawString, "\x80 1.234,50");
    EXPECT_VAR(Eval("MONEY(-1)"), VarType::String, rawString, "\x80 -1,00");  // the forced pattern
    EXPECT_VAR(Eval("EUROTOMONEY(1)"), VarType::String, rawString, "\x80 1.936,27");
    EXPECT_VAR(Eval("EUROTOMONEY(-2)"), VarType::String, rawString, "\x80 -3.872,54");
    EXPECT_VAR(Eval("EUROTOMONEYVAL(2)"), VarType::Currency, rawCurrency, int64_t{38725400});
    // Rounded to the fourth decimal, halves to even: 0.00005 x 1936.27 = 0.0968135.
    EXPECT_VAR(Eval("EUROTOMONEYVAL(0.0005)"), VarType::Currency, rawCurrency, int64_t{9681});
    // The regional settings are left as they were.
    EXPECT_EQ(DefaultFormatSettings().negCurrFormat, ItalianFormatSettings().negCurrFormat);
    EXPECT_EQ(ErrorOf("EUROTOMONEYVAL(900000000000000)"),
              std::string(kMsgFuncBadParamTypes) + "EUROTOMONEYVAL (900000000000000)");
}

TEST_F(FunctionTest, IfEvaluatesOnlyTheChosenBranch)
{
    EXPECT_VAR(Eval("IF(1>0,'a','b')"), VarType::String, rawString, "a");
    EXPECT_VAR(Eval("IF(2,'a','b')"), VarType::String, rawString, "b");
    EXPECT_VAR(Eval("IF(1,'a',Nessuno)"), VarType::String, rawString, "a");
    EXPECT_EQ(ErrorOf("IF(0,'a',Nessuno)"), std::string(kMsgFuncBadParamTypes) + "IF (0,'a',Nessuno)");
    EXPECT_VAR(Eval("IF(Eta > 30, Cognome, 'giovane')"), VarType::String, rawString, "Rossi");
    EXPECT_VAR(Eval("IF(Attivo, 1, 2)"), VarType::Double, rawDouble, 1.0);
}

TEST_F(FunctionTest, ArgumentCountsAndTheErrorGuard)
{
    for (const char* call : {"SUM(x,y)", "COUNT(a,b)", "STR()", "STR(1,2)", "IF(1,2)", "COPY('a',1)", "POWER(2)",
                             "FILLSTR('a')", "LOWERCASE('a','b')", "MONEY(1,2)"}) {
        std::string name = call;
        name = UpperCase(name.substr(0, name.find('(')));
        EXPECT_EQ(ErrorOf(call), std::string(kMsgFuncArgCount) + name) << call;
    }
    EXPECT_EQ(ErrorOf("upperCase( [Nessuno] , 2)"), std::string(kMsgFuncArgCount) + "UPPERCASE");
    // Every failure inside a function names the call with its raw argument texts.
    EXPECT_EQ(ErrorOf("Str( [Nessuno] )"), std::string(kMsgFuncBadParamTypes) + "STR ( [Nessuno] )");
    EXPECT_EQ(ErrorOf("FILLSTR(1000000000000,'ab')"),
              std::string(kMsgFuncBadParamTypes) + "FILLSTR (1000000000000,'ab')");
    EXPECT_EQ(ErrorOf("FILLSTR(100000000,'ab')"), std::string(kMsgFuncBadParamTypes) + "FILLSTR (100000000,'ab')");
    EXPECT_EQ(ErrorOf("ABS('x')"), std::string(kMsgFuncBadParamTypes) + "ABS ('x')");
    // The first error wins: a second failure in the same expression is not recorded.
    zvState().ErrorFlag = false;
    EXPECT_THROW(EvaluateExpression("ABS('x') + SQRT(-1)"), Exception);
    EXPECT_EQ(Recorded(), std::string(kMsgFuncBadParamTypes) + "ABS ('x')");
    zvState().ErrorFlag = false;
    // A failed function is not offered to the application.
    bool asked = false;
    report->OnUserFunction = [&](const std::string&, const Variant&, const Variant&, const Variant&, Variant& v) {
        asked = true;
        v = Variant("app");
    };
    EXPECT_EQ(ErrorOf("SQRT(-1)"), std::string(kMsgFuncBadParamTypes) + "SQRT (-1)");
    EXPECT_FALSE(asked);
    EXPECT_VAR(Eval("PI()"), VarType::String, rawString, "app");
    EXPECT_TRUE(asked);
}

// ---- statistics ------------------------------------------------------------------------------

class StatisticsTest : public FunctionTest {
protected:
    void SetUp() override
    {
        FunctionTest::SetUp();
        footer.BandKind = bkMainFooter;
        detail.BandKind = bkDetailData;
        table.BandKind = bkTableData;
        tableFooter.BandKind = bkTableFooter;
        none.BandKind = bkNone;
        page->Bands[bkDetailData] = &detail;
        page->Bands[bkTableData] = &table;
        page->Bands[bkTableFooter] = &tableFooter;
        page->Bands[bkNone] = &none;
    }
    // Runs the collecting pass over `call` with `target` governing and `band` current, and returns
    // the key it registered: the output pass is then given a value without the test knowing how
    // keys are made.
    std::string Collect(TzvBand& target, TzvBand& band, const std::string& call)
    {
        auto keys = [&target] {
            std::vector<std::string> k;
            for (const TzvAggregate& a : target.Aggregates) k.push_back(a.Key);
            for (const TzvColumnAggregate& a : target.ColumnAggregates) k.push_back(a.Key);
            std::sort(k.begin(), k.end());
            return k;
        };
        const std::vector<std::string> before = keys();
        TzvBand* const current = zvState().CurrentBand;
        zvState().CurrentBand = &band;
        PrepareState().AggregateTarget = &target;
        EXPECT_VAR(Eval(call), VarType::Integer, rawInt, 1) << call;
        PrepareState().AggregateTarget = nullptr;
        zvState().CurrentBand = current;
        std::vector<std::string> added;
        const std::vector<std::string> after = keys();
        std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(added));
        EXPECT_EQ(added.size(), 1u) << call;
        return added.empty() ? std::string() : added[0];
    }
    TzvBand footer, detail, table, tableFooter, none;
};

TEST_F(StatisticsTest, CountByBand)
{
    // Records since the reset of the band's own level: the whole walk for the report summary,
    // page and column footers, the group for a group footer.
    mainBand.LevelCount[kTopAggregateLevel] = 7;
    mainBand.LevelCount[0] = 4;
    mainBand.LevelCount[1] = 6;
    detail.LevelCount[0] = 3;
    table.AggResets = 5;
    struct Row {
        uint8_t kind, level;
        int32_t expected;
    };
    const Row rows[] = {{bkReportFooter, 0, 7}, {bkPageFooter, 0, 7},  {bkMainData, 0, 4},    {bkMainFooter, 0, 4},
                        {bkColumnFooter, 0, 7}, {bkGroupFooter, 0, 4}, {bkGroupFooter, 1, 6}, {bkDetailData, 0, 3},
                        {bkDetailFooter, 0, 3}, {bkTableFooter, 0, 5}};
    TzvBand current;
    zvState().CurrentBand = &current;
    for (const Row& r : rows) {
        current.BandKind = r.kind;
        current.GroupLevel = r.level;
        EXPECT_VAR(Eval("COUNT()"), VarType::Integer, rawInt, r.expected) << int(r.kind);
    }
    current.GroupLevel = 0;
    for (uint8_t kind : {bkReportTitle, bkPageHeader, bkMainHeader, bkDetailHeader, bkGroupHeader, bkTableData}) {
        current.BandKind = kind;
        EXPECT_EQ(ErrorOf("COUNT()"), std::string(kMsgFuncStatBand) + "COUNT") << int(kind);
    }
    // An object inside the table data band counts the table's resets in any band.
    memo->BandKindOfOwner = bkTableData;
    current.BandKind = bkReportTitle;
    EXPECT_VAR(Eval("COUNT()"), VarType::Integer, rawInt, 5);
}

TEST_F(StatisticsTest, CountOfADataSource)
{
    EXPECT_VAR(Eval("COUNT(Clienti.Cognome)"), VarType::Integer, rawInt, 3);
    EXPECT_VAR(Eval("COUNT( FormMain.Clienti )"), VarType::Integer, rawInt, 3);
    EXPECT_VAR(Eval("COUNT(Eta)"), VarType::Integer, rawInt, 3);  // the band's source
    EXPECT_EQ(ErrorOf("COUNT(Nessuno.Campo)"), std::string(kMsgFuncBadParamFormat) + "COUNT");
    memo->BandKindOfOwner = bkBackground;
    EXPECT_EQ(ErrorOf("COUNT(Eta)"), std::string(kMsgFuncBadParamFormat) + "COUNT");
}

TEST_F(StatisticsTest, CollectingRegistersEachAggregateOnce)
{
    footer.GroupLevel = 2;
    zvState().CurrentBand = &footer;
    PrepareState().AggregateTarget = &mainBand;
    EXPECT_VAR(Eval("SUM( [Eta] ) + AVG(Eta)"), VarType::Integer, rawInt, 2);
    EXPECT_VAR(Eval("SUM( [Eta] )"), VarType::Integer, rawInt, 1);
    // Both branches of IF are expanded.
    EXPECT_VAR(Eval("IF(Eta > 30, MIN(Eta), MAX(Eta))"), VarType::Integer, rawInt, 1);
    // SUM( [Eta] ) once, AVG, and both branches of the IF: four running totals starting at 0.
    ASSERT_EQ(mainBand.Aggregates.size(), 4u);
    for (const TzvAggregate& a : mainBand.Aggregates) EXPECT_VAR(a.Value, VarType::Integer, rawInt, 0);
    EXPECT_TRUE(mainBand.ColumnAggregates.empty());
    // A target of no data band cannot hold statistics.
    PrepareState().AggregateTarget = &none;
    EXPECT_EQ(ErrorOf("SUM(Eta)"), std::string(kMsgFuncStatBand) + "SUM");

    // The output pass of the same object at the same level reads one slot per call.
    PrepareState().AggregateTarget = nullptr;
    for (size_t i = 0; i < mainBand.Aggregates.size(); ++i)
        mainBand.Aggregates[i].Value = Variant(static_cast<int32_t>(100 + i));
    std::vector<int32_t> read;
    for (const char* call : {"SUM( [Eta] )", "AVG(Eta)", "MIN(Eta)", "MAX(Eta)"}) {
        const Variant r = Eval(call);
        EXPECT_EQ(r.type(), VarType::Integer) << call;
        read.push_back(r.rawInt());
    }
    std::sort(read.begin(), read.end());
    EXPECT_EQ(read, (std::vector<int32_t>{100, 101, 102, 103}));
    // Another group level or another object has totals of its own.
    footer.GroupLevel = 1;
    EXPECT_TRUE(Eval("AVG(Eta)").isEmpty());
    footer.GroupLevel = 2;
    memo->Name = "Altro";
    EXPECT_TRUE(Eval("AVG(Eta)").isEmpty());
}

TEST_F(StatisticsTest, CollectingInTableBandsRegistersColumnSeries)
{
    PrepareState().AggregateTarget = &table;
    zvState().CurrentBand = &table;
    memo->BandKindOfOwner = bkTableData;
    EXPECT_VAR(Eval("SUM(Eta)"), VarType::Integer, rawInt, 1);
    zvState().CurrentBand = &tableFooter;
    memo->BandKindOfOwner = bkTableFooter;
    memo->Name = "Totale";
    EXPECT_VAR(Eval("SUM(Eta)"), VarType::Integer, rawInt, 1);
    EXPECT_TRUE(memo->TableFooterAggregate);
    // One series per object: the cell and the footer total.
    ASSERT_EQ(table.ColumnAggregates.size(), 2u);
    EXPECT_NE(table.ColumnAggregates[0].Key, table.ColumnAggregates[1].Key);
    EXPECT_TRUE(table.ColumnAggregates[0].Slots.empty());
    EXPECT_TRUE(table.Aggregates.empty());
    // A table-footer object that lies in no table band keeps a running total.
    auto other = std::make_unique<TzvMemoView>(report);
    other->Name = "Fuori";
    other->BandKindOfOwner = bkMainFooter;
    zvState().CurrentObject = other.get();
    EXPECT_VAR(Eval("SUM(Eta)"), VarType::Integer, rawInt, 1);
    EXPECT_FALSE(other->TableFooterAggregate);
    ASSERT_EQ(table.Aggregates.size(), 1u);
    EXPECT_EQ(table.ColumnAggregates.size(), 2u);
    // The output pass of that object reads the running total.
    table.Aggregates[0].Value = Variant(int32_t{41});
    PrepareState().AggregateTarget = nullptr;
    EXPECT_VAR(Eval("SUM(Eta)"), VarType::Integer, rawInt, 41);
    zvState().CurrentObject = memo.get();
}

TEST_F(StatisticsTest, OutputReadsTheRunningTotalOfTheLevel)
{
    mainBand.FindAggregate(Collect(mainBand, footer, "SUM(Eta)"))->Value = Variant(int32_t{65});
    TzvBand detailFooter;
    detailFooter.BandKind = bkDetailFooter;
    detail.FindAggregate(Collect(detail, detailFooter, "AVG(Eta)"))->Value = Variant(32.5);
    zvState().CurrentBand = &footer;
    EXPECT_VAR(Eval("SUM(Eta)"), VarType::Integer, rawInt, 65);
    EXPECT_VAR(Eval("sum(Eta)"), VarType::Integer, rawInt, 65);
    EXPECT_TRUE(Eval("SUM( Eta)").isEmpty());  // another argument text is another aggregate
    footer.GroupLevel = 1;
    EXPECT_TRUE(Eval("SUM(Eta)").isEmpty());  // registered at level 0 only
    footer.GroupLevel = 0;
    zvState().CurrentBand = &detailFooter;
    EXPECT_VAR(Eval("AVG(Eta)"), VarType::Double, rawDouble, 32.5);
    EXPECT_TRUE(Eval("SUM(Eta)").isEmpty());
    TzvBand background;
    background.BandKind = bkBackground;
    zvState().CurrentBand = &background;
    EXPECT_TRUE(Eval("SUM(Eta)").isEmpty());
    EXPECT_FALSE(zvState().ErrorFlag);
}

TEST_F(StatisticsTest, OutputOfTableColumnsAndTableFooters)
{
    memo->Name = "Cella";
    memo->BandKindOfOwner = bkTableData;
    table.FindColumnAggregate(Collect(table, table, "SUM(Eta)"))->Slots = {Variant(int32_t{10}), Variant(int32_t{20})};
    zvState().CurrentBand = &mainBand;
    page->TableColumnNo = 2;
    EXPECT_VAR(Eval("SUM(Eta)"), VarType::Integer, rawInt, 20);
    page->TableColumnNo = 3;
    EXPECT_TRUE(Eval("SUM(Eta)").isEmpty());

    // A total in the table footer: collected there, it keeps a series too and marks its object.
    memo->Name = "Piede";
    memo->BandKindOfOwner = bkTableFooter;
    for (const char* fn : {"SUM", "AVG", "MIN", "MAX"}) {
        const std::string key = Collect(table, tableFooter, std::string(fn) + "(Eta)");
        table.FindColumnAggregate(key)->Slots = {Variant(int32_t{10}), Variant(int32_t{20}), Variant(int32_t{-99})};
    }
    ASSERT_TRUE(memo->TableFooterAggregate);
    zvState().CurrentBand = &tableFooter;
    table.AggMaxCount = 2;  // the third slot lies beyond the longest walk
    EXPECT_VAR(Eval("SUM(Eta)"), VarType::Integer, rawInt, 30);
    EXPECT_VAR(Eval("AVG(Eta)"), VarType::Double, rawDouble, 15.0);
    EXPECT_VAR(Eval("MIN(Eta)"), VarType::Integer, rawInt, 10);
    EXPECT_VAR(Eval("MAX(Eta)"), VarType::Integer, rawInt, 20);
    table.AggMaxCount = 4;  // fewer slots than the longest walk
    EXPECT_TRUE(Eval("SUM(Eta)").isEmpty());
    table.AggMaxCount = 0;
    EXPECT_VAR(Eval("SUM(Eta)"), VarType::Integer, rawInt, 0);
    EXPECT_VAR(Eval("MIN(Eta)"), VarType::Double, rawDouble, 1e200);
    // An unmarked object of the table footer reads the table band's running totals.
    memo->TableFooterAggregate = false;
    table.FindAggregate(Collect(table, mainBand, "MAX(Eta)"))->Value = Variant(int32_t{77});
    EXPECT_VAR(Eval("MAX(Eta)"), VarType::Integer, rawInt, 77);
}

}  // namespace

// ---- catalogue -------------------------------------------------------------------------------

namespace {

TEST(FunctionCatalogue, LinesInCatalogueOrder)
{
    const std::vector<std::string> lines = FunctionCatalogue();
    ASSERT_EQ(lines.size(), 43u);
    EXPECT_EQ(lines.front(), "AVG=Statistiche |AVG(<X>) |Restituiosce la media della serie <X>");
    EXPECT_EQ(lines[19],
              "IF=Logiche |IF(<X>,<Y>,<Z>) |Restituisce <Y> se l'espressione <X> \xE8 verificata "
              "altrimenti restituisce <Z>");
    EXPECT_EQ(lines[26], "PI=Matematiche |PI |Restituisce il valore di pigreco");
    EXPECT_EQ(lines.back(),
              "EUROTOMONEYVAL=Valuta |EUROTOMONEYVAL(<X>) |Restituisce il numero <X> convertito da "
              "euro alla moneta corrente");
    std::vector<std::string> names;
    for (const TzvFunctionInfo& f : kFunctionCatalogue) {
        names.emplace_back(f.Name);
        EXPECT_NE(std::find(kFunctionCategories.begin(), kFunctionCategories.end(), std::string_view(f.Category)),
                  kFunctionCategories.end())
            << f.Name;
        EXPECT_EQ(std::string_view(f.Syntax).substr(0, std::strlen(f.Name)), f.Name);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
}

// Every catalogued function is a built-in: called with too many arguments it records the count
// message (PI is a name, not a function).
TEST_F(FunctionTest, EveryCataloguedFunctionIsBuiltIn)
{
    for (const TzvFunctionInfo& f : kFunctionCatalogue) {
        if (std::string_view(f.Name) == "PI") continue;
        EXPECT_EQ(ErrorOf(std::string(f.Name) + "(1,2,3,4)"), std::string(kMsgFuncArgCount) + f.Name);
    }
}

TEST(FunctionCatalogue, EditorListsCategoriesAndFunctionsWithLibraries)
{
    EXPECT_EQ(FunctionHelp("copy").Syntax, "COPY(<X>,<Y>,<Z>)");
    EXPECT_EQ(FunctionHelp("Copy").Category, "Stringa");
    EXPECT_EQ(FunctionHelp("PI").Syntax, "PI");
    EXPECT_TRUE(FunctionHelp("NOPE").Category.empty());

    std::vector<std::string> categories = FunctionCategoryList();
    ASSERT_FALSE(categories.empty());
    EXPECT_EQ(categories.front(), "Tutte");
    EXPECT_TRUE(std::is_sorted(categories.begin() + 1, categories.end(),
                               [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; }));
    EXPECT_EQ(std::count(categories.begin(), categories.end(), "Stringa"), 1);
    EXPECT_EQ(std::count(categories.begin(), categories.end(), "Sconosciute"), 0);
    EXPECT_EQ(FunctionsInCategory("Tutte").size(), 43u);

    // A library's function without an entry counts as unknown; a further catalogue line gives one.
    struct Library : TzvFunctionLibrary {
        void DoFunction(int, const Variant&, const Variant&, const Variant&, Variant&) override {}
    };
    auto library = std::make_unique<Library>();
    library->AddFunction("SCONTO");
    library->AddFunction("IVA");
    const TzvFunctionLibrary* registered = library.get();
    ASSERT_TRUE(RegisterFunctionLibrary(std::move(library)));
    ExtraFunctionCatalogue().push_back("iva=Valuta |IVA(<X>) | L'imposta di <X> ");
    categories = FunctionCategoryList();
    EXPECT_EQ(std::count(categories.begin(), categories.end(), "Sconosciute"), 1);
    EXPECT_EQ(FunctionsInCategory("Sconosciute"), (std::vector<std::string>{"SCONTO"}));
    const std::vector<std::string> money = FunctionsInCategory("Valuta");
    EXPECT_NE(std::find(money.begin(), money.end(), "IVA"), money.end());
    EXPECT_EQ(FunctionHelp("IVA").Description, "L'imposta di <X>");
    EXPECT_EQ(FunctionsInCategory("Tutte").size(), 45u);
    ExtraFunctionCatalogue().clear();
    UnregisterFunctionLibrary(registered);
}

}  // namespace
