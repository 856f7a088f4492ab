// Runs a fuzz target without libFuzzer: every file named on the command line,
// then a fixed series of generated inputs (random bytes of random lengths,
// with a fixed seed so every run is the same).
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 2;
        }
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::mt19937 random(20261206u);
    const int runs = 3000;
    for (int run = 0; run < runs; ++run) {
        std::vector<std::uint8_t> bytes(random() % 512);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::printf("%d generated inputs and %d files ran\n", runs, argc - 1);
    return 0;
}
