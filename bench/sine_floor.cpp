// The compute floor of the default bank: the same 128 x 220500 sine samples,
// with the same expression, in a tight loop, each file gathered in memory
// and written with one write call.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::string base = argc > 1 ? argv[1] : "floor";
    constexpr double pi = 3.141592653589793;
    constexpr double rate = 44100.0;
    constexpr std::uint64_t samples = 220500;
    std::vector<std::int16_t> file(samples);
    for (unsigned slot = 0; slot < 128; ++slot) {
        const double frequency = std::pow(2.0, slot / 12.0) * 440.0;
        for (std::uint64_t n = 0; n < samples; ++n) {
            const double tau = static_cast<double>(n) / rate;
            file[n] = static_cast<std::int16_t>(
                static_cast<std::int32_t>(std::sin(((tau * frequency) * 2) * pi) * 16384));
        }
        const std::string name = base + "." + std::to_string(slot) + ".pcm";
        std::FILE* out = std::fopen(name.c_str(), "wb");
        if (out == nullptr || std::fwrite(file.data(), 2, samples, out) != samples) {
            std::fprintf(stderr, "%s: can't write file.\n", name.c_str());
            return 1;
        }
        std::fclose(out);
    }
    return 0;
}
