// Components: ownership and destruction order, name lookup, free notifications, the registry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/Component.h"

using namespace zv;

namespace {

// A component that writes its life events into a shared journal.
class Probe : public Component {
public:
    Probe(Component* owner, std::string n, std::vector<std::string>* journal) : Component(owner), journal_(journal)
    {
        setName(std::move(n));
    }
    ~Probe() override
    {
        if (journal_) journal_->push_back("free " + name());
    }
    std::vector<std::string> told;     // notifications this component received
    std::vector<Component*> inserted;  // insert notifications come before the child has its name

protected:
    void notification(Component* c, Operation op) override
    {
        if (op == Operation::Insert) {
            inserted.push_back(c);
            return;
        }
        told.push_back("remove " + c->name());
        if (journal_) journal_->push_back(name() + " told " + told.back());
    }

private:
    std::vector<std::string>* journal_;
};

}  // namespace

TEST(Component, OwnerFreesOwnedComponentsLastFirst)
{
    std::vector<std::string> journal;
    auto* form = new Probe(nullptr, "Form1", &journal);
    auto* a = new Probe(form, "A", &journal);
    auto* b = new Probe(form, "B", &journal);
    new Probe(a, "A1", &journal);
    ASSERT_EQ(form->components().size(), 2u);
    EXPECT_EQ(form->components()[0], a);
    EXPECT_EQ(a->owner(), form);
    EXPECT_EQ(form->inserted, (std::vector<Component*>{a, b}));
    journal.clear();
    delete form;
    // The form's own destructor runs first; its base then frees B, then A (which frees A1 first).
    EXPECT_EQ(journal, (std::vector<std::string>{"free Form1", "free B", "free A", "free A1"}));
}

TEST(Component, FreeingAnOwnedComponentLeavesTheOwnersList)
{
    Probe form(nullptr, "Form1", nullptr);
    auto* a = new Probe(&form, "A", nullptr);
    auto* b = new Probe(&form, "B", nullptr);
    delete a;
    ASSERT_EQ(form.components().size(), 1u);
    EXPECT_EQ(form.components()[0], b);
    EXPECT_EQ(form.told.back(), "remove A");
}

TEST(Component, FindComponentIgnoresCase)
{
    Component form;
    form.setName("FormMain");
    auto* ds = new Component(&form);
    ds->setName("ClientDataSet");
    auto* rep = new Component(&form);
    rep->setName("zvReport");
    struct Case {
        const char* name;
        Component* expected;
    };
    const Case cases[] = {{"ClientDataSet", ds},  {"clientdataset", ds}, {"CLIENTDATASET", ds}, {"ZVREPORT", rep},
                          {"zvReport1", nullptr}, {"", nullptr},         {"FormMain", nullptr}};
    for (const Case& c : cases) EXPECT_EQ(form.findComponent(c.name), c.expected) << c.name;
    // A component without a name is never found by the empty name.
    new Component(&form);
    EXPECT_EQ(form.findComponent(""), nullptr);
}

TEST(Component, FreeNotificationsBothWays)
{
    std::vector<std::string> journal;
    Probe report(nullptr, "Report", &journal);
    auto* table = new Probe(nullptr, "Table", &journal);
    report.freeNotification(table);
    report.freeNotification(table);  // asking twice tells once
    delete table;
    EXPECT_EQ(report.told, std::vector<std::string>{"remove Table"});

    // The other direction: the component that asked goes away first and the other is told;
    // afterwards nothing points at the freed one.
    auto* viewer = new Probe(nullptr, "Viewer", &journal);
    Probe source(nullptr, "Source", &journal);
    viewer->freeNotification(&source);
    delete viewer;
    EXPECT_EQ(source.told, std::vector<std::string>{"remove Viewer"});
    journal.clear();
}

