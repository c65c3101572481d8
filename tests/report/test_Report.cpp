// Tests of the report component: defaults and lifecycle, bindings, error text, progress, the show
// operations with a fake preview class, registries, and the window-description round trip.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "platform/base/Error.h"
#include "platform/base/FormText.h"
#include "platform/base/Stream.h"
#include "platform/data/ClientDataSet.h"
#include "platform/device/UiServices.h"
#include "report/ZV_Bands.h"
#include "report/ZV_Const.h"
#include "report/ZV_Init.h"
#include "report/ZV_Memo.h"
#include "report/ZV_Preview.h"
#include "report/ZV_Registry.h"
#include "report/ZV_Report.h"
#include "report/ZV_Utils.h"
#include "tests/support/ProcessState.h"

using namespace zv;

namespace {

// ---- fakes -----------------------------------------------------------------------------------

// A preview that records what the show operation did with it; "hiding" it runs the base's path.
struct FakePreview : TzvPreview {
    static inline std::vector<FakePreview*> made;
    static inline int freed = 0;
    std::string caption;
    bool visible = false, shownModal = false, shownOnTop = false;
    int closes = 0;
    int pagesSeen = -1;  // prepared pages of Report while the modal preview is up

    FakePreview() { made.push_back(this); }
    ~FakePreview() override
    {
        ++freed;
        std::erase(made, this);
    }
    void SetCaption(const std::string& c) override { caption = c; }
    std::string Caption() const override { return caption; }
    bool IsVisible() const override { return visible; }
    void ClosePreview() override
    {
        ++closes;
        visible = false;
    }
    void ShowModalMaximized() override
    {
        shownModal = true;
        pagesSeen = Report ? Report->EMFPages.Count() : -1;
        Hide();  // the user closes it at once
    }
    void ShowStayOnTopMaximized() override
    {
        shownOnTop = true;
        visible = true;
    }
    void Hide()
    {
        visible = false;
        Hidden();
    }
};

void UseFakePreviews()
{
    RegisterPreviewClass({"TFakePreview", [] { return new FakePreview(); }});
}

struct FakeProgress : TzvProgressWindow {
    std::string caption, label = "untouched";
    void SetCaption(const std::string& c) override { caption = c; }
    std::string Caption() const override { return caption; }
    void SetLabelText(const std::string& t) override { label = t; }
    std::string LabelText() const override { return label; }
    bool IsVisible() const override { return false; }
    bool Show(TzvReport*, std::function<void()> work) override
    {
        work();
        return true;
    }
    void Close(bool) override {}
};

// A run-time band stands in as an opaque pointer; its kind comes from this table.
std::map<const TzvBand*, int> gBandKinds;
int FakeBandKind(const TzvBand* b) { return gBandKinds.at(b); }

// A form as the demo's window description names it.
class TFormMain : public Component {
public:
    using Component::Component;
    std::string className() const override { return "TFormMain"; }
};

class ReportTest : public zvtest::ProcessStateTest {
protected:
    void SetUp() override
    {
        InitReportLibrary();
        DefaultHeadlessUi().messages.clear();
        DefaultHeadlessUi().messagePumps = 0;
        zvState().ErrorFlag = false;
        zvState().ErrorText.clear();
        FakePreview::freed = 0;
        UseFakePreviews();
    }
    void TearDown() override { FreeOpenPreviews(); }
    std::vector<HeadlessUi::Message>& boxes() { return DefaultHeadlessUi().messages; }
};

// Records n pages of the report's first design page, each with one rectangle of a distinct size.
void AddPreparedPages(TzvReport& r, int n)
{
    for (int i = 0; i < n; ++i) {
        EmfRecorder& canvas = r.EMFPages.Add(r.Pages[0]);
        canvas.rectangle({10, 10, 20 + 10 * i, 40});
        r.EMFPages.FinishPage(r.EMFPages.Count() - 1);
    }
}

std::vector<uint8_t> PictureBytes(const TzvReport& r, int i) { return r.EMFPages.Pages(i).Picture.bytes(); }

}  // namespace

// ---- creation and destruction ------------------------------------------------------------------

