#include "Classes/View/Segmented/SVSegmentedControl.h"

#include "Api/Source/NotificationCenter.h"
#include "Tools/SVLocalized.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QtMath>

QFont SVSegmentedControl::titleFont()
{
    QFont font;
    font.setPixelSize(13);
    return font;
}

QColor SVSegmentedControl::orange()
{
    return QColor::fromRgbF(1.0f, 165 / 255.0f, 0.0f, 1.0f);
}

QColor SVSegmentedControl::selectedTextColor()
{
    return QColor::fromRgbF(253 / 255.0f, 254 / 255.0f, 254 / 255.0f, 1.0f);
}

SVSegmentedControl::SVSegmentedControl(QWidget* parent)
    : QWidget(parent)
{
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
    painter.fillPath(outline, orange());

    painter.setFont(titleFont());
    for (qsizetype i = 0; i < m_paths.size(); ++i) {
        const bool selected = i == m_index;
        if (selected) {
            painter.strokePath(m_paths[i], QPen(Qt::white, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.setPen(selectedTextColor());
        } else {
            painter.fillPath(m_paths[i], Qt::white);
            painter.setPen(orange());
        }
        const QSizeF text = m_textSizes[i];
        const QRectF textBox(m_spans[i].left + m_maginLeftTwo, (height() - text.height()) / 2, text.width(), text.height());
        painter.drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, m_texts[i]);
    }
    // The border lies inside the outline, above the segments.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(orange(), 1));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius - 0.5, cornerRadius - 0.5);
}

void SVSegmentedControl::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    for (qsizetype k = 0; k < m_paths.size(); ++k) {
        if (!m_paths[k].contains(event->position()))
            continue;
        qInfo().noquote() << QString::asprintf("mouseDown  %ld", long(k));
        if (k != m_index) {
            m_index = int(k);
            update();
            if (m_delegate && m_delegate->metaObject()->indexOfMethod("selectTitleIndex(int)") >= 0)
                QMetaObject::invokeMethod(m_delegate, "selectTitleIndex", Q_ARG(int, m_index));
        }
        return;
    }
}
