#pragma once
// The one entry of LumClient's desktop library (libLumClientDesktop.so), which the program loads
// only when no command-line verb is given, so that the command line never loads Qt.

// The name the program looks the entry up by.
inline constexpr const char* kDesktopEntryName = "Tiko3RunDesktop";
// The library's file name, beside the program in a build tree, in the private library directory
// once installed.
inline constexpr const char* kDesktopLibraryName = "libLumClientDesktop.so";

// Runs the desktop program with the program's arguments and its own path; the exit status. Only C
// types cross, and no exception: the program has its own copy of the C++ runtime, the library
// the shared one.
extern "C" __attribute__((visibility("default"))) int Tiko3RunDesktop(int argc, char** argv,
                                                                      const char* self) noexcept;
using DesktopEntry = int (*)(int argc, char** argv, const char* self) noexcept;