TEST_F(ReportTest, CreateSetsThePublishedDefaults)
{
    const int savedPpi = zvState().ScreenPixelsPerInch;
    zvState().ScreenPixelsPerInch = 120;
    TzvReport r;
    zvState().ScreenPixelsPerInch = savedPpi;
    EXPECT_EQ(r.AutoLoad(), "");
    EXPECT_EQ(r.ReportDir, "");
    EXPECT_EQ(r.PathFromExe, "");
    EXPECT_EQ(r.TemplateDir, "");
    EXPECT_EQ(r.Title, "");
    EXPECT_TRUE(r.ShowProgress);
    EXPECT_TRUE(r.ModalPreview);
    EXPECT_TRUE(r.DisableDataSetControls);
    EXPECT_EQ(r.PixelsPerInch, 120);  // the screen's at creation
    EXPECT_TRUE(r.Scaled);
    EXPECT_EQ(r.DesignerOptions, doSaveConfirm);
    EXPECT_EQ(r.Values.Count(), 0);
    EXPECT_TRUE(r.Variables.empty());
    ASSERT_EQ(r.Pages.Count(), 1);
    EXPECT_EQ(r.Pages[0].PaperSize, kPaperA4);
    EXPECT_EQ(r.EMFPages.Count(), 0);
    EXPECT_EQ(r.EMFPages.Report(), &r);
    EXPECT_EQ(zvState().CurrentReport, &r);
    EXPECT_FALSE(r.OnBeginDoc || r.OnEndDoc || r.OnBeginPage || r.OnEndPage || r.OnGetValue || r.OnUserFunction ||
                 r.OnProgress || r.OnDataSetWork || r.OnDrawObject || r.OnDrawedObject || r.OnBeforePrint ||
                 r.OnAfterPrint);
}

TEST_F(ReportTest, ResolverRegistrationFollowsTheReportsLifetime)
{
    auto first = std::make_unique<TzvReport>();
    EXPECT_EQ(TzvExpr::Instance().Resolver().owner, first.get());
    auto second = std::make_unique<TzvReport>();
    EXPECT_EQ(TzvExpr::Instance().Resolver().owner, second.get());  // the latest wins
    first.reset();                                                  // withdraws nothing of another report
    EXPECT_EQ(TzvExpr::Instance().Resolver().owner, second.get());
    EXPECT_EQ(zvState().CurrentReport, nullptr);  // destroying leaves no current report
    // The resolver answers no name yet, so the engine reports the name as unknown.
    try {
        EvaluateExpression("[Cognome]");
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), std::string(kExprUnknownIdentMsg) + "[Cognome]");
    }
    second.reset();
    EXPECT_FALSE(TzvExpr::Instance().Resolver());
}

TEST_F(ReportTest, PreparingAnEmptyTemplateReplacesOldPagesWithOneBlankPage)
{
    TzvReport r;
    int events = 0;
    r.OnBeginDoc = [&] { ++events; };
    r.OnEndDoc = [&] { ++events; };
    AddPreparedPages(r, 2);
    EXPECT_TRUE(r.PrepareReport());
    EXPECT_EQ(r.EMFPages.Count(), 1);
    EXPECT_EQ(events, 2);
    EXPECT_FALSE(zvState().ErrorFlag);
}

// ---- bindings ----------------------------------------------------------------------------------

TEST_F(ReportTest, BindingsLookUpWithoutCaseAndKeepTheirSortedPlace)
{
    TzvValues v;
    for (const char* name : {"Zeta", "alfa", "Media", "beta"}) v.Items(v.AddValue(name)).FieldName = name;
    EXPECT_EQ(v.FindVariable("ALFA")->FieldName, "alfa");
    EXPECT_EQ(v.FindVariable("zeta")->FieldName, "Zeta");
    EXPECT_EQ(v.FindVariable("gamma"), nullptr);
    EXPECT_EQ(v.Names(0), "Zeta");  // order of arrival while unsorted

    v.SetSorted(true);
    const std::vector<std::string> sorted = {"alfa", "beta", "Media", "Zeta"};
    for (int i = 0; i < v.Count(); ++i) EXPECT_EQ(v.Names(i), sorted[static_cast<size_t>(i)]) << i;
    for (const std::string& name : sorted) {
        ASSERT_NE(v.FindVariable(name), nullptr) << name;
        EXPECT_EQ(v.FindVariable(name)->FieldName, name);
    }
    EXPECT_EQ(v.FindVariable("MEDIA")->FieldName, "Media");
    EXPECT_EQ(v.FindVariable("Mediana"), nullptr);
    EXPECT_EQ(v.FindVariable(""), nullptr);
    // A binding added while sorted gets its sorted place, and the index it answers is that place.
    const int at = v.AddValue("Cento");
    EXPECT_EQ(at, 2);
    EXPECT_EQ(v.Names(at), "Cento");
    v.Items(at).FieldName = "Cento";
    EXPECT_EQ(v.FindVariable("cento")->FieldName, "Cento");

    // Reading replaces everything and stops keeping the list sorted.
    MemoryStream s;
    v.WriteBindings(s);
    s.setPosition(0);
    TzvValues back;
    back.AddValue("vecchia");
    back.SetSorted(true);
    back.ReadBindings(s);
    EXPECT_FALSE(back.Sorted());
    ASSERT_EQ(back.Count(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(back.Names(i), v.Names(i));
        EXPECT_EQ(back.Items(i).FieldName, v.Items(i).FieldName);
    }
    EXPECT_EQ(back.FindVariable("vecchia"), nullptr);
}

TEST_F(ReportTest, BindingsStreamFormAndHostileCounts)
{
    TzvValues v;
    const int i = v.AddValue("Pagina");
    v.Items(i).Typ = 2;
    v.Items(i).OtherKind = 0;
    v.Items(i).DataSetName = "D";
    v.Items(i).FieldName = "F";
    MemoryStream s;
    v.WriteBindings(s);
    const std::vector<uint8_t> expected = {1, 0, 0, 0, 2, 0, 0, 0, 0, 1, 'D', 1, 'F', 6, 'P', 'a', 'g', 'i', 'n', 'a'};
    EXPECT_EQ(s.data(), expected);

    // A count the bytes cannot hold, and a binding cut short, fail without reading further.
    for (std::vector<uint8_t> bad :
         {std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0x7F, 0}, std::vector<uint8_t>{1, 0, 0, 0, 2, 0, 0}}) {
        MemoryStream in(bad);
        TzvValues back;
        EXPECT_THROW(back.ReadBindings(in), Exception);
    }
}

