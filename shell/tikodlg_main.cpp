#include "shell/tikodlg_main.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>

#include "shell/lumstatic_color.h"
#include "shell/lumwnd_clock.h"
#include "treestore/conf_schema.h"
#include "windowkit/access_keys.h"
#include "windowkit/runtime_bridge.h"

namespace {

const Class_TIKOCONF_ENV* EnvOf(const ShellContext& context) {
    return context.conf != nullptr ? context.conf->Env() : nullptr;
}

}  // namespace

CTikoDlg_Main::CTikoDlg_Main(const ShellContext& context, IMainFrame& frame, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      context_(context),
      frame_(frame),
      msgBack_(EnvOf(context) != nullptr ? EnvOf(context)->crMsgBack.load() : 0x808080),
      msgText_(EnvOf(context) != nullptr ? EnvOf(context)->crMsgText.load() : 0x00FFFF) {
    setWindowTitle(QStringLiteral("TIKo3"));
    setFont(DialogFont());
    units_ = BaseUnitsOf(font());
    setFixedSize(DluToPixels(main_dialog::kSize, units_));

    worldTime_ = MakeButton("세계시", main_dialog::kWorldTime);
    settings_ = MakeButton("설정", main_dialog::kSettings);
    help_ = MakeButton("도움말", main_dialog::kHelp);
    hide_ = MakeButton("감추기", main_dialog::kHide);
    compare_ = MakeButton("비교", main_dialog::kCompare);
    sync_ = MakeButton("동기", main_dialog::kSync);

    clockFrame_ = new QFrame(this);
    clockFrame_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    clockFrame_->setGeometry(DluToPixels(main_dialog::kClockFrame, units_));

    clock_ = new CLumWnd_Clock(context_, this);
    clock_->setGeometry(DluToPixels(main_dialog::kClockFace, units_));

    message_ = new CLumStatic_Color(context_, this);
    message_->setGeometry(DluToPixels(main_dialog::kMessage, units_));
    message_->setAlignment(Qt::AlignCenter);
    message_->SetTextColor(msgText_);
    message_->SetBkColor(msgBack_);
    message_->setFont(DialogFont());
    message_->setAccessibleName(QString::fromUtf8("메시지"));

    logo_ = new QLabel(this);
    logo_->setPixmap(QPixmap(QStringLiteral(":/shell/logo.xpm"))
                         .scaled(main_dialog::kLogoPixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    logo_->setGeometry(QRect(
        QPoint(DluToPixelsX(main_dialog::kLogo.x(), units_), DluToPixelsY(main_dialog::kLogo.y(), units_)),
        main_dialog::kLogoPixels));
    logo_->setAccessibleName(QStringLiteral("TIKo3"));

    SetAccessKeys(*this, access_keys::kMainDialog);

    connect(compare_, &QPushButton::clicked, this, &CTikoDlg_Main::OnCompare);
    connect(sync_, &QPushButton::clicked, this, &CTikoDlg_Main::OnSync);
    connect(hide_, &QPushButton::clicked, this, &CTikoDlg_Main::OnHide);
    connect(worldTime_, &QPushButton::clicked, this, [this] { frame_.RunCommand(kCmdWorldTime, this); });
    connect(settings_, &QPushButton::clicked, this, [this] { frame_.RunCommand(kCmdSettings, this); });
    connect(help_, &QPushButton::clicked, this, [this] { frame_.RunCommand(kCmdHelp, this); });

    flashTimer_.setInterval(kFlashPeriodMs);
    connect(&flashTimer_, &QTimer::timeout, this, &CTikoDlg_Main::FlashTick);

    if (CRuntimeBridge* bridge = context_.bridge) {
        connect(bridge, &CRuntimeBridge::compareResult, this,
                [this](const QString& text, bool readable) { ShowResult(text, false, readable); });
        connect(bridge, &CRuntimeBridge::syncResult, this,
                [this](const QString& text, bool readable) { ShowResult(text, true, readable); });
    }
}

QPushButton* CTikoDlg_Main::MakeButton(const char* caption, const QRect& dlu) {
    auto* button = new QPushButton(QString::fromUtf8(caption), this);
    button->setAccessibleName(button->text());
    // Left auto-default, as in any dialog: Return presses the focused button.
    button->setGeometry(DluToPixels(dlu, units_));
    return button;
}

void CTikoDlg_Main::ShowResult(const QString& fullText, bool synchronised, bool readable) {
    if (!readable) {
        EnableRequests(true);
        return;
    }
    // The field holds one line; a refused setting's cause follows its first line and is shown
    // whole as the field's tool tip and accessible description.
    const QString text = fullText.section(QLatin1Char('\n'), 0, 0);
    const QString more = text == fullText ? QString() : fullText;
    message_->ShowMessage(text);
    message_->setToolTip(more);
    message_->setAccessibleDescription(more);
    // The person who pressed 동기 (the buttons wait for its result) is told the cause and the way
    // out in a box; an automatic synchronisation's refusal stays in the line, not a box an hour.
    if (synchronised && !more.isEmpty() && !sync_->isEnabled()) {
        delete causeBox_;
        causeBox_ =
            new QMessageBox(QMessageBox::Information, QStringLiteral("TIKo3"), more, QMessageBox::Ok, this);
        causeBox_->setAttribute(Qt::WA_DeleteOnClose);
        SetAccessKeys(*causeBox_);
        causeBox_->open();  // not exec: the clock and the close path go on beneath it
    }
    if (synchronised) {
        lastSyncMessage_ = text;
        const Class_TIKOCONF_ENV* env = EnvOf(context_);
        if (env != nullptr && env->bBlinkOnSync.load() == 1) {
            // A new result starts a whole sequence, even in the middle of one.
            flashCounter_ = 0;
            flashTimer_.start();
        }
    }
    EnableRequests(true);
}

void CTikoDlg_Main::FlashTick() {
    const FlashStep step = NextFlashStep(flashCounter_);
    flashCounter_ = step.counter;
    if (step.stop) {
        flashTimer_.stop();
        return;
    }
    message_->setText(step.showMessage ? lastSyncMessage_ : QString());
}

void CTikoDlg_Main::EnableRequests(bool enabled) {
    compare_->setEnabled(enabled);
    sync_->setEnabled(enabled);
}

void CTikoDlg_Main::OnCompare() {
    if (context_.bridge != nullptr)
        context_.bridge->RequestCompare();
    EnableRequests(false);
}

void CTikoDlg_Main::OnSync() {
    if (context_.bridge != nullptr)
        context_.bridge->RequestSync();
    EnableRequests(false);
}

void CTikoDlg_Main::OnHide() {
    if (!frame_.HasNotificationArea()) {
        showMinimized();
        return;
    }
    if (Class_TIKOCONF_ENV* env = context_.conf != nullptr ? context_.conf->Env() : nullptr)
        env->bMainVisible.store(0);
    accept();
}

void CTikoDlg_Main::reject() {
    if (frame_.HasNotificationArea())
        QDialog::reject();
    else
        showMinimized();
}

void CTikoDlg_Main::contextMenuEvent(QContextMenuEvent* event) {
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Keyboard) {
        // Below the focused control, not wherever the pointer happens to be.
        const QWidget* focus = focusWidget() != nullptr ? focusWidget() : this;
        at = focus->mapToGlobal(QPoint(0, focus->height()));
    }
    frame_.ShowContextMenu(nullptr, at);
    event->accept();
}

void CTikoDlg_Main::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(), QCursor::pos());
        contextMenuEvent(&menu);
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CTikoDlg_Main::TopMostWanted() const {
    const Class_TIKOCONF_ENV* env = EnvOf(context_);
    return env != nullptr && env->bTopMost.load() == 1;
}

void CTikoDlg_Main::setVisible(bool visible) {
    // The stay-on-top hint is set before the window maps, so showing does not map it twice.
    if (visible && !isVisible())
        setWindowFlag(Qt::WindowStaysOnTopHint, TopMostWanted());
    QDialog::setVisible(visible);
}

void CTikoDlg_Main::ApplyTopMost() {
    const bool wanted = TopMostWanted();
    if (wanted == windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        return;
    const bool wasVisible = isVisible();
    const QPoint at = pos();
    setWindowFlag(Qt::WindowStaysOnTopHint, wanted);
    if (wasVisible) {
        reshowing_ = true;
        move(at);
        show();
        reshowing_ = false;
    }
}

void CTikoDlg_Main::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        FitInsideScreen(*this);  // a place stored on a larger screen or at another scale
    QDialog::showEvent(event);
    if (reshowing_ || event->spontaneous())
        return;
    const Class_TIKOCONF_ENV* env = EnvOf(context_);
    if (env != nullptr && env->bCompareAtStart.load() == 1 && context_.bridge != nullptr)
        context_.bridge->RequestCompare();
}

void CTikoDlg_Main::closeEvent(QCloseEvent* event) {
    // The close box ends the program: hide now, the frame closes after this returns.
    QDialog::closeEvent(event);
    frame_.PostClose();
}

void CTikoDlg_Main::mousePressEvent(QMouseEvent* event) {
    if (!drag_.Press(*this, event))
        QDialog::mousePressEvent(event);
}

void CTikoDlg_Main::mouseMoveEvent(QMouseEvent* event) {
    if (!drag_.Move(*this, event))
        QDialog::mouseMoveEvent(event);
}

void CTikoDlg_Main::mouseReleaseEvent(QMouseEvent* event) {
    if (drag_.Release(event))
        RememberPosition();
    else
        QDialog::mouseReleaseEvent(event);
}

void CTikoDlg_Main::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    if (drag_.MovedBySystem())
        RememberPosition();
}

void CTikoDlg_Main::RememberPosition() {
    if (Class_TIKOCONF_WDPROP_MAINDLG* node = context_.conf != nullptr ? context_.conf->MainDlg() : nullptr) {
        node->nLeft.store(pos().x());
        node->nTop.store(pos().y());
    }
}
