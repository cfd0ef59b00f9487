#include "format.h"
#include <stdarg.h>
#include <stdio.h>

std::string Format(const char* format, ...)
{
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}
