// Whole reports over SQL datasets: the same list from the client dataset, from SQLite and from
// PostgreSQL gives the same pages; a server that stops in the middle ends the preparation with its error.
#include <gtest/gtest.h>

#include "platform/data/SqlDataSet.h"
#include "tests/support/ReportHarness.h"
#include "tests/support/SqlTestDatabases.h"

using namespace zv;
using zvtest::SqlTestDatabase;

namespace {

class SqlReportTest : public zvtest::ReportHarness {
protected:
    // A list over the data source T across pages, with a header, totals and page numbers.
    void ListReport()
    {
        TzvPage& p = Page();
        Line(p, bkPageHeader, 20, "Elenco");
        Line(p, bkMainData, 60, "[LINE#] [Nome] [V]", "T");
        Line(p, bkMainFooter, 100, "Totale [SUM(V)] [COUNT()]");
        Line(p, bkPageFooter, 1000, "Pagina [PAGE#]");
    }
    // Binds the data source T to a query of database in a table of the form.
    TSqlDataSet& Query(const std::string& database, const std::string& sql)
    {
        auto* q = new TSqlDataSet(form.get());
        q->setName("Q" + std::to_string(form->components().size()));
        q->setDatabase(database);
        q->setSql(sql);
        dynamic_cast<TzvDBDataSet&>(*form->findComponent("TSrc")).SetDataSet(q);
        return *q;
    }
};

TEST_F(SqlReportTest, SameListFromThePacketSQLiteAndPostgreSQL)
{
    std::vector<std::vector<std::string>> rows;
    for (int i = 1; i <= 130; ++i)
        rows.push_back({i % 7 ? "Niccol\xF2 " + std::to_string(i) : "", std::to_string(i * 3)});
    TClientDataSet& table = Table("T", {"Nome", "V:i"}, rows);
    ListReport();
    const std::string fromPacket = Prepare();
    ASSERT_TRUE(prepared) << ErrorLines();
    ASSERT_NE(fromPacket.find("page 3"), std::string::npos);

    for (const char* kind : {"sqlite", "postgres"}) {
        SCOPED_TRACE(kind);
        std::unique_ptr<SqlTestDatabase> db;
        ASSERT_NO_THROW(db = std::make_unique<SqlTestDatabase>(kind));
        CopyToSqlTable(table, db->database(), "Lista");
        // The empty names of the packet are NULL in the table.
        db->exec("UPDATE Lista SET Nome = NULL WHERE Nome = ''");
        TSqlDataSet& q = Query(db->database(), "SELECT Nome, V FROM Lista ORDER BY V");
        q.setWindowRows(16);
        EXPECT_EQ(Prepare(), fromPacket);
        EXPECT_TRUE(prepared) << ErrorLines();
        EXPECT_FALSE(q.active());
    }
}

TEST_F(SqlReportTest, ServerStoppedMidWalkEndsThePreparationWithItsError)
{
    std::unique_ptr<SqlTestDatabase> db;
    ASSERT_NO_THROW(db = std::make_unique<SqlTestDatabase>("postgres"));
    Table("T", {"Nome", "V:i"}, {});
    ListReport();
    TSqlDataSet& q = Query(db->database(), "SELECT 'x' || n AS Nome, n AS V FROM generate_series(1, 3000) AS n");
    q.afterScroll = [&db](TDataSet& ds) {
        if (ds.recNo() == 100) db->cluster().stop();
    };
    Prepare();
    EXPECT_FALSE(prepared);
    EXPECT_TRUE(zvState().ErrorFlag);
    // The server's own words ("server closed the connection unexpectedly", or its shutdown notice).
    EXPECT_NE(zvState().ErrorText.find("connection"), std::string::npos) << ErrorLines();
    EXPECT_NE(zvState().ErrorText.find("Banda: Dati principali"), std::string::npos) << ErrorLines();
    EXPECT_FALSE(q.active());
}

}  // namespace
