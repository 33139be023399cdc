#include "shell/tikodlg_timeslim.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QWindow>
#include <algorithm>

#include "platform/clock.h"
#include "shell/translucency.h"
#include "treestore/conf_schema.h"
#include "windowkit/runtime_bridge.h"
#include "windowkit/window_layout.h"

// One wake-up a second for every clock window: the new Korean second from the bridge refreshes
// them all together (the main clock face wakes the program for it anyway), and a single shot a
// little past each second stands in while no tick comes (no back end, or a tick later than that).
class CTikoDlg_TimeSlim::SecondTicker final : public QObject {
public:
    static constexpr int kLateMs = 10;

    // The ticker of this back end, made when none is alive.
    static std::shared_ptr<SecondTicker> For(CRuntimeBridge* bridge, platform::Clock* clock) {
        static std::weak_ptr<SecondTicker> last;
        std::shared_ptr<SecondTicker> ticker = last.lock();
        if (!ticker || ticker->bridge_ != bridge || ticker->clock_ != clock) {
            ticker = std::make_shared<SecondTicker>(bridge, clock);
            last = ticker;
        }
        return ticker;
    }

    SecondTicker(CRuntimeBridge* bridge, platform::Clock* clock) : bridge_(bridge), clock_(clock) {
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        connect(&timer_, &QTimer::timeout, this, &SecondTicker::Tick);
        if (bridge_ != nullptr)
            connect(bridge_, &CRuntimeBridge::second, this, &SecondTicker::Tick);
    }
    ~SecondTicker() override {
        if (bridge_ != nullptr)
            bridge_->WantSeconds(this, false);
    }

    void Add(CTikoDlg_TimeSlim* window) { windows_.push_back(window); }
    void Remove(CTikoDlg_TimeSlim* window) {
        windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
        Arm();
    }
    const QTimer& timer() const { return timer_; }

    // Armed for the next second while a window is shown, stopped otherwise. With all hidden the
    // bridge leaves the GUI thread asleep (showing one refreshes it).
    void Arm() {
        const bool anyShown = std::any_of(windows_.begin(), windows_.end(),
                                          [](const CTikoDlg_TimeSlim* w) { return w->isVisible(); });
        if (bridge_ != nullptr)
            bridge_->WantSeconds(this, anyShown);
        if (!anyShown || clock_ == nullptr) {
            timer_.stop();
            return;
        }
        const int msLeft = 1000 - clock_->NowUtc().nanoseconds / 1'000'000;
        timer_.start(msLeft + kLateMs);
    }

private:
    void Tick() {
        // A copy: a refresh may not add or remove windows, but nothing here relies on that.
        const std::vector<CTikoDlg_TimeSlim*> windows = windows_;
        for (CTikoDlg_TimeSlim* window : windows)
            if (window->isVisible())
                window->Refresh();
        Arm();
    }

    CRuntimeBridge* const bridge_;
    platform::Clock* const clock_;
    QTimer timer_;
    std::vector<CTikoDlg_TimeSlim*> windows_;
};

CTikoDlg_TimeSlim::CTikoDlg_TimeSlim(const ShellContext& context, IMainFrame& frame, int regionIndex,
                                     QString name, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::FramelessWindowHint),
      context_(context),
      frame_(frame),
      regionIndex_(regionIndex),
      name_(std::move(name)) {
    setAccessibleName(regionIndex_ == -1 ? QString::fromUtf8("시계창") : RegionDisplayName(name_));
    if (TranslucencySupported())
        setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_OpaquePaintEvent, !TranslucencySupported());
    resize(kSlimBaseSize);

    source_ = [clock = context_.clock] {
        return clock != nullptr ? platform::KoreanStandardTime(*clock) : calendar::CivilTime{};
    };
    ticker_ = SecondTicker::For(context_.bridge, context_.clock);
    ticker_->Add(this);

    const Class_TIKOCONF_ENV* env = context_.conf != nullptr ? context_.conf->Env() : nullptr;
    SetTransparency(env != nullptr && env->bWorldClockTransparent.load() != 0);
    Refresh();
    if (context_.bridge != nullptr)
        connect(context_.bridge, &CRuntimeBridge::clockScaleChanged, this,
                &CTikoDlg_TimeSlim::ApplyScaleFromSettings);
    RenewAccessibleInterface(this);
}

CTikoDlg_TimeSlim::~CTikoDlg_TimeSlim() {
    ticker_->Remove(this);
}

const QTimer& CTikoDlg_TimeSlim::secondTimer() const {
    return ticker_->timer();
}

