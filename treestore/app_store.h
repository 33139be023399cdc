#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "treestore/conf_schema.h"
#include "treestore/schedule_schema.h"

// How the application loads its two stores at start-up and writes them back.

inline constexpr char kConfFileName[] = "TIKo.conf";
inline constexpr char kScheduleFileName[] = "TIKo.sche";
// What the caller shows when a save reports failure (UTF-8).
inline constexpr char kConfSaveFailedText[] = " 셋업 정보가 저장되지 못햇습니다.";
inline constexpr char kScheduleSaveFailedText[] = " 일정 정보가 저장되지 못햇습니다.";
// A damaged store kept beside itself is named so, followed by the local time of the load.
inline constexpr char kDamagedSuffix[] = ".damaged-";

// What a load found, for the caller to tell the user once.
struct StoreLoadReport {
    bool readWhole = true;            // false: damaged, cut off, or not readable at all
    int kept = 0;                     // settings nodes or schedule items read from the file
    int skipped = 0;                  // damaged stretches or records passed over
    std::string problem;              // why the file could not be read (errno text or kind)
    std::filesystem::path keptAside;  // the damaged file's copy, when one was made
    std::string message;              // what the user is told (UTF-8); empty when all is well
};

// Loads "TIKo.conf" from `dir`. A missing or empty file gives the default tree. A damaged file
// gives every setting that could be read, the rest at their defaults; a file that is not a
// regular file, cannot be read or is larger than platform::kMaxReadSize gives the defaults.
// Either way the damaged file is first copied beside the store ("TIKo.conf.damaged-YYYYMMDD-
// HHMMSS"); when that copy cannot be made, saves of this root refuse to replace the file.
// Missing settings children 1-8 are added with their defaults; a root of another class hands
// its children to a new configuration root. Never null. Temporaries that an interrupted save
// left beside the file are removed. Never blocks on the file (a FIFO is refused).
// `keepAside` false is for a reader that never saves (the command line): nothing is copied, the
// root refuses to be saved when the file was not read whole, and the message says so.
std::unique_ptr<Class_TIKOCONF_TOP> LoadConfiguration(const std::filesystem::path& dir,
                                                      StoreLoadReport* report = nullptr,
                                                      bool keepAside = true);
// Loads "TIKo.sche" from `dir` the same way; the default is an empty book.
std::unique_ptr<Class_TIKOSCHEDULE_TOP> LoadScheduleBook(const std::filesystem::path& dir,
                                                         StoreLoadReport* report = nullptr,
                                                         bool keepAside = true);

// Replace the file in `dir` atomically (a symbolic link is written through); false when it
// could not be written (the old file then stays as it was), with `reason` (UTF-8, the system's
// errno text) set. The book is written under its list lock.
bool SaveConfiguration(const Class_TIKOCONF_TOP& root, const std::filesystem::path& dir,
                       std::string* reason = nullptr);
bool SaveScheduleBook(const Class_TIKOSCHEDULE_TOP& root, const std::filesystem::path& dir,
                      std::string* reason = nullptr);
