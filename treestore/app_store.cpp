#include "treestore/app_store.h"

#include <time.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "platform/atomic_file.h"
#include "platform/regular_file.h"

namespace {

struct StoreKind {
    const char* fileName;
    const char* what;  // the store, named for the user
};

constexpr StoreKind kConfKind{kConfFileName, "설정 파일"};
constexpr StoreKind kBookKind{kScheduleFileName, "일정 파일"};

std::string Named(const StoreKind& kind) {
    return std::string(kind.what) + "(" + kind.fileName + ")";
}

// "TIKo.sche.damaged-20261209-180000" beside the store, local time; a later copy in the same
// second gets "-2", "-3", ... so none replaces another.
std::filesystem::path FreeDamagedName(const std::filesystem::path& path) {
    const time_t now = ::time(nullptr);
    struct tm local {};
    ::localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string base = path.string() + kDamagedSuffix + stamp;
    std::error_code error;
    std::filesystem::path name = base;
    for (int n = 2;
         std::filesystem::symlink_status(name, error).type() != std::filesystem::file_type::not_found; ++n)
        name = base + "-" + std::to_string(n);
    return name;
}

// Keeps the file at `path` as it is now beside itself: the bytes read when there are any, else
// a second link to the file (the next save replaces the store's name, not its content).
bool KeepAside(const std::filesystem::path& path, const std::optional<std::string>& content,
               std::filesystem::path& kept, std::string& reason) {
    kept = FreeDamagedName(path);
    const bool ok = content ? platform::WriteFileAtomically(kept, *content) : platform::LinkFile(path, kept);
    if (!ok) {
        reason = std::strerror(errno);
        kept.clear();
    }
    return ok;
}

std::string Quote(const std::filesystem::path& path) {
    return "\"" + path.string() + "\"";
}

// Reads one store: the tree read from it (null for none) and, for a file that was there but
// not read whole, the report's problem, copy and message.
template <class Mgr>
std::unique_ptr<CLumTreeNode> ReadStore(const std::filesystem::path& dir, const StoreKind& kind,
                                        bool keepAside, StoreLoadReport& report, std::string& unsafe) {
    const std::filesystem::path path = dir / kind.fileName;
    // Saves of an earlier run that was killed before its rename; only this program writes here.
    platform::RemoveStaleTemporaries(path);
    bool missing = false;
    std::string problem;
    const std::optional<std::string> text =
        platform::ReadRegularFile(path, &problem, platform::kMaxReadSize, &missing);
    if (missing)
        return nullptr;
    std::unique_ptr<CLumTreeNode> root;
    TreeParseReport parsed;
    if (text) {
        root = Mgr().ParseTree(*text, &parsed);
        if (parsed.whole)
            return root;
        report.skipped = parsed.skipped;
        problem = "damaged records were passed over";
    }
    report.readWhole = false;
    report.problem = problem;

    // Nothing may be saved over the file until it is kept; a special file is never replaced.
    std::error_code error;
    const bool regular = std::filesystem::is_regular_file(path, error);
    if (!keepAside) {
        unsafe = path.string() + " was not read whole (" + problem + ")";
        report.message = Named(kind) + "을 다 읽지 못했습니다(" + problem + "). 읽은 만큼만 씁니다.";
        return root;
    }
    std::string why;
    if (regular && KeepAside(path, text, report.keptAside, why)) {
        // What a damaged file kept, the caller says; a file not read at all is said here.
        if (!text)
            report.message = Named(kind) + "을 읽을 수 없어 기본값으로 시작합니다(" + problem +
                             "). 원래 파일은 " + Quote(report.keptAside) + "에 보관했습니다.";
        return root;
    }
    if (!regular) {
        unsafe = path.string() + " " + problem;
        report.message = Named(kind) + "을 읽을 수 없어 기본값으로 시작합니다(" + problem +
                         "). 이 파일에는 저장하지 않습니다.";
        return root;
    }
    unsafe = "the damaged " + path.string() + " could not be kept aside: " + why;
    report.message =
        Named(kind) + "이 손상되었으나 따로 보관하지 못했습니다(" + why + "). 이 파일에는 저장하지 않습니다.";
    return root;
}

// The loaded root as the schema's root class; a root of another class (a
// first record of an unknown type id) hands its children to a fresh one.
template <class Top>
std::unique_ptr<Top> AsTop(std::unique_ptr<CLumTreeNode> root, std::unique_ptr<Top> fresh) {
    if (auto* top = dynamic_cast<Top*>(root.get())) {
        root.release();
        return std::unique_ptr<Top>(top);
    }
    CLumTreeNode* children = root->GetFirstChild();
    root->SetFirstChild(nullptr);
    if (children != nullptr) {
        fresh->SetFirstChild(children);
        for (CLumTreeNode* child = children; child != nullptr; child = child->GetNext())
            child->SetParent(fresh.get());
    }
    return fresh;
}

bool WriteStore(const CLumStoreRoot& root, const std::filesystem::path& path, std::string* reason) {
    if (const std::string unsafe = root.UnsafeToSave(); !unsafe.empty()) {
        if (reason != nullptr)
            *reason = "not replaced: " + unsafe;
        return false;
    }
    std::lock_guard lock(root.ListMutex());
    // A killed save's leftover goes before the next, so a run of killed saves never piles them
    // up; only this program writes here.
    platform::RemoveStaleTemporaries(path);
    const bool ok =
        platform::WriteFileAtomically(path, [&root](std::FILE* file) { return root.WriteToFile(file, 0); });
    if (!ok && reason != nullptr)
        *reason = path.string() + ": " + std::strerror(errno);
    return ok;
}

}  // namespace

