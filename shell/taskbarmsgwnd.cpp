#include "shell/taskbarmsgwnd.h"

#include <QAccessible>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "platform/regular_file.h"
#include "shell/launcher.h"
#include "shell/schedule_report.h"

namespace {

// The shipped frame is a small bitmap; nothing larger is one.
constexpr std::size_t kPictureLimit = std::size_t{16} << 20;
// The picture is drawn from this point of its own, so its frame lines up with the window's edge.
constexpr QPoint kPictureOrigin(9, 9);
}  // namespace

CTaskBarMsgWnd::CTaskBarMsgWnd(const QString& text, int width, int height, int displayMs, int stepMs,
                               const QRect& textRect, QColor background, ILauncher& launcher)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      width_(width),
      height_(height),
      displayMs_(displayMs),
      stepMs_(stepMs),
      text_(text),
      textRect_(textRect),
      launcher_(launcher) {
    setAttribute(Qt::WA_DeleteOnClose);
    // Never takes the focus from the window the user types in, but may be given it (a click,
    // the window manager's switcher) to be closed from the keyboard.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, background);
    setPalette(p);
    setCursor(Qt::BusyCursor);
    font_ = QFont(QStringLiteral("굴림"));
    font_.setPointSize(10);
    font_.setWeight(QFont::Medium);
    underlined_ = font_;
    underlined_.setUnderline(true);
    // A missing picture shows nothing; a FIFO or a device in its place is not waited on.
    if (const auto bytes = platform::ReadRegularFile("frame.bmp", nullptr, kPictureLimit))
        picture_.loadFromData(reinterpret_cast<const uchar*>(bytes->data()),
                              static_cast<uint>(bytes->size()));
    setAccessibleName(QStringLiteral("알람"));
    stepTimer_.setInterval(stepMs_);
    stayTimer_.setSingleShot(true);
    stayTimer_.setInterval(displayMs_);
    connect(&stepTimer_, &QTimer::timeout, this, &CTaskBarMsgWnd::OnStep);
    connect(&stayTimer_, &QTimer::timeout, this, [this] { stepTimer_.start(); });
    RenewAccessibleInterface(this);
}

CTaskBarMsgWnd::~CTaskBarMsgWnd() = default;

void CTaskBarMsgWnd::PopMsg() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect work = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    slide_ = std::make_unique<PopupSlide>(PlacePopup(work, width_), width_, height_);
    stepTimer_.start();
}

void CTaskBarMsgWnd::OnStep() {
    switch (slide_->Step()) {
        case PopupSlide::Action::Place:
            setGeometry(slide_->Geometry());
            if (!isVisible()) {
                show();
                // Appearing without the focus, it is told to a reader as it comes.
                AnnounceShownText(this);
            }
            raise();
            break;
        case PopupSlide::Action::Stay:
            stepTimer_.stop();
            stayTimer_.start();
            break;
        case PopupSlide::Action::Destroy:
            stepTimer_.stop();
            close();  // deletes the window
            break;
    }
}

void CTaskBarMsgWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!picture_.isNull())
        painter.drawPixmap(-kPictureOrigin, picture_);
    painter.setFont(hover_ ? underlined_ : font_);
    painter.setPen(Qt::black);
    painter.drawText(textRect_.translated(-kPictureOrigin), Qt::TextWordWrap, text_);
}

void CTaskBarMsgWnd::SetHover(bool hover) {
    if (hover_ == hover)
        return;
    hover_ = hover;
    update();
}

void CTaskBarMsgWnd::enterEvent(QEnterEvent*) {
    SetHover(true);
}

void CTaskBarMsgWnd::leaveEvent(QEvent*) {
    SetHover(false);
}

void CTaskBarMsgWnd::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            stepTimer_.stop();
            stayTimer_.stop();
            close();  // deletes the window
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

void CTaskBarMsgWnd::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        OpenDetail();
}

bool CTaskBarMsgWnd::OpenDetail() {
    const QString path = QDir::current().absoluteFilePath(QString::fromUtf8(kAlarmFileName));
    if (!WriteTextFile(path.toStdString(), detail_.toStdString()))
        return false;
    launcher_.Open(path);
    return true;
}
