// zvreport: the command line over the report engine; dispatches to the registered subcommands.
#include <cstdio>
#include <cstring>
#include <exception>
#include <vector>

#include "platform/base/Error.h"
#include "platform/base/Text.h"
#include "tools/zvreport/Command.h"

namespace zvtool {
namespace {
std::vector<Command>& Commands()
{
    static std::vector<Command> commands;
    return commands;
}

std::vector<DumpHandler>& DumpHandlers()
{
    static std::vector<DumpHandler> handlers;
    return handlers;
}

int Usage()
{
    std::fprintf(stderr, "usage: zvreport COMMAND [ARGS]\ncommands:\n");
    for (const Command& c : Commands()) std::fprintf(stderr, "  zvreport %s %s\n", c.name, c.usage);
    return 2;
}
}  // namespace

CommandRegistrar::CommandRegistrar(const Command& c) { Commands().push_back(c); }
DumpRegistrar::DumpRegistrar(const DumpHandler& h) { DumpHandlers().push_back(h); }

const DumpHandler* FindDumpHandler(const std::string& path)
{
    std::string lower = zv::LowerCase(path);
    for (const DumpHandler& h : DumpHandlers()) {
        size_t n = std::strlen(h.extension);
        if (lower.size() >= n && lower.compare(lower.size() - n, n, h.extension) == 0) return &h;
    }
    return nullptr;
}

namespace {
int DumpCommand(const std::vector<std::string>& args)
{
    if (args.empty()) {
        PrintError("usage: zvreport dump FILE [options]");
        return 2;
    }
    const DumpHandler* h = FindDumpHandler(args[0]);
    if (!h) {
        PrintError("zvreport: no dump for this kind of file: " + args[0]);
        return 2;
    }
    return h->run(args);
}
const CommandRegistrar dumpCommand({"dump", "FILE [--page N]  (template, metafile or prepared report)", DumpCommand});
}  // namespace

void Print(const std::string& cp1252)
{
    std::string utf8 = zv::Cp1252ToUtf8(cp1252);
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fputc('\n', stdout);
}

void PrintError(const std::string& cp1252)
{
    std::string utf8 = zv::Cp1252ToUtf8(cp1252);
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    std::fputc('\n', stderr);
}

}  // namespace zvtool

int main(int argc, char** argv)
{
    using namespace zvtool;
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0) return Usage();
    for (const Command& c : Commands()) {
        if (std::strcmp(argv[1], c.name) != 0) continue;
        std::vector<std::string> args;
        for (int i = 2; i < argc; ++i) args.push_back(zv::Utf8ToCp1252(argv[i]));
        try {
            return c.run(args);
        } catch (const zv::Exception& e) {
            PrintError(e.message());
            return 1;
        } catch (const std::exception& e) {
            PrintError(e.what());
            return 1;
        }
    }
    std::fprintf(stderr, "zvreport: unknown command '%s'\n", argv[1]);
    return Usage();
}
