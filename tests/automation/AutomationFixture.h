// The layout manager and its commands over the engine fixture, with a layout file in a temporary
// folder; its helpers are shared by the automation, app and UI tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "automation/LayoutCommands.h"
#include "automation/LayoutManager.h"
#include "base/Worker.h"
#include "engine/EngineFixture.h"
#include "model/LayoutStorage.h"
#include "model/LoginItem.h"
#include "model/UserDefaults.h"

namespace vantrel::testing {

// A fresh folder, removed with everything in it at the end of the test.
class TempDir {
  public:
    TempDir() { std::filesystem::create_directories(path_); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() { std::filesystem::remove_all(path_, ignored_); }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_ = std::filesystem::temp_directory_path() /
                                  ("vantrel-automation-" + Uuid::random().toString());
    std::error_code ignored_;
};

// Keeps executor tasks until the test runs them, to control when each restore's engine part
// ends; `late` says whether each starts after its deadline.
class QueuedWorker final : public Worker {
  public:
    void submit(TimePoint, TimedTask task) override { tasks.push_back(std::move(task)); }
    void runAt(std::size_t index, bool late = false) { tasks.at(index)(late); }
    std::vector<TimedTask> tasks;
};

inline WindowLayout namedLayout(const std::string& name, std::vector<WindowState> windows = {}) {
    WindowLayout layout;
    layout.id = Uuid::random();
    layout.name = name;
    layout.windows = std::move(windows);
    return layout;
}

// A layout that puts the editor's first window at `frame`.
inline WindowLayout editorLayout(const std::string& name, Rect frame) {
    return namedLayout(name, {windowState("org.example.Editor", 0, frame)});
}

class AutomationTest : public EngineTest {
  protected:
    WindowService& windowService = service;
    TempDir dir;
    LayoutStorage storage{log, loop, dir.path()};
    InlineWorker worker;
    LayoutManager manager{windowService, storage, worker, loop, loop, center};
    InMemoryUserDefaults defaults;
    RecordingLoginItem loginItem;
    PreferencesStore preferences{defaults, loginItem, center, log};
    PresetLayoutService presets{windowService, seam, log};
    LayoutCommands commands{manager, windowService, presets, preferences, worker, loop, loop};

    // With the permission, the editor's one window, in front and focused (what presets place).
    SimAppId editor = 0;
    SimWindowId editorWindow(Rect frame = {0, 0, 400, 300}) {
        grant();
        editor = app("org.example.Editor", 10);
        const auto id = window(editor, "w", frame);
        desktop.setFrontmost(editor);
        desktop.setFocusedWindow(editor, id);
        return id;
    }

    // Puts layouts in the list as if they had been loaded.
    void setLayouts(std::vector<WindowLayout> list) { manager.layouts.set(std::move(list)); }

    std::vector<WindowLayout> layoutsOnDisk() {
        MemoryLog quiet;
        return LayoutStorage(quiet, loop, dir.path()).load();
    }
};

}  // namespace vantrel::testing
