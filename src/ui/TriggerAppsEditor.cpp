// Picking trigger applications from the running ones and the installed desktop entries.
#include "ui/TriggerAppsEditor.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/Icons.h"

namespace vantrel {

TriggerAppsEditor::TriggerAppsEditor(std::vector<std::string> apps, AppChoiceSource running,
                                     AppChoiceSource installed, QWidget* parent)
    : QWidget(parent),
      apps_(std::move(apps)),
      running_(std::move(running)),
      installed_(std::move(installed)) {
    setObjectName("triggerAppsEditor");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    list_ = new QListWidget(this);
    list_->setObjectName("triggerAppsList");
    list_->setFixedHeight(64);
    column->addWidget(list_);
    auto* buttons = new QHBoxLayout;
    auto* add = new QPushButton(QStringLiteral("Add..."), this);
    add->setObjectName("triggerAppsAddButton");
    addMenu_ = new QMenu(add);
    addMenu_->setObjectName("triggerAppsAddMenu");
    connect(addMenu_, &QMenu::aboutToShow, this, [this] { fillAddMenu(); });
    add->setMenu(addMenu_);
    removeButton_ = new QPushButton(QStringLiteral("Remove"), this);
    removeButton_->setObjectName("triggerAppsRemoveButton");
    connect(removeButton_, &QPushButton::clicked, this, [this] { removeSelected(); });
    connect(list_, &QListWidget::currentRowChanged, this,
            [this](int row) { removeButton_->setEnabled(row >= 0); });
    buttons->addWidget(add);
    buttons->addWidget(removeButton_);
    buttons->addStretch(1);
    column->addLayout(buttons);
    // Names for the ids already listed: running applications are cheap to ask; installed ones
    // are read when the menu opens.
    if (running_) known_ = running_();
    showList();
}

void TriggerAppsEditor::add(const std::string& id) {
    if (id.empty() || std::find(apps_.begin(), apps_.end(), id) != apps_.end()) return;
    apps_.push_back(id);
    showList();
}

void TriggerAppsEditor::removeSelected() {
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(apps_.size())) return;
    apps_.erase(apps_.begin() + row);
    showList();
}

void TriggerAppsEditor::fillAddMenu() {
    addMenu_->clear();
    const auto section = [this](const QString& title, const AppChoiceSource& source,
                                const char* objectName) {
        if (!source) return;
        const auto choices = sortedChoices(source());
        addMenu_->addSection(title);
        for (const auto& choice : choices) {
            known_.push_back(choice);
            auto* action = addMenu_->addAction(QString::fromStdString(choice.name));
            action->setObjectName(QString::fromLatin1(objectName));
            action->setData(QString::fromStdString(choice.id));
            action->setToolTip(QString::fromStdString(choice.id));
            action->setEnabled(std::find(apps_.begin(), apps_.end(), choice.id) == apps_.end());
            connect(action, &QAction::triggered, this, [this, id = choice.id] { add(id); });
        }
    };
    section(QStringLiteral("Running"), running_, "triggerRunningApp");
    section(QStringLiteral("Installed"), installed_, "triggerInstalledApp");
}

QString TriggerAppsEditor::nameOf(const std::string& id) const {
    for (const auto& choice : known_)
        if (choice.id == id) return QString::fromStdString(choice.name);
    return QString::fromStdString(id);
}

void TriggerAppsEditor::showList() {
    list_->clear();
    for (const auto& id : apps_) {
        const QString name = nameOf(id);
        auto* item = new QListWidgetItem(
            icons::symbol("app.fill"),
            name == QString::fromStdString(id)
                ? name
                : QStringLiteral("%1 (%2)").arg(name, QString::fromStdString(id)),
            list_);
        item->setData(Qt::UserRole, QString::fromStdString(id));
    }
    if (apps_.empty()) {
        auto* none = new QListWidgetItem(QStringLiteral("No applications"), list_);
        none->setFlags(Qt::NoItemFlags);
    }
    removeButton_->setEnabled(false);
}

}  // namespace vantrel
