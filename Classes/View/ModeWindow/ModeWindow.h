// The message box: a frameless, transparent window whose panel shows a text and one confirm button.
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
    SVButton* comfirm() const { return m_comfirm; }

    void okAction(QObject* sender = nullptr);
    void cancelAction(QObject* sender = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    // The box closes itself and ends its modal loop; the close request itself is refused.
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPointer<QLabel> m_message;
    QPointer<SVButton> m_comfirm;
};
