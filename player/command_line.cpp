#include "command_line.h"

#include <iostream>
#include <string_view>

bool print_help_or_version(const char* first_argument)
{
    const std::string_view argument = first_argument;
    if (argument == "--version") {
        std::cout << "vellicor " VELLICOR_VERSION << std::endl;
        return true;
    }
    if (argument != "-h" && argument != "--help")
        return false;
    std::cout << "usage: vellicor [base [freeglut-option ...]]\n"
                 "  base             the bank's base path: base.0.pcm to base.127.pcm (default pcm/test)\n"
                 "  freeglut-option  an option for freeglut after the base path, e.g. -display name\n"
                 "  -h, --help       print this help and exit (as the first argument)\n"
                 "  --version        print the version and exit (as the first argument)"
              << std::endl;
    return true;
}
