// The popover's content: the layout list, saving, quick layouts, and the prompts of the list.
#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "base/MainQueue.h"
#include "base/Subscription.h"
#include "model/PresetLayout.h"
#include "model/WindowLayout.h"
#include "ui/PublishedBridge.h"
#include "ui/UiContext.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;

namespace vantrel {

class LayoutRowView;

class MenuView final : public QWidget {
  public:
    static constexpr int kWidth = 300;
    static constexpr int kHeight = 450;
    // Rows made at a time, and how close to the end of the list a scroll makes the next ones.
    static constexpr std::size_t kRowBatch = 30;
    static constexpr int kRowPrefetchPixels = 300;
    // Presets of the quick-layout grid, row by row.
    static const std::array<PresetLayout, 12>& quickLayoutPresets();

    explicit MenuView(UiContext& context, QWidget* parent = nullptr);
    ~MenuView() override;

    // Redraws what depends on the moment (relative times, the window count of an open sheet).
    void refresh();

    // Actions, as the buttons run them.
    void openSaveSheet();
    void cancelSaveSheet();
    void saveFromSheet();
    void toggleQuickLayouts();
    void openPreferences();
    void restore(const WindowLayout& layout);
    void remove(const WindowLayout& layout);

    bool showingNewLayoutSheet() const { return showingNewLayoutSheet_; }
    bool showingQuickLayouts() const { return showingQuickLayouts_; }
    // The rows made so far: the first layouts of the list, more as it scrolls.
    std::vector<LayoutRowView*> rows() const { return rows_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // While shown, the rows' times move on ("5 sec. ago", "1 min. ago").
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    QWidget* buildMainPage();
    QWidget* buildBanner();
    QWidget* buildEmptyState();
    QWidget* buildSaveSection();
    QWidget* buildFooter();
    void placeOverlay();
    // Makes rows for up to `count` more of the listed layouts.
    void appendRows(std::size_t count);
    QWidget* buildSaveSheet();
    QWidget* buildOverlay();

    void applyPermission(bool granted);
    void rebuildRows(const std::vector<WindowLayout>& layouts);
    void updateSheet();
    void askAboutSpace();
    void presentSpaceMismatchPrompt();
    void presentErrorIfNeeded();
    // A name already listed asks first: replace that layout's windows, keep both, or go back.
    bool confirmNewName(const QString& name);

    UiContext& context_;
    PublishedBridge bridge_;
    TimerHandle clockTimer_;
    // Lets work queued on the core's main queue or worker see that the menu is gone.
    std::shared_ptr<MenuView*> self_;

    bool showingNewLayoutSheet_ = false;
    bool showingQuickLayouts_ = false;
    bool showingSpaceMismatchAlert_ = false;
    bool showingErrorAlert_ = false;

    QStackedWidget* pages_ = nullptr;
    QWidget* banner_ = nullptr;
    QWidget* listSection_ = nullptr;
    QStackedWidget* listStack_ = nullptr;
    QWidget* listContent_ = nullptr;
    QVBoxLayout* listLayout_ = nullptr;
    QWidget* saveDivider_ = nullptr;
    QWidget* saveSection_ = nullptr;
    QWidget* quickGrid_ = nullptr;
    QLabel* quickChevron_ = nullptr;
    QLineEdit* nameField_ = nullptr;
    QLabel* windowCountLabel_ = nullptr;
    QPushButton* sheetSaveButton_ = nullptr;
    QWidget* overlay_ = nullptr;
    QWidget* footer_ = nullptr;
    std::vector<LayoutRowView*> rows_;
    // The listed layouts; rows_ holds rows for the first of them.
    std::vector<WindowLayout> listed_;
};

}  // namespace vantrel
