#include "shell/lumwnd_clock.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "platform/clock.h"
#include "treestore/conf_schema.h"
#include "windowkit/runtime_bridge.h"
#include "windowkit/window_layout.h"

CLumWnd_Clock::CLumWnd_Clock(const ShellContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(QString::fromUtf8("시계"));
    if (context_.clock != nullptr)
        time_ = context_.clock->NowUtc().seconds + calendar::kKoreaUtcOffsetSeconds;
    announcedMinute_ = time_ / 60;
    RenewAccessibleInterface(this);
    if (context_.bridge != nullptr)
        connect(context_.bridge, &CRuntimeBridge::second, this, &CLumWnd_Clock::SetTime);
}

CLumWnd_Clock::~CLumWnd_Clock() {
    if (context_.bridge != nullptr)
        context_.bridge->WantSeconds(this, false);
}

void CLumWnd_Clock::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (context_.bridge == nullptr)
        return;
    // Hidden (the program in the tray), the GUI thread is left asleep; showing takes the latest.
    context_.bridge->WantSeconds(this, true);
    // After asking: a tick that did not see the wish stored its second first.
    const int64_t latest = context_.bridge->LatestSecond();
    if (latest != 0 && latest != time_) {
        time_ = latest;
        AnnounceMinute();
    }
}

void CLumWnd_Clock::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (context_.bridge != nullptr)
        context_.bridge->WantSeconds(this, false);
}

void CLumWnd_Clock::SetTime(int64_t koreanSecond) {
    time_ = koreanSecond;
    AnnounceMinute();
    // Hidden, nothing is drawn: the next paint brings the image up to date.
    if (!isVisible())
        return;
    lastRepaint_ = DrawFace().boundingRect();
    // At once rather than through a posted update: one event and one self-wake-up less a second.
    repaint(lastRepaint_);
}

bool CLumWnd_Clock::Hour24() const {
    const Class_TIKOCONF_ENV* env = context_.conf != nullptr ? context_.conf->Env() : nullptr;
    return env == nullptr || env->b24Hour.load() != 0;
}

const ClockFaceTexts& CLumWnd_Clock::texts() const {
    const bool hour24 = Hour24();
    if (textsTime_ != time_ || textsHour24_ != hour24) {
        texts_ = MainClockTexts(time_, hour24);
        textsTime_ = time_;
        textsHour24_ = hour24;
    }
    return texts_;
}

QString CLumWnd_Clock::ShownText() const {
    const ClockFaceTexts& t = texts();
    QString shown = t.date + u' ' + t.time;
    if (!t.marker.isEmpty())
        shown += u' ' + t.marker;
    return OneLine(shown);
}

void CLumWnd_Clock::AnnounceMinute() {
    if (time_ / 60 == announcedMinute_)
        return;
    announcedMinute_ = time_ / 60;
    AnnounceShownText(this);
}

QRegion CLumWnd_Clock::DrawFace() {
    const Class_TIKOCONF_ENV* env = context_.conf != nullptr ? context_.conf->Env() : nullptr;
    const bool hour24 = Hour24();
    const double dpi = MainFaceDpi(size());
    FaceCanvas::Style style;
    style.size = size();
    // Device pixels, so a scaled screen gets sharp text rather than a stretched picture.
    style.ratio = devicePixelRatioF();
    style.back = ColorFromRef(env != nullptr ? env->crClockBack.load() : 0x000000);
    style.ink = ColorFromRef(env != nullptr ? env->crClockText.load() : 0x00FF00);
    const ClockFaceTexts& t = texts();
    if (!canvas_.empty() && canvas_.style() == style && canvasHour24_ == hour24 && canvasDpi_ == dpi)
        return canvas_.Update({t.time, t.marker, t.date});

    // The 24-point face and the 10-point "굴림".
    const ClockFaceLayout layout = MainClockLayout(hour24, dpi);
    QFont timeFont(QStringLiteral("Arial"));
    timeFont.setPixelSize(layout.timePixels);
    QFont smallFont(QString::fromUtf8("굴림"));
    smallFont.setPixelSize(layout.smallPixels);
    const QFont dateFont = MainDateFont(smallFont, layout, width());
    canvas_.Redraw(style, {},
                   {{layout.time, t.time, timeFont},
                    {layout.marker, hour24 ? QString() : t.marker, smallFont},
                    {layout.date, t.date, dateFont}});
    canvasHour24_ = hour24;
    canvasDpi_ = dpi;
    return rect();
}

const QImage& CLumWnd_Clock::Render() {
    DrawFace();
    return canvas_.image();
}

void CLumWnd_Clock::paintEvent(QPaintEvent*) {
    const QImage& face = Render();
    QPainter painter(this);
    painter.drawImage(0, 0, face);
}
