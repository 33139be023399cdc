#include "shell/systemtray.h"

#include <QMenu>
#include <QSystemTrayIcon>

CSystemTray::CSystemTray() = default;

CSystemTray::~CSystemTray() {
    if (icon_ != nullptr)
        icon_->hide();
}

bool CSystemTray::Create(QMenu* menu, const QString& tip, const QIcon& icon,
                         std::function<void()> onLeftClick) {
    onLeftClick_ = std::move(onLeftClick);
    icon_ = new QSystemTrayIcon(icon, this);
    icon_->setToolTip(tip);
    icon_->setContextMenu(menu);
    connect(icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { OnActivated(reason); });
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    icon_->show();
    added_ = true;
    return true;
}

void CSystemTray::OnActivated(int reason) {
    // A right click opens the context menu by itself; a double click also begins with a
    // trigger, so it needs nothing of its own.
    if (reason == QSystemTrayIcon::Trigger && onLeftClick_)
        onLeftClick_();
}
