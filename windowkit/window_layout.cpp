#include "windowkit/window_layout.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMargins>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace {

// MulDiv: a · b / c rounded half away from zero.
int MulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    const long long q = (p >= 0 ? p + c / 2 : p - c / 2) / c;
    return static_cast<int>(q);
}

int Scaled(int v, double dpi) {
    return static_cast<int>(std::lround(v * dpi / 96.0));
}

}  // namespace

DialogBaseUnits BaseUnitsFromMetrics(int alphabetWidth, int height) {
    return {(alphabetWidth / 26 + 1) / 2, height};
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    return BaseUnitsFromMetrics(
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")),
        metrics.height());
}

int DluToPixelsX(int x, DialogBaseUnits units) {
    return MulDiv(x, units.x, 4);
}

int DluToPixelsY(int y, DialogBaseUnits units) {
    return MulDiv(y, units.y, 8);
}

QRect DluToPixels(const QRect& dlu, DialogBaseUnits units) {
    const int left = DluToPixelsX(dlu.x(), units);
    const int top = DluToPixelsY(dlu.y(), units);
    const int right = DluToPixelsX(dlu.x() + dlu.width(), units);
    const int bottom = DluToPixelsY(dlu.y() + dlu.height(), units);
    return QRect(left, top, right - left, bottom - top);
}

QSize DluToPixels(const QSize& dlu, DialogBaseUnits units) {
    return QSize(DluToPixelsX(dlu.width(), units), DluToPixelsY(dlu.height(), units));
}

int PointsToPixels(double points, double dpi) {
    return static_cast<int>(std::lround(points * dpi / 72.0));
}

double DialogPointSize(double desktopPoints) {
    return std::max(9.0, desktopPoints);
}

QFont DialogFont() {
    QFont font(QString::fromUtf8("굴림"));
    // A desktop set to larger text keeps it in the dialogs too.
    const double desktop = QApplication::instance() != nullptr ? QApplication::font().pointSizeF() : 0.0;
    font.setPointSizeF(DialogPointSize(desktop));
    return font;
}

QFont PointFont(const char* family, double points, double dpi) {
    QFont font(QString::fromUtf8(family));
    font.setPixelSize(PointsToPixels(points, dpi));
    return font;
}

ClockFaceLayout MainClockLayout(bool hour24, double dpi) {
    ClockFaceLayout layout;
    layout.time =
        hour24 ? QPoint(Scaled(40, dpi), Scaled(15, dpi)) : QPoint(Scaled(55, dpi), Scaled(15, dpi));
    if (!hour24)
        layout.marker = QPoint(Scaled(30, dpi), Scaled(30, dpi));
    layout.date = QPoint(Scaled(35, dpi), Scaled(4, dpi));
    layout.timePixels = PointsToPixels(24, dpi);
    layout.smallPixels = PointsToPixels(10, dpi);
    return layout;
}

double MainFaceDpi(const QSize& face) {
    if (face.isEmpty())
        return 96.0;
    return 96.0 * std::min(static_cast<double>(face.width()) / kMainFaceAt96.width(),
                           static_cast<double>(face.height()) / kMainFaceAt96.height());
}

QFont MainDateFont(const QFont& small, const ClockFaceLayout& layout, int faceWidth) {
    QFont font = small;
    const int room = faceWidth - layout.date.x() - 2;
    const int widest = QFontMetrics(font).horizontalAdvance(QString::fromUtf8("2000년 12월 27일 수요일"));
    if (room > 0 && widest > room)
        font.setPixelSize(std::max(1, layout.smallPixels * room / widest));
    return font;
}

float SaneScale(float scale) {
    if (!std::isfinite(scale) || scale < 0.05f || scale > 20.0f)
        return 1.0f;
    return scale;
}

QSize SlimWindowSize(int width, int height, float scale) {
    const float s = SaneScale(scale);
    return QSize(static_cast<int>(static_cast<float>(width) / s),
                 static_cast<int>(static_cast<float>(height) / s));
}

SlimLayout SlimClockLayout(bool region, bool seeThrough) {
    SlimLayout layout;
    layout.label = QPoint(region && seeThrough ? 15 : 10, 4);
    layout.date = QPoint(10, 20);
    layout.marker = QPoint(100, 20);
    layout.time = QPoint(127, 20);
    if (region && seeThrough)
        layout.bar = QRect(QPoint(10, 4), QPoint(13, 15));  // (10, 4)-(14, 16), right and bottom open
    return layout;
}

QPoint PlaceInside(const QRect& area, const QPoint& wanted, const QSize& size) {
    if (area.isEmpty())
        return wanted;
    const int x = std::max(area.left(), std::min(wanted.x(), area.left() + area.width() - size.width()));
    const int y = std::max(area.top(), std::min(wanted.y(), area.top() + area.height() - size.height()));
    return QPoint(x, y);
}

namespace {

QMargins MarginsOf(const QWidget& w) {
    const QRect frame = w.frameGeometry();
    const QRect inner = w.geometry();
    return QMargins(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                    frame.bottom() - inner.bottom());
}

// The window with the window manager's frame. Before its first mapping Qt knows no frame: the
// window manager will put the frame where the window is asked to be, as large as that of
// another framed window of the program.
QRect FramedRect(const QWidget& window) {
    if (!MarginsOf(window).isNull() || window.windowFlags().testFlag(Qt::FramelessWindowHint))
        return window.frameGeometry();
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other == &window || !other->isVisible() || other->windowFlags().testFlag(Qt::FramelessWindowHint))
            continue;
        const QMargins borrowed = MarginsOf(*other);
        if (!borrowed.isNull())
            return QRect(window.pos(), window.size().grownBy(borrowed));
    }
    return window.frameGeometry();
}

}  // namespace

void FitInsideScreen(QWidget& window) {
    const QRect frame = FramedRect(window);
    const QScreen* screen = QGuiApplication::screenAt(frame.center());
    if (screen == nullptr)
        screen = window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QPoint at = PlaceInside(screen->availableGeometry(), frame.topLeft(), frame.size());
    if (at != frame.topLeft())
        window.move(window.pos() + (at - frame.topLeft()));
}
