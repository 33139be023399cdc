#pragma once
// The world time dialog: the tree of the world table's regions, the search, the selected
// region's clock face and information text, and the button that opens a world clock for it.

#include <QDialog>
#include <QString>
#include <functional>
#include <vector>

#include "windowkit/accessible_text.h"
#include "windowkit/shell_context.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class CLumWnd_WorldClock;
namespace world {
class WorldStore;
struct WorldTable;
}  // namespace world

// The message when the table file cannot be read (its line breaks as Linux writes them).
extern const char* const kNoWorldTableText;

class CTikoDlg_WorldTime : public QDialog {
    Q_OBJECT

public:
    struct Hooks {
        std::function<void(int regionIndex, const QString& name)> openWorldClock;
        std::function<void()> saveConfiguration;
    };

    // `table` is the store's, already read; the dialog fills its tree from it.
    CTikoDlg_WorldTime(const ShellContext& context, world::WorldStore& store, const world::WorldTable& table,
                       Hooks hooks, QWidget* parent = nullptr);

    // 찾기: the first region, in file order, whose name holds the search text.
    void Search();
    // 닫기: position kept, hidden, configuration saved.
    void CloseAndSave();
    // Escape and the close box: position kept, hidden.
    void reject() override;

    QTreeWidget* tree() const { return tree_; }
    QLineEdit* searchEdit() const { return search_; }
    QLabel* information() const { return info_; }
    CLumWnd_WorldClock* face() const { return face_; }
    QPushButton* findButton() const { return find_; }
    QPushButton* showClockButton() const { return showClock_; }
    QPushButton* closeButton() const { return close_; }
    // The tree item of a table index (null for none).
    QTreeWidgetItem* ItemOf(int regionIndex) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Kept inside the screen, whatever the stored place and the scale.
    void showEvent(QShowEvent* event) override;

private:
    void FillTree(const world::WorldTable& table);
    void OnSelectionChanged();
    void RebuildInformation();
    void KeepPosition();

    ShellContext context_;
    world::WorldStore& store_;
    Hooks hooks_;
    CLumWnd_WorldClock* face_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QLineEdit* search_ = nullptr;
    QPushButton* find_ = nullptr;
    ShownTextLabel* info_ = nullptr;
    QPushButton* showClock_ = nullptr;
    QPushButton* close_ = nullptr;
    std::vector<QTreeWidgetItem*> items_;  // by table index
};
