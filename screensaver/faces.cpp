#include "screensaver/faces.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>

#include <ctime>

#include "screensaver/banner_xpm.h"

namespace scr {
namespace {

QColor Rgb(std::uint32_t c) {
    return QColor::fromRgb(c);
}

constexpr const char* kFace = "굴림";

// A font whose cell (ascent plus descent) is height pixels, like a positive font height.
QFont CellFont(int height, int weight) {
    QFont f(QString::fromUtf8(kFace));
    f.setStyleStrategy(QFont::NoAntialias);
    f.setWeight(static_cast<QFont::Weight>(weight));
    f.setPixelSize(height);
    const int cell = QFontMetrics(f).height();
    if (cell > 0 && cell != height)
        f.setPixelSize(std::max(1, height * height / cell));
    return f;
}

constexpr int kNormal = 400;

// Text with its cell's top-left corner at (x, y).
void TextAt(QPainter& p, int x, int y, const std::string& text, int height, int weight,
            std::uint32_t colour) {
    const QFont f = CellFont(height, weight);
    p.setFont(f);
    p.setPen(Rgb(colour));
    p.drawText(x, y + QFontMetrics(f).ascent(), QString::fromStdString(text));
}

QImage Canvas(QSize size) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(Rgb(colour::kBackground));
    return img;
}

// Like Ellipse(left, top, right, bottom): the right and bottom edges are outside.
void Disc(QPainter& p, int left, int top, int right, int bottom, std::uint32_t fill, std::uint32_t outline) {
    p.setPen(Rgb(outline));
    p.setBrush(Rgb(fill));
    p.drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
}

void FillDisc(QPainter& p, int left, int top, int right, int bottom, std::uint32_t fill) {
    p.setPen(Qt::NoPen);
    p.setBrush(Rgb(fill));
    p.drawEllipse(QRect(left, top, right - left, bottom - top));
}

QPoint Q(Point pt) {
    return {pt.x, pt.y};
}

void Hand(QPainter& p, Point centre, const HandSpec& spec, double base) {
    const HandPoints h = HandAt(centre, spec, base);
    p.setPen(QPen(Rgb(colour::kOutline), 1));
    p.setBrush(Rgb(colour::kHandFirst));
    p.drawPolygon(QPolygon({Q(h.tip), Q(h.sideA), Q(h.tail)}));
    p.setBrush(Rgb(colour::kHandSecond));
    p.drawPolygon(QPolygon({Q(h.tip), Q(h.tail), Q(h.sideB)}));
}

void SecondHand(QPainter& p, Point centre, int tip, int tail, int second) {
    const auto line = SecondHandAt(centre, tip, tail, SecondAngle(second));
    p.setPen(QPen(Rgb(colour::kOutline), 1));
    p.drawLine(Q(line[0]), Q(line[1]));
}

void Hands(QPainter& p, Point c, const HandSpec& hour, const HandSpec& minute, int secTip, int secTail,
           int pin, const LocalTime& t) {
    Hand(p, c, hour, HourAngle(t.hour, t.minute));
    Hand(p, c, minute, MinuteAngle(t.minute));
    SecondHand(p, c, secTip, secTail, t.second);
    Disc(p, c.x - pin, c.y - pin, c.x + pin, c.y + pin, colour::kPin, colour::kPin);
}

void DrawBanner(QPainter& p, Point at) {
    p.drawImage(at.x, at.y, Banner());
}

QPainter& Plain(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    return p;
}

}  // namespace

QImage Banner() {
    return QImage(kBannerXpm);
}

LocalTime LocalTimeOf(std::time_t when) {
    std::tm tm{};
    localtime_r(&when, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, tm.tm_wday};
}

QImage FullAnalogFace(const FullLayout& l, const LocalTime& t, const ScrSettings& s) {
    QImage canvas = Canvas({l.width, l.height});
    QPainter p(&canvas);
    Plain(p);
    const AnalogLayout& a = l.analog;
    for (int i = 0; i < kMarkCount; ++i) {
        const Point m = PointAt(a.centre, a.dial, MarkAngle(i));
        const int half = i % 5 == 0 ? a.markLarge : a.markSmall;
        FillDisc(p, m.x - half, m.y - half, m.x + half, m.y + half, colour::kMarkOuter);
        const int in = half - kMarkInset;
        FillDisc(p, m.x - in, m.y - in, m.x + in, m.y + in, colour::kMarkInner);
    }
    // Second 0 of every minute shows the dial alone.
    if (t.second != 0) {
        DrawBanner(p, a.banner);
        Hands(p, a.centre, a.hour, a.minute, a.secondTip, a.secondTail, a.pin, t);
        canvas.setPixelColor(a.centre.x, a.centre.y, Rgb(colour::kCentreDot));
        if (s.bCarlendar == 1)
            DrawCalendar(p, l, t, true);
    }
    return canvas;
}

