#include "shell/lumwnd_worldclock.h"

#include <QPainter>
#include <algorithm>
#include <optional>

#include "platform/clock.h"
#include "treestore/conf_schema.h"
#include "windowkit/window_layout.h"
#include "world/world_store.h"

namespace {

QString TwoDigits(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

}  // namespace

WorldFaceTexts WorldClockTexts(const calendar::CivilTime& t, bool hour24) {
    WorldFaceTexts texts;
    const int hour = hour24 ? t.hour : (t.hour % 12 == 0 ? 12 : t.hour % 12);
    texts.time = TwoDigits(hour) + u':' + TwoDigits(t.minute) + u':' + TwoDigits(t.second);
    if (!hour24)
        texts.marker = t.hour >= 12 ? QStringLiteral("PM") : QStringLiteral("AM");
    texts.date =
        TwoDigits(((t.year % 100) + 100) % 100) + u'-' + TwoDigits(t.month) + u'-' + TwoDigits(t.day);
    return texts;
}

CLumWnd_WorldClock::CLumWnd_WorldClock(const ShellContext& context, world::WorldStore& store, QWidget* parent)
    : QWidget(parent), context_(context), store_(store) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(QString::fromUtf8("세계시각 시계"));
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] {
        Tick();
        ArmTimer();
    });
    Tick();
    RenewAccessibleInterface(this);
}

void CLumWnd_WorldClock::ArmTimer() {
    if (blink_ > 0 || context_.clock == nullptr) {
        timer_.start(kPeriodMs);
        return;
    }
    // A little past the boundary, so the read lands in the new second.
    const int msLeft = 1000 - context_.clock->NowUtc().nanoseconds / 1'000'000;
    timer_.start(msLeft + 2);
}

void CLumWnd_WorldClock::Tick() {
    const int64_t korean =
        context_.clock != nullptr ? context_.clock->NowUtc().seconds + calendar::kKoreaUtcOffsetSeconds : 0;
    const int selected = store_.SelectedIndex();
    const std::optional<world::Region> region = selected == -1 ? std::nullopt : store_.RegionAt(selected);
    time_ = world::RegionClockTime(region ? &*region : nullptr, korean);
    const WorldFaceTexts t = texts();
    const QString shown = t.date + u' ' + (t.marker.isEmpty() ? t.time : t.marker + u' ' + t.time);
    if (shown == shownText_ && blink_ == 0)
        return;
    shownText_ = shown;
    // Once a minute, so a reader is not told every second.
    const QString minute = shown.left(shown.lastIndexOf(u':'));
    if (minute != announcedMinute_) {
        announcedMinute_ = minute;
        AnnounceShownText(this);
    }
    update();
}

bool CLumWnd_WorldClock::Hour24() const {
    const Class_TIKOCONF_ENV* env = context_.conf != nullptr ? context_.conf->Env() : nullptr;
    return env == nullptr || env->b24Hour.load() != 0;
}

WorldFaceTexts CLumWnd_WorldClock::texts() const {
    return WorldClockTexts(time_, Hour24());
}

const QImage& CLumWnd_WorldClock::Render() {
    const qreal ratio = devicePixelRatioF();
    if (image_.deviceIndependentSize() != QSizeF(size()) || image_.devicePixelRatio() != ratio) {
        image_ = QImage(size() * ratio, QImage::Format_RGB32);
        image_.setDevicePixelRatio(ratio);
    }
    QPainter painter(&image_);
    painter.fillRect(rect(), Qt::black);
    if (WorldFaceDrawn(blink_)) {
        const int dpi = logicalDpiY();
        if (fontDpi_ != dpi) {
            fontDpi_ = dpi;
            timeFont_ = PointFont("Arial", 24, dpi);
            dateFont_ = PointFont("Arial", 14, dpi);
            markerFont_ = PointFont("Arial", 10, dpi);
        }
        const WorldFaceTexts t = texts();
        const QColor green(0x00, 0xFF, 0x00);
        painter.setPen(green);
        painter.setBackgroundMode(Qt::OpaqueMode);
        painter.setBackground(Qt::black);
        const auto draw = [&](int x, int y, const QString& s, const QFont& font) {
            painter.setFont(font);
            painter.drawText(QRect(QPoint(x, y), size()), Qt::AlignLeft | Qt::AlignTop, s);
        };
        draw(100, 13, t.time, timeFont_);
        draw(18, 23, t.date, dateFont_);
        if (!t.marker.isEmpty())
            draw(18, 5, t.marker, markerFont_);
    }
    blink_ = std::max(0, blink_ - 1);
    return image_;
}

void CLumWnd_WorldClock::paintEvent(QPaintEvent*) {
    const QImage& face = Render();
    QPainter painter(this);
    painter.drawImage(0, 0, face);
}

void CLumWnd_WorldClock::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Tick();
    ArmTimer();
}

void CLumWnd_WorldClock::hideEvent(QHideEvent* event) {
    timer_.stop();
    QWidget::hideEvent(event);
}