bool CTikoDlg_TimeSlim::TranslucencySupported() {
    static const bool supported = WindowSystemTranslucent();
    return supported;
}

void CTikoDlg_TimeSlim::SetScale(float scale) {
    scale_ = SaneScale(scale);
    const Class_TIKOCONF_WDPROP_WORLDCLOCKS* node =
        context_.conf != nullptr ? context_.conf->WorldClocks() : nullptr;
    const int width = node != nullptr ? node->nWidth.load() : kSlimBaseSize.width();
    const int height = node != nullptr ? node->nHeight.load() : kSlimBaseSize.height();
    resize(SlimWindowSize(width, height, scale_));
    update();
}

void CTikoDlg_TimeSlim::ApplyScaleFromSettings() {
    const Class_TIKOCONF_WDPROP_WORLDCLOCKS* node =
        context_.conf != nullptr ? context_.conf->WorldClocks() : nullptr;
    if (node != nullptr)
        SetScale(node->fScale.load());
}

void CTikoDlg_TimeSlim::SetTransparency(bool on) {
    keyWhite_ = on && TranslucencySupported();
    update();
}

void CTikoDlg_TimeSlim::SetTimeSource(TimeSource source) {
    if (!source)
        return;
    source_ = std::move(source);
    Refresh();
}

bool CTikoDlg_TimeSlim::Hour24() const {
    const Class_TIKOCONF_ENV* env = context_.conf != nullptr ? context_.conf->Env() : nullptr;
    return env == nullptr || env->b24Hour.load() != 0;
}

bool CTikoDlg_TimeSlim::WhiteBackground() const {
    // The window's own see-through state, not the setting: a window whose white is not keyed
    // out would otherwise show a white block when the setting changes under it.
    return keyWhite_;
}

const SlimTexts& CTikoDlg_TimeSlim::texts() const {
    const int hour24 = Hour24() ? 1 : 0;
    if (textsHour24_ != hour24 || !(textsTime_ == time_)) {
        texts_ = SlimClockTexts(time_, hour24 == 1);
        textsTime_ = time_;
        textsHour24_ = hour24;
    }
    return texts_;
}

QString CTikoDlg_TimeSlim::labelText() const {
    return regionIndex_ == -1 ? QString::fromUtf8("대한민국") : RegionDisplayName(name_);
}

void CTikoDlg_TimeSlim::UpdateAccessibleText() {
    const SlimTexts& t = texts();
    QString second = t.date;
    if (!t.marker.isEmpty())
        second += u' ' + t.marker;
    second += u' ' + t.time;
    shownText_ = labelText() + u'\n' + second;
    // A screen reader hears of a new minute, not of every second.
    const QString minute = shownText_.left(shownText_.lastIndexOf(u':'));
    if (minute != announcedMinute_) {
        announcedMinute_ = minute;
        AnnounceShownText(this);
    }
}

void CTikoDlg_TimeSlim::Refresh() {
    time_ = source_();
    const QString before = shownText_;
    UpdateAccessibleText();
    if (shownText_ == before || !isVisible())
        return;  // a hidden window is brought up to date when it paints
    const QRegion changed = DrawFace(canvas_, canvasKeyed_);
    if (changed.isEmpty())
        return;
    lastRepaint_ = WindowRect(changed.boundingRect());
    StretchFace(&lastRepaint_);
    // At once rather than through a posted update: one event and one self-wake-up less a second.
    repaint(lastRepaint_);
}

