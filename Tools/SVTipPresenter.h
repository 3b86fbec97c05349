// Shows a message box and returns when the user has dismissed it. The application uses the modal
// presenter; tests install their own so that no test ever waits on a modal loop.
#pragma once

class ModeWindow;

class SVTipPresenter {
public:
    virtual ~SVTipPresenter() = default;
    virtual void present(ModeWindow& window) = 0;

    static SVTipPresenter& current();
    // Installs presenter (not owned; nullptr restores the modal one) and returns the one it replaces.
    static SVTipPresenter* install(SVTipPresenter* presenter);
};

// Centres the box on the screen and runs it application-modal until it closes.
class SVModalTipPresenter : public SVTipPresenter {
public:
    void present(ModeWindow& window) override;
};