QImage FullDigitalFace(const FullLayout& l, const LocalTime& t, const ScrSettings& s) {
    QImage canvas = Canvas({l.width, l.height});
    QPainter p(&canvas);
    Plain(p);
    const DigitalLayout& d = l.digital;
    TextAt(p, d.date.x, d.date.y, DateLine(t), d.date.height, 800, colour::kDate);
    const bool mode24 = s.n24Mode == 1;
    if (!mode24)
        TextAt(p, d.halfDay.x, d.halfDay.y, HalfDayText(t.hour), d.halfDay.height, kNormal, colour::kTime);
    TextAt(p, mode24 ? d.timeX24 : d.timeX12, d.timeY, TimeText(t.hour, t.minute, t.second, mode24),
           d.timeHeight, 800, colour::kTime);
    TextAt(p, d.caption.x, d.caption.y, kCaption, d.caption.height, 300, colour::kCaption);
    if (s.bCarlendar == 1)
        DrawCalendar(p, l, t, false);
    return canvas;
}

QImage SmallAnalogFace(QSize size, Point o, const LocalTime& t, const ScrSettings&) {
    QImage canvas = Canvas(size);
    QPainter p(&canvas);
    Plain(p);
    TextAt(p, o.x, o.y, DateLine(t), small::kDateHeight, 800, colour::kDate);
    const Point dial{o.x + small::kDialCentre.x, o.y + small::kDialCentre.y};
    for (int i = 0; i < kMarkCount; ++i) {
        const Point m = PointAt(dial, small::kDialRadius, MarkAngle(i));
        if (i % 5 == 0)
            FillDisc(p, m.x - 15, m.y - 15, m.x - 5, m.y - 5, colour::kMarkOuter);
        else
            FillDisc(p, m.x - 10, m.y - 10, m.x - 7, m.y - 7, colour::kMarkOuter);
    }
    const Point c{o.x + small::kHandCentre.x, o.y + small::kHandCentre.y};
    Hands(p, c, small::kHour, small::kMinute, small::kSecondTip, small::kSecondTail, small::kPin, t);
    DrawBanner(p, {o.x + small::kAnalogBanner.x, o.y + small::kAnalogBanner.y});
    return canvas;
}

QImage SmallDigitalFace(QSize size, Point o, const LocalTime& t, const ScrSettings& s) {
    QImage canvas = Canvas(size);
    QPainter p(&canvas);
    Plain(p);
    TextAt(p, o.x, o.y, DateLine(t), small::kDateHeight, 800, colour::kDate);
    const bool mode24 = s.n24Mode == 1;
    if (!mode24)
        TextAt(p, o.x + small::kHalfDay.x, o.y + small::kHalfDay.y, HalfDayText(t.hour), small::kTimeHeight,
               kNormal, colour::kTime);
    const Point at = mode24 ? small::kTime24 : small::kTime12;
    TextAt(p, o.x + at.x, o.y + at.y, TimeText(t.hour, t.minute, t.second, mode24), small::kTimeHeight, 800,
           colour::kTime);
    DrawBanner(p, {o.x + small::kDigitalBanner.x, o.y + small::kDigitalBanner.y});
    return canvas;
}

void DrawCalendar(QPainter& p, const FullLayout& l, const LocalTime& t, bool analog) {
    const CalendarLayout& c = l.calendar;
    const Point corner = analog ? AnalogCalendarCorner(c, t.hour, t.minute) : c.digital;
    const std::uint32_t head = analog ? colour::kOutline : colour::kCaption;
    TextAt(p, corner.x, corner.y, CalendarHeader(t.year, t.month), c.fontHeight, kNormal, head);
    TextAt(p, corner.x, corner.y + c.step, c.weekdays, c.fontHeight, kNormal, head);
    for (const CalendarCell& cell : CalendarCells(t.year, t.month, t.day, corner, c.step)) {
        std::uint32_t colour = colour::kWeekday;
        switch (cell.kind) {
            case DayKind::Sunday:
                colour = colour::kSunday;
                break;
            case DayKind::Saturday:
                colour = colour::kSaturday;
                break;
            case DayKind::Today:
                colour = colour::kToday;
                break;
            case DayKind::Plain:
                break;
        }
        TextAt(p, cell.at.x, cell.at.y, std::to_string(cell.day), c.fontHeight, kNormal, colour);
    }
}

}  // namespace scr
