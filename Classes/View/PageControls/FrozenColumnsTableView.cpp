#include "Classes/View/PageControls/FrozenColumnsTableView.h"

#include <QHeaderView>
#include <QScrollBar>

// The view over the frozen columns. It never takes the focus, and opens editors for the table.
class FrozenColumnsTableView::FrozenView : public QTableView {
public:
    explicit FrozenView(FrozenColumnsTableView* table)
        : QTableView(table)
        , m_table(table)
    {
    }
    bool editFor(const QModelIndex& index, EditTrigger trigger, QEvent* event) { return edit(index, trigger, event); }

protected:
    // Edited when the table would edit.
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override
    {
        setEditTriggers(m_table->editTriggers());
        return QTableView::edit(index, trigger, event);
    }

    // The keyboard goes back to the table, which moves the cursor, when an editor here closes.
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override
    {
        const bool hadFocus = editor && editor->hasFocus();
        QTableView::closeEditor(editor, hint);
        if (hadFocus)
            m_table->setFocus(Qt::OtherFocusReason);
    }

private:
    FrozenColumnsTableView* m_table;
};

FrozenColumnsTableView::FrozenColumnsTableView(int frozenColumns, QWidget* parent)
    : QTableView(parent)
    , m_frozenCount(frozenColumns)
    , m_frozen(new FrozenView(this))
{
    m_frozen->setFocusPolicy(Qt::NoFocus);
    m_frozen->verticalHeader()->hide();
    m_frozen->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setFrameShape(QFrame::NoFrame);
    // A line at its right edge marks where the columns scrolling beneath it begin.
    m_frozen->setStyleSheet(QStringLiteral("QTableView { background: white; border: none; border-right: 1px solid rgb(200, 200, 200); }"));
    viewport()->stackUnder(m_frozen);
    setHorizontalScrollMode(ScrollPerPixel);

    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int width) {
        if (isFrozen(column)) {
            m_frozen->setColumnWidth(column, width);
            placeFrozenView();
        }
    });
    connect(verticalHeader(), &QHeaderView::sectionResized, this,
            [this](int row, int, int height) { m_frozen->setRowHeight(row, height); });
    connect(verticalScrollBar(), &QAbstractSlider::valueChanged, m_frozen->verticalScrollBar(), &QAbstractSlider::setValue);
    connect(m_frozen->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(), &QAbstractSlider::setValue);
}

void FrozenColumnsTableView::setModel(QAbstractItemModel* model)
{
    matchLook();
    QTableView::setModel(model);
    m_frozen->setModel(model);
    m_frozen->setSelectionModel(selectionModel());
    if (!model)
        return;
    for (auto changed : { &QAbstractItemModel::columnsInserted, &QAbstractItemModel::columnsRemoved })
        connect(model, changed, this, &FrozenColumnsTableView::showFrozenColumnsOnly);
    connect(model, &QAbstractItemModel::modelReset, this, &FrozenColumnsTableView::showFrozenColumnsOnly);
    connect(model, &QAbstractItemModel::layoutChanged, this, &FrozenColumnsTableView::showFrozenColumnsOnly);
    showFrozenColumnsOnly();
}

void FrozenColumnsTableView::setSelectionModel(QItemSelectionModel* selectionModel)
{
    QTableView::setSelectionModel(selectionModel);
    // Setting the model sets its selection model before the frozen view has the model.
    if (selectionModel && m_frozen->model() == selectionModel->model())
        m_frozen->setSelectionModel(selectionModel);
}

void FrozenColumnsTableView::setItemDelegates(const std::function<QAbstractItemDelegate*(QTableView*)>& makeDelegate)
{
    setItemDelegate(makeDelegate(this));
    m_frozen->setItemDelegate(makeDelegate(m_frozen));
}

void FrozenColumnsTableView::matchLook()
{
    m_frozen->setFont(font());
    m_frozen->horizontalHeader()->setFont(horizontalHeader()->font());
    m_frozen->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    m_frozen->setAlternatingRowColors(alternatingRowColors());
    m_frozen->setSelectionBehavior(selectionBehavior());
    m_frozen->setSelectionMode(selectionMode());
    m_frozen->setTabKeyNavigation(tabKeyNavigation());
}

QTableView* FrozenColumnsTableView::frozenView() const
{
    return m_frozen;
}

int FrozenColumnsTableView::frozenWidth() const
{
    int width = 0;
    for (int column = 0; column < m_frozenCount && column < horizontalHeader()->count(); ++column)
        width += columnWidth(column);
    return width;
}

void FrozenColumnsTableView::showFrozenColumnsOnly()
{
    const int columns = model() ? model()->columnCount() : 0;
    for (int column = 0; column < columns; ++column) {
        m_frozen->setColumnHidden(column, !isFrozen(column));
        if (isFrozen(column))
            m_frozen->setColumnWidth(column, columnWidth(column));
    }
    placeFrozenView();
}

void FrozenColumnsTableView::placeFrozenView()
{
    m_frozen->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
    m_frozen->setGeometry(viewport()->x(), frameWidth(), std::min(frozenWidth() + 1, viewport()->width()),
                          viewport()->height() + horizontalHeader()->height());
    m_frozen->setVisible(frozenWidth() > 0);
}

void FrozenColumnsTableView::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    placeFrozenView();
}

void FrozenColumnsTableView::updateGeometries()
{
    QTableView::updateGeometries();
    placeFrozenView();
}

QModelIndex FrozenColumnsTableView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex current = QTableView::moveCursor(cursorAction, modifiers);
    uncover(current);
    return current;
}

void FrozenColumnsTableView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    // A frozen cell is always in view: only the rows scroll for it.
    if (isFrozen(index.column())) {
        const int across = horizontalScrollBar()->value();
        QTableView::scrollTo(index, hint);
        horizontalScrollBar()->setValue(across);
        return;
    }
    QTableView::scrollTo(index, hint);
    uncover(index);
}

void FrozenColumnsTableView::uncover(const QModelIndex& index)
{
    if (!index.isValid() || isFrozen(index.column()))
        return;
    const int hiddenBy = frozenWidth() - visualRect(index).left();
    if (hiddenBy > 0)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - hiddenBy);
}

bool FrozenColumnsTableView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    if (isFrozen(index.column()) && trigger != NoEditTriggers)
        return m_frozen->editFor(index, trigger, event);
    return QTableView::edit(index, trigger, event);
}
