#include "shell/tikodlg_timeslim.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWindow>

#include "runtime/mediator.h"
#include "shell/translucency.h"
#include "shell/window_layout.h"
#include "treestore/conf_schema.h"

CTikoDlg_TimeSlim::CTikoDlg_TimeSlim(const ShellContext& context, IMainFrame& frame, int regionIndex,
                                     QString name, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::FramelessWindowHint),
      context_(context),
      frame_(frame),
      regionIndex_(regionIndex),
      name_(std::move(name)) {
    SetName("TikoDlg_TimeSlim");
    setAccessibleName(regionIndex_ == -1 ? QString::fromUtf8("시계창") : name_);
    if (TranslucencySupported())
        setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_OpaquePaintEvent, !TranslucencySupported());
    resize(kSlimBaseSize);

    source_ = [clock = context_.clock] {
        return clock != nullptr ? platform::KoreanStandardTime(*clock) : platform::CivilTime{};
    };
    secondTimer_.setSingleShot(true);
    connect(&secondTimer_, &QTimer::timeout, this, [this] {
        Refresh();
        ArmSecondTimer();
    });

    const Class_TIKOCONF_ENV* env = context_.conf != nullptr ? context_.conf->Env() : nullptr;
    SetTransparency(env != nullptr && env->bWorldClockTransparent.load() != 0);
    Refresh();
    if (context_.mediator != nullptr)
        context_.mediator->Subscribe(static_cast<CLumAOSM_Observer*>(this), AO_SLIMSIZE_CHANGED_SIG);
}

CTikoDlg_TimeSlim::~CTikoDlg_TimeSlim() {
    if (context_.mediator != nullptr)
        context_.mediator->UnsubscribeAll(static_cast<CLumAOSM_Observer*>(this));
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

SlimTexts CTikoDlg_TimeSlim::texts() const {
    return SlimClockTexts(time_, Hour24());
}

QString CTikoDlg_TimeSlim::labelText() const {
    return regionIndex_ == -1 ? QString::fromUtf8("대한민국") : name_;
}

void CTikoDlg_TimeSlim::UpdateAccessibleText() {
    const SlimTexts t = texts();
    QString second = t.date;
    if (!t.marker.isEmpty())
        second += u' ' + t.marker;
    second += u' ' + t.time;
    shownText_ = labelText() + u'\n' + second;
    setAccessibleDescription(shownText_);
}

void CTikoDlg_TimeSlim::Refresh() {
    time_ = source_();
    const QString before = shownText_;
    UpdateAccessibleText();
    if (shownText_ != before)
        update();
}

void CTikoDlg_TimeSlim::ArmSecondTimer() {
    if (context_.clock == nullptr)
        return;
    // A little past the boundary, so the read lands in the new second.
    const int32_t ns = context_.clock->NowUtc().nanoseconds;
    const int msLeft = 1000 - ns / 1'000'000;
    secondTimer_.start(msLeft + 2);
}

QImage CTikoDlg_TimeSlim::Picture() const {
    const Class_TIKOCONF_ENV* env = context_.conf != nullptr ? context_.conf->Env() : nullptr;
    const bool white = WhiteBackground();
    const QColor back =
        white ? QColor(Qt::white) : ColorFromRef(env != nullptr ? env->crClockBack.load() : 0);
    const QColor text = ColorFromRef(env != nullptr ? env->crClockText.load() : 0x00FF00);
    const SlimTexts t = texts();
    const SlimLayout layout = SlimClockLayout(regionIndex_ != -1, white);

    QImage picture(kSlimBaseSize, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&picture);
    painter.fillRect(picture.rect(), back);
    QFont font(QString::fromUtf8("굴림"));
    font.setPixelSize(kSlimFontPixels);
    // Keyed-out white must not leave half-white fringes round the letters.
    if (keyWhite_)
        font.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(font);
    painter.setPen(text);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(back);
    const auto draw = [&](const QPoint& at, const QString& s) {
        painter.drawText(QRect(at, picture.size()), Qt::AlignLeft | Qt::AlignTop, s);
    };
    draw(layout.label, labelText());
    draw(layout.date, t.date);
    if (!t.marker.isEmpty())
        draw(layout.marker, t.marker);
    draw(layout.time, t.time);
    if (regionIndex_ != -1 && !layout.bar.isEmpty())
        painter.fillRect(layout.bar, text);
    painter.end();

    if (keyWhite_) {
        // Colour key: exactly white becomes fully transparent, everything else stays opaque.
        for (int y = 0; y < picture.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
            for (int x = 0; x < picture.width(); ++x)
                if ((line[x] & 0xFFFFFF) == 0xFFFFFF)
                    line[x] = 0;
        }
    }
    return picture;
}

void CTikoDlg_TimeSlim::paintEvent(QPaintEvent*) {
    if (image_.size() != size())
        image_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
    image_.fill(Qt::transparent);
    {
        QPainter stretch(&image_);
        stretch.drawImage(image_.rect(), Picture());
    }
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, image_);
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
    QDialog::showEvent(event);
    Refresh();
    ArmSecondTimer();
}

void CTikoDlg_TimeSlim::hideEvent(QHideEvent* event) {
    secondTimer_.stop();
    QDialog::hideEvent(event);
}

void CTikoDlg_TimeSlim::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    event->accept();
    // The window manager moves it where it can; otherwise the window follows the mouse itself.
    if (windowHandle() != nullptr && windowHandle()->startSystemMove())
        return;
    dragging_ = true;
    dragWindowStart_ = pos();
    dragMouseStart_ = event->globalPosition().toPoint();
}

void CTikoDlg_TimeSlim::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) {
        QDialog::mouseMoveEvent(event);
        return;
    }
    move(dragWindowStart_ + (event->globalPosition().toPoint() - dragMouseStart_));
    event->accept();
}

void CTikoDlg_TimeSlim::mouseReleaseEvent(QMouseEvent* event) {
    if (dragging_ && event->button() == Qt::LeftButton) {
        dragging_ = false;
        event->accept();
        return;
    }
    QDialog::mouseReleaseEvent(event);
}

void CTikoDlg_TimeSlim::contextMenuEvent(QContextMenuEvent* event) {
    frame_.ShowContextMenu(this, event->globalPos());
    event->accept();
}

int CTikoDlg_TimeSlim::Receive(const CLumAOSM_Message* message, const char*) {
    if (message == nullptr || message->GetSignal() != AO_SLIMSIZE_CHANGED_SIG)
        return -1;
    QPointer<CTikoDlg_TimeSlim> self(this);
    QMetaObject::invokeMethod(
        this,
        [self] {
            if (self)
                self->ApplyScaleFromSettings();
        },
        Qt::QueuedConnection);
    return 0;
}
