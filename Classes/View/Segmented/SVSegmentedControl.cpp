#include "Classes/View/Segmented/SVSegmentedControl.h"

#include "Api/Source/NotificationCenter.h"
#include "Tools/SVAccessibility.h"
#include "Tools/SVButton.h"
#include "Tools/SVLocalized.h"

#include <QAccessible>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QtMath>

QFont SVSegmentedControl::titleFont()
{
    QFont font;
    font.setPixelSize(13);
    return font;
}

QColor SVSegmentedControl::selectedTextColor()
{
    return QColor::fromRgbF(253 / 255.0f, 254 / 255.0f, 254 / 255.0f, 1.0f);
}

SVSegmentedControl::SVSegmentedControl(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    NotificationCenter::defaultCenter()->addObserver(
        this, SVChangeLanguageNotification, nullptr, [this](const Notification&) { reloadTitles(); });
    reloadTitles();
}

void SVSegmentedControl::setTitles(const QStringList& titles)
{
    m_titles = titles;
    reloadTitles();
}

void SVSegmentedControl::setIndex(int index)
{
    m_index = index;
    update();
}

void SVSegmentedControl::setMaginLeftOne(float margin)
{
    m_maginLeftOne = margin;
    reloadTitles();
}

void SVSegmentedControl::setMaginLeftTwo(float margin)
{
    m_maginLeftTwo = margin;
    reloadTitles();
}

void SVSegmentedControl::setTranslator(Translator translator)
{
    m_translate = std::move(translator);
    reloadTitles();
}

QSizeF SVSegmentedControl::textSize(const QString& text) const
{
    const QSizeF size = QFontMetricsF(titleFont()).size(Qt::TextSingleLine, text);
    return {size.width(), qMin(size.height(), textHeightLimit)};
}

void SVSegmentedControl::reloadTitles()
{
    m_texts.clear();
    m_textSizes.clear();
    QList<double> widths;
    for (const QString& key : m_titles) {
        const QString text = m_translate ? m_translate(key) : SVLocalized::text(key);
        m_texts.append(text);
        m_textSizes.append(textSize(text));
        widths.append(m_textSizes.last().width());
    }
    // The control's own width follows its texts; the parent's layout keeps its place.
    setFixedWidth(qCeil(SVSegmentGeometry::controlWidth(widths, m_maginLeftTwo)));
    m_spans = SVSegmentGeometry::segmentSpans(widths, m_maginLeftOne, m_maginLeftTwo);
    layoutSegments();
    update();
}

void SVSegmentedControl::resizeEvent(QResizeEvent*)
{
    layoutSegments();
}

void SVSegmentedControl::layoutSegments()
{
    m_paths.clear();
    for (const SVSegmentSpan& span : m_spans) {
        QPainterPath path;
        path.addRect(QRectF(span.left, 0, span.width, height()));
        m_paths.append(path);
    }
}

void SVSegmentedControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.setClipPath(outline);
    painter.fillPath(outline, SVButton::buttonOrange());

    painter.setFont(titleFont());
    for (qsizetype i = 0; i < m_paths.size(); ++i) {
        const bool selected = i == m_index;
        if (selected) {
            painter.strokePath(m_paths[i], QPen(Qt::white, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.setPen(selectedTextColor());
        } else {
            painter.fillPath(m_paths[i], Qt::white);
            painter.setPen(SVButton::buttonOrange());
        }
        const QSizeF text = m_textSizes[i];
        const QRectF textBox(m_spans[i].left + m_maginLeftTwo, (height() - text.height()) / 2, text.width(), text.height());
        painter.drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, m_texts[i]);
    }
    // The border lies inside the outline, above the segments.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(SVButton::buttonOrange(), 1));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius - 0.5, cornerRadius - 0.5);
    if (hasFocus() && m_index >= 0 && m_index < m_spans.size()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.drawRoundedRect(segmentRect(m_index).adjusted(2, 2, -2, -2), cornerRadius - 1, cornerRadius - 1);
    }
}

QRectF SVSegmentedControl::segmentRect(int k) const
{
    if (k < 0 || k >= m_spans.size())
        return {};
    return QRectF(m_spans[k].left, 0, m_spans[k].width, height());
}

void SVSegmentedControl::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    for (qsizetype k = 0; k < m_paths.size(); ++k) {
        if (!m_paths[k].contains(event->position()))
            continue;
        qInfo().noquote() << QString::asprintf("mouseDown  %ld", long(k));  // part of the program's log
        selectSegment(int(k));
        return;
    }
}

void SVSegmentedControl::selectSegment(int k)
{
    if (k == m_index || k < 0 || k >= m_titles.size())
        return;
    m_index = k;
    update();
    announceSelection();
    if (m_delegate && m_delegate->metaObject()->indexOfMethod("selectTitleIndex(int)") >= 0)
        QMetaObject::invokeMethod(m_delegate, "selectTitleIndex", Q_ARG(int, m_index));
}

// Tells assistive technology which segment is selected now (and focused, when the control has the focus).
void SVSegmentedControl::announceSelection()
{
    QAccessibleInterface* control = QAccessible::queryAccessibleInterface(this);
    QAccessibleInterface* segment = control ? control->child(m_index) : nullptr;
    if (!segment)
        return;
    QAccessibleEvent selection(segment, QAccessible::Selection);
    announceAccessibilityEvent(selection);
    if (hasFocus()) {
        QAccessibleEvent focus(segment, QAccessible::Focus);
        announceAccessibilityEvent(focus);
    }
}

void SVSegmentedControl::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Left)
        selectSegment(m_index - 1);
    else if (event->key() == Qt::Key_Right)
        selectSegment(m_index + 1);
    else
        QWidget::keyPressEvent(event);
}

void SVSegmentedControl::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void SVSegmentedControl::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}
