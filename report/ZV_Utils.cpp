// Data sources: naming, the range walk counters, the bound dataset and qualified-name resolution.
#include "report/ZV_Utils.h"

#include <algorithm>

#include "platform/Text.h"
#include "report/ZV_Report.h"

namespace zv {

namespace {
int64_t gNextSourceNumber = 1;
}  // namespace

TzvDataset::TzvDataset(Component* owner) : Component(owner)
{
    if (!owner) setName("N" + IntToStr(gNextSourceNumber++));
}

TzvDataset::~TzvDataset()
{
    if (TzvReport* r = zvState().CurrentReport) r->ForgetDataSource(this);
}

void TzvDataset::First()
{
    RecNo = 0;
    PassedCount = 0;
    if (OnFirst) OnFirst(this);
}

void TzvDataset::Prior()
{
    --RecNo;
    if (OnPrior) OnPrior(this);
}

void TzvDataset::Next()
{
    ++RecNo;
    ++PassedCount;
    if (OnNext) OnNext(this);
}

bool TzvDataset::Eof()
{
    bool result = RangeEnd == reCount && RecNo >= RangeEndCount;
    if (OnCheckEOF) OnCheckEOF(this, result);
    return result;
}

TzvDBDataSet::~TzvDBDataSet() { SetDataSet(nullptr); }

void TzvDBDataSet::SetDataSet(TDataSet* dataSet)
{
    if (dataSet_ == dataSet) return;
    if (dataSet_) removeFreeNotification(dataSet_);
    dataSet_ = dataSet;
    if (dataSet_) freeNotification(dataSet_);
}

void TzvDBDataSet::notification(Component* c, Operation op)
{
    TzvDataset::notification(c, op);
    if (op == Operation::Remove && c == dataSet_) dataSet_ = nullptr;
}

Component* ResolveQualifiedName(std::string_view qualifiedName)
{
    const ApplicationRegistry& app = ApplicationRegistry::instance();
    if (Component* c = app.findQualified(qualifiedName)) return c;
    // A data module owned by a form: the last one of that name, in the order of forms and components.
    const size_t dot = qualifiedName.find('.');
    if (dot == std::string_view::npos) return nullptr;
    const std::string_view ownerName = qualifiedName.substr(0, dot);
    Component* owner = nullptr;
    for (Component* form : app.forms())
        for (Component* c : form->components())
            if (SameText(c->name(), ownerName) &&
                std::find(app.dataModules().begin(), app.dataModules().end(), c) != app.dataModules().end())
                owner = c;
    return owner ? owner->findComponent(qualifiedName.substr(dot + 1)) : nullptr;
}

std::string QualifiedComponentName(const Component* c)
{
    if (!c) return {};
    return c->owner() ? c->owner()->name() + "." + c->name() : c->name();
}

}  // namespace zv
