// Lines the storm and the hostile parts may press Return on.
#pragma once
#include <string>
#include "stress.h"

bool SafeToRun(const std::string& line);
std::string RandomText(Random& random, int maxLength);
std::string RandomSafeLine(Random& random);
std::string InputText();
bool PressReturnOn(const std::string& line);
