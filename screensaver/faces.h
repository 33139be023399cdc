#pragma once
// Painting of the clock faces and the calendar onto an off-screen canvas.

#include <QImage>
#include <QSize>

#include <ctime>

#include "screensaver/face_geometry.h"
#include "screensaver/settings.h"

class QPainter;

namespace scr {

QImage FullAnalogFace(const FullLayout& layout, const LocalTime& t, const ScrSettings& s);
QImage FullDigitalFace(const FullLayout& layout, const LocalTime& t, const ScrSettings& s);
QImage SmallAnalogFace(QSize size, Point origin, const LocalTime& t, const ScrSettings& s);
QImage SmallDigitalFace(QSize size, Point origin, const LocalTime& t, const ScrSettings& s);
void DrawCalendar(QPainter& p, const FullLayout& layout, const LocalTime& t, bool analog);

// The program's 218 x 44 banner.
QImage Banner();

LocalTime LocalTimeOf(std::time_t when);

}  // namespace scr
