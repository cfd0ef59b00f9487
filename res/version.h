// The one place the version is written: the module's and the host program's version resources,
// the about text, the build and the release archive's name all take it from here.
#pragma once
#define ORVEL_VERSION_MAJOR 1
#define ORVEL_VERSION_MINOR 8
#define ORVEL_VERSION_PATCH 2
#define ORVEL_VERSION_TEXT "1.8.2"
#define ORVEL_VERSION_COMMAS ORVEL_VERSION_MAJOR, ORVEL_VERSION_MINOR, ORVEL_VERSION_PATCH, 0

// The maker and where the releases are published: the installer's entry among the installed
// apps and the package managers' manifests take them from here. A release's files lie under
// ORVEL_DOWNLOADS in a folder named by the version.
#define ORVEL_PUBLISHER "Brandelmor"
#define ORVEL_HOMEPAGE "https://www.brandelmor.example/orvel/"
#define ORVEL_DOWNLOADS "https://www.brandelmor.example/orvel/download/"
