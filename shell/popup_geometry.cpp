#include "shell/popup_geometry.h"

PopupPlacement PlacePopup(const QRect& workArea, int width) {
    // QRect's right() and bottom() are inclusive; the window arithmetic wants the edge past them.
    return {workArea.x() + workArea.width() - width, workArea.y() + workArea.height()};
}

bool PanelAtBottom(const QRect& screen, const QRect& workArea) {
    return workArea.width() == screen.width() &&
           workArea.y() + workArea.height() < screen.y() + screen.height();
}

PopupSlide::PopupSlide(PopupPlacement placement, int width, int height)
    : placement_(placement), width_(width), height_(height) {}

PopupSlide::Action PopupSlide::Step() {
    switch (phase_) {
        case Phase::Up:
            ++current_;
            if (current_ <= height_) {
                // Grows upwards from five pixels above the work area's bottom, ten narrower than
                // the picture.
                geometry_ = QRect(placement_.left, placement_.bottom - current_ - 5, width_ - 10, current_);
                return Action::Place;
            }
            // The count stays one past the full height, so the first step down places the
            // window where it already stands.
            phase_ = Phase::Down;
            return Action::Stay;
        case Phase::Down: {
            const int h = current_;
            current_ = h - 1;
            if (h > 1) {
                geometry_ = QRect(placement_.left, placement_.bottom - h - 4, width_ - 10, h - 1);
                return Action::Place;
            }
            current_ = 0;
            phase_ = Phase::Done;
            return Action::Destroy;
        }
        case Phase::Done:
            break;
    }
    return Action::Destroy;
}