TEST_F(ReportTest, SpecialVariableTablesAndCheckerboard)
{
    const std::vector<std::pair<std::string, std::string>> table = {{"N\xB0 pagina", "PAGE#"},
                                                                    {"Espressione", ""},
                                                                    {"Data", "DATE"},
                                                                    {"Ora", "TIME"},
                                                                    {"N\xB0 linea", "LINE#"},
                                                                    {"N\xB0 linea continuo", "LINETHROUGH#"},
                                                                    {"N\xB0 colonna", "COLUMN#"},
                                                                    {"N\xB0 linea corrente", "CURRENT#"},
                                                                    {"Totale Pagine", "TOTALPAGES"}};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(SpecialVarName(i), table[static_cast<size_t>(i)].first) << i;
        EXPECT_EQ(SpecialVarInternalName(i), table[static_cast<size_t>(i)].second) << i;
    }
    EXPECT_EQ(SpecialVarName(9), "");
    EXPECT_EQ(SpecialVarInternalName(-1), "");

    const Bitmap& b = CheckerboardBitmap();
    ASSERT_EQ(b.width, 8);
    ASSERT_EQ(b.height, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(b.at(x, y) & 0xFFFFFF, (x + y) % 2 == 0 ? 0xFFFFFFu : 0xC0C0C0u) << x << "," << y;
}

// ---- errors ------------------------------------------------------------------------------------

TEST_F(ReportTest, ReportErrorTextLayout)
{
    TzvReport r;
    TzvMemoView memo(&r);
    memo.Name = "Memo3";
    const TzvBand bands[2];  // two run-time bands; their kinds come from the band-kind hook
    const TzvBand* dataBand = &bands[0];
    const TzvBand* otherBand = &bands[1];
    gBandKinds.clear();
    gBandKinds[dataBand] = bkMainData;
    gBandKinds[otherBand] = bkPageFooter;
    const std::string head = "Si \xE8 verificato un errore durante la fase di preparazione";
    struct Case {
        const char* what;
        std::string message;
        bool object;
        const TzvBand* objectBand;
        const TzvBand* band;
        int page;
        bool kindKnown;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"nothing current", "Errore. x", false, nullptr, nullptr, 1, true, head + "\rErrore. x\rPagina: 1"},
        {"empty message", "", false, nullptr, nullptr, 3, true, head + "\rPagina: 3"},
        {"object in the band", "m", true, dataBand, dataBand, 2, true,
         head + "\rm\rOggetto: Memo3\rBanda: Dati principali\rPagina: 2"},
        {"object of another band", "m", true, otherBand, dataBand, 2, true,
         head + "\rm\rBanda: Dati principali\rPagina: 2"},
        {"object without any band", "m", true, nullptr, nullptr, 1, true, head + "\rm\rOggetto: Memo3\rPagina: 1"},
        {"band without object", "m", false, nullptr, otherBand, 12, true,
         head + "\rm\rBanda: Pi\xE8 di pagina\rPagina: 12"},
        {"band of unknown kind", "m", false, nullptr, dataBand, 1, false, head + "\rm\rBanda: \rPagina: 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        zvState().ErrorFlag = false;
        memo.ParentBand = const_cast<TzvBand*>(c.objectBand);
        zvState().CurrentObject = c.object ? &memo : nullptr;
        zvState().CurrentBand = const_cast<TzvBand*>(c.band);
        zvState().CurrentPageNo = c.page;
        SetBandKindFunction(c.kindKnown ? FakeBandKind : nullptr);
        PrepareState().PreparingReport = &r;
        r.Terminated = false;
        ReportError(c.message);
        EXPECT_TRUE(zvState().ErrorFlag);
        EXPECT_EQ(zvState().ErrorText, c.expected);
        EXPECT_TRUE(r.Terminated);
    }
    memo.ParentBand = nullptr;
}

