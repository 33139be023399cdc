#include "shell/systemtray.h"

#include <QCoreApplication>
#include <QCursor>
#include <QKeyEvent>
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
    menu_ = menu;
    icon_ = new QSystemTrayIcon(icon, this);
    icon_->setToolTip(tip);
    icon_->setContextMenu(menu);
    connect(icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { OnActivated(reason); });
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    icon_->show();
    added_ = true;
    // The embedded icon is Qt's own widget; its keys are seen on their way to it.
    QCoreApplication::instance()->installEventFilter(this);
    return true;
}

void CSystemTray::OnActivated(int reason) {
    // A right click opens the context menu by itself; a double click also begins with a
    // trigger, so it needs nothing of its own.
    if (reason == QSystemTrayIcon::Trigger && onLeftClick_)
        onLeftClick_();
}

bool CSystemTray::OnKey(int key, Qt::KeyboardModifiers modifiers) {
    const bool menuKey = key == Qt::Key_Menu || (key == Qt::Key_F10 && modifiers == Qt::ShiftModifier);
    if (menuKey && menu_ != nullptr) {
        const QRect at = icon_ != nullptr ? icon_->geometry() : QRect();
        menu_->popup(at.isValid() ? at.bottomLeft() : QCursor::pos());
        if (!menu_->actions().isEmpty())
            menu_->setActiveAction(menu_->actions().first());
        return true;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) &&
        modifiers == Qt::NoModifier) {
        OnActivated(QSystemTrayIcon::Trigger);
        return true;
    }
    return false;
}

bool CSystemTray::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        qstrcmp(watched->metaObject()->className(), "QSystemTrayIconSys") == 0) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        return OnKey(key->key(), key->modifiers());
    }
    return false;
}
