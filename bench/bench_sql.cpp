// Walking the demo-like list (four text fields a row) from the client dataset, from an SQLite
// file and from a throwaway PostgreSQL cluster: rows per second of wall time (the server works
// apart from this process), every field read once a row, each walk opening and closing the dataset.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/data/ClientDataSet.h"
#include "platform/data/SqlDataSet.h"
#include "tests/support/SqlTestDatabases.h"

namespace {

constexpr int kRows = 100000;
constexpr const char* kQuery = "SELECT Cognome, Nome, CS, BarCode FROM Clienti";

// The generated rows in a client dataset, and copied into an SQLite file and a PostgreSQL table.
struct Sources {
    Sources()
    {
        table.addFieldDef("Cognome", zv::ftString, 50);
        table.addFieldDef("Nome", zv::ftString, 50);
        table.addFieldDef("CS", zv::ftString, 16);
        table.addFieldDef("BarCode", zv::ftString, 12);
        table.createDataSet();
        for (int i = 0; i < kRows; ++i) {
            const std::string n = std::to_string(100000000 + i);
            table.append();
            table.fieldByName("Cognome")->setAsString("Cognome" + n);
            table.fieldByName("Nome")->setAsString("Nome" + n);
            table.fieldByName("CS")->setAsString("RSSMRA72C" + n.substr(2));
            table.fieldByName("BarCode")->setAsString("800" + n);
            table.post();
        }
        zv::CopyToSqlTable(table, sqlite.database(), "Clienti");
        zv::CopyToSqlTable(table, postgres.database(), "Clienti");
    }
    zv::TClientDataSet table;
    zvtest::SqlTestDatabase sqlite{"sqlite"};
    zvtest::SqlTestDatabase postgres{"postgres"};
};

Sources& Data()
{
    static Sources s;
    return s;
}

// Opens, walks every row reading each field, closes.
void Walk(benchmark::State& state, zv::TDataSet& ds)
{
    size_t bytes = 0;
    for (auto _ : state) {
        ds.open();
        for (ds.first(); !ds.eof(); ds.next())
            for (int i = 0; i < ds.fieldCount(); ++i) bytes += ds.field(i)->asString().size();
        ds.close();
    }
    benchmark::DoNotOptimize(bytes);
    state.SetItemsProcessed(state.iterations() * kRows);
}

void WalkClientDataSet(benchmark::State& state)
{
    zv::TClientDataSet copy;
    copy.setDataPacket(Data().table.dataPacket());
    Walk(state, copy);
}

void WalkSql(benchmark::State& state, const std::string& database)
{
    zv::TSqlDataSet ds;
    ds.setDatabase(database);
    ds.setSql(kQuery);
    Walk(state, ds);
}

void WalkSQLite(benchmark::State& state) { WalkSql(state, Data().sqlite.database()); }
void WalkPostgreSQL(benchmark::State& state) { WalkSql(state, Data().postgres.database()); }

BENCHMARK(WalkClientDataSet)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(WalkSQLite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(WalkPostgreSQL)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