TEST_F(ReportTest, OnlyTheFirstErrorCountsUntilShowReportClearsIt)
{
    TzvReport r;
    r.OnBeginPage = [](int32_t) {
        ReportError("prima");
        ReportError("seconda");
    };
    // The error recorded by the preparation is shown instead of a preview, once; the flag is
    // then cleared.
    AddPreparedPages(r, 1);
    r.ShowReport();
    EXPECT_NE(zvState().ErrorText.find("\rprima\r"), std::string::npos);
    EXPECT_EQ(zvState().ErrorText.find("seconda"), std::string::npos);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, zvState().ErrorText);
    EXPECT_EQ(boxes()[0].caption, "Errore");
    EXPECT_EQ(boxes()[0].flags, MB_OK | MB_ICONERROR);
    EXPECT_TRUE(FakePreview::made.empty());
    EXPECT_EQ(FakePreview::freed, 0);
    EXPECT_FALSE(zvState().ErrorFlag);
    EXPECT_EQ(r.EMFPages.Count(), 0);

    r.OnBeginPage = nullptr;
    r.ShowReport();  // starts clean: a preview this time
    EXPECT_EQ(boxes().size(), 1u);
    EXPECT_EQ(FakePreview::freed, 1);

    // An error thrown out of the show operation clears the flag as well.
    RegisterPreviewClass({"TBroken", []() -> TzvPreview* { throw Exception("boom"); }});
    EXPECT_THROW(r.ShowReport(), Exception);
    EXPECT_FALSE(zvState().ErrorFlag);
}

// ---- progress ----------------------------------------------------------------------------------

TEST_F(ReportTest, ProgressGoesToTheEventOrTheProgressLine)
{
    FakeProgress window;
    window.Prefix = "Pagina in costruzione:";
    SetProgressWindow(&window);
    TzvReport r;
    PrepareState().PreparingReport = &r;

    struct Case {
        const char* what;
        bool handler, showProgress;
        int16_t twoPass;
        bool finalPass;
        std::string label;
        int pumps;
    };
    const std::vector<Case> cases = {
        {"handler wins over the window", true, true, 0, true, "untouched", 0},
        {"single pass line", false, true, 0, true, "Pagina in costruzione:  3", 1},
        {"second of two passes", false, true, 1, true, "Pagina in costruzione:  3 di 10", 1},
        {"first of two passes", false, true, 1, false, "Pagina in costruzione:  3", 1},
        {"no progress window wanted", false, false, 0, true, "untouched", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        window.label = "untouched";
        DefaultHeadlessUi().messagePumps = 0;
        std::vector<int32_t> seen;
        r.OnProgress = c.handler ? TProgressEvent([&](int32_t n) { seen.push_back(n); }) : TProgressEvent();
        r.ShowProgress = c.showProgress;
        r.TwoPass = c.twoPass;
        PrepareState().FinalPass = c.finalPass;
        PrepareState().TotalPages = 10;
        r.Progress(3);
        EXPECT_EQ(window.label, c.label);
        EXPECT_EQ(seen, c.handler ? std::vector<int32_t>{3} : std::vector<int32_t>{});
        EXPECT_EQ(DefaultHeadlessUi().messagePumps, c.pumps);
    }
}

// ---- show operations -----------------------------------------------------------------------------

TEST_F(ReportTest, ModalPreviewWorksOnTheReportItself)
{
    for (const auto& [title, caption] : std::vector<std::pair<std::string, std::string>>{
             {"", "Anteprima"}, {"Demo BarCode", "Anteprima - Demo BarCode"}}) {
        SCOPED_TRACE(caption);
        TzvReport r;
        r.Title = title;
        FakePreview* seen = nullptr;
        RegisterPreviewClass({"TFakePreview", [&] { return seen = new FakePreview(); }});
        AddPreparedPages(r, 2);
        r.ShowPreview();
        ASSERT_NE(seen, nullptr);
        // Shown and hidden again within the call: freed by then. Its state was checked through
        // the pointer before Hidden() freed it, so look at what the fake recorded instead.
        EXPECT_EQ(FakePreview::freed, 1);
        EXPECT_TRUE(OpenPreviews().empty());
        FakePreview::freed = 0;
    }
    // Now with a preview that stays, to look at it.
    TzvReport r;
    r.Title = "T";
    AddPreparedPages(r, 2);
    struct Staying : FakePreview {
        void ShowModalMaximized() override
        {
            shownModal = true;
            pagesSeen = Report->EMFPages.Count();
        }
    };
    RegisterPreviewClass({"TStaying", [] { return new Staying(); }});
    r.ShowReport();
    ASSERT_EQ(FakePreview::made.size(), 1u);
    FakePreview* p = FakePreview::made[0];
    EXPECT_EQ(p->caption, "Anteprima - T");
    EXPECT_TRUE(p->shownModal);
    EXPECT_FALSE(p->shownOnTop);
    EXPECT_TRUE(p->Modal);
    EXPECT_EQ(p->Report, &r);
    EXPECT_EQ(p->OwnedReport, nullptr);
    EXPECT_EQ(p->pagesSeen, 1);  // ShowReport prepared first: the one blank page of the template
    EXPECT_EQ(r.EMFPages.Count(), 0);
    ASSERT_EQ(OpenPreviews().size(), 1u);
    EXPECT_EQ(OpenPreviews()[0], p);
    FreeOpenPreviews();
    EXPECT_EQ(FakePreview::freed, 1);
    EXPECT_TRUE(FakePreview::made.empty());
}

TEST_F(ReportTest, NonModalPreviewWorksOnACopyThatOutlivesTheReport)
{
    auto r = std::make_unique<TzvReport>();
    r->ModalPreview = false;
    r->Title = "Demo BarCode";
    AddPreparedPages(*r, 3);
    std::vector<std::vector<uint8_t>> pictures;
    for (int i = 0; i < 3; ++i) pictures.push_back(PictureBytes(*r, i));

    r->ShowPreview();  // directly, on the prepared pages
    ASSERT_EQ(FakePreview::made.size(), 1u);
    FakePreview* p = FakePreview::made[0];
    EXPECT_EQ(p->caption, "Anteprima - Demo BarCode");
    EXPECT_TRUE(p->shownOnTop);
    EXPECT_FALSE(p->shownModal);
    EXPECT_FALSE(p->Modal);
    ASSERT_NE(p->OwnedReport, nullptr);
    EXPECT_EQ(p->Report, p->OwnedReport.get());
    EXPECT_GT(p->TransferStream.size(), 0);
    // Making the copy leaves the engine's resolver and the current report alone.
    EXPECT_EQ(TzvExpr::Instance().Resolver().owner, r.get());
    EXPECT_EQ(zvState().CurrentReport, r.get());

    r->EMFPages.Clear();
    r.reset();
    ASSERT_EQ(p->Report->EMFPages.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(PictureBytes(*p->Report, i), pictures[static_cast<size_t>(i)]) << i;
        EXPECT_EQ(p->Report->EMFPages.Pages(i).PaperSize, kPaperA4);
    }
    // Two previews at once; hiding one frees only that one.
    auto r2 = std::make_unique<TzvReport>();
    r2->ModalPreview = false;
    AddPreparedPages(*r2, 1);
    r2->ShowPreview();
    ASSERT_EQ(OpenPreviews().size(), 2u);
    FakePreview* q = FakePreview::made[1];
    EXPECT_EQ(q->caption, "Anteprima");
    p->Hide();
    EXPECT_EQ(FakePreview::freed, 1);
    ASSERT_EQ(OpenPreviews().size(), 1u);
    EXPECT_EQ(OpenPreviews()[0], q);
    DoneReportLibrary();  // the shut-down frees what is still open
    EXPECT_EQ(FakePreview::freed, 2);
    EXPECT_TRUE(OpenPreviews().empty());
}

TEST_F(ReportTest, ShowPreviewClosesAPreviewThatIsVisibleAlready)
{
    struct AlreadyVisible : FakePreview {
        AlreadyVisible() { visible = true; }
    };
    RegisterPreviewClass({"TAlreadyVisible", [] { return new AlreadyVisible(); }});
    TzvReport r;
    r.ModalPreview = false;
    r.ShowPreview();
    ASSERT_EQ(FakePreview::made.size(), 1u);
    EXPECT_EQ(FakePreview::made[0]->closes, 1);
    EXPECT_TRUE(FakePreview::made[0]->shownOnTop);

    RegisterPreviewClass({});
    try {
        r.ShowPreview();
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), kMsgNoPreviewClass);
    }
}

