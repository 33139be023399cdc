#pragma once
// Where the alarm pop-up stands and how it slides: pure arithmetic, tested apart from the window.

#include <QRect>

// Where a pop-up of `width` sits: its left edge and the bottom it grows from (exclusive).
struct PopupPlacement {
    int left = 0;
    int bottom = 0;
};

// The bottom-right corner of the work area. A panel at the bottom gives the classic place just
// above it; a panel at the top or side, or none, gives the same corner of what is left, so an
// alarm is never lost because the panel sits elsewhere.
PopupPlacement PlacePopup(const QRect& workArea, int width);

// True when the panel sits at the bottom: the work area spans the screen's width and ends above
// the screen's bottom.
bool PanelAtBottom(const QRect& screen, const QRect& workArea);

// The slide: up one pixel a step to the full height, a stay, then down one pixel a step.
class PopupSlide {
public:
    enum class Action {
        Place,    // put the window at Geometry() and show it
        Stay,     // fully up: wait the display time, then call Step again
        Destroy,  // slid away: delete the window
    };

    PopupSlide(PopupPlacement placement, int width, int height);

    // One timer step; Geometry() holds the window's rectangle after a Place.
    Action Step();
    QRect Geometry() const { return geometry_; }
    int CurrentHeight() const { return current_; }
    bool SlidingDown() const { return phase_ == Phase::Down; }

private:
    enum class Phase { Up, Down, Done };

    PopupPlacement placement_;
    int width_;
    int height_;
    int current_ = 0;
    Phase phase_ = Phase::Up;
    QRect geometry_;
};
