// printf into a std::string, for the figures of the stress program and the benchmark.
#pragma once
#include <string>

std::string Format(const char* format, ...);