// ---- registries --------------------------------------------------------------------------------

namespace {
// Answers "DOPPIO" with twice p1 and "TRIPLO" with three times p1, by index in its sorted list.
struct Multiply : TzvFunctionLibrary {
    explicit Multiply(std::string tag) : tag(std::move(tag))
    {
        AddFunction("TRIPLO");
        AddFunction("doppio");
        AddFunction("DOPPIO");  // already there without regard to case
    }
    void DoFunction(int index, const Variant& p1, const Variant&, const Variant&, Variant& val) override
    {
        calls.push_back(List()[static_cast<size_t>(index)]);
        val = Variant(p1.toInt() * (List()[static_cast<size_t>(index)] == "doppio" ? 2 : 3));
    }
    std::string tag;
    std::vector<std::string> calls;
};
}  // namespace

TEST_F(ReportTest, FunctionLibrariesDispatchByTheirSortedNames)
{
    auto own = std::make_unique<Multiply>("a");
    Multiply* first = own.get();
    ASSERT_TRUE(RegisterFunctionLibrary(std::move(own)));
    auto second = std::make_unique<Multiply>("b");
    Multiply* other = second.get();
    ASSERT_TRUE(RegisterFunctionLibrary(std::move(second)));
    EXPECT_EQ(first->List(), (std::vector<std::string>{"doppio", "TRIPLO"}));
    EXPECT_EQ(first->IndexOf("Triplo"), 1);
    EXPECT_EQ(first->IndexOf("quadruplo"), -1);

    Variant val;
    EXPECT_TRUE(CallFunctionLibraries("Doppio", Variant(21), Variant(), Variant(), val));
    EXPECT_EQ(val.toInt(), 42);
    EXPECT_TRUE(CallFunctionLibraries("triplo", Variant(2), Variant(), Variant(), val));
    EXPECT_EQ(val.toInt(), 6);
    EXPECT_EQ(first->calls, (std::vector<std::string>{"doppio", "TRIPLO"}));
    EXPECT_TRUE(other->calls.empty());  // the first library that answers ends the search
    EXPECT_FALSE(CallFunctionLibraries("QUADRUPLO", Variant(2), Variant(), Variant(), val));

    EXPECT_TRUE(UnregisterFunctionLibrary(first));
    EXPECT_FALSE(UnregisterFunctionLibrary(first));
    EXPECT_TRUE(CallFunctionLibraries("DOPPIO", Variant(1), Variant(), Variant(), val));
    EXPECT_EQ(other->calls.size(), 1u);
    EXPECT_TRUE(UnregisterFunctionLibrary(other));
}

