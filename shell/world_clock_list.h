#pragma once
// The frame's world clock windows, in opening order: opening with the cascade, reopening the
// clocks saved in the configuration, recording the visible ones, hiding, see-through mode.

#include <QString>
#include <string>
#include <vector>

#include "windowkit/shell_context.h"

class CTikoDlg_TimeSlim;
namespace world {
class WorldStore;
}

class CWorldClockList {
public:
    // Opened clocks move this far right and down from the last one.
    static constexpr int kCascadeStep = 50;
    // A saved left or top of this value leaves the window where the window system puts it.
    static constexpr int kUnplaced = -1000;
    // nZone of a saved entry that is no clock.
    static constexpr int kNoClock = -2;

    CWorldClockList(const ShellContext& context, IMainFrame& frame, world::WorldStore& store);
    ~CWorldClockList();
    CWorldClockList(const CWorldClockList&) = delete;
    CWorldClockList& operator=(const CWorldClockList&) = delete;

    // A new clock for a region of the table, placed 50 pixels on from the last one, shown.
    CTikoDlg_TimeSlim* Open(int regionIndex, const QString& name);
    // A saved clock: its region found again by name if the table moved it, placed at
    // (left, top), shown.
    CTikoDlg_TimeSlim* Restore(int regionIndex, const std::string& cp949Name, int left, int top);
    // Reopens every saved clock (nZone not -2) and empties the saved list; they are written
    // again by Record. False when a saved clock's region could not be read (no table file).
    bool RestoreSaved();
    // The saved list becomes the visible clocks, in order.
    void Record();

    // Hides the first clock the context menu was opened on; false when there is none.
    bool CloseMenuTarget();
    void HideAll();
    // The menu-target flag of every clock becomes whether it is `target`.
    void MarkMenuTarget(const CTikoDlg_TimeSlim* target);
    void SetTransparency(bool on);
    void DestroyAll();

    std::vector<CTikoDlg_TimeSlim*> Windows() const;

private:
    struct Entry {
        CTikoDlg_TimeSlim* window;
        std::string cp949Name;
    };

    CTikoDlg_TimeSlim* Make(int regionIndex, const std::string& cp949Name);

    ShellContext context_;
    IMainFrame& frame_;
    world::WorldStore& store_;
    std::vector<Entry> entries_;
};
