// Subcommands of the zvreport tool: each file registers its commands with a CommandRegistrar.
#pragma once

#include <string>
#include <vector>

namespace zvtool {

// Arguments arrive as Windows-1252 (converted from the UTF-8 command line); output goes through
// Print/PrintError, which convert Windows-1252 to UTF-8. A command returns the exit code.
struct Command {
    const char* name;
    const char* usage;  // one line, without the program name
    int (*run)(const std::vector<std::string>& args);
};

struct CommandRegistrar {
    explicit CommandRegistrar(const Command& c);
};

// "zvreport dump FILE" dispatches on the file's extension (".zvf", ".emf", ".zvp", ...).
struct DumpHandler {
    const char* extension;  // lower case, with the dot
    int (*run)(const std::vector<std::string>& args);
};
struct DumpRegistrar {
    explicit DumpRegistrar(const DumpHandler& h);
};
const DumpHandler* FindDumpHandler(const std::string& path);

void Print(const std::string& cp1252);       // adds a newline
void PrintError(const std::string& cp1252);  // to stderr, adds a newline

}  // namespace zvtool
