#include "Tools/SVLayout.h"

#include <QEvent>

#include <cmath>

namespace {
int index(SVLayout::Attribute attribute)
{
    return static_cast<int>(attribute);
}
}  // namespace

SVLayout::Rules& SVLayout::Rules::set(Attribute attribute, const Anchor& anchor, qreal offset)
{
    Rule& rule = m_layout->placementOf(m_view).rules[index(attribute)];
    rule.anchor = anchor;
    rule.offset = offset;
    rule.constant = false;
    rule.set = true;
    m_layout->resolve();
    return *this;
}

SVLayout::Rules& SVLayout::Rules::setConstant(Attribute attribute, qreal value)
{
    Rule& rule = m_layout->placementOf(m_view).rules[index(attribute)];
    rule.anchor = { nullptr, attribute };
    rule.offset = value;
    rule.constant = true;
    rule.set = true;
    m_layout->resolve();
    return *this;
}

SVLayout::Rules& SVLayout::Rules::frame(qreal x, qreal y, qreal width, qreal height)
{
    const QWidget* parent = m_layout->m_parent;
    return left(leftOf(parent), x).bottom(bottomOf(parent), y).width(width).height(height);
}

SVLayout::Rules& SVLayout::Rules::edges(const QWidget* view)
{
    return left(leftOf(view)).right(rightOf(view)).top(topOf(view)).bottom(bottomOf(view));
}

SVLayout::SVLayout(QWidget* parent)
    : QObject(parent)
    , m_parent(parent)
{
    parent->installEventFilter(this);
}

SVLayout* SVLayout::layoutOf(QWidget* parent)
{
    if (auto* layout = parent->findChild<SVLayout*>(QString(), Qt::FindDirectChildrenOnly))
        return layout;
    return new SVLayout(parent);
}

SVLayout::Rules SVLayout::place(QWidget* view)
{
    if (!view->parentWidget())
        qFatal("SVLayout::place: a view is placed after it has been added to its parent");
    SVLayout* layout = layoutOf(view->parentWidget());
    layout->placementOf(view);
    return Rules(layout, view);
}

void SVLayout::relayout(QWidget* parent)
{
    if (auto* layout = parent->findChild<SVLayout*>(QString(), Qt::FindDirectChildrenOnly))
        layout->resolve();
}

void SVLayout::relayoutTree(QWidget* root)
{
    relayout(root);
    for (QWidget* child : root->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        relayoutTree(child);
}

SVLayout::Placement& SVLayout::placementOf(QWidget* view)
{
    for (Placement& placement : m_placements) {
        if (placement.view == view)
            return placement;
    }
    m_placements.append(Placement { view, {} });
    return m_placements.last();
}

bool SVLayout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_parent && (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest))
        resolve();
    return QObject::eventFilter(watched, event);
}

SVLayout::Span SVLayout::solveAxis(std::optional<qreal> low, std::optional<qreal> high,
    std::optional<qreal> center, std::optional<qreal> size, qreal preferredSize, qreal currentLow)
{
    qreal span = preferredSize;
    if (size)
        span = *size;
    else if (low && high)
        span = *high - *low;
    else if (low && center)
        span = 2 * (*center - *low);
    else if (high && center)
        span = 2 * (*high - *center);
    span = qMax<qreal>(0, span);

    qreal start = currentLow;
    if (low)
        start = *low;
    else if (high)
        start = *high - span;
    else if (center)
        start = *center - span / 2;
    return { start, span };
}

// Values in the parent's y-up coordinates. A sibling's value comes from its current geometry.
qreal SVLayout::attributeValue(const QWidget* view, Attribute attribute) const
{
    const qreal parentHeight = m_parent->height();
    QRectF box(0, 0, m_parent->width(), parentHeight);  // y-up: x, bottom, width, height
    if (view != m_parent) {
        const QRect g = view->geometry();
        box = QRectF(g.x(), parentHeight - g.y() - g.height(), g.width(), g.height());
    }
    switch (attribute) {
    case Attribute::Left: return box.left();
    case Attribute::Right: return box.left() + box.width();
    case Attribute::Bottom: return box.top();
    case Attribute::Top: return box.top() + box.height();
    case Attribute::CenterX: return box.left() + box.width() / 2;
    case Attribute::CenterY: return box.top() + box.height() / 2;
    case Attribute::Width: return box.width();
    case Attribute::Height: return box.height();
    }
    return 0;
}

std::optional<qreal> SVLayout::valueOf(const Rule& rule) const
{
    if (!rule.set)
        return std::nullopt;
    if (rule.constant)
        return rule.offset;
    if (rule.anchor.view.isNull())
        return std::nullopt;  // an anchor that has been deleted drops its rule
    const QWidget* anchorView = rule.anchor.view;
    if (anchorView != m_parent && anchorView->parentWidget() != m_parent)
        return std::nullopt;  // only the parent and siblings can be anchors
    return attributeValue(anchorView, rule.anchor.attribute) + rule.offset;
}

void SVLayout::resolve()
{
    if (m_resolving)
        return;
    m_resolving = true;
    m_placements.removeIf([](const Placement& placement) { return placement.view.isNull(); });
    for (Placement& placement : m_placements) {
        if (placement.view->parentWidget() == m_parent)
            resolve(placement);
    }
    m_resolving = false;
}

void SVLayout::resolve(Placement& placement)
{
    QWidget* view = placement.view;
    auto value = [&](Attribute attribute) { return valueOf(placement.rules[index(attribute)]); };
    const QSize preferred = view->sizeHint().isValid() ? view->sizeHint() : view->size();
    const QRect current = view->geometry();
    const int parentHeight = m_parent->height();

    const Span horizontal = solveAxis(value(Attribute::Left), value(Attribute::Right), value(Attribute::CenterX),
        value(Attribute::Width), preferred.width(), current.x());
    const Span vertical = solveAxis(value(Attribute::Bottom), value(Attribute::Top), value(Attribute::CenterY),
        value(Attribute::Height), preferred.height(), parentHeight - current.y() - current.height());

    // Each edge is rounded on its own so that views sharing an edge stay flush.
    const int left = int(std::lround(horizontal.low));
    const int right = int(std::lround(horizontal.low + horizontal.size));
    const int top = int(std::lround(parentHeight - (vertical.low + vertical.size)));
    const int bottom = int(std::lround(parentHeight - vertical.low));
    view->setGeometry(left, top, right - left, bottom - top);
    // A hidden view gets its resize event only when shown; its own placed children follow now.
    if (view->size() != current.size())
        relayout(view);
}
