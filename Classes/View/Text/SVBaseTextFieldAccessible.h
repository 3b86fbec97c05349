// What assistive technology sees of a read-out pill (SVBaseTextField): static text whose value is the
// text it shows, readable through the text interface. Its name is the caption the window gives it,
// else the text itself.
#pragma once

#include <QAccessibleWidget>

class SVBaseTextField;

class SVBaseTextFieldAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit SVBaseTextFieldAccessible(SVBaseTextField* field);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;

    // Read-only text: no selection, the cursor stays at 0.
    void selection(int, int* startOffset, int* endOffset) const override;
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override { }
    void removeSelection(int) override { }
    void setSelection(int, int, int) override { }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override { }
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int, int) override { }
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    SVBaseTextField* field() const;
};
