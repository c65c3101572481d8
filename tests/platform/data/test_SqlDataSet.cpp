// The SQL dataset over a real SQLite file and a real PostgreSQL server: column types, NULLs, the
// walk with its window of rows, bound parameters, errors, and a server that stops mid-walk.
#include <gtest/gtest.h>

#include "platform/base/Error.h"
#include "platform/base/FormText.h"
#include "platform/base/Format.h"
#include "platform/data/DBComponents.h"
#include "platform/data/SqlDataSet.h"
#include "tests/support/SqlTestDatabases.h"

using namespace zv;
using zvtest::SqlTestDatabase;

namespace {

class SqlDataSetTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { ASSERT_NO_THROW(db = std::make_unique<SqlTestDatabase>(GetParam())); }
    void Open(const std::string& sql, std::vector<Variant> params = {}, int window = 256)
    {
        ds.setDatabase(db->database());
        ds.setSql(sql);
        ds.setParams(std::move(params));
        ds.setWindowRows(window);
        ds.open();
    }
    // Rows 1..n of a table nums(n).
    void Numbers(int n)
    {
        db->exec("CREATE TABLE nums (n INTEGER)");
        std::string values;
        for (int i = 1; i <= n; ++i) values += (i > 1 ? ",(" : "(") + std::to_string(i) + ")";
        db->exec("INSERT INTO nums VALUES " + values);
    }
    int N() const { return ds.fieldByName("n")->asInteger(); }

    std::unique_ptr<SqlTestDatabase> db;
    TSqlDataSet ds;
};

INSTANTIATE_TEST_SUITE_P(Databases, SqlDataSetTest, ::testing::Values("sqlite", "postgres"),
                         [](const auto& info) { return std::string(info.param); });

struct TypeCase {
    const char* sqlite;   // declared type in SQLite
    const char* pg;       // and in PostgreSQL
    const char* value;    // literal of the first row (the second row is all NULL)
    const char* pgValue;  // when PostgreSQL needs another literal
    TFieldType type;
    int size;
    FieldData expected;
};

FieldData I(int64_t v) { return {false, v, 0, {}}; }
FieldData D(double v) { return {false, 0, v, {}}; }
FieldData S(std::string v) { return {false, 0, 0, std::move(v)}; }

const TypeCase kTypes[] = {
    {"INTEGER", "integer", "42", nullptr, ftInteger, 0, I(42)},
    {"BIGINT", "bigint", "5000000000", nullptr, ftLargeint, 0, I(5000000000)},
    {"SMALLINT", "smallint", "-7", nullptr, ftSmallint, 0, I(-7)},
    {"DOUBLE PRECISION", "double precision", "2.5", nullptr, ftFloat, 0, D(2.5)},
    {"NUMERIC(10,2)", "numeric(10,2)", "12.34", nullptr, ftBCD, 2, I(123400)},
    {"MONEY", "money", "'1234.50'", nullptr, ftCurrency, 0, D(1234.5)},
    {"VARCHAR(20)", "varchar(20)", "'Niccol\xF2'", nullptr, ftString, 20, S("Niccol\xF2")},
    {"TEXT", "text", "'abc'", nullptr, ftString, 255, S("abc")},
    {"BOOLEAN", "boolean", "TRUE", nullptr, ftBoolean, 0, I(1)},
    {"DATE", "date", "'2024-02-29'", nullptr, ftDate, 0, D(EncodeDate(2024, 2, 29))},
    {"TIME", "time", "'13:30:15'", nullptr, ftTime, 0, D(EncodeTime(13, 30, 15, 0))},
    {"TIMESTAMP", "timestamp", "'1899-12-29 06:00:00.250'", nullptr, ftDateTime, 0, D(-1.25 - 0.25 / 86400)},
    {"BLOB", "bytea", "X'00FF41'", "'\\x00ff41'", ftBlob, 0,
     S(std::string("\0\xFF"
                   "A",
                   3))},
};

TEST_P(SqlDataSetTest, ColumnTypesBecomeFieldTypesAndNullStaysNull)
{
    const bool pg = db->postgres();
    std::string columns = "k INTEGER", values = "1", nulls = "2";
    for (size_t i = 0; i < std::size(kTypes); ++i) {
        const TypeCase& c = kTypes[i];
        columns += ", c" + std::to_string(i) + " " + (pg ? c.pg : c.sqlite);
        values += std::string(", ") + (pg && c.pgValue ? c.pgValue : c.value);
        nulls += ", NULL";
    }
    db->exec("CREATE TABLE t (" + columns + ")");
    db->exec("INSERT INTO t VALUES (" + values + "), (" + nulls + ")");
    Open("SELECT * FROM t ORDER BY k");
    ASSERT_EQ(ds.recordCount(), 2);
    for (size_t i = 0; i < std::size(kTypes); ++i) {
        const TypeCase& c = kTypes[i];
        const TField* f = ds.field(static_cast<int>(i) + 1);
        SCOPED_TRACE(c.sqlite);
        EXPECT_EQ(f->fieldName(), "c" + std::to_string(i));
        EXPECT_EQ(f->dataType(), c.type);
        EXPECT_EQ(f->size(), c.size);
        const FieldData& v = f->data();
        EXPECT_FALSE(v.null);
        EXPECT_EQ(v.i, c.expected.i);
        EXPECT_DOUBLE_EQ(v.d, c.expected.d);
        EXPECT_EQ(v.s, c.expected.s);
    }
    ds.next();
    for (int i = 0; i < ds.fieldCount(); ++i) EXPECT_EQ(ds.field(i)->isNull(), i > 0) << ds.field(i)->fieldName();
}

