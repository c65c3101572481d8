// Fuzz target: data packets (XML and binary) into a client dataset, and what loads must round-trip.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/base/Error.h"
#include "platform/data/ClientDataSet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    zv::TClientDataSet ds;
    try {
        ds.setDataPacket(bytes);
    } catch (const zv::Exception&) {
        return 0;  // a clean refusal
    }
    // Whatever loads saves, reloads and saves again to the same bytes, in each form.
    ds.open();
    const std::string xml = ds.dataPacket(zv::DataPacketFormat::Xml);
    for (zv::DataPacketFormat f :
         {zv::DataPacketFormat::Xml, zv::DataPacketFormat::XmlUtf8, zv::DataPacketFormat::Binary}) {
        zv::TClientDataSet again;
        again.setDataPacket(ds.dataPacket(f));
        if (again.dataPacket(zv::DataPacketFormat::Xml) != xml) std::abort();
    }
    // Walk the rows and read every field the way the report does.
    size_t seen = 0;
    for (ds.first(); !ds.eof(); ds.next()) {
        for (int i = 0; i < ds.fieldCount(); ++i) {
            zv::TField* f = ds.field(i);
            seen += f->isNull() + f->blobBytes().size();
            try {
                seen += f->asString().size();
            } catch (const zv::Exception&) {}
        }
    }
    return seen == SIZE_MAX;
}
