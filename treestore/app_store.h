#pragma once

#include <filesystem>
#include <memory>

#include "treestore/conf_schema.h"
#include "treestore/schedule_schema.h"

// How the application loads its two stores at start-up and writes them back.

inline constexpr char kConfFileName[] = "TIKo.conf";
inline constexpr char kScheduleFileName[] = "TIKo.sche";
// What the caller shows when a save reports failure (UTF-8).
inline constexpr char kConfSaveFailedText[] = " 셋업 정보가 저장되지 못햇습니다.";
inline constexpr char kScheduleSaveFailedText[] = " 일정 정보가 저장되지 못햇습니다.";

// Loads "TIKo.conf" from `dir`. A missing, unwritable or empty file, or one
// whose records cannot be placed, gives the default tree. Missing settings
// children 1-8 are added with their defaults; a root of another class hands
// its children to a new configuration root. Never null. Temporaries that an
// interrupted save left beside the file are removed.
std::unique_ptr<Class_TIKOCONF_TOP> LoadConfiguration(const std::filesystem::path& dir);
// Loads "TIKo.sche" from `dir` the same way; the default is an empty book.
std::unique_ptr<Class_TIKOSCHEDULE_TOP> LoadScheduleBook(const std::filesystem::path& dir);

// Replace the file in `dir` atomically; false when it could not be written (the
// old file then stays as it was). The book is written under its list lock.
bool SaveConfiguration(const Class_TIKOCONF_TOP& root, const std::filesystem::path& dir);
bool SaveScheduleBook(const Class_TIKOSCHEDULE_TOP& root, const std::filesystem::path& dir);
