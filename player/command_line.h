#pragma once
// The options that answer instead of playing.

// Prints the usage and the options for "-h" or "--help", or the version
// for "--version", on standard output; false for any other argument,
// which is a base path.
bool print_help_or_version(const char* first_argument);
