// Stored data components: the client dataset with field objects and the data source, read and written.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "platform/base/Error.h"
#include "platform/base/FormText.h"
#include "platform/data/DBComponents.h"

namespace {

class Root : public zv::Component {
public:
    std::string className() const override { return "TRoot"; }
};

zv::ComponentClassRegistry Registry()
{
    zv::ComponentClassRegistry r;
    zv::RegisterDataComponentClasses(r);
    r.add("TRoot", [](zv::Component*) -> zv::Component* { return new Root; });
    return r;
}

// Two string fields, no rows; no file name, so nothing is written on closing.
const char* kDescription =
    "object Form: TRoot\n"
    "  object Table: TClientDataSet\n"
    "    Data = {%PACKET%}\n"
    "    Active = True\n"
    "    Left = 8\n"
    "    Top = 16\n"
    "    object TableA: TStringField\n"
    "      DisplayLabel = 'Colonna A'\n"
    "      DisplayWidth = 7\n"
    "      FieldName = 'A'\n"
    "      ProviderFlags = [pfInUpdate, pfInKey]\n"
    "      Size = 10\n"
    "    end\n"
    "    object TableB: TStringField\n"
    "      FieldName = 'B'\n"
    "      Visible = False\n"
    "      Size = 4\n"
    "    end\n"
    "  end\n"
    "  object Source: TDataSource\n"
    "    DataSet = Table\n"
    "  end\n"
    "end\n";

std::string Description()
{
    zv::TClientDataSet d;
    d.addFieldDef("A", zv::ftString, 10);
    d.addFieldDef("B", zv::ftString, 4);
    std::string bytes = d.dataPacket(zv::DataPacketFormat::Binary), hex;
    for (unsigned char c : bytes) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        hex += kHex[c >> 4];
        hex += kHex[c & 15];
    }
    std::string text = kDescription;
    text.replace(text.find("%PACKET%"), 8, hex);
    return text;
}

}  // namespace

TEST(DBComponents, FieldObjectsSetTheFieldsOfTheOpenTable)
{
    auto registry = Registry();
    std::unique_ptr<zv::Component> root(zv::FormReader(Description(), registry).read());
    auto* table = dynamic_cast<zv::TStoredClientDataSet*>(root->findComponent("Table"));
    auto* source = dynamic_cast<zv::TDataSource*>(root->findComponent("Source"));
    ASSERT_TRUE(table && source);
    EXPECT_TRUE(table->active());
    EXPECT_EQ(table->recordCount(), 0);
    EXPECT_EQ(source->dataSet(), table);
    zv::TField* a = table->fieldByName("A");
    EXPECT_EQ(a->displayLabel(), "Colonna A");
    EXPECT_EQ(a->displayWidth(), 7);
    EXPECT_EQ(a->providerFlags(), zv::pfInUpdate | zv::pfInKey);
    zv::TField* b = table->fieldByName("B");
    EXPECT_FALSE(b->visible());
    EXPECT_EQ(b->displayLabel(), "B");
    EXPECT_EQ(b->providerFlags(), zv::pfInUpdate | zv::pfInWhere);
    // Settings stay after the table is closed and opened again.
    table->close();
    table->open();
    EXPECT_EQ(table->fieldByName("A")->displayLabel(), "Colonna A");
    EXPECT_EQ(table->position.left, 8);
    EXPECT_EQ(table->position.top, 16);
}

TEST(DBComponents, DescriptionRoundTrips)
{
    auto registry = Registry();
    std::unique_ptr<zv::Component> root(zv::FormReader(Description(), registry).read());
    zv::FormWriter w1;
    w1.writeComponent(*root);
    std::unique_ptr<zv::Component> again(zv::FormReader(w1.text(), registry).read());
    zv::FormWriter w2;
    w2.writeComponent(*again);
    EXPECT_EQ(w1.text(), w2.text());
    EXPECT_NE(w1.text().find("ProviderFlags = [pfInUpdate, pfInKey]"), std::string::npos);
    EXPECT_NE(w1.text().find("DataSet = Table"), std::string::npos);
}

TEST(DBComponents, BadValuesNameTheLineAndProperty)
{
    struct Case {
        const char* from;
        const char* to;
        const char* message;
    };
    const Case cases[] = {
        {"[pfInUpdate, pfInKey]", "[pfInUpdate, pfSomething]",
         "Error reading TableA.ProviderFlags: Invalid property value"},
        {"DisplayWidth = 7", "DisplayWidth = 99999", "Error reading TableA.DisplayWidth: Invalid property value"},
        {"DisplayWidth = 7", "DisplayWidth = 'seven'", "Invalid property value"},
        {"DataSet = Table", "DataSet = 'Table'", "Error reading Source.DataSet: Invalid property value"},
        {"DataSet = Table", "DataSet = Missing", "Component Missing not found"},
        {"Visible = False", "Colour = 3", "Property Colour does not exist"},
        {"Data = {", "Data = {00", "Error reading Table.Data"},
    };
    auto registry = Registry();
    for (const Case& c : cases) {
        std::string text = Description();
        size_t at = text.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.from;
        text.replace(at, std::strlen(c.from), c.to);
        // A given root keeps whatever was made before the failure and frees it afterwards.
        Root root;
        try {
            zv::FormReader(text, registry).read(&root);
            ADD_FAILURE() << "no error for " << c.to;
        } catch (const zv::Exception& e) {
            EXPECT_NE(e.message().find(c.message), std::string::npos) << c.to << ": " << e.message();
        }
    }
}

TEST(DBComponents, FieldClassNames)
{
    EXPECT_EQ(zv::FieldClassName(zv::ftString), "TStringField");
    EXPECT_EQ(zv::FieldClassName(zv::ftInteger), "TIntegerField");
    EXPECT_EQ(zv::FieldClassName(zv::ftMemo), "TMemoField");
    EXPECT_EQ(zv::FieldClassName(zv::ftParadoxOle), "TField");
    auto registry = Registry();
    ASSERT_NE(registry.find("TDateTimeField"), nullptr);
    std::unique_ptr<zv::Component> f((*registry.find("TCurrencyField"))(nullptr));
    EXPECT_EQ(f->className(), "TCurrencyField");
}