TEST_F(ReportTest, RegistriesHoldThirtyTwoEntries)
{
    ASSERT_TRUE(FunctionLibraries().empty());
    std::vector<const TzvFunctionLibrary*> added;
    for (size_t i = 0; i < kMaxFunctionLibraries; ++i) {
        auto lib = std::make_unique<Multiply>(std::to_string(i));
        added.push_back(lib.get());
        EXPECT_TRUE(RegisterFunctionLibrary(std::move(lib))) << i;
    }
    EXPECT_FALSE(RegisterFunctionLibrary(std::make_unique<Multiply>("33")));
    EXPECT_EQ(FunctionLibraries().size(), kMaxFunctionLibraries);
    for (size_t i = 0; i < added.size(); ++i) EXPECT_EQ(FunctionLibraries()[i].get(), added[i]);  // in order
    for (const auto* lib : added) UnregisterFunctionLibrary(lib);

    // The start-up's filters step aside for the test and come back at the end.
    const std::vector<TzvExportFilterInfo> startUp = ExportFilters();
    for (const TzvExportFilterInfo& f : startUp) UnregisterExportFilter(f.Description);
    ASSERT_TRUE(ExportFilters().empty());
    auto filterClass = [](Stream& s) { return std::make_unique<TzvExportFilter>(s); };
    EXPECT_FALSE(RegisterExportFilter({nullptr, "senza classe", "*.x"}));
    for (size_t i = 0; i < kMaxExportFilters; ++i)
        EXPECT_TRUE(RegisterExportFilter({filterClass, "Filtro " + std::to_string(i), "*.f" + std::to_string(i)}));
    EXPECT_FALSE(RegisterExportFilter({filterClass, "uno di troppo", "*.y"}));
    ASSERT_EQ(ExportFilters().size(), kMaxExportFilters);
    EXPECT_EQ(ExportFilters()[31].Description, "Filtro 31");
    EXPECT_EQ(ExportFilters()[31].FileMask, "*.f31");
    MemoryStream out;
    std::unique_ptr<TzvExportFilter> f = ExportFilters()[0].FilterClass(out);
    EXPECT_TRUE(f->Setup());
    for (size_t i = 0; i < kMaxExportFilters; ++i) EXPECT_TRUE(UnregisterExportFilter("Filtro " + std::to_string(i)));
    EXPECT_FALSE(UnregisterExportFilter("Filtro 0"));
    EXPECT_TRUE(ExportFilters().empty());
    for (const TzvExportFilterInfo& f : startUp) RegisterExportFilter(f);
}

TEST_F(ReportTest, StartUpRegistersTheComponentClassesTheBarcodeAddInAndTheSpreadsheetFilters)
{
    InitReportLibrary();  // a second call adds nothing
    std::vector<std::string> filters;
    for (const TzvExportFilterInfo& f : ExportFilters()) filters.push_back(f.Description + " " + f.FileMask);
    EXPECT_EQ(filters, (std::vector<std::string>{"Foglio di calcolo Excel *.xlsx", "Testo CSV *.csv"}));
    size_t barcodes = 0;
    for (const TzvAddInObjectInfo& info : AddInObjects())
        if (info.ClassName == "TzvCodeBarreView") {
            ++barcodes;
            EXPECT_EQ(info.ButtonHint, "Inserisci codice a barre");
        }
    EXPECT_EQ(barcodes, 1u);
    const auto* makeReport = ComponentClassRegistry::instance().find("TzvReport");
    const auto* makeObject = ComponentClassRegistry::instance().find("TzvCodeBarreObject");
    ASSERT_TRUE(makeReport && makeObject);
    Component owner;
    Component* r = (*makeReport)(&owner);
    Component* o = (*makeObject)(&owner);
    EXPECT_EQ(r->className(), "TzvReport");
    EXPECT_NE(dynamic_cast<TzvReport*>(r), nullptr);
    EXPECT_EQ(o->className(), "TzvCodeBarreObject");
    EXPECT_EQ(owner.components().size(), 2u);
}

// ---- window description --------------------------------------------------------------------------

