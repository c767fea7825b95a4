// The editor's list of trigger applications: the layout is restored when one of them starts.
#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "ui/AppChoices.h"

class QListWidget;
class QMenu;
class QPushButton;

namespace vantrel {

class TriggerAppsEditor final : public QWidget {
  public:
    // `running` and `installed` are asked each time the "Add" menu opens; either may be empty.
    TriggerAppsEditor(std::vector<std::string> apps, AppChoiceSource running,
                      AppChoiceSource installed, QWidget* parent = nullptr);

    const std::vector<std::string>& apps() const { return apps_; }
    // As the buttons do it; the "Add" menu is filled as it opens.
    void add(const std::string& id);
    void removeSelected();

  private:
    void fillAddMenu();
    void showList();
    QString nameOf(const std::string& id) const;

    std::vector<std::string> apps_;
    AppChoiceSource running_;
    AppChoiceSource installed_;
    // Names seen in the sources, for showing the ids already listed.
    std::vector<AppChoice> known_;
    QListWidget* list_ = nullptr;
    QMenu* addMenu_ = nullptr;
    QPushButton* removeButton_ = nullptr;
};

}  // namespace vantrel
