#include "dialogs/tikoprosheet_setup.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

#include "dialogs/tikopropage_alarm.h"
#include "dialogs/tikopropage_com.h"
#include "dialogs/tikopropage_env.h"
#include "dialogs/tikopropage_syncinfo.h"
#include "windowkit/access_keys.h"
#include "windowkit/window_layout.h"

namespace {

constexpr int kRoomNeeded = 200;
constexpr int kCascade = 40;

}  // namespace

std::optional<QPoint> SheetPlacement(const QRect& desktop, const QRect& parent) {
    if (desktop.right() - parent.right() >= kRoomNeeded && desktop.bottom() - parent.bottom() >= kRoomNeeded)
        return parent.topLeft() + QPoint(kCascade, kCascade);
    return std::nullopt;
}

CTikoProSheet_Setup::CTikoProSheet_Setup(const ShellContext& context, IMainFrame& frame, IMessageAsker& asker,
                                         IScreenSaverSwitch& saver, QWidget* near)
    : QDialog(nullptr), near_(near) {
    setWindowTitle(QStringLiteral("설정"));
    setFont(DialogFont());
    // A sheet under a main dialog that stays on top could not be reached.
    if (near != nullptr && near->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        setWindowFlag(Qt::WindowStaysOnTopHint, true);

    tabs_ = new QTabWidget(this);
    syncInfo_ = new CTikoProPage_SyncInfo(context, frame, asker);
    env_ = new CTikoProPage_Env(context, frame, asker, saver);
    alarm_ = new CTikoProPage_Alarm(context, frame, asker);
    com_ = new CTikoProPage_Com(context, frame, asker);
    for (QWidget* page : {static_cast<QWidget*>(syncInfo_), static_cast<QWidget*>(env_),
                          static_cast<QWidget*>(alarm_), static_cast<QWidget*>(com_)})
        tabs_->addTab(page, page->windowTitle());

    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(QStringLiteral("확인"), QDialogButtonBox::AcceptRole);
    cancel_ = buttons->addButton(QStringLiteral("취소"), QDialogButtonBox::RejectRole);
    ok_->setDefault(true);
    SetAccessKeys(*this, access_keys::kSettingsSheet);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // 일정관리 opens the schedule dialog and closes the sheet.
    connect(alarm_, &CTikoProPage_Alarm::closeSheetRequested, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

CTikoProSheet_Setup::~CTikoProSheet_Setup() = default;

void CTikoProSheet_Setup::showEvent(QShowEvent* event) {
    if (!placed_ && near_ != nullptr) {
        placed_ = true;
        const QScreen* screen = near_->screen();
        if (screen != nullptr) {
            if (const std::optional<QPoint> at = SheetPlacement(screen->geometry(), near_->frameGeometry()))
                move(*at);
        }
    }
    if (!event->spontaneous())
        FitInsideScreen(*this);
    QDialog::showEvent(event);
}