namespace {

ComponentClassRegistry DescriptionClasses()
{
    ComponentClassRegistry classes;
    classes.add("TClientDataSet", [](Component* owner) -> Component* { return new TClientDataSet(owner); });
    classes.add("TzvReport", *ComponentClassRegistry::instance().find("TzvReport"));
    classes.add("TzvCodeBarreObject", *ComponentClassRegistry::instance().find("TzvCodeBarreObject"));
    return classes;
}

// Reads a description into a new registered form named FormMain (owned by the caller).
std::unique_ptr<TFormMain> ReadForm(const std::string& text)
{
    auto form = std::make_unique<TFormMain>();
    ApplicationRegistry::instance().addForm(form.get());
    const ComponentClassRegistry classes = DescriptionClasses();
    try {
        FormReader(text, classes).read(form.get());
    } catch (...) {
        ApplicationRegistry::instance().remove(form.get());
        throw;
    }
    return form;
}

struct FormGuard {
    std::unique_ptr<TFormMain> form;
    ~FormGuard()
    {
        if (form) ApplicationRegistry::instance().remove(form.get());
    }
};

}  // namespace

TEST_F(ReportTest, WindowDescriptionRoundTripOfBindingsAndVariableList)
{
    TFormMain form;
    form.setName("FormMain");
    auto* r = new TzvReport(&form);
    r->setName("zvReport");
    r->Title = "Demo \xE8 BarCode";
    r->ReportDir = "/srv/report";
    r->PathFromExe = "modelli";
    r->TemplateDir = "/tmp/modelli";
    r->ShowProgress = false;
    r->ModalPreview = false;
    r->DisableDataSetControls = false;
    r->PixelsPerInch = 120;
    r->Scaled = false;
    r->DesignerOptions = 0;
    int i = r->Values.AddValue("Cognome");
    r->Values.Items(i).Typ = 1;
    r->Values.Items(i).DataSetName = "FormMain.ClientDataSet";
    r->Values.Items(i).FieldName = "Cognome";
    i = r->Values.AddValue("Totale");
    r->Values.Items(i).Typ = 2;
    r->Values.Items(i).OtherKind = kSpecialVarExpression;
    r->Values.Items(i).FieldName = "[A] + [B]";
    r->Variables = {"Anagrafica", " Cognome", " Totale", "Vuota", std::string(300, 'x')};
    (new TzvCodeBarreObject(&form))->setName("zvCodeBarreObject");

    FormWriter w;
    w.writeComponent(form);
    const std::string text = w.text();
    // PixelsPerInch is written with the published properties and once more after the data.
    const size_t ppi1 = text.find("PixelsPerInch = 120"), ppi2 = text.rfind("PixelsPerInch = 120");
    ASSERT_NE(ppi1, std::string::npos);
    EXPECT_LT(ppi1, text.find("Values.Data = {"));
    EXPECT_LT(text.find("Values.Data = {"), text.find("    Data = {"));
    EXPECT_GT(ppi2, text.find("    Data = {"));
    EXPECT_NE(text.find("DesignerOptions = []"), std::string::npos);
    EXPECT_NE(text.find("object zvCodeBarreObject: TzvCodeBarreObject"), std::string::npos);

    FormGuard back{ReadForm(text)};
    auto* copy = dynamic_cast<TzvReport*>(back.form->findComponent("zvReport"));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Title, r->Title);
    EXPECT_EQ(copy->ReportDir, "/srv/report");
    EXPECT_EQ(copy->PathFromExe, "modelli");
    EXPECT_EQ(copy->TemplateDir, "/tmp/modelli");
    EXPECT_FALSE(copy->ShowProgress);
    EXPECT_FALSE(copy->ModalPreview);
    EXPECT_FALSE(copy->DisableDataSetControls);
    EXPECT_EQ(copy->PixelsPerInch, 120);
    EXPECT_FALSE(copy->Scaled);
    EXPECT_EQ(copy->DesignerOptions, 0);
    ASSERT_EQ(copy->Values.Count(), 2);
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(copy->Values.Names(k), r->Values.Names(k));
        EXPECT_EQ(copy->Values.Items(k).Typ, r->Values.Items(k).Typ);
        EXPECT_EQ(copy->Values.Items(k).OtherKind, r->Values.Items(k).OtherKind);
        EXPECT_EQ(copy->Values.Items(k).DataSetName, r->Values.Items(k).DataSetName);
        EXPECT_EQ(copy->Values.Items(k).FieldName, r->Values.Items(k).FieldName);
    }
    std::vector<std::string> lines = r->Variables;
    lines.back().resize(255);  // a stored line is a short string
    EXPECT_EQ(copy->Variables, lines);
    EXPECT_NE(back.form->findComponent("zvCodeBarreObject"), nullptr);

    // Written again, the copy gives the same text.
    back.form->setName("FormMain");
    FormWriter again;
    again.writeComponent(*back.form);
    EXPECT_EQ(again.text(), text);
}

