#include "treestore/app_store.h"

#include <cstdio>

#include "platform/atomic_file.h"

namespace {

// Reads a store the way the program always has: the file must exist and be
// writable ("rb+"), or the defaults are used.
template <class Mgr>
std::unique_ptr<CLumTreeNode> ReadStore(const std::filesystem::path& path) {
    // Saves of an earlier run that was killed before its rename; only this program writes here.
    platform::RemoveStaleTemporaries(path);
    std::FILE* file = std::fopen(path.c_str(), "rb+");
    if (file == nullptr)
        return nullptr;
    Mgr mgr;
    std::unique_ptr<CLumTreeNode> root = mgr.LoadTree(file);
    std::fclose(file);
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

bool WriteStore(const CLumStoreRoot& root, const std::filesystem::path& path) {
    std::lock_guard lock(root.ListMutex());
    // A killed save's leftover goes before the next, so a run of killed saves never piles them
    // up; only this program writes here.
    platform::RemoveStaleTemporaries(path);
    return platform::WriteFileAtomically(path,
                                         [&root](std::FILE* file) { return root.WriteToFile(file, 0); });
}

}  // namespace

std::unique_ptr<Class_TIKOCONF_TOP> LoadConfiguration(const std::filesystem::path& dir) {
    CTIKOConfList_Mgr mgr;
    std::unique_ptr<CLumTreeNode> loaded = ReadStore<CTIKOConfList_Mgr>(dir / kConfFileName);
    if (!loaded)
        return mgr.BuildDefaultTree();
    std::unique_ptr<Class_TIKOCONF_TOP> root =
        AsTop(std::move(loaded), std::make_unique<Class_TIKOCONF_TOP>());
    // Every part of the program finds its settings node by type id; a file
    // that lacks one gets it with its defaults.
    for (int type : {kConfSyncInfo, kConfEnv, kConfAlarm, kConfComm, kConfWorldClockTable, kConfMainDlg,
                     kConfAlarmDlg, kConfWorldClocks}) {
        if (root->FindChild(type) == nullptr)
            root->AppendChild(mgr.CreateNode(type));
    }
    root->Trace(0);
    return root;
}

std::unique_ptr<Class_TIKOSCHEDULE_TOP> LoadScheduleBook(const std::filesystem::path& dir) {
    CTIKOScheduleList_Mgr mgr;
    std::unique_ptr<CLumTreeNode> loaded = ReadStore<CTIKOScheduleList_Mgr>(dir / kScheduleFileName);
    if (!loaded)
        return mgr.BuildDefaultTree();
    std::unique_ptr<Class_TIKOSCHEDULE_TOP> root = AsTop(std::move(loaded), mgr.BuildDefaultTree());
    root->Trace(0);
    return root;
}

bool SaveConfiguration(const Class_TIKOCONF_TOP& root, const std::filesystem::path& dir) {
    return WriteStore(root, dir / kConfFileName);
}

bool SaveScheduleBook(const Class_TIKOSCHEDULE_TOP& root, const std::filesystem::path& dir) {
    return WriteStore(root, dir / kScheduleFileName);
}