TEST_P(SqlDataSetTest, WalkKeepsAWindowAndRunsTheQueryAgainToGoBack)
{
    Numbers(10);
    const std::string param = db->postgres() ? "$1" : "?";
    Open("SELECT n FROM nums WHERE n <= " + param + " ORDER BY n", {Variant(int32_t{8})}, 3);
    EXPECT_EQ(ds.recordCount(), 8);
    EXPECT_TRUE(ds.bof());
    EXPECT_EQ(N(), 1);
    for (int i = 2; i <= 8; ++i) {
        ds.next();
        EXPECT_EQ(N(), i);
    }
    ds.next();
    EXPECT_TRUE(ds.eof());
    EXPECT_EQ(N(), 8);
    ds.prior();  // the footer's look-ahead step back stays inside the window
    EXPECT_EQ(N(), 7);
    EXPECT_EQ(ds.runs(), 1);
    ds.first();
    EXPECT_EQ(N(), 1);
    EXPECT_EQ(ds.runs(), 2);
    ds.setRecNo(6);
    EXPECT_EQ(N(), 6);
    ds.setFilter("n > 6");
    ds.setFiltered(true);
    EXPECT_EQ(ds.recordCount(), 2);
    EXPECT_EQ(N(), 7);
    EXPECT_THROW(ds.edit(), Exception);
    ds.close();
    ds.setFiltered(false);
    // A parameter is bound, never part of the query text.
    const std::string text = "l'a; -- \xE8";
    Open("SELECT CAST(" + param + " AS TEXT) AS s FROM nums WHERE n = 1", {Variant(text)});
    EXPECT_EQ(ds.fieldByName("s")->asString(), text);
}

struct ErrorCase {
    const char* name;
    const char* database;  // "" for the test's own
    const char* sql;
    const char* message;  // part of the error text
};

TEST_P(SqlDataSetTest, ErrorsCarryTheDatabasesMessage)
{
    const bool pg = db->postgres();
    if (!pg) {
        db->exec("CREATE TABLE bad (n INTEGER)");
        db->exec("INSERT INTO bad VALUES ('abc')");
    }
    const ErrorCase cases[] = {
        {"missing file", "/nonexistent/folder/none.db", "SELECT 1", "unable to open database file"},
        {"refused connection", "postgresql:///postgres?host=/nonexistent&user=postgres", "SELECT 1",
         "Cannot connect to the database"},
        {"bad query", "", "SELECT * FROM nothere",
         pg ? "relation \"nothere\" does not exist" : "no such table: nothere"},
        {"wrong parameter count", "", pg ? "SELECT $1::int AS n" : "SELECT ? AS n",
         pg ? "bind message supplies 0 parameters" : "has 1 parameters, 0 given"},
        {"value not of its column's type", "", pg ? "SELECT 1/0" : "SELECT n FROM bad",
         pg ? "division by zero" : "Invalid value 'abc' for field 'n'"},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.name);
        ds.setDatabase(*c.database ? c.database : db->database());
        ds.setSql(c.sql);
        try {
            ds.open();
            ds.first();
            ADD_FAILURE() << "no error";
        } catch (const Exception& e) {
            EXPECT_NE(e.message().find(c.message), std::string::npos) << e.message();
        }
        ds.close();
    }
}

TEST(SqlDataSetServer, StoppedMidWalkThrowsAndCloses)
{
    std::unique_ptr<SqlTestDatabase> db;
    ASSERT_NO_THROW(db = std::make_unique<SqlTestDatabase>("postgres"));
    TSqlDataSet ds;
    ds.setDatabase(db->database());
    ds.setSql("SELECT n FROM generate_series(1, 5000) AS n");
    ds.open();
    for (int i = 0; i < 10; ++i) ds.next();
    db->cluster().stop();
    std::string message;
    try {
        while (!ds.eof()) ds.next();
    } catch (const Exception& e) {
        message = e.message();
    }
    EXPECT_FALSE(message.empty());
    EXPECT_FALSE(ds.eof());
    ds.close();
    EXPECT_THROW(ds.open(), Exception);
}

TEST(SqlDataSetDescription, ReadOpensAndWritesBack)
{
    SqlTestDatabase db("sqlite");
    db.exec("CREATE TABLE t (n INTEGER)");
    db.exec("INSERT INTO t VALUES (5)");
    ComponentClassRegistry registry;
    RegisterDataComponentClasses(registry);
    struct Root : Component {
        std::string className() const override { return "TRoot"; }
    };
    registry.add("TRoot", [](Component*) -> Component* { return new Root; });
    const std::string text =
        "object Form: TRoot\n  object Q: TSqlDataSet\n    Database = '" + db.database() +
        "'\n    SQL.Strings = (\n      'SELECT n'\n      'FROM t')\n    Active = True\n  end\nend\n";
    std::unique_ptr<Component> root(FormReader(text, registry).read());
    auto* q = dynamic_cast<TSqlDataSet*>(root->findComponent("Q"));
    ASSERT_NE(q, nullptr);
    EXPECT_TRUE(q->active());
    EXPECT_EQ(q->sql(), "SELECT n\r\nFROM t");
    EXPECT_EQ(q->fieldByName("n")->asInteger(), 5);
    FormWriter w;
    w.writeComponent(*root);
    std::unique_ptr<Component> again(FormReader(w.text(), registry).read());
    auto* q2 = dynamic_cast<TSqlDataSet*>(again->findComponent("Q"));
    ASSERT_NE(q2, nullptr);
    EXPECT_EQ(q2->sql(), q->sql());
    EXPECT_EQ(q2->database(), db.database());
    EXPECT_TRUE(q2->active());
}

}  // namespace
