// Data sources: TzvDataset (range and walk counters) and TzvDBDataSet bound to a platform dataset.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/Component.h"
#include "platform/DataSet.h"

namespace zv {

enum TRangeBegin : uint8_t { rbFirst = 0, rbCurrent = 1 };
enum TRangeEnd : uint8_t { reLast = 0, reCurrent = 1, reCount = 2 };

// A data source walked by a data band. Created without an owner it names itself "N" and a
// number unique to the object. Destroying it removes it from the current report's list.
class TzvDataset : public Component {
public:
    explicit TzvDataset(Component* owner = nullptr);
    ~TzvDataset() override;
    std::string className() const override { return "TzvDataset"; }

    TRangeBegin RangeBegin = rbFirst;
    TRangeEnd RangeEnd = reLast;
    int32_t RangeEndCount = 0;
    std::function<void(TzvDataset*)> OnFirst, OnNext, OnPrior;
    std::function<void(TzvDataset*, bool&)> OnCheckEOF;
    int32_t RecNo = 0;
    int32_t PassedCount = 0;

    virtual void Init() {}
    virtual void Exit() {}
    virtual void First();
    virtual void Prior();
    virtual void Next();
    virtual bool Eof();
};

// A data source bound to a platform dataset.
class TzvDBDataSet : public TzvDataset {
public:
    explicit TzvDBDataSet(Component* owner = nullptr) : TzvDataset(owner) {}
    ~TzvDBDataSet() override;
    std::string className() const override { return "TzvDBDataSet"; }

    // The bound dataset; cleared when that component is destroyed.
    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* dataSet);

    std::string Filter;
    bool Filtered = false;
    bool DisableControls = true;

protected:
    void notification(Component* c, Operation op) override;

private:
    TDataSet* dataSet_ = nullptr;
};

// "Owner.Component" among the open forms and data modules; none when either part is not found.
Component* ResolveQualifiedName(std::string_view qualifiedName);
// The name under which a template stores the bound dataset: "Owner.Name", or "Name" without owner.
std::string QualifiedComponentName(const Component* c);

}  // namespace zv
