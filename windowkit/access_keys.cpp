#include "windowkit/access_keys.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

namespace {

QString CaptionOf(const QAbstractButton& button) {
    return button.text().isEmpty() ? button.accessibleName() : button.text();
}

// While a menu is open its items' keys choose them: the item becomes the current one and is
// chosen as Return chooses it, so the menu closes and a menu run with exec() returns it.
class MenuKeys final : public QObject {
public:
    explicit MenuKeys(QMenu* menu) : QObject(menu), menu_(*menu) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &menu_ || event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() != Qt::NoModifier)
            return false;
        const QKeySequence pressed(key->key());
        for (QAction* action : menu_.actions()) {
            if (action->isVisible() && action->isEnabled() && !action->isSeparator() &&
                action->shortcut() == pressed) {
                menu_.setActiveAction(action);
                QKeyEvent choose(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                QCoreApplication::sendEvent(&menu_, &choose);
                return true;
            }
        }
        return false;
    }

private:
    QMenu& menu_;
};

}  // namespace

QKeySequence ButtonAccessKey(char key) {
    return QKeySequence(QKeyCombination(Qt::AltModifier, static_cast<Qt::Key>(key)));
}

QKeySequence MenuAccessKey(char key) {
    return QKeySequence(static_cast<Qt::Key>(key));
}

void SetAccessKey(QAbstractButton& button, char key) {
    const QKeySequence sequence = ButtonAccessKey(key);
    // Qt hands the shortcut to screen readers as the button's key binding.
    button.setShortcut(sequence);
    const QString said = sequence.toString(QKeySequence::NativeText);
    const QString tip = button.toolTip();
    button.setToolTip(tip.isEmpty() ? said : tip + QStringLiteral(" (") + said + QLatin1Char(')'));
}

void SetAccessKey(QAction& action, char key) {
    // Shown at the item's right. The shortcut map never fires it for an item of a menu that no
    // window holds (its context is the menu's own place in a menu bar); MenuKeys does.
    action.setShortcut(MenuAccessKey(key));
}

void SetAccessKeys(QWidget& window, std::span<const AccessKey> table) {
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        const QString caption = CaptionOf(*button);
        for (const AccessKey& entry : table) {
            if (caption == QString::fromUtf8(entry.caption))
                SetAccessKey(*button, entry.key);
        }
    }
}

void SetAccessKeys(QMenu& menu, std::span<const AccessKey> table) {
    for (QAction* action : menu.actions()) {
        for (const AccessKey& entry : table) {
            if (action->text() == QString::fromUtf8(entry.caption))
                SetAccessKey(*action, entry.key);
        }
    }
    const QString keysName = QStringLiteral("tiko3_menu_keys");
    if (menu.findChild<QObject*>(keysName, Qt::FindDirectChildrenOnly) == nullptr) {
        auto* keys = new MenuKeys(&menu);
        keys->setObjectName(keysName);
        menu.installEventFilter(keys);
    }
}

void SetAccessKeys(QMessageBox& box) {
    constexpr std::pair<QMessageBox::StandardButton, char> kKeys[] = {
        {QMessageBox::Ok, 'O'}, {QMessageBox::Cancel, 'C'}, {QMessageBox::Yes, 'Y'}, {QMessageBox::No, 'N'}};
    for (const auto& [which, key] : kKeys) {
        if (QAbstractButton* button = box.button(which))
            SetAccessKey(*button, key);
    }
}
