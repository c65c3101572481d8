// Replays every file of a corpus folder through a fuzz target, so found inputs stay regression tests.
// A folder that is missing, unreadable or holds no input fails the run: a replay of nothing
// would pass while testing nothing.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR...\n", argv[0]);
        return 2;
    }
    size_t total = 0;
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        if (!std::filesystem::is_directory(argv[i], ec)) {
            std::fprintf(stderr, "%s: no corpus folder %s\n", argv[0], argv[i]);
            return 1;
        }
        size_t count = 0;
        std::filesystem::recursive_directory_iterator it(argv[i], ec), end;
        for (; !ec && it != end; it.increment(ec)) {
            if (!it->is_regular_file()) continue;
            std::ifstream in(it->path(), std::ios::binary);
            if (!in) {
                std::fprintf(stderr, "%s: cannot read %s\n", argv[0], it->path().c_str());
                return 1;
            }
            std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++count;
        }
        if (ec) {
            std::fprintf(stderr, "%s: cannot list %s: %s\n", argv[0], argv[i], ec.message().c_str());
            return 1;
        }
        if (count == 0) {
            std::fprintf(stderr, "%s: the corpus folder %s holds no input\n", argv[0], argv[i]);
            return 1;
        }
        total += count;
    }
    std::printf("replayed %zu inputs\n", total);
    return 0;
}
