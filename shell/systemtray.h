#pragma once
// The program's icon in the notification area: the menu on a right click, the main window on a
// left click.

#include <QObject>
#include <functional>

class QIcon;
class QMenu;
class QSystemTrayIcon;

class CSystemTray : public QObject {
    Q_OBJECT

public:
    CSystemTray();
    ~CSystemTray() override;

    // Shows `icon` with the tool tip `tip`; `menu` (borrowed) opens on a right click and
    // `onLeftClick` runs on a left click. False when the desktop has no notification area.
    bool Create(QMenu* menu, const QString& tip, const QIcon& icon, std::function<void()> onLeftClick);
    bool IsAdded() const { return added_; }
    QSystemTrayIcon* Icon() const { return icon_; }

    // What a click on the icon does; the icon's own signal ends here too.
    void OnActivated(int reason);
    // Where the notification area passes keys to the icon: Menu and Shift+F10 open the menu,
    // Return and Space do what a left click does. True when the key was one of those.
    bool OnKey(int key, Qt::KeyboardModifiers modifiers);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QSystemTrayIcon* icon_ = nullptr;
    bool added_ = false;
    std::function<void()> onLeftClick_;
    QMenu* menu_ = nullptr;
};
