// Runs a fuzz target over stored inputs without libFuzzer: every file in the
// folders (or the files) named on the command line, in name order. A broken
// promise aborts as under the fuzzer; so the seed corpora and the inputs of
// past findings are replayed by every build's tests.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> Inputs(const fs::path& where)
{
    std::vector<fs::path> inputs;
    if (fs::is_regular_file(where)) {
        inputs.push_back(where);
    } else if (fs::is_directory(where)) {
        for (const fs::directory_entry& entry : fs::directory_iterator(where))
            if (entry.is_regular_file() && entry.path().filename().string().rfind("README", 0) != 0)
                inputs.push_back(entry.path());
    }
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

}  // namespace

int main(int argc, char** argv)
{
    size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        if (!fs::exists(argv[i])) {
            std::fprintf(stderr, "replay: %s does not exist\n", argv[i]);
            return 2;
        }
        for (const fs::path& input : Inputs(argv[i])) {
            std::ifstream in(input, std::ios::binary);
            const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (!in.eof() && in.fail()) {
                std::fprintf(stderr, "replay: cannot read %s\n", input.c_str());
                return 2;
            }
            std::fprintf(stderr, "replay: %s\n", input.c_str());
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ++replayed;
        }
    }
    std::printf("replayed %zu inputs\n", replayed);
    return replayed > 0 ? 0 : 1;
}