TEST(Component, RemoveFreeNotificationUndoesBothDirections)
{
    Probe a(nullptr, "A", nullptr);
    auto* b = new Probe(nullptr, "B", nullptr);
    auto* c = new Probe(nullptr, "C", nullptr);
    a.freeNotification(b);
    a.freeNotification(c);
    a.removeFreeNotification(b);
    delete b;
    EXPECT_TRUE(a.told.empty());
    c->removeFreeNotification(&a);  // from the other side
    delete c;
    EXPECT_TRUE(a.told.empty());
    a.freeNotification(nullptr);
    a.freeNotification(&a);
    delete new Probe(nullptr, "D", nullptr);
    EXPECT_TRUE(a.told.empty()) << "self and null requests are ignored";
}

TEST(Component, OwnedComponentsLinkedToEachOther)
{
    // Siblings freed by their owner still tell each other, in the reverse creation order.
    std::vector<std::string> journal;
    auto* form = new Probe(nullptr, "Form", &journal);
    auto* data = new Probe(form, "Data", &journal);
    auto* report = new Probe(form, "Report", &journal);
    report->freeNotification(data);
    journal.clear();
    delete form;
    EXPECT_EQ(journal, (std::vector<std::string>{"free Form", "free Report", "Data told remove Report", "free Data"}));
}

TEST(ApplicationRegistry, FormsAndDataModulesInOrder)
{
    auto& reg = ApplicationRegistry::instance();
    Component main, second, module;
    main.setName("FormMain");
    second.setName("Form2");
    module.setName("DataModule1");
    reg.addForm(&main);
    reg.addForm(&second);
    reg.addForm(&main);  // once only
    reg.addDataModule(&module);
    auto* table = new Component(&main);
    table->setName("ClientDataSet");
    auto* dmTable = new Component(&module);
    dmTable->setName("Customers");
    auto* field = new Component(dmTable);
    field->setName("Name");

    EXPECT_EQ(reg.forms(), (std::vector<Component*>{&main, &second}));
    EXPECT_EQ(reg.dataModules(), std::vector<Component*>{&module});

    struct Case {
        const char* name;
        Component* global;
        Component* qualified;
    };
    const Case cases[] = {
        {"FormMain", &main, &main},
        {"formmain", &main, &main},
        {"DATAMODULE1", &module, &module},
        {"FormMain.ClientDataSet", nullptr, table},
        {"formmain.clientdataset", nullptr, table},
        {"DataModule1.Customers", nullptr, dmTable},
        {"DataModule1.Customers.Name", nullptr, field},
        {"FormMain.Customers", nullptr, nullptr},
        {"Nowhere.ClientDataSet", nullptr, nullptr},
        {"ClientDataSet", nullptr, nullptr},  // owned components are not global
        {"FormMain.", nullptr, nullptr},
        {".ClientDataSet", nullptr, nullptr},
        {"", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(reg.findGlobalComponent(c.name), c.global) << c.name;
        EXPECT_EQ(reg.findQualified(c.name), c.qualified) << c.name;
    }

    reg.remove(&second);
    EXPECT_EQ(reg.forms(), std::vector<Component*>{&main});
    EXPECT_EQ(reg.findGlobalComponent("Form2"), nullptr);
    reg.remove(&main);
    reg.remove(&module);
    EXPECT_TRUE(reg.forms().empty());
    EXPECT_TRUE(reg.dataModules().empty());
}

TEST(ApplicationRegistry, FormsBeforeDataModulesAndUnregisterOnFree)
{
    auto& reg = ApplicationRegistry::instance();
    Component module;
    module.setName("Shared");
    reg.addDataModule(&module);
    {
        Component form;
        form.setName("shared");
        reg.addForm(&form);
        EXPECT_EQ(reg.findGlobalComponent("SHARED"), &form) << "forms are searched first";
    }
    // A freed form cannot be found any more, even if it forgot to unregister.
    EXPECT_EQ(reg.findGlobalComponent("SHARED"), &module);
    EXPECT_TRUE(reg.forms().empty());
    reg.remove(&module);
}