std::unique_ptr<Class_TIKOCONF_TOP> LoadConfiguration(const std::filesystem::path& dir,
                                                      StoreLoadReport* report, bool keepAside) {
    StoreLoadReport seen;
    std::string unsafe;
    CTIKOConfList_Mgr mgr;
    std::unique_ptr<CLumTreeNode> loaded =
        ReadStore<CTIKOConfList_Mgr>(dir, kConfKind, keepAside, seen, unsafe);
    std::unique_ptr<Class_TIKOCONF_TOP> root =
        loaded ? AsTop(std::move(loaded), std::make_unique<Class_TIKOCONF_TOP>()) : mgr.BuildDefaultTree();
    if (!seen.readWhole) {
        seen.kept = root->GetChildCount();
        if (!seen.keptAside.empty())
            seen.message =
                Named(kConfKind) +
                "이 손상되어 읽을 수 있는 설정만 불러오고 나머지는 기본값으로 두었습니다. 손상된 파일은 " +
                Quote(seen.keptAside) + "에 보관했습니다.";
    }
    // Every part of the program finds its settings node by type id; a file
    // that lacks one gets it with its defaults.
    for (int type : {kConfSyncInfo, kConfEnv, kConfAlarm, kConfComm, kConfWorldClockTable, kConfMainDlg,
                     kConfAlarmDlg, kConfWorldClocks}) {
        if (root->FindChild(type) == nullptr)
            root->AppendChild(mgr.CreateNode(type));
    }
    root->SetUnsafeToSave(unsafe);
    root->Trace(0);
    if (report != nullptr)
        *report = std::move(seen);
    return root;
}

std::unique_ptr<Class_TIKOSCHEDULE_TOP> LoadScheduleBook(const std::filesystem::path& dir,
                                                         StoreLoadReport* report, bool keepAside) {
    StoreLoadReport seen;
    std::string unsafe;
    CTIKOScheduleList_Mgr mgr;
    std::unique_ptr<CLumTreeNode> loaded =
        ReadStore<CTIKOScheduleList_Mgr>(dir, kBookKind, keepAside, seen, unsafe);
    std::unique_ptr<Class_TIKOSCHEDULE_TOP> root =
        loaded ? AsTop(std::move(loaded), mgr.BuildDefaultTree()) : mgr.BuildDefaultTree();
    if (!seen.readWhole) {
        seen.kept = static_cast<int>(root->ItemCount());
        if (!seen.keptAside.empty() && seen.message.empty())
            seen.message = Named(kBookKind) + "이 손상되어 읽을 수 있는 일정 " + std::to_string(seen.kept) +
                           "개만 불러왔습니다. 손상된 파일은 " + Quote(seen.keptAside) + "에 보관했습니다.";
    }
    root->SetUnsafeToSave(unsafe);
    root->Trace(0);
    if (report != nullptr)
        *report = std::move(seen);
    return root;
}

bool SaveConfiguration(const Class_TIKOCONF_TOP& root, const std::filesystem::path& dir,
                       std::string* reason) {
    return WriteStore(root, dir / kConfFileName, reason);
}

bool SaveScheduleBook(const Class_TIKOSCHEDULE_TOP& root, const std::filesystem::path& dir,
                      std::string* reason) {
    return WriteStore(root, dir / kScheduleFileName, reason);
}
