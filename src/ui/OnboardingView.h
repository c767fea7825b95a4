// The first-run window: welcome, the permission, and the three ways to use the app.
#pragma once

#include <QWidget>
#include <functional>

#include "ui/PublishedBridge.h"
#include "ui/UiContext.h"

class QLabel;
class QPushButton;
class QStackedWidget;
class QWidget;

namespace vantrel {

class OnboardingView final : public QWidget {
  public:
    static constexpr int kPageCount = 3;

    OnboardingView(UiContext& context, std::function<void()> onComplete, QWidget* parent = nullptr);

    // The "Welcome to Vantrel" window, 500 x 400, titled and closable, centred, in front.
    static OnboardingView* openWindow(UiContext& context, std::function<void()> onComplete);

    int currentPage() const { return currentPage_; }
    void back();
    void next();
    void getStarted();

  protected:
    // Return and Enter press the page's default button.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QWidget* buildWelcomePage();
    QWidget* buildPermissionPage();
    QWidget* buildDonePage();
    void showPage();
    void applyPermission(bool granted);

    UiContext& context_;
    std::function<void()> onComplete_;
    PublishedBridge bridge_;
    int currentPage_ = 0;

    QStackedWidget* pages_ = nullptr;
    QWidget* grantedRow_ = nullptr;
    QWidget* permissionButtons_ = nullptr;
    QPushButton* backButton_ = nullptr;
    QPushButton* continueButton_ = nullptr;
    QPushButton* getStartedButton_ = nullptr;
    QLabel* dots_[kPageCount] = {};
};

}  // namespace vantrel
