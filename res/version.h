// The one place the version is written: the module's and the host program's version resources,
// the about text, the build and the release archive's name all take it from here.
#pragma once
#define ORVEL_VERSION_MAJOR 1
#define ORVEL_VERSION_MINOR 8
#define ORVEL_VERSION_PATCH 2
#define ORVEL_VERSION_TEXT "1.8.2"
#define ORVEL_VERSION_COMMAS ORVEL_VERSION_MAJOR, ORVEL_VERSION_MINOR, ORVEL_VERSION_PATCH, 0
