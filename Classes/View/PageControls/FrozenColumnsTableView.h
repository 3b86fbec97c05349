// A table whose first columns stay in view while the others scroll sideways beneath them: a second
// view of the same model and selection lies over the left edge and shows only those columns. The
// table itself keeps the keyboard: moving, selecting and editing work across every column, and a
// cell under the frozen columns is edited in the view that shows it.
#pragma once

#include <QTableView>

#include <functional>

class FrozenColumnsTableView : public QTableView {
    Q_OBJECT
public:
    FrozenColumnsTableView(int frozenColumns, QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;
    void setSelectionModel(QItemSelectionModel* selectionModel) override;
    // The font, row height and selection rules of the frozen view are taken from the table when
    // the model is set. Each view needs a delegate of its own: one made by makeDelegate(view) for each.
    void setItemDelegates(const std::function<QAbstractItemDelegate*(QTableView*)>& makeDelegate);

    int frozenColumnCount() const { return m_frozenCount; }
    // The view over the left edge showing the frozen columns.
    QTableView* frozenView() const;
    // The width the frozen columns take, on the left of the viewport.
    int frozenWidth() const;

    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void updateGeometries() override;

private:
    class FrozenView;

    bool isFrozen(int column) const { return column >= 0 && column < m_frozenCount; }
    void matchLook();
    void showFrozenColumnsOnly();
    void placeFrozenView();
    // Scrolls so that a cell right of the frozen columns is not hidden beneath them.
    void uncover(const QModelIndex& index);

    int m_frozenCount;
    FrozenView* m_frozen;
};
