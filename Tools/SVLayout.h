// Anchor layout: each view gets rules for its edges, centres and sizes relative to its parent or to
// views placed before it in the same parent. The rules are resolved in the order the views were
// placed, on every resize of the parent and whenever a placed view asks for a new size.
//
// Positions are measured with the origin at the parent's lower left and y going up, as the window's
// layout is written: "top 10 below the panel's top" is top(topOf(panel), -10), "bottom 5 above the
// field's top" is bottom(topOf(field), 5), "left edge 10 right of X" is left(rightOf(X), 10).
// A size without a rule comes from the two opposite edges when both have rules, else from the view's
// size hint (a button is as wide as its title).
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <optional>

class SVLayout : public QObject {
    Q_OBJECT
public:
    enum class Attribute { Left, Right, Top, Bottom, CenterX, CenterY, Width, Height };

    struct Anchor {
        QPointer<const QWidget> view;
        Attribute attribute;
    };
    static Anchor leftOf(const QWidget* view) { return { view, Attribute::Left }; }
    static Anchor rightOf(const QWidget* view) { return { view, Attribute::Right }; }
    static Anchor topOf(const QWidget* view) { return { view, Attribute::Top }; }
    static Anchor bottomOf(const QWidget* view) { return { view, Attribute::Bottom }; }
    static Anchor centerXOf(const QWidget* view) { return { view, Attribute::CenterX }; }
    static Anchor centerYOf(const QWidget* view) { return { view, Attribute::CenterY }; }
    static Anchor widthOf(const QWidget* view) { return { view, Attribute::Width }; }
    static Anchor heightOf(const QWidget* view) { return { view, Attribute::Height }; }

    // The rules of one view; every setter replaces the earlier rule for the same attribute.
    class Rules {
    public:
        Rules& left(const Anchor& anchor, qreal offset = 0) { return set(Attribute::Left, anchor, offset); }
        Rules& right(const Anchor& anchor, qreal offset = 0) { return set(Attribute::Right, anchor, offset); }
        Rules& top(const Anchor& anchor, qreal offset = 0) { return set(Attribute::Top, anchor, offset); }
        Rules& bottom(const Anchor& anchor, qreal offset = 0) { return set(Attribute::Bottom, anchor, offset); }
        Rules& centerX(const Anchor& anchor, qreal offset = 0) { return set(Attribute::CenterX, anchor, offset); }
        Rules& centerY(const Anchor& anchor, qreal offset = 0) { return set(Attribute::CenterY, anchor, offset); }
        Rules& width(const Anchor& anchor, qreal offset = 0) { return set(Attribute::Width, anchor, offset); }
        Rules& height(const Anchor& anchor, qreal offset = 0) { return set(Attribute::Height, anchor, offset); }
        Rules& width(qreal width) { return setConstant(Attribute::Width, width); }
        Rules& height(qreal height) { return setConstant(Attribute::Height, height); }
        Rules& size(qreal width, qreal height) { return this->width(width).height(height); }
        // A frame (x, y, width, height) in the parent's coordinates, origin at its lower left.
        Rules& frame(qreal x, qreal y, qreal width, qreal height);
        // All four edges equal to those of view (the parent or a sibling).
        Rules& edges(const QWidget* view);

    private:
        friend class SVLayout;
        Rules(SVLayout* layout, QWidget* view) : m_layout(layout), m_view(view) { }
        Rules& set(Attribute attribute, const Anchor& anchor, qreal offset);
        Rules& setConstant(Attribute attribute, qreal value);
        SVLayout* m_layout;
        QWidget* m_view;
    };

    // Starts or continues the rules of view, which must already have its parent.
    static Rules place(QWidget* view);
    // Resolves every rule of parent's placed children now.
    static void relayout(QWidget* parent);
    // Resolves the rules of root's children, then of theirs, down the whole tree, shown or hidden: a
    // hidden view is not told when a child's text changes its size.
    static void relayoutTree(QWidget* root);

    // One axis: where the low edge goes and how long the span is. Missing values fall back to the
    // view's preferred size and its current position.
    struct Span {
        qreal low;
        qreal size;
    };
    static Span solveAxis(std::optional<qreal> low, std::optional<qreal> high, std::optional<qreal> center,
        std::optional<qreal> size, qreal preferredSize, qreal currentLow);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Rule {
        Anchor anchor;
        qreal offset = 0;  // the size itself for a constant rule
        bool constant = false;
        bool set = false;
    };
    struct Placement {
        QPointer<QWidget> view;
        Rule rules[8];
    };

    explicit SVLayout(QWidget* parent);
    static SVLayout* layoutOf(QWidget* parent);
    Placement& placementOf(QWidget* view);
    void resolve();
    void resolve(Placement& placement);
    std::optional<qreal> valueOf(const Rule& rule) const;
    qreal attributeValue(const QWidget* view, Attribute attribute) const;

    QWidget* m_parent;
    QList<Placement> m_placements;
    bool m_resolving = false;
};
