#pragma once
// Geometry of the program's windows: dialog units to pixels, where the controls of the main
// dialog sit, and where the clock texts go. Pure functions, tested apart from painting.

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>

// A dialog font's base units in pixels: average character width and character height.
struct DialogBaseUnits {
    int x = 0;
    int y = 0;
    friend bool operator==(const DialogBaseUnits&, const DialogBaseUnits&) = default;
};

// From the width of "A..Za..z" and the line height, rounded as the dialog manager rounds.
DialogBaseUnits BaseUnitsFromMetrics(int alphabetWidth, int height);
DialogBaseUnits BaseUnitsOf(const QFont& font);

// x · base x / 4 and y · base y / 8, rounded; a rectangle maps its edges, not its size, so
// neighbouring controls stay flush.
int DluToPixelsX(int x, DialogBaseUnits units);
int DluToPixelsY(int y, DialogBaseUnits units);
QRect DluToPixels(const QRect& dlu, DialogBaseUnits units);
QSize DluToPixels(const QSize& dlu, DialogBaseUnits units);

// A font height in points (tenths allowed) at `dpi` dots per inch, in pixels (rounded).
int PointsToPixels(double points, double dpi);

// The dialogs' font: "굴림" 9 point (a fontconfig alias maps it to an installed Korean face).
QFont DialogFont();
// A font of `family` with a character height of `points` at `dpi`.
QFont PointFont(const char* family, double points, double dpi);

// Dialog resource 129, the main dialog, in dialog units.
namespace main_dialog {
inline constexpr QSize kSize{163, 88};
inline constexpr QRect kWorldTime{1, 0, 40, 14};   // 9 "세계시"
inline constexpr QRect kSettings{41, 0, 40, 14};   // 306 "설정"
inline constexpr QRect kHelp{81, 0, 40, 14};       // 11 "도움말"
inline constexpr QRect kHide{121, 0, 40, 14};      // 1001 "감추기"
inline constexpr QRect kCompare{133, 18, 28, 16};  // 300 "비교"
inline constexpr QRect kSync{133, 36, 28, 16};     // 301 "동기"
inline constexpr QRect kClockFrame{3, 16, 128, 40};
inline constexpr QRect kClockFace{7, 19, 120, 33};  // 1012
inline constexpr QRect kMessage{7, 59, 153, 13};    // 304
inline constexpr QPoint kLogo{32, 74};              // 1000, the picture keeps its pixel size
inline constexpr QSize kLogoPixels{180, 18};
}  // namespace main_dialog

// The main clock face: top-left corners of the texts and the font heights in pixels. The
// positions are the standard ones at 96 dpi and grow with the fonts on a larger setting.
struct ClockFaceLayout {
    QPoint time;
    QPoint marker;  // 12-hour mode only
    QPoint date;
    int timePixels = 0;   // 24 point
    int smallPixels = 0;  // 10 point
};
ClockFaceLayout MainClockLayout(bool hour24, double dpi);
// The face measures 180 x 49 pixels at 96 dpi with the dialog font; a face grown with another
// dpi or a larger desktop font lays its texts out at the dpi that fills it the same way, so the
// digits grow with it and never reach its edge.
inline constexpr QSize kMainFaceAt96{180, 49};
double MainFaceDpi(const QSize& face);
// The date's font on a face `faceWidth` wide: the 10-point one, made smaller where the installed
// face for "굴림" runs so wide that the widest date of any year would be cut at the edge.
QFont MainDateFont(const QFont& small, const ClockFaceLayout& layout, int faceWidth);

// The clock-only window (dialog resource 132, 95 x 19 units of the "System" font, whose base
// units are 8 x 16 pixels): the picture is drawn at this size and stretched to the window.
inline constexpr QSize kSlimBaseSize{190, 38};
inline constexpr int kSlimFontPixels = 13;  // "굴림" 10 point at 96 dpi

// A scale that cannot size a window (zero, negative, not a number, absurdly small or large)
// reads as 1.0.
float SaneScale(float scale);
// nWidth / fScale by nHeight / fScale, truncated.
QSize SlimWindowSize(int width, int height, float scale);

struct SlimLayout {
    QPoint label;
    QPoint date;
    QPoint marker;  // 12-hour mode only
    QPoint time;
    QRect bar;  // a region window's handle in see-through mode; empty otherwise
};
// region: a world clock (region index not -1); seeThrough: the white background is keyed out.
SlimLayout SlimClockLayout(bool region, bool seeThrough);

// Where a window of `size` goes when asked for at `wanted` (its top-left) and it must lie inside
// `area` (a screen's available area): the place asked for when it fits, else moved in only as far
// as it takes; a window larger than the area keeps its top-left corner inside.
QPoint PlaceInside(const QRect& area, const QPoint& wanted, const QSize& size);

class QWidget;
// Moves a top-level window, frame included, inside the available area of the screen it belongs
// to (the one under its centre, else the primary screen). Call from its show event.
void FitInsideScreen(QWidget& window);

// The dialogs' font in points: 9, or the desktop's size when that is larger.
double DialogPointSize(double desktopPoints);