QRegion CTikoDlg_TimeSlim::DrawFace(FaceCanvas& canvas, bool& keyed) const {
    const Class_TIKOCONF_ENV* env = context_.conf != nullptr ? context_.conf->Env() : nullptr;
    const bool white = WhiteBackground();
    FaceCanvas::Style style;
    style.size = kSlimBaseSize;
    style.back = white ? QColor(Qt::white) : ColorFromRef(env != nullptr ? env->crClockBack.load() : 0);
    style.ink = ColorFromRef(env != nullptr ? env->crClockText.load() : 0x00FF00);
    style.format = QImage::Format_ARGB32_Premultiplied;
    const SlimTexts& t = texts();

    QRegion changed;
    if (canvas.empty() || canvas.style() != style || keyed != keyWhite_) {
        const SlimLayout layout = SlimClockLayout(regionIndex_ != -1, white);
        QFont font(QString::fromUtf8("굴림"));
        font.setPixelSize(kSlimFontPixels);
        // Keyed-out white must not leave half-white fringes round the letters.
        if (keyWhite_)
            font.setStyleStrategy(QFont::NoAntialias);
        FaceCanvas::Ground ground;
        if (regionIndex_ != -1 && !layout.bar.isEmpty())
            ground = [bar = layout.bar, ink = style.ink](QPainter& painter) { painter.fillRect(bar, ink); };
        canvas.Redraw(style, std::move(ground),
                      {{layout.label, labelText(), font},
                       {layout.date, t.date, font},
                       {layout.marker, t.marker, font},
                       {layout.time, t.time, font}});
        keyed = keyWhite_;
        changed = QRect(QPoint(0, 0), kSlimBaseSize);
    } else {
        changed = canvas.Update({labelText(), t.date, t.marker, t.time});
    }

    if (keyWhite_) {
        // Colour key: exactly white becomes fully transparent, everything else stays opaque.
        QImage& picture = canvas.pixels();
        for (const QRect& r : changed) {
            for (int y = r.top(); y <= r.bottom(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
                for (int x = r.left(); x <= r.right(); ++x)
                    if ((line[x] & 0xFFFFFF) == 0xFFFFFF)
                        line[x] = 0;
            }
        }
    }
    return changed;
}

QImage CTikoDlg_TimeSlim::Picture() const {
    FaceCanvas canvas;
    bool keyed = false;
    DrawFace(canvas, keyed);
    return canvas.image();
}

void CTikoDlg_TimeSlim::StretchFace(const QRect* only) {
    if (size() == kSlimBaseSize) {
        image_ = QImage();  // the picture itself is painted
        return;
    }
    if (image_.size() != size()) {
        image_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
        only = nullptr;
    }
    QPainter stretch(&image_);
    // The same stretch of the whole picture, kept to the part a new second changed.
    if (only != nullptr)
        stretch.setClipRect(*only);
    stretch.setCompositionMode(QPainter::CompositionMode_Source);
    stretch.drawImage(image_.rect(), canvas_.image());
}

QRect CTikoDlg_TimeSlim::WindowRect(const QRect& base) const {
    const qreal sx = static_cast<qreal>(width()) / kSlimBaseSize.width();
    const qreal sy = static_cast<qreal>(height()) / kSlimBaseSize.height();
    const QRectF mapped(base.x() * sx, base.y() * sy, base.width() * sx, base.height() * sy);
    return mapped.toAlignedRect().adjusted(-1, -1, 1, 1) & rect();
}

void CTikoDlg_TimeSlim::paintEvent(QPaintEvent*) {
    // Up to date whatever happened while hidden: a new look, new texts or a new size.
    const bool drawn = !DrawFace(canvas_, canvasKeyed_).isEmpty();
    if (drawn || (size() != kSlimBaseSize && image_.size() != size()) ||
        (size() == kSlimBaseSize && !image_.isNull()))
        StretchFace();
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, image_.isNull() ? canvas_.image() : image_);
}

void CTikoDlg_TimeSlim::setVisible(bool visible) {
    if (visible && !isVisible()) {
        const Class_TIKOCONF_ENV* env = context_.conf != nullptr ? context_.conf->Env() : nullptr;
        setWindowFlag(Qt::WindowStaysOnTopHint, env != nullptr && env->bTopMost.load() == 1);
    }
    QDialog::setVisible(visible);
}

void CTikoDlg_TimeSlim::ApplyTopMost() {
    const Class_TIKOCONF_ENV* env = context_.conf != nullptr ? context_.conf->Env() : nullptr;
    const bool wanted = env != nullptr && env->bTopMost.load() == 1;
    if (wanted == windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        return;
    const bool wasVisible = isVisible();
    const QPoint at = pos();
    setWindowFlag(Qt::WindowStaysOnTopHint, wanted);
    if (wasVisible) {
        move(at);
        show();
    }
}

void CTikoDlg_TimeSlim::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        FitInsideScreen(*this);  // a cascade or a stored place may lie off the screen
    QDialog::showEvent(event);
    Refresh();
    ticker_->Arm();
}

void CTikoDlg_TimeSlim::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    ticker_->Arm();
}

void CTikoDlg_TimeSlim::mousePressEvent(QMouseEvent* event) {
    if (!drag_.Press(*this, event))
        QDialog::mousePressEvent(event);
}

void CTikoDlg_TimeSlim::mouseMoveEvent(QMouseEvent* event) {
    if (!drag_.Move(*this, event))
        QDialog::mouseMoveEvent(event);
}

void CTikoDlg_TimeSlim::mouseReleaseEvent(QMouseEvent* event) {
    if (!drag_.Release(event))
        QDialog::mouseReleaseEvent(event);
}

void CTikoDlg_TimeSlim::contextMenuEvent(QContextMenuEvent* event) {
    frame_.ShowContextMenu(this, event->globalPos());
    event->accept();
}
