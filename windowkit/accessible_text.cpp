#include "windowkit/accessible_text.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QCalendarWidget>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QRegularExpression>
#include <QTableView>
#include <map>
#include <mutex>

namespace {

std::function<void(QObject*)>& AnnounceHook() {
    static std::function<void(QObject*)> hook;
    return hook;
}

constexpr char kRadioProperty[] = "tiko3RadioButton";

// A self-painted widget: named by what it shows, its caption kept as the description.
class ShownTextAccessible : public QAccessibleWidget {
public:
    ShownTextAccessible(QWidget* widget, const IShownText& shown)
        : QAccessibleWidget(widget, shown.ShownRole()), shown_(shown) {}

    QString text(QAccessible::Text t) const override {
        switch (t) {
            case QAccessible::Name: {
                const QString shown = shown_.ShownText();
                return shown.isEmpty() ? widget()->accessibleName() : shown;
            }
            case QAccessible::Description:
                return widget()->accessibleName();
            default:
                return QAccessibleWidget::text(t);
        }
    }

private:
    const IShownText& shown_;
};

// Qt names a combo box on Linux by its current entry; a reader then hears "00시" for the
// hour box. Here the name is the label's, the entry the value.
class NamedComboAccessible : public QAccessibleWidget {
public:
    explicit NamedComboAccessible(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {
        addControllingSignal(QStringLiteral("currentIndexChanged(int)"));
    }

    QComboBox* combo() const { return static_cast<QComboBox*>(widget()); }

    QString text(QAccessible::Text t) const override {
        switch (t) {
            case QAccessible::Name:
                // Unnamed, it says its entry as Qt does.
                return combo()->accessibleName().isEmpty() ? text(QAccessible::Value)
                                                           : combo()->accessibleName();
            case QAccessible::Value:
                return combo()->isEditable() && combo()->lineEdit() != nullptr ? combo()->lineEdit()->text()
                                                                               : combo()->currentText();
            default:
                return QAccessibleWidget::text(t);
        }
    }

    QStringList actionNames() const override {
        return QStringList{showMenuAction(), pressAction()} << QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override {
        if (action == showMenuAction() || action == pressAction())
            combo()->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }
};

// A check box of an either-or pair, told as a radio button; its action clicks it as the mouse does.
class PairBoxAccessible : public QAccessibleWidget {
public:
    explicit PairBoxAccessible(QAbstractButton* box) : QAccessibleWidget(box, QAccessible::RadioButton) {}

    QAbstractButton* box() const { return static_cast<QAbstractButton*>(widget()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const QString name = widget()->accessibleName();
            return name.isEmpty() ? QString(box()->text()).remove(u'&') : name;
        }
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = box()->isChecked();
        return s;
    }

    QStringList actionNames() const override {
        return QStringList{pressAction(), toggleAction()} << QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override {
        if (action == pressAction() || action == toggleAction())
            box()->click();
        else
            QAccessibleWidget::doAction(action);
    }
};

// The calendar's days: Qt names a day cell by its number alone ("24"); a reader needs the
// month and year, which the cell's place tells (the first rows may hold the month before,
// the last rows the month after).
class CalendarCellAccessible : public QAccessibleInterface {
public:
    CalendarCellAccessible(QTableView* view, int row, int column) : view_(view), row_(row), column_(column) {}

    bool isValid() const override { return view_ != nullptr; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return view_ != nullptr ? view_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(view_.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override {}

    QModelIndex index() const {
        return view_ != nullptr && view_->model() != nullptr ? view_->model()->index(row_, column_)
                                                             : QModelIndex();
    }

    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name)
            return {};
        const QModelIndex at = index();
        const QString shown = at.data(Qt::DisplayRole).toString();
        bool isDay = false;
        const int day = shown.toInt(&isDay);
        const auto* calendar =
            view_ != nullptr ? qobject_cast<QCalendarWidget*>(view_->parentWidget()) : nullptr;
        if (!isDay || calendar == nullptr)
            return shown;  // a weekday heading
        QDate month(calendar->yearShown(), calendar->monthShown(), 1);
        const int rows = view_->model()->rowCount();
        if (row_ < rows / 2 && day > 15)
            month = month.addMonths(-1);
        else if (row_ >= rows / 2 && day < 15)
            month = month.addMonths(1);
        const QDate date(month.year(), month.month(), day);
        return calendar->locale().toString(date, QStringLiteral("yyyy년 M월 d일 dddd"));
    }

    QRect rect() const override {
        if (view_ == nullptr)
            return {};
        const QRect cell = view_->visualRect(index());
        return QRect(view_->viewport()->mapToGlobal(cell.topLeft()), cell.size());
    }

    QAccessible::Role role() const override { return QAccessible::Cell; }

    QAccessible::State state() const override {
        QAccessible::State s;
        if (view_ == nullptr)
            return s;
        const QModelIndex at = index();
        s.selectable = true;
        s.focusable = true;
        s.selected = view_->selectionModel() != nullptr && view_->selectionModel()->isSelected(at);
        s.focused = view_->hasFocus() && view_->currentIndex() == at;
        s.invisible = !view_->viewport()->rect().intersects(view_->visualRect(at));
        return s;
    }

    int row() const { return row_; }
    int column() const { return column_; }

private:
    QPointer<QTableView> view_;
    int row_;
    int column_;
};

// The day table. Its children are numbered as the view numbers them in its focus events: a
// row and a column for the (hidden) headers come first.
class CalendarViewAccessible : public QAccessibleWidget {
public:
    explicit CalendarViewAccessible(QTableView* view) : QAccessibleWidget(view, QAccessible::Table) {}
    ~CalendarViewAccessible() override {
        for (const auto& [key, id] : cells_)
            QAccessible::deleteAccessibleInterface(id);
    }

    QTableView* view() const { return static_cast<QTableView*>(widget()); }
    int rows() const { return view()->model() != nullptr ? view()->model()->rowCount() : 0; }
    int columns() const { return view()->model() != nullptr ? view()->model()->columnCount() : 0; }

    int childCount() const override { return rows() == 0 ? 0 : (rows() + 1) * (columns() + 1); }

    QAccessibleInterface* child(int index) const override {
        const int row = index / (columns() + 1) - 1;
        const int column = index % (columns() + 1) - 1;
        if (index < 0 || row < 0 || column < 0 || row >= rows())
            return nullptr;
        const auto found = cells_.find(index);
        if (found != cells_.end())
            return QAccessible::accessibleInterface(found->second);
        auto* cell = new CalendarCellAccessible(view(), row, column);
        cells_[index] = QAccessible::registerAccessibleInterface(cell);
        return cell;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        const auto* cell = dynamic_cast<const CalendarCellAccessible*>(child);
        return cell == nullptr ? -1 : (cell->row() + 1) * (columns() + 1) + cell->column() + 1;
    }

    QAccessibleInterface* childAt(int x, int y) const override {
        const QModelIndex at = view()->indexAt(view()->viewport()->mapFromGlobal(QPoint(x, y)));
        return at.isValid() ? child((at.row() + 1) * (columns() + 1) + at.column() + 1) : nullptr;
    }

    QAccessibleInterface* focusChild() const override {
        const QModelIndex at = view()->currentIndex();
        return at.isValid() ? child((at.row() + 1) * (columns() + 1) + at.column() + 1) : nullptr;
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && view()->parentWidget() != nullptr)
            return view()->parentWidget()->accessibleName();
        return QAccessibleWidget::text(t);
    }

private:
    mutable std::map<int, QAccessible::Id> cells_;
};

enum class Kind { Other, Shown, Combo, Pair, CalendarDays };

Kind KindOf(QObject* object) {
    if (qobject_cast<QWidget*>(object) == nullptr)
        return Kind::Other;
    if (dynamic_cast<const IShownText*>(object) != nullptr)
        return Kind::Shown;
    if (qobject_cast<QComboBox*>(object) != nullptr)
        return Kind::Combo;
    if (qobject_cast<QAbstractButton*>(object) != nullptr && object->property(kRadioProperty).toBool())
        return Kind::Pair;
    if (qobject_cast<QTableView*>(object) != nullptr &&
        qobject_cast<QCalendarWidget*>(object->parent()) != nullptr)
        return Kind::CalendarDays;
    return Kind::Other;
}

QAccessibleInterface* Factory(const QString&, QObject* object) {
    switch (KindOf(object)) {
        case Kind::Shown:
            return new ShownTextAccessible(static_cast<QWidget*>(object),
                                           *dynamic_cast<const IShownText*>(object));
        case Kind::Combo:
            return new NamedComboAccessible(static_cast<QComboBox*>(object));
        case Kind::Pair:
            return new PairBoxAccessible(static_cast<QAbstractButton*>(object));
        case Kind::CalendarDays:
            return new CalendarViewAccessible(static_cast<QTableView*>(object));
        case Kind::Other:
            break;
    }
    return nullptr;
}

}  // namespace

ShownTextLabel::ShownTextLabel(QWidget* parent) : QLabel(parent) {
    RenewAccessibleInterface(this);
}

void ShownTextLabel::SetShownText(const QString& text) {
    if (text == this->text())
        return;
    setText(text);
    AnnounceShownText(this);
}

void InstallAccessibleInterfaces() {
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(Factory); });
}

