// The message box: a frameless, transparent window whose panel shows a text and one confirm button.
// When it opens it is announced to assistive technology as an alert and its confirm button takes the
// focus, so that the text is read and Space or Enter dismisses it.
#pragma once

#include "Tools/SVButton.h"

#include <QDialog>
#include <QLabel>
#include <QPointer>

class ModeWindow : public QDialog {
    Q_OBJECT
public:
    explicit ModeWindow(QWidget* parent = nullptr);
    ~ModeWindow() override;

    QLabel* message() const { return m_message; }
    // Sizes the box for the message: a short one keeps the usual 320 x 160, a longer one (a command
    // to run, a path) makes it taller, so that no line is cut off.
    void fitToMessage();
    SVButton* comfirm() const { return m_comfirm; }

    void okAction(QObject* sender = nullptr);
    void cancelAction(QObject* sender = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // The box closes itself and ends its modal loop; the close request itself is refused.
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPointer<QLabel> m_message;
    QPointer<SVButton> m_comfirm;
};
