// A row of text segments of which one is selected: the servo/motor mode choice. A press on another
// segment selects it and calls selectTitleIndex(int) on the delegate, when the delegate has that
// slot or invokable method. The titles are localization keys, shown through the translator. With
// focus, Left and Right select the neighbouring segment as a press on it would; a frame marks the
// selected segment while the control has the focus.
#pragma once

#include "Classes/View/Segmented/SVSegmentGeometry.h"

#include <QPainterPath>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>

class SVSegmentedControl : public QWidget {
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString& key)>;

    static constexpr double cornerRadius = 4;
    static constexpr double textHeightLimit = 27;
    static QFont titleFont();
    static QColor orange();
    static QColor selectedTextColor();

    explicit SVSegmentedControl(QWidget* parent = nullptr);

    QStringList titles() const { return m_titles; }
    void setTitles(const QStringList& titles);
    int index() const { return m_index; }
    void setIndex(int index);  // from code: repaints, never calls the delegate
    // The user's choice of segment k (press, keyboard, assistive technology): a different segment
    // becomes selected and the delegate is told; the selected one or an index out of range changes nothing.
    void selectSegment(int k);
    QRectF segmentRect(int k) const;  // in control coordinates; empty out of range
    float maginLeftOne() const { return m_maginLeftOne; }
    void setMaginLeftOne(float margin);
    float maginLeftTwo() const { return m_maginLeftTwo; }
    void setMaginLeftTwo(float margin);
    QObject* delegate() const { return m_delegate; }
    void setDelegate(QObject* delegate) { m_delegate = delegate; }

    // Turns a title key into the text shown; without one the window's language lookup is used.
    void setTranslator(Translator translator);

    QStringList displayedTitles() const { return m_texts; }
    QList<SVSegmentSpan> segmentSpans() const { return m_spans; }
    QList<QPainterPath> paths() const { return m_paths; }

public slots:
    // Re-reads the localized titles, re-sizes the segments and the control, and repaints. Called on
    // every language change.
    void reloadTitles();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void layoutSegments();
    void announceSelection();
    QSizeF textSize(const QString& text) const;

    QStringList m_titles{QStringLiteral("servo_mode"), QStringLiteral("motor_mode")};
    int m_index = 0;
    float m_maginLeftOne = 0;
    float m_maginLeftTwo = 20;
    QPointer<QObject> m_delegate;
    Translator m_translate;
    QStringList m_texts;
    QList<QSizeF> m_textSizes;
    QList<SVSegmentSpan> m_spans;
    QList<QPainterPath> m_paths;
};
