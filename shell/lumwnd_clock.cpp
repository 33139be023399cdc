#include "shell/lumwnd_clock.h"

#include <QPainter>
#include <QPointer>

#include "runtime/mediator.h"
#include "shell/window_layout.h"
#include "timeservices/time_notice_message.h"
#include "treestore/conf_schema.h"

CLumWnd_Clock::CLumWnd_Clock(const ShellContext& context, QWidget* parent)
    : QWidget(parent), context_(context) {
    SetName("LumWnd_Clock");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(QString::fromUtf8("시계"));
    if (context_.clock != nullptr)
        time_ = context_.clock->NowUtc().seconds + platform::kKoreaUtcOffsetSeconds;
    UpdateAccessibleText();
    if (context_.mediator != nullptr)
        context_.mediator->Subscribe(static_cast<CLumAOSM_Observer*>(this), AO_CLOCK_TICK_SIG);
}

CLumWnd_Clock::~CLumWnd_Clock() {
    if (context_.mediator != nullptr)
        context_.mediator->UnsubscribeAll(static_cast<CLumAOSM_Observer*>(this));
}

int CLumWnd_Clock::Receive(const CLumAOSM_Message* message, const char*) {
    TimeNotice notice;
    if (message == nullptr || message->GetSignal() != AO_CLOCK_TICK_SIG ||
        !GetTimeNotice(*message, 0, &notice))
        return -1;
    const int64_t second = notice.tTime;
    QPointer<CLumWnd_Clock> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, second] {
            if (self)
                self->SetTime(second);
        },
        Qt::QueuedConnection);
    return 0;
}

void CLumWnd_Clock::SetTime(int64_t koreanSecond) {
    time_ = koreanSecond;
    UpdateAccessibleText();
    update();
}

bool CLumWnd_Clock::Hour24() const {
    const Class_TIKOCONF_ENV* env = context_.conf != nullptr ? context_.conf->Env() : nullptr;
    return env == nullptr || env->b24Hour.load() != 0;
}

ClockFaceTexts CLumWnd_Clock::texts() const {
    return MainClockTexts(time_, Hour24());
}

void CLumWnd_Clock::UpdateAccessibleText() {
    const ClockFaceTexts t = texts();
    QString shown = t.date + u' ' + t.time;
    if (!t.marker.isEmpty())
        shown += u' ' + t.marker;
    setAccessibleDescription(shown);
}

const QImage& CLumWnd_Clock::Render() {
    const Class_TIKOCONF_ENV* env = context_.conf != nullptr ? context_.conf->Env() : nullptr;
    const bool hour24 = Hour24();
    const QColor back = ColorFromRef(env != nullptr ? env->crClockBack.load() : 0x000000);
    const QColor text = ColorFromRef(env != nullptr ? env->crClockText.load() : 0x00FF00);
    const ClockFaceTexts t = MainClockTexts(time_, hour24);
    const ClockFaceLayout layout = MainClockLayout(hour24, logicalDpiY());

    // Device pixels, so a scaled screen gets sharp text rather than a stretched picture.
    const qreal ratio = devicePixelRatioF();
    if (image_.deviceIndependentSize() != QSizeF(size()) || image_.devicePixelRatio() != ratio) {
        image_ = QImage(size() * ratio, QImage::Format_RGB32);
        image_.setDevicePixelRatio(ratio);
    }
    QPainter painter(&image_);
    painter.fillRect(rect(), back);
    painter.setPen(text);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(back);
    if (fontPixels_ != layout.timePixels) {
        // Made once per resolution and kept: the 24-point face and the 10-point "굴림".
        fontPixels_ = layout.timePixels;
        timeFont_ = QFont(QStringLiteral("Arial"));
        timeFont_.setPixelSize(layout.timePixels);
        smallFont_ = QFont(QString::fromUtf8("굴림"));
        smallFont_.setPixelSize(layout.smallPixels);
    }
    const auto draw = [&](const QPoint& at, const QString& s, const QFont& font) {
        painter.setFont(font);
        painter.drawText(QRect(at, size()), Qt::AlignLeft | Qt::AlignTop, s);
    };
    draw(layout.time, t.time, timeFont_);
    if (!hour24)
        draw(layout.marker, t.marker, smallFont_);
    draw(layout.date, t.date, smallFont_);
    return image_;
}

void CLumWnd_Clock::paintEvent(QPaintEvent*) {
    const QImage& face = Render();
    QPainter painter(this);
    painter.drawImage(0, 0, face);
}
