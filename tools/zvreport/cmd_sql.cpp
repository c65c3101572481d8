// `zvreport sql-table`: the rows of a data packet copied into a table of an SQLite file or a PostgreSQL server.
#include <string>
#include <vector>

#include "platform/data/ClientDataSet.h"
#include "platform/data/SqlDataSet.h"
#include "tools/zvreport/Command.h"

namespace {

int SqlTable(const std::vector<std::string>& args)
{
    if (args.size() != 3) {
        zvtool::PrintError("usage: zvreport sql-table PACKET.xml DATABASE TABLE");
        return 2;
    }
    zv::TClientDataSet packet;
    packet.loadFromFile(args[0]);
    zv::CopyToSqlTable(packet, args[1], args[2]);
    zvtool::Print("rows=" + std::to_string(packet.recordCount()));
    return 0;
}

const zvtool::CommandRegistrar sqlTableCommand(
    {"sql-table", "PACKET.xml DATABASE TABLE  (the packet's rows as a new table of an SQLite file or a PostgreSQL URI)",
     SqlTable});

}  // namespace