void RenewAccessibleInterface(QWidget* widget) {
    InstallAccessibleInterfaces();
    QAccessibleInterface* made = QAccessible::queryAccessibleInterface(widget);
    if (made == nullptr)
        return;
    const bool right = dynamic_cast<ShownTextAccessible*>(made) != nullptr ||
                       dynamic_cast<NamedComboAccessible*>(made) != nullptr ||
                       dynamic_cast<PairBoxAccessible*>(made) != nullptr ||
                       dynamic_cast<CalendarViewAccessible*>(made) != nullptr;
    if (!right && KindOf(widget) != Kind::Other)
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

void AnnounceShownText(QWidget* widget) {
    if (widget == nullptr)
        return;
    if (const auto& hook = AnnounceHook())
        hook(widget);
    QAccessibleEvent event(widget, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void ExposeAsRadioButton(QAbstractButton* box) {
    InstallAccessibleInterfaces();
    box->setProperty(kRadioProperty, true);
    RenewAccessibleInterface(box);
}

QString OneLine(const QString& text) {
    static const QRegularExpression breaks(QStringLiteral("\\s*[\\r\\n]+\\s*"));
    return QString(text).replace(breaks, QStringLiteral(" ")).trimmed();
}

void SetAnnounceHookForTests(std::function<void(QObject*)> hook) {
    AnnounceHook() = std::move(hook);
}