TEST_F(ReportTest, WindowDescriptionOfADefaultReportStoresNoData)
{
    TFormMain form;
    form.setName("FormMain");
    (new TzvReport(&form))->setName("zvReport");
    FormWriter w;
    w.writeComponent(form);
    EXPECT_EQ(w.text(),
              "object FormMain: TFormMain\n"
              "  object zvReport: TzvReport\n"
              "    PixelsPerInch = 96\n"
              "    PixelsPerInch = 96\n"
              "  end\n"
              "end\n");
}

TEST_F(ReportTest, WindowDescriptionRefusesDamagedValues)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Data = {FFFFFF7F00}", "zvReport.Data"},              // more lines than bytes
        {"Data = {0200000003616263}", "zvReport.Data"},        // second line missing
        {"Values.Data = {01000000}", "zvReport.Values.Data"},  // binding missing
        {"DesignerOptions = [doNothing]", "zvReport.DesignerOptions"},
        {"ShowProgress = 3", "zvReport.ShowProgress"},
        {"PixelsPerInch = 99999999999", "zvReport.PixelsPerInch"},
        {"Colour = 1", "Property Colour does not exist"},
    };
    for (const auto& [line, expected] : cases) {
        SCOPED_TRACE(line);
        const std::string text =
            "object FormMain: TFormMain\n  object zvReport: TzvReport\n    " + line + "\n  end\nend\n";
        try {
            FormGuard g{ReadForm(text)};
            FAIL() << "read";
        } catch (const Exception& e) {
            EXPECT_NE(e.message().find(expected), std::string::npos) << e.message();
            EXPECT_EQ(e.message().rfind("Line 3: ", 0), 0u) << e.message();
        }
    }
}

TEST_F(ReportTest, AutoLoadLoadsTheTemplateWhenItIsRead)
{
    const std::string templatePath = ZV_SOURCE_DIR "/resources/BarCodeDemo.zvf";
    const std::string report =
        "  object zvReport: TzvReport\n"
        "    AutoLoad = '" +
        templatePath +
        "'\n"
        "    Title = 'Demo BarCode'\n"
        "    PixelsPerInch = 96\n"
        "    Values.Data = {010000000100000000024353024353024353}\n"
        "  end\n";
    const std::string table = "  object ClientDataSet: TClientDataSet\n  end\n";
    {
        // After the table: the template's data source finds FormMain.ClientDataSet at once.
        FormGuard g{ReadForm("object FormMain: TFormMain\n" + table + report + "end\n")};
        auto* r = dynamic_cast<TzvReport*>(g.form->findComponent("zvReport"));
        ASSERT_NE(r, nullptr);
        EXPECT_TRUE(boxes().empty());
        EXPECT_EQ(r->AutoLoad(), templatePath);
        EXPECT_EQ(r->FileName, "BarCodeDemo.zvf");
        EXPECT_EQ(r->TwoPass, 1);
        ASSERT_EQ(r->DataSources().size(), 1u);
        EXPECT_EQ(r->DataSources()[0].Name, "Clienti");
        auto* source = dynamic_cast<TzvDBDataSet*>(r->DataSources()[0].Source);
        ASSERT_NE(source, nullptr);
        EXPECT_EQ(source->DataSet(), g.form->findComponent("ClientDataSet"));
        EXPECT_EQ(r->Pages[0].Count(), 9);
        // The stored bindings, read after AutoLoad, replace the template's (empty) ones.
        ASSERT_EQ(r->Values.Count(), 1);
        EXPECT_EQ(r->Values.Names(0), "CS");
        EXPECT_EQ(r->Values.Items(0).DataSetName, "CS");
        EXPECT_EQ(r->Title, "Demo BarCode");
    }
    {
        // Before the table: the data source cannot be found yet and is skipped with the warning.
        FormGuard g{ReadForm("object FormMain: TFormMain\n" + report + table + "end\n")};
        auto* r = dynamic_cast<TzvReport*>(g.form->findComponent("zvReport"));
        ASSERT_NE(r, nullptr);
        ASSERT_EQ(boxes().size(), 1u);
        EXPECT_EQ(boxes()[0].text, std::string(kMsgDataSetNotFound) + "FormMain.ClientDataSet");
        EXPECT_EQ(boxes()[0].caption, "Attenzione");
        EXPECT_TRUE(r->DataSources().empty());
        EXPECT_EQ(r->Pages[0].Count(), 9);
    }
    // A template that is not there fails the description with the loading error.
    try {
        FormGuard g{
            ReadForm("object FormMain: TFormMain\n  object zvReport: TzvReport\n    AutoLoad = '/nonexistent/x.zvf'\n  "
                     "end\nend\n")};
        FAIL() << "read";
    } catch (const Exception& e) {
        EXPECT_NE(
            e.message().find(
                "Error reading zvReport.AutoLoad: Si \xE8 tentato di caricare da disco il report 'FormMain.zvReport'"),
            std::string::npos)
            << e.message();
    }
}
