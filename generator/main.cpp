// plessard: renders a bank of 128 tone slots into raw 16-bit PCM sample
// files under pcm/, from an equal-tempered default set of sine tones or
// from .tgw tone description files.
#include "crt.h"
#include "os_files.h"
#include "paths.h"
#include "sample_file_layout.h"
#include "tone_bank.h"
#include "tone_file.h"

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>

namespace {

constexpr double sample_rate = 44100.0;
constexpr const char* output_directory = "pcm";
constexpr const char* default_base_path = "pcm/test";

struct run_settings {
    double base_frequency = 440.0;
    std::uint8_t divisions = 12;
};

void print_usage(std::ostream& out, const char* invocation_path)
{
    out << "usage: " << program_name(invocation_path) << " [-basefq freq] -onchi / <.tgw>"
        << std::endl;
}

void print_help(const char* invocation_path)
{
    print_usage(std::cout, invocation_path);
    std::cout << "  -basefq freq  base frequency of slot 0 in Hz (default 440)\n"
                 "  -16           16 divisions per octave instead of 12\n"
                 "  -onchi        write the default bank at once, one octave per slot\n"
                 "  -h            print the usage line on standard error\n"
                 "  --help        print this help\n"
                 "  --version     print the version"
              << std::endl;
}

int write_default_bank(tone_bank& bank, std::uint8_t divisions, double base_frequency)
{
    if (!fill_default_bank(bank, divisions, sample_rate, base_frequency)) {
        return EXIT_FAILURE;
    }
    _mkdir(output_directory);
    return bank.write_sample_files(default_base_path) ? EXIT_SUCCESS : EXIT_FAILURE;
}

bool is_option(const char* argument, const char* option)
{
    return _stricmp(argument, option) == 0;
}

// Builds and writes the bank of one input file. Returns false when the run
// must end: the file cannot be read, its name is too long, or its sample
// files could not all be written. Non-.tgw arguments are reported and skipped.
bool write_tone_file_bank(tone_bank& bank, const char* argument, const run_settings& settings)
{
    const path_parts parts = split_path(argument);
    if (_stricmp(parts.extension.c_str(), ".tgw") != 0) {
        std::cerr << argument << ": unrecognized file name." << std::endl;
        return true;
    }
    const std::string base_path = std::string(output_directory) + "/" + parts.name;
    if (base_path.size() > max_base_path_length) {
        std::cerr << argument << ": file name too long." << std::endl;
        return false;
    }
    if (!read_tone_file(bank, argument, settings.divisions, sample_rate, settings.base_frequency)) {
        return false;
    }
    _mkdir(output_directory);
    return bank.write_sample_files(base_path);
}

int run(tone_bank& bank, int argc, char** argv)
{
    if (argc > 1 && is_option(argv[1], "-h")) {
        print_usage(std::cerr, argv[0]);
        return EXIT_SUCCESS;
    }
    if (argc > 1 && is_option(argv[1], "--help")) {
        print_help(argv[0]);
        return EXIT_SUCCESS;
    }
    if (argc > 1 && is_option(argv[1], "--version")) {
        std::cout << "plessard " PLESSARD_VERSION << std::endl;
        return EXIT_SUCCESS;
    }
    run_settings settings;
    int next = 1;
    while (next < argc) {
        if (is_option(argv[next], "-basefq")) {
            if (next + 1 >= argc) {
                return EXIT_FAILURE;
            }
            settings.base_frequency = std::strtod(argv[next + 1], nullptr);
            next += 2;
        } else if (is_option(argv[next], "-onchi")) {
            return write_default_bank(bank, 1, settings.base_frequency);
        } else if (is_option(argv[next], "-16")) {
            settings.divisions = 16;
            ++next;
        } else {
            break;
        }
    }
    // No arguments, or options only: the default bank.
    if (next >= argc) {
        return write_default_bank(bank, settings.divisions, settings.base_frequency);
    }
    for (; next < argc; ++next) {
        if (!write_tone_file_bank(bank, argv[next], settings)) {
            return EXIT_FAILURE;
        }
    }
    return EXIT_SUCCESS;
}

} // namespace

int main(int argc, char** argv)
{
    prepare_process();
    tone_bank bank;
    return run(bank, argc, argv);
}
